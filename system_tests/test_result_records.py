"""Result records written by tol_utils' CMonResult2 (through record_writer.exe under Wine) and
read back by the reference server's strict decoder; corrupted bodies must be refused."""
import struct
import time

import pytest

import winhost

import result_records
from result_records import Record, RecordError, decode_record, decode_stream

SECTIONS = (("i32", "i"), ("ui32", "I"), ("i64", "q"), ("ui64", "Q"), ("d64", "d"))

ICMP_TEXT = ("ICMP echo results are within acceptable limits.\n"
             "Packets: Sent = 4, Received = 4, Lost = 0.\n"
             "Average round trip time: 1ms")


def encode(record):
    """The bytes of a record, as the layout lays them out (the test's own writer)."""
    sections = b"".join(struct.pack(f"<{len(getattr(record, name))}{slot}", *getattr(record, name))
                        for name, slot in SECTIONS)
    texts = b"".join(text.encode("utf-8") + b"\0" for text in record.texts)
    nested = b"".join(encode(child) for child in record.nested)
    payload = sections + texts + nested
    counts = [len(getattr(record, name)) for name, _ in SECTIONS]
    return struct.pack("<8I", 32 + len(payload), *counts, len(record.texts),
                       len(record.nested)) + payload


def sized(record):
    """The record with its size filled in from its encoding, nested records included."""
    for child in record.nested:
        sized(child)
    record.size = len(encode(record))
    return record


def expected_records(stamps):
    icmp = Record(0, ui32=[48, 7, 9, 0, 0], i64=[stamps[0]], d64=[0.75], texts=[ICMP_TEXT])
    scan = Record(0, ui32=[40, 2**32 - 2, 3], i64=[stamps[1]], d64=[0.0],
                  texts=["127.0.0.1", "Grüße aus Köln – 東京", "N/A", "N/A", "1.3.6.1.4.1.311"],
                  nested=[Record(0, texts=["1.3.6.1.2.1.1.6.0", "Serverraum · 3. OG"]),
                          Record(0, texts=["1.3.6.1.2.1.1.4.0", "N/A"])])
    full = Record(0, i32=[-2**31, 2**31 - 1], ui32=[66, 1, 2, 2**32 - 1],
                  i64=[stamps[2], -2**63], ui64=[2**64 - 1, 0], d64=[-2.5, 1e-300],
                  texts=["first", "\U0001F600"],
                  nested=[Record(0, texts=["middle"], nested=[Record(0, i32=[-1])])])
    return [sized(r) for r in (icmp, scan, full)]


@pytest.fixture(scope="module")
def written(tmp_path_factory):
    path = tmp_path_factory.mktemp("records") / "records.bin"
    before = int(time.time())
    done = winhost.run("record_writer.exe", "Z:" + str(path).replace("/", "\\"))
    after = int(time.time())
    assert done.returncode == 0, done.stderr
    return path.read_bytes(), before, after


def test_written_records_decode_to_the_values_written(written):
    data, before, after = written
    records = decode_stream(data)
    assert len(records) == 3
    for record in records:
        assert before - 1 <= record.timestamp <= after + 1
    assert records == expected_records([r.timestamp for r in records])
    assert [(r.type_name, r.test_id, r.location_id) for r in records] == [
        ("RESULT_ICMP", 7, 9), ("RESULT_SCAN", 2**32 - 2, 3), ("RESULT_LOAD_AVERAGE", 1, 2)]


def test_written_bytes_are_exactly_the_layout(written):
    data, _, _ = written
    records = decode_stream(data)
    assert b"".join(encode(r) for r in expected_records([r.timestamp for r in records])) == data


def test_an_empty_stream_has_no_records():
    assert decode_stream(b"") == []


def put_word(data, offset, value):
    out = bytearray(data)
    struct.pack_into("<I", out, offset, value)
    return bytes(out)


def add_to_word(data, offset, delta):
    return put_word(data, offset, struct.unpack_from("<I", data, offset)[0] + delta)


def put_byte(data, offset, value):
    out = bytearray(data)
    out[offset] = value
    return bytes(out)


# Offsets in the written stream: the ICMP record first (its one text at 68), then the scan record.
ICMP_TEXT_AT = 32 + 4 * 5 + 8 + 8


def scan_at(data):
    return struct.unpack_from("<I", data, 0)[0]


def first_nested_of_scan(data):
    return scan_at(data) + 32 + 4 * 3 + 8 + 8 + sum(
        len(t.encode()) + 1 for t in decode_stream(data)[1].texts)


def nested_too_deep():
    record = Record(0)
    for _ in range(40):
        record = Record(0, nested=[record])
    top = Record(0, ui32=[40, 1, 1], i64=[0], nested=[record])
    return encode(top)


CORRUPTIONS = {
    "cut short by a byte": lambda d: d[:-1],
    "trailing bytes shorter than a header": lambda d: d + b"\0" * 5,
    "total size one too large": lambda d: add_to_word(d, 0, 1),
    "total size one too small": lambda d: add_to_word(d, 0, -1),
    "total size below the header": lambda d: put_word(d, 0, 16),
    "total size beyond the stream": lambda d: put_word(d, scan_at(d), len(d)),
    "a text more than written": lambda d: add_to_word(d, 24, 1),
    "a text less than written": lambda d: add_to_word(d, 24, -1),
    "capacity overrunning the record": lambda d: put_word(d, 8, 10**6),
    "capacity whose section size passes 32 bits": lambda d: put_word(d, 12, 0x20000000),
    "a nested record more than written": lambda d: add_to_word(d, scan_at(d) + 28, 1),
    "a nested record less than written": lambda d: add_to_word(d, scan_at(d) + 28, -1),
    "nested record larger than its parent": lambda d: add_to_word(d, first_nested_of_scan(d), 4),
    "nested record below the header": lambda d: put_word(d, first_nested_of_scan(d), 8),
    "text without its NUL": lambda d: put_byte(d, ICMP_TEXT_AT + len(ICMP_TEXT), ord("x")),
    "empty text": lambda d: put_byte(d, ICMP_TEXT_AT, 0),
    "text not UTF-8": lambda d: put_byte(d, ICMP_TEXT_AT + 3, 0xFF),
    "top-level record without its init slots": lambda d: d + encode(sized(Record(0))),
    "records nested too deep": lambda d: d + nested_too_deep(),
}


@pytest.mark.parametrize("corruption", CORRUPTIONS.values(), ids=CORRUPTIONS.keys())
def test_corrupted_streams_are_refused(written, corruption):
    data, _, _ = written
    bad = corruption(data)
    assert bad != data
    with pytest.raises(ValueError):
        decode_stream(bad)


def test_refusals_say_where(written):
    data, _, _ = written
    with pytest.raises(RecordError) as refused:
        decode_stream(put_byte(data, ICMP_TEXT_AT + 3, 0xFF))
    assert refused.value.offset == ICMP_TEXT_AT
    assert "not UTF-8" in str(refused.value)


def test_a_nested_record_decodes_on_its_own():
    child = sized(Record(0, i32=[-1], texts=["x"]))
    assert decode_record(encode(child)) == child
    with pytest.raises(ValueError):
        decode_record(encode(child) + b"\0")
    assert result_records.RESULT_TYPES[48] == "RESULT_ICMP"
