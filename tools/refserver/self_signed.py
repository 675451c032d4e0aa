"""A self-signed certificate for 127.0.0.1, made with the openssl command."""
import os
import subprocess


def make_certificate(folder):
    """Writes cert.pem and key.pem into the folder and returns their paths."""
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
                    "-days", "7", "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                    "-keyout", key, "-out", cert],
                   check=True, capture_output=True, stdin=subprocess.DEVNULL)
    return cert, key
