#!/usr/bin/env python3
"""Holds N idle connections to 127.0.0.1:PORT, never sending a byte.

A connection the server closes (its idle limit) is opened again at once, so
N stay open for the whole run. Prints "holding N" once all are open; on
SIGTERM prints "reopened K" (how many the server closed meanwhile) and exits.

usage: hold_idle.py PORT N
"""
import selectors
import signal
import socket
import sys


def main():
    port, count = int(sys.argv[1]), int(sys.argv[2])
    sel = selectors.DefaultSelector()

    def open_one():
        s = socket.create_connection(("127.0.0.1", port))
        s.setblocking(False)
        sel.register(s, selectors.EVENT_READ)

    for _ in range(count):
        open_one()
    print(f"holding {count}", flush=True)

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(True))
    reopened = 0
    while not stopping:
        for key, _ in sel.select(timeout=0.5):
            s = key.fileobj
            try:
                data = s.recv(4096)
            except BlockingIOError:
                continue
            except OSError:
                data = b""
            if not data:
                sel.unregister(s)
                s.close()
                open_one()
                reopened += 1
    print(f"reopened {reopened}", flush=True)


if __name__ == "__main__":
    main()
