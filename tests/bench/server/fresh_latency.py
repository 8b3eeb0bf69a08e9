#!/usr/bin/env python3
"""Asks 127.0.0.1:PORT for PATH again and again for SECONDS, each time on a
fresh connection (HTTP/1.0, read to the end), one request at a time.

Prints "requests N p50 MS max MS failed F": the time from connecting to
the end of the answer, in milliseconds; a request that fails or takes
longer than 10 s counts as failed.

usage: fresh_latency.py PORT PATH SECONDS
"""
import socket
import sys
import time


def fetch(port, request):
    with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
        s.sendall(request)
        answer = b""
        while True:
            got = s.recv(65536)
            if not got:
                break
            answer += got
    return answer.startswith(b"HTTP/1.1 200 ")


def main():
    port, path, seconds = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])
    request = f"GET {path} HTTP/1.0\r\n\r\n".encode()
    times, failed = [], 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        began = time.monotonic()
        try:
            ok = fetch(port, request)
        except OSError:
            ok = False
        if ok:
            times.append((time.monotonic() - began) * 1000)
        else:
            failed += 1
        time.sleep(0.01)
    times.sort()
    p50 = times[len(times) // 2] if times else 0
    longest = times[-1] if times else 0
    print(f"requests {len(times) + failed} p50 {p50:.2f} max {longest:.2f} failed {failed}")


if __name__ == "__main__":
    main()
