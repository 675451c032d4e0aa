#!/usr/bin/env python3
"""A steady UDP stream for network tests: sends `rate` datagrams of `size` bytes a second
from one address to another until it is ended, and reads whatever arrives at its own address.
The schedule is kept against the clock, so a stall is made up at once and the average rate
over any second stays the rate asked for.

    udp_stream.py <bind address> <destination address> <port> <rate> <size>
"""
import select
import socket
import sys
import time


def main():
    bind, destination, port, rate, size = sys.argv[1:6]
    port, rate, size = int(port), float(rate), int(size)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((bind, port))
    sock.setblocking(False)
    payload = b"\x5a" * size
    start = time.monotonic()
    sent = 0
    while True:
        due = start + sent / rate
        now = time.monotonic()
        if now >= due:
            try:
                sock.sendto(payload, (destination, port))
            except OSError:
                pass  # the link is down: the schedule goes on
            sent += 1
            continue
        readable, _, _ = select.select([sock], [], [], due - now)
        while readable:
            try:
                sock.recv(65536)
            except OSError:
                break


if __name__ == "__main__":
    main()
