import pytest

import winhost


def pytest_collection_modifyitems(config, items):
    if winhost.available():
        return
    skip = pytest.mark.skip(reason="needs the Wine session of tools/wine_session.sh")
    for item in items:
        item.add_marker(skip)
