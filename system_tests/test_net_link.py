"""The network adapter plug-in on a network of its own: a network namespace of this test with
a veth link to a second namespace, a veth pair inside it (one end with a non-ASCII name) and a
link without a carrier, the whole Wine session inside the first namespace. The adapter list is compared with what `ip` says of the
links, and the figures of a test with the kernel's own counters of the link
(/sys/class/net/<link>/statistics) over the same seconds, while a steady UDP stream of known
rate runs each way through it."""
import contextlib
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import pytest

import netns
import plugin_host
import test_net
import winhost

SESSION = plugin_host.Session("tol_net.dll", test_net.CLSID, period=1)
LINK, PEER_LINK = "tol21a", "tol21b"               # the veth pair to the second namespace
NAMED, NAMED_PEER = "tol21\u00fc", "tol21f"        # a veth pair inside, a non-ASCII name
NO_CARRIER, NO_CARRIER_PEER = "tol21c", "tol21e"   # up, but its peer is down
ADDRESS, PEER_ADDRESS, PORT = "10.21.0.1", "10.21.0.2", 5021
# Datagrams a second and their payload bytes: out of the link and into it.
OUT_STREAM = (250, 800)
IN_STREAM = (100, 1200)
# How far a figure may lie from the kernel's rate over the same seconds: the plug-in's window is
# one second plus the sampling time and a stream may stall and catch up within a second.
BAND = 0.2
UDP_STREAM = pathlib.Path(__file__).with_name("udp_stream.py")


class Network:
    def __init__(self, name, peer):
        self.name = name
        self.peer = peer

    def ip(self, *args, namespace=None):
        return netns.in_namespace(namespace or self.name, "ip", *args)

    def set_up(self, link, up=True, namespace=None):
        self.ip("link", "set", link, "up" if up else "down", namespace=namespace)

    def all_up(self):
        for link in (LINK, NAMED, NAMED_PEER, NO_CARRIER):
            self.set_up(link)
        self.set_up(PEER_LINK, namespace=self.peer)

    def statistics(self, link):
        """rx_bytes, rx_packets, tx_bytes, tx_packets of a link, as the kernel counts them."""
        folder = "/sys/class/net/%s/statistics/" % link
        out = netns.in_namespace(self.name, "cat", *(folder + name for name in (
            "rx_bytes", "rx_packets", "tx_bytes", "tx_packets"))).stdout.split()
        return [int(value) for value in out], time.monotonic()

    def links_up(self):
        return netns.links_up(("ip", "netns", "exec", self.name))


def disable_ipv6(namespace):
    """No router solicitations or address announcements: the links carry only the streams."""
    for scope in ("all", "default"):
        netns.in_namespace(namespace, "sh", "-c",
                           "echo 1 > /proc/sys/net/ipv6/conf/%s/disable_ipv6" % scope, check=False)


@pytest.fixture(scope="module")
def network():
    pid = os.getpid()
    with netns.namespace("tol21_%d" % pid) as name, netns.namespace("tol21p_%d" % pid) as peer:
        disable_ipv6(name)
        disable_ipv6(peer)
        net = Network(name, peer)
        made = netns.in_namespace(name, "ip", "link", "add", LINK, "type", "veth", "peer", "name",
                                  PEER_LINK, "netns", peer, check=False)
        if made.returncode != 0:
            pytest.skip("cannot make a veth link: " + made.stderr.strip())
        net.ip("link", "add", NAMED, "type", "veth", "peer", "name", NAMED_PEER)
        net.ip("link", "add", NO_CARRIER, "type", "veth", "peer", "name", NO_CARRIER_PEER)
        net.ip("address", "add", ADDRESS + "/24", "dev", LINK)
        net.ip("address", "add", PEER_ADDRESS + "/24", "dev", PEER_LINK, namespace=peer)
        yield net


@pytest.fixture(scope="module")
def wine(network):
    with netns.wine_session(network.name, "tol21_prefix_") as session:
        yield session


@contextlib.contextmanager
def streams(network):
    """The UDP streams out of the link and into it, running until the block ends."""
    processes = []
    for namespace, source, destination, (rate, size) in (
            (network.name, ADDRESS, PEER_ADDRESS, OUT_STREAM),
            (network.peer, PEER_ADDRESS, ADDRESS, IN_STREAM)):
        processes.append(subprocess.Popen(
            ["ip", "netns", "exec", namespace, sys.executable, str(UDP_STREAM), source,
             destination, str(PORT), str(rate), str(size)], stdin=subprocess.DEVNULL))
    try:
        time.sleep(1.0)  # both streams under way
        yield
    finally:
        for process in processes:
            process.terminate()
        for process in processes:
            process.wait(timeout=30)


def streams_of(run):
    return [test_net.decode_stream(stream) for stream in run.results]


def adapter_list(stream):
    return stream[0].texts[0] if stream and stream[0].type_name == "RESULT_ADAPTER_LIST" else None


def test_with_no_adapter_up_get_has_nothing_but_results(network, wine):
    for link in (LINK, NAMED, NAMED_PEER, NO_CARRIER):
        network.set_up(link, False)
    run = wine.run_script(SESSION.prologue() + [
        "get", test_net.nta(1, 2, LINK), "wait-data 1 10000", "get"] + SESSION.epilogue())
    assert run.returncode == 0, (run.log, run.stderr)
    assert run.entries("get")[0] == (plugin_host.E_PENDING, "null")
    assert plugin_host.Event("I4", -1, "tol_net: Adapter list is empty.") in run.events
    (stream,) = streams_of(run)
    assert [r.type_name for r in stream] == ["RESULT_NET_ADAPTER"]
    assert test_net.rates(stream[0]) == test_net.ZEROS


