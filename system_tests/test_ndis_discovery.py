"""Network-neighbourhood discovery of tol_ndis.dll. Wine's network provider router has no
provider of its own and answers "no network"; here the test bed's scripted_netprovider.dll is
registered under the provider order of the test prefix, so the plug-in's real WNetOpenEnum,
WNetEnumResource and WNetCloseEnum calls walk a scripted neighbourhood (providers, a domain,
groups, servers and their shares). Server names resolve without a query on the wire: dotted
addresses, localhost, and a label too long to be sent."""
import pathlib
import tempfile
import threading
import time

import pytest

import plugin_host
import winhost
from ndis_peer import CLSID, DISCOVERY_NEW_DATA, NetworkProvider, records_of
from plugin_host import add

from result_records import named_fields

SESSION = plugin_host.Session("tol_ndis.dll", CLSID)
UNRESOLVABLE = "a" * 70 + ".invalid"
TREE = [
    ("", "domain", "WORKGROUP20"),
    ("WORKGROUP20", "server", "\\\\localhost"),
    ("\\\\localhost", "share", "\\\\localhost\\public"),
    ("WORKGROUP20", "server", "\\\\127.0.20.11"),
    ("WORKGROUP20", "group", "Lab"),
    ("Lab", "server", "\\\\" + UNRESOLVABLE),
    ("Lab", "server", "\\\\\\"),       # only backslashes
    ("Lab", "server", "<null>"),       # no remote name at all
    ("", "server", "127.0.20.12"),     # a server at the top, named without backslashes
]
# (server, address) of each server-found record, in the order of the walk (depth first).
FOUND = [("localhost", "127.0.0.1"), ("127.0.20.11", "127.0.20.11"),
         (UNRESOLVABLE, "<no ipv4 address>"), ("N/A", "<no ipv4 address>"),
         ("N/A", "<no ipv4 address>"), ("127.0.20.12", "127.0.20.12")]


def servers(records):
    return [tuple(r.texts) for r in records]


def test_a_walk_reports_every_server_once_in_one_post():
    with NetworkProvider(TREE):
        run = SESSION.run([add("NSA\t5"), "wait-data 1 20000", "sleep 300", "get", "get"])
    assert run.returncode == 0, run.log
    records = records_of(run)
    assert servers(records) == FOUND
    assert all((r.type_name, r.test_id, r.location_id) == ("RESULT_DISCOVERY", 5, 0)
               for r in records)
    assert dict(named_fields(records[0]))["server"] == "localhost"
    assert dict(named_fields(records[0]))["address"] == "127.0.0.1"
    assert run.events == [plugin_host.Event("UI4", 3, DISCOVERY_NEW_DATA)]
    assert run.entries("get")[1] == (plugin_host.E_PENDING, "null")


# Providers that hand out their entries unlike the scripted one's default: a few at a time,
# nothing (with success) when asked for fewer than they would give, success with nothing once
# they have no more. Every walk still finds every server once and ends.
PROVIDER_ANSWERS = [
    {"Batch": 1, "EmptyBelow": 2},
    {"Batch": 2, "EmptyBelow": 3, "EmptyAtEnd": 1},
    {"EmptyAtEnd": 1},
]


@pytest.mark.parametrize("answers", PROVIDER_ANSWERS, ids=lambda a: ",".join(a))
def test_a_walk_ends_with_every_server_whatever_the_provider_answers(answers):
    with NetworkProvider(TREE, answers=answers):
        run = SESSION.run([add("NSA\t9"), "wait-data 1 20000", "get"])
    assert run.entries("wait-data") == [(plugin_host.S_OK, "1")]
    assert servers(records_of(run)) == FOUND


def test_an_empty_neighbourhood_posts_nothing():
    with NetworkProvider([("", "domain", "EMPTY20")]):
        run = SESSION.run([add("NSA\t6"), "sleep 1500", "get"])
    assert run.entries("get") == [(plugin_host.E_PENDING, "null")]
    assert run.events == []


def test_a_discovery_keeps_its_id_until_it_is_deleted():
    with NetworkProvider(TREE[:2]):
        run = SESSION.run([add("NSA\t7"), "wait-data 1 20000", add("NSA\t7"), add("NSA\t7\t1\t11"),
                           add("NSD\t7"), add("NSA\t7"), "wait-data 2 20000", "get"])
    assert [detail for _, detail in run.entries("add")] == ["true", "false", "false", "true", "true"]
    # One walk before the delete, one after the new start.
    assert servers(records_of(run)) == [("localhost", "127.0.0.1")] * 2


def test_a_repeating_discovery_walks_again_after_its_interval():
    # The neighbourhood changes after the first walk; the second walk (11 s later) finds the
    # new server; a delete ends the discovery at once.
    with NetworkProvider(TREE[:2]) as provider, \
            tempfile.TemporaryDirectory(prefix="tol20_discovery_") as temp:
        folder = pathlib.Path(temp)
        changed = threading.Event()

        def change_after_first_walk():
            events = folder / "out" / "events.txt"
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline:
                if events.exists() and events.read_text().count("\n") >= 1:
                    provider.write(TREE[:2] + [("WORKGROUP20", "server", "\\\\127.0.20.13")])
                    changed.set()
                    return
                time.sleep(0.05)

        watcher = threading.Thread(target=change_after_first_walk)
        watcher.start()
        run = run_in(folder, SESSION.prologue() + [
            add("NSA\t8\t1\t11"), "wait-data 2 40000", add("NSD\t8"), "sleep 500", "get"]
            + SESSION.epilogue())
        watcher.join()
    assert changed.is_set()
    assert run.entries("wait-data") == [(plugin_host.S_OK, "2")]
    assert servers(records_of(run)) == [("localhost", "127.0.0.1"), ("localhost", "127.0.0.1"),
                                        ("127.0.20.13", "127.0.20.13")]
    assert len(run.events) == 2


def run_in(folder, commands):
    """plugin_host.exe with its output in `folder`/out, which a test may watch meanwhile."""
    script = folder / "script.txt"
    script.write_text("\n".join(commands) + "\n", encoding="utf-8")
    out = folder / "out"
    completed = winhost.run("plugin_host.exe", plugin_host.windows_path(script),
                            plugin_host.windows_path(out), timeout=120)
    return plugin_host.Run(out, completed)
