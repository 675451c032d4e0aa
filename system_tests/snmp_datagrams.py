"""SNMP datagrams built by hand (BER), for tests that need what the net-snmp tools do not send:
an inform whose answers are counted, a trap of 64 KiB of the smallest bindings, a flood of
traps; and the datagrams waiting on a test's socket.

    snmp_datagrams.py flood <bind address> <host> <port> <bindings a trap> [traps a second]

sends v2c traps of that many bindings from the bind address, as fast as it can or at the given
rate, until it is ended (SIGTERM), and then prints "sent <traps>"."""

import signal
import socket
import sys
import time

MAX_DATAGRAM = 65507


def silent_socket(host):
    """A UDP socket on host (a free port) that never answers; `waiting` reads what came."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((host, 0))
    s.settimeout(0.2)
    return s


def waiting(sock):
    """The datagrams waiting on a socket (read until its time-out passes without one)."""
    received = []
    try:
        while True:
            received.append(sock.recv(65536))
    except socket.timeout:
        return received


def ber(tag, body):
    if len(body) < 0x80:
        return bytes([tag, len(body)]) + body
    assert len(body) <= 0xFFFF
    return bytes([tag, 0x82, len(body) >> 8, len(body) & 0xFF]) + body


def integer(value):
    size = 1
    while not -(1 << (8 * size - 1)) <= value < (1 << (8 * size - 1)):
        size += 1
    return ber(0x02, value.to_bytes(size, "big", signed=True))


def oid(text):
    parts = [int(p) for p in text.split(".")]
    body = bytes([40 * parts[0] + parts[1]])
    for part in parts[2:]:
        chunk = [part & 0x7F]
        while part > 0x7F:
            part >>= 7
            chunk.insert(0, 0x80 | (part & 0x7F))
        body += bytes(chunk)
    return ber(0x06, body)


def message(pdu_type, request_id, bindings, community):
    """A SNMPv2c message; `bindings` are encoded varbinds back to back."""
    pdu = ber(pdu_type, integer(request_id) + integer(0) + integer(0) + ber(0x30, bindings))
    return ber(0x30, integer(1) + ber(0x04, community) + pdu)


def inform(request_id, community=b"informs"):
    bindings = ber(0x30, oid("1.3.6.1.2.1.1.3.0") + ber(0x43, b"\x05")) + \
        ber(0x30, oid("1.3.6.1.6.3.1.1.4.1.0") + oid("1.3.6.1.4.1.99999.0.9"))
    return message(0xA6, request_id, bindings, community)


def flood_trap(community=b"flood"):
    """A v2c trap as close to the largest datagram as it goes, of bindings "1.3 = NULL"."""
    binding = ber(0x30, oid("1.3") + bytes([0x05, 0x00]))
    count = (MAX_DATAGRAM - 64) // len(binding)
    datagram = message(0xA7, 1, binding * count, community)
    assert len(datagram) <= MAX_DATAGRAM
    return datagram


def bindings_trap(count, community=b"tol23flood"):
    """A v2c trap of `count` bindings 1.3.6.1.4.1.99999.3.<k> = INTEGER k."""
    bindings = b"".join(ber(0x30, oid("1.3.6.1.4.1.99999.3.%d" % k) + integer(k)) for k in range(count))
    return message(0xA7, 1, bindings, community)


def flood(bind, host, port, bindings, rate=0.0):
    datagram = bindings_trap(bindings)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((bind, 0))
    sent = 0
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    start = time.monotonic()
    while not stop:
        if rate > 0:
            ahead = start + sent / rate - time.monotonic()
            if ahead > 0:
                time.sleep(ahead)
                continue
        try:
            sock.sendto(datagram, (host, port))
            sent += 1
        except OSError:
            pass
    print("sent %d" % sent, flush=True)


if __name__ == "__main__" and len(sys.argv) >= 6 and sys.argv[1] == "flood":
    flood(sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]),
          float(sys.argv[6]) if len(sys.argv) > 6 else 0.0)