def test_adapter_list_is_the_links_that_are_up(network, wine):
    network.all_up()
    expected = netns.list_text(network.links_up())
    # Not lo, a loopback, nor the peer that is down. (Wine reports the link whose peer is down,
    # which has no carrier, as operational, like `ip link show up` does.)
    assert expected == netns.list_text([LINK, NAMED, NAMED_PEER, NO_CARRIER])
    run = wine.run_script(SESSION.prologue() + ["get", "get"] + SESSION.epilogue())
    assert run.returncode == 0, (run.log, run.stderr)
    lists = [adapter_list(stream) for stream in streams_of(run)]
    assert lists == [expected, expected]
    # Log texts are widened with the thread's ANSI code page: only the ASCII part reads back.
    ascii_part = "tol_net: Adapter list: '%s" % expected.split("\u00fc")[0]
    assert any(e.value == -5 and e.text.startswith(ascii_part) for e in run.events), run.events


def kernel_rates(before, after):
    """Bytes and packets a second in and out: rx_bytes, rx_packets, tx_bytes, tx_packets."""
    (first, start), (last, end) = before, after
    return [(b - a) / (end - start) for a, b in zip(first, last)]


def test_figures_follow_the_streams_through_the_link(network, wine):
    network.all_up()
    with streams(network):
        before = network.statistics(LINK)
        run = wine.run_script(SESSION.prologue() + [
            test_net.nta(3, 4, LINK), test_net.nta(4, 4, NAMED), "wait-data 16 60000",
            "get"] + SESSION.epilogue())
        after = network.statistics(LINK)
    assert run.returncode == 0, (run.log, run.stderr)
    records = [r for r in test_net.adapter_records(run) if r.test_id == 3]
    assert len(records) >= 8
    assert all(r.location_id == 4 and r.ui32[9] == 0 for r in records)
    assert records[0].texts == [test_net.within_limits(LINK)]
    # The first passes may come before two samples of the streams: the later ones count.
    figures = [test_net.rates(r) for r in records[3:]]
    in_bytes, in_packets, tx_bytes, tx_packets = kernel_rates(before, after)
    expected = {"in octets": (0, in_bytes), "in packets": (1, in_packets),
                "out octets": (3, tx_bytes), "out packets": (4, tx_packets)}
    for name, (column, rate) in expected.items():
        median = statistics.median(figure[column] for figure in figures)
        assert abs(median - rate) <= BAND * rate, (name, median, rate, figures)
    # The streams are far apart: in and out are not swapped, octets not packets.
    assert tx_bytes > 1.5 * in_bytes and tx_packets > 2 * in_packets
    assert all(figure[2] == 0 and figure[5] == 0 for figure in figures)  # no errors
    # The link with the non-ASCII name is found (and carries nothing).
    named = [r for r in test_net.adapter_records(run) if r.test_id == 4]
    assert named and named[-1].texts == [test_net.within_limits(NAMED)]


class HostWatch:
    """plugin_host running a script on a thread of its own, its output watched as it comes."""

    def __init__(self, wine, script, folder):
        self.folder = folder
        self.result = {}
        self.thread = threading.Thread(
            target=lambda: self.result.update(run=wine.run_script(script, folder=folder)))

    def lines(self, name):
        path = self.folder / "out" / name
        return path.read_text(errors="replace").split("\n") if path.exists() else []

    def gets(self):
        return sum(line.startswith("get ") for line in self.lines("log.txt"))

    def data_events(self):
        return sum(line.startswith("UI4 ") for line in self.lines("events.txt"))

    def wait(self, condition, timeout=60):
        deadline = time.monotonic() + timeout
        while not condition() and self.thread.is_alive() and time.monotonic() < deadline:
            time.sleep(0.05)

    def flag(self, name):
        return self.folder / name

    def run(self):
        self.thread.join(180)
        return self.result["run"]


def test_link_set_down_leaves_the_list_and_reports_zeros(network, wine):
    network.all_up()
    with streams(network), tempfile.TemporaryDirectory(prefix="tol21_down_") as temp:
        folder = pathlib.Path(temp)
        script = SESSION.prologue() + [
            test_net.nta(5, 1, LINK), "wait-data 4 20000", "get",
            "wait-file 60000 " + plugin_host.windows_path(folder / "down"), "get",
            "wait-file 60000 " + plugin_host.windows_path(folder / "passed"), "get",
        ] + SESSION.epilogue()
        host = HostWatch(wine, script, folder)
        host.thread.start()
        host.wait(lambda: host.gets() >= 1)
        network.set_up(LINK, False)
        host.flag("down").write_text("")
        # Three passes after the Get that no longer finds the link.
        host.wait(lambda: host.gets() >= 2)
        passes = host.data_events() + 3
        host.wait(lambda: host.data_events() >= passes)
        host.flag("passed").write_text("")
        run = host.run()
    assert run.returncode == 0, (run.log, run.stderr)
    assert [hr for hr, _ in run.entries("wait-file")] == [plugin_host.S_OK] * 2
    before, gone, after = streams_of(run)
    assert LINK + "\t" in adapter_list(before)
    assert LINK + "\t" not in (adapter_list(gone) or "")
    assert adapter_list(after) == adapter_list(gone)
    assert any(test_net.rates(r)[3] > 0 for r in before[1:]), "no traffic seen before"
    late = [test_net.rates(r) for r in after[1:]]
    assert len(late) >= 3 and late[-1] == test_net.ZEROS, late
    # Once zero, it stays zero: a gone adapter does not go on reporting its last traffic.
    first_zero = late.index(test_net.ZEROS)
    assert all(figures == test_net.ZEROS for figures in late[first_zero:]), late
