"""The installed agent end to end with the HTTP plug-in: the reference server hands out HPA
lines, the service gives them to tol_http, whose requests go to nginx through the proxy the
agent is configured with, and the RESULT_HTTP records come back decoded."""
from agent_install import Installation
from nginx_site import MARKER, NginxSite, curl

from recording_proxy import RecordingProxy
from result_records import named_fields

ACCOUNT = ("ops@example.com", "host-01")


def http_records(server):
    return [dict(named_fields(r)) for r in server.records if r.type_name == "RESULT_HTTP"]


def test_http_lines_come_back_as_http_results_through_the_agents_proxy(server):
    with NginxSite() as site, RecordingProxy(host="127.0.22.1") as proxy:
        server.queue_lines([
            "POL\t0\t1",
            "HPA\t5\t3\t127.0.22.1\t/marker.html\t%d\t%s\t\t\t\t20\t0\t0\t1\t1\t0"
            % (site.http_port, MARKER),
            "HPA\t6\t3\t127.0.22.1\t/missing.html\t%d\t\t\t\t\t20\t1\t0\t0\t1\t0"
            % site.https_port], kind="login")
        with Installation(server.url, registration=ACCOUNT, plugins=["tol_http.dll"],
                          proxy=proxy.address) as agent:
            agent.start()
            assert server.wait_for(
                lambda _: {r["test_id"] for r in http_records(server)} >= {5, 6}, 60)
        targets = {(r.method, r.target) for r in proxy.requests}
        peer = curl(site.url("/marker.html"))
    assert server.violations == []
    by_test = {r["test_id"]: r for r in http_records(server)}
    found, missing = by_test[5], by_test[6]
    assert (found["location_id"], found["status"], found["http_code"]) == (3, 0, 200)
    assert found["length"] == peer[1]
    assert found["text"] == "HTTP status code: 200. String found."
    assert (missing["status"], missing["http_code"], missing["text"]) == (
        2, 404, "HTTP status code: 404. ")
    # The plug-in's requests went through the agent's proxy, as the agent's own did.
    assert ("GET", site.url("/marker.html")) in targets
    assert ("CONNECT", "127.0.22.1:%d" % site.https_port) in targets
    assert ("CONNECT", "127.0.0.1:%d" % server.port) in targets
