"""An SNMP agent that never lets a walk end: every GETNEXT of an identifier inside its subtree is
answered with the next row inside it (root -> root.1 -> root.2 -> ...), each an INTEGER 5. It
listens on <address>:161 (the port the memory and processor plug-ins always ask) on a thread
of its own and counts the requests it answered, walk by walk (a walk begins with the root).

    with EndlessAgent("127.0.47.1", "1.3.6.1.2.1.25.3.3.1.2") as agent:
        ...
        agent.walks  -> [requests answered in the first walk, in the second, ...]
"""
import socket
import threading

from snmp_datagrams import ber, integer, message, oid

PORT = 161
GETNEXT, RESPONSE = 0xA1, 0xA2


def _read(data, at):
    """(tag, body, next position) of the BER element at `at`."""
    tag, length = data[at], data[at + 1]
    at += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    return tag, data[at:at + length], at + length


def _oid_text(body):
    arcs = [body[0] // 40, body[0] % 40]
    value = 0
    for byte in body[1:]:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            arcs.append(value)
            value = 0
    return ".".join(str(a) for a in arcs)


def decode_request(datagram):
    """(PDU type, request id, community, [identifiers]) of a SNMPv1/v2c request."""
    _, body, _ = _read(datagram, 0)
    _, _, at = _read(body, 0)                    # version
    _, community, at = _read(body, at)
    pdu_type, pdu, _ = _read(body, at)
    _, request_id, at = _read(pdu, 0)
    _, _, at = _read(pdu, at)                    # error status
    _, _, at = _read(pdu, at)                    # error index
    _, bindings, _ = _read(pdu, at)
    oids, at = [], 0
    while at < len(bindings):
        _, binding, at = _read(bindings, at)
        _, name, _ = _read(binding, 0)
        oids.append(_oid_text(name))
    return pdu_type, int.from_bytes(request_id, "big", signed=True), community, oids


def next_row(root, asked):
    """The row after `asked`: root.1 after the root, root.(n + 1) after root.n."""
    if asked == root:
        return root + ".1"
    return root + "." + str(int(asked[len(root) + 1:].split(".")[0]) + 1)


class EndlessAgent:
    def __init__(self, address, root):
        self.root = root
        self.walks = []
        self._socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self._socket.bind((address, PORT))
        self._socket.settimeout(0.2)
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        while not self._stop.is_set():
            try:
                datagram, peer = self._socket.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            try:
                pdu_type, request_id, community, oids = decode_request(datagram)
            except (IndexError, ValueError):
                continue
            if pdu_type != GETNEXT or len(oids) != 1 or not (
                    oids[0] == self.root or oids[0].startswith(self.root + ".")):
                continue
            binding = ber(0x30, oid(next_row(self.root, oids[0])) + integer(5))
            self._socket.sendto(message(RESPONSE, request_id, binding, community), peer)
            if oids[0] == self.root:
                self.walks.append(0)
            if self.walks:
                self.walks[-1] += 1

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        self._socket.close()
