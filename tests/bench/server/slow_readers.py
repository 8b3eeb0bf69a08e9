#!/usr/bin/env python3
"""Keeps N slow readers on 127.0.0.1:PORT: each asks for PATH and then reads
1 KB of the answer every 4 s, with the socket's default buffers.

A reader the server cuts off is opened again at once, so N read for the
whole run. Prints "holding N" once every reader has its first bytes; on
SIGTERM prints "cut K lifetime_avg S lifetime_max S" (how many the server
cut off and how long they had lasted, in seconds) and exits.

usage: slow_readers.py PORT N PATH
"""
import select
import signal
import socket
import sys
import time

CHUNK = 1024
INTERVAL = 4.0


def main():
    port, count, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    request = f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode()
    poller = select.poll()
    readers = {}  # fd -> [socket, opened at, next read at, bytes read]

    def open_one():
        s = socket.create_connection(("127.0.0.1", port))
        s.sendall(request)
        now = time.monotonic()
        readers[s.fileno()] = [s, now, now, 0]
        poller.register(s, select.POLLRDHUP | select.POLLERR | select.POLLHUP)

    def close_one(fd):
        s = readers.pop(fd)[0]
        poller.unregister(s)
        s.close()

    for _ in range(count):
        open_one()

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(True))
    lifetimes = []
    announced = False
    while not stopping:
        # The server ending a connection (FIN or reset) shows at once, even
        # with unread bytes still waiting.
        for fd, _ in poller.poll(200):
            if fd in readers:
                lifetimes.append(time.monotonic() - readers[fd][1])
                close_one(fd)
                open_one()
        now = time.monotonic()
        for fd, r in list(readers.items()):
            if now < r[2]:
                continue
            r[2] = now + INTERVAL
            try:
                got = r[0].recv(CHUNK, socket.MSG_DONTWAIT)
            except BlockingIOError:
                got = None
            except OSError:
                got = b""
            if got == b"":
                lifetimes.append(now - r[1])
                close_one(fd)
                open_one()
            elif got:
                r[3] += len(got)
        if not announced and all(r[3] > 0 for r in readers.values()):
            print(f"holding {count}", flush=True)
            announced = True
    average = sum(lifetimes) / len(lifetimes) if lifetimes else 0
    longest = max(lifetimes) if lifetimes else 0
    print(f"cut {len(lifetimes)} lifetime_avg {average:.1f} lifetime_max {longest:.1f}", flush=True)


if __name__ == "__main__":
    main()
