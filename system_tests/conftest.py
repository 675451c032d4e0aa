"""What the system tests share: the reference server's modules and the SNMP peer on the import
path, the skip outside a Wine session, and the reference server most modules log in to."""
import sys

import pytest

import winhost

# Every module imports from these folders; the reference server's goes first.
sys.path.insert(0, str(winhost.SOURCE_DIR / "platform" / "wsnmp32" / "tests"))
sys.path.insert(0, str(winhost.SOURCE_DIR / "tools" / "refserver"))

from agent_install import Installation  # noqa: E402
from refserver import RefServer  # noqa: E402

# The server's login reply that makes the agent tick every second from the first login on.
FAST_POLL = ["POL\t0\t1"]


def pytest_collection_modifyitems(config, items):
    if winhost.available():
        return
    skip = pytest.mark.skip(reason="needs the Wine session of tools/wine_session.sh")
    for item in items:
        item.add_marker(skip)


@pytest.fixture
def server(request):
    """A reference server over TLS on a free port of 127.0.0.1 that knows the module's ACCOUNT
    (email, agent name). A module that wants another server defines its own `server`."""
    with RefServer(accounts=[request.module.ACCOUNT], tls=True) as srv:
        yield srv


@pytest.fixture
def plain_server(request):
    """A reference server over plain HTTP on a free port of 127.0.0.1 that knows the module's
    ACCOUNT and keeps the bodies it is sent as they came (no decoder), for what does not depend
    on the transport."""
    with RefServer(accounts=[request.module.ACCOUNT], decoder=None) as srv:
        yield srv


@pytest.fixture
def installed(request, server):
    """The agent installed as the Windows service (not started), registered with the module's
    ACCOUNT, `server` its host, whose login reply makes it tick every second."""
    server.queue_lines(FAST_POLL, kind="login")
    with Installation(server.url, registration=request.module.ACCOUNT) as installation:
        yield installation
