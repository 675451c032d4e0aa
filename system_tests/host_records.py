"""The result records a plugin_host run handed over, decoded by the reference server's reader
(tools/refserver on the import path: conftest.py puts it there for the tests)."""
from result_records import decode_stream


def records(run, type_name=None):
    """The decoded records of every ResultStream of the run, in order; of one type if named."""
    return [record for stream in run.results for record in decode_stream(stream)
            if type_name is None or record.type_name == type_name]
