"""The gateway's address and the header blocks of the agent's exchange, as the tests of the
exchange compare them."""
GATEWAY = "/fcgi-bin/agentgateway"


def gateway_headers(headers):
    """The (name, value) pairs of a header list that the gateway reads, in order."""
    return [pair for pair in headers if pair[0].startswith(("Tol-", "Content-Type"))]


def session_headers(session, compression=0, checksum=0):
    """The header block of a send within the session."""
    return [("Content-Type", "application/octet-stream"), ("Tol-SessionID", session),
            ("Tol-Compression", str(compression)), ("Tol-CheckSum", str(checksum)),
            ("Tol-Platform", "win32"), ("Tol-Version", "4.001")]
