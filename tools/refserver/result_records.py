"""Result records (ResultBlob) as the plug-ins write them, read without forgiveness.

A record is little-endian and self-delimiting:

    header   eight u32: total size, capacities I32, UI32, I64, UI64, D64, STRING, nested count
    sections I32, UI32 (4 bytes a slot), I64, UI64, D64 (8 bytes a slot), sized by capacity
    texts    exactly STRING-capacity NUL-terminated UTF-8 texts; writers store "N/A" for a
             missing one, so an empty text is a writer fault
    nested   exactly nested-count complete records back to back, filling the record to its
             total size

A body is records back to back. Every top-level record begins with the time stamp (first I64)
and the result type, test id and location id (first three UI32s). Anything that does not add up
raises RecordError, a ValueError, naming the offset where it went wrong: the reference server
must reject a bad body loudly rather than guess at it. Standard library only.
"""
import struct
from dataclasses import dataclass, field

HEADER = struct.Struct("<8I")
HEADER_SIZE = HEADER.size
MAX_NESTING = 32

RESULT_TYPES = {
    38: "RESULT_NET_ADAPTER",
    39: "RESULT_ADAPTER_LIST",
    40: "RESULT_SCAN",
    41: "RESULT_DISCOVERY",
    42: "RESULT_PROCESS_LIST",
    43: "RESULT_PROCESS",
    44: "RESULT_CPU",
    45: "RESULT_DISK_LIST",
    46: "RESULT_DISK",
    47: "RESULT_MEMORY",
    48: "RESULT_ICMP",
    49: "RESULT_HTTP",
    50: "RESULT_EVENT_LOG",
    57: "RESULT_SNMP",
    61: "RESULT_SNMP_TRAP",
    66: "RESULT_LOAD_AVERAGE",
}

# (attribute, struct format of one slot) in header order.
_SECTIONS = (("i32", "i"), ("ui32", "I"), ("i64", "q"), ("ui64", "Q"), ("d64", "d"))


class RecordError(ValueError):
    """A record or stream whose lengths, capacities or texts are inconsistent."""

    def __init__(self, message, offset):
        super().__init__(f"{message} (at byte {offset})")
        self.offset = offset


@dataclass
class Record:
    size: int
    i32: list = field(default_factory=list)
    ui32: list = field(default_factory=list)
    i64: list = field(default_factory=list)
    ui64: list = field(default_factory=list)
    d64: list = field(default_factory=list)
    texts: list = field(default_factory=list)
    nested: list = field(default_factory=list)

    # The fields that `init` writes into a top-level record; None where the record has no slot.
    @property
    def timestamp(self):
        return self.i64[0] if self.i64 else None

    @property
    def type(self):
        return self.ui32[0] if len(self.ui32) > 0 else None

    @property
    def test_id(self):
        return self.ui32[1] if len(self.ui32) > 1 else None

    @property
    def location_id(self):
        return self.ui32[2] if len(self.ui32) > 2 else None

    @property
    def type_name(self):
        return RESULT_TYPES.get(self.type)


def _decode(data, start, end, depth):
    """Decodes the one record that starts at `start` and must end exactly at or before `end`;
    returns it."""
    if depth > MAX_NESTING:
        raise RecordError(f"records nested more than {MAX_NESTING} deep", start)
    if end - start < HEADER_SIZE:
        raise RecordError(f"{end - start} bytes left, a record header needs {HEADER_SIZE}", start)
    size, *capacities, text_count, nested_count = HEADER.unpack_from(data, start)
    if size < HEADER_SIZE:
        raise RecordError(f"total size {size} is smaller than the header", start)
    if size > end - start:
        raise RecordError(f"total size {size} exceeds the {end - start} bytes available", start)
    end = start + size
    record = Record(size=size)

    at = start + HEADER_SIZE
    for (name, slot), capacity in zip(_SECTIONS, capacities):
        width = struct.calcsize(slot)
        if capacity * width > end - at:
            raise RecordError(f"{name} capacity {capacity} overruns the record of {size} bytes", at)
        setattr(record, name, list(struct.unpack_from(f"<{capacity}{slot}", data, at)))
        at += capacity * width

    for index in range(text_count):
        nul = data.find(b"\0", at, end)
        if nul < 0:
            raise RecordError(f"text {index} of {text_count} has no terminating NUL", at)
        if nul == at:
            raise RecordError(f"text {index} is empty", at)
        try:
            record.texts.append(bytes(data[at:nul]).decode("utf-8"))
        except UnicodeDecodeError as error:
            raise RecordError(f"text {index} is not UTF-8: {error.reason}", at) from None
        at = nul + 1

    for index in range(nested_count):
        if at >= end:
            raise RecordError(f"nested record {index} of {nested_count} is missing", at)
        child = _decode(data, at, end, depth + 1)
        record.nested.append(child)
        at += child.size

    if at != end:
        raise RecordError(f"{end - at} bytes after the last declared item", at)
    return record


def _require_init_slots(record, offset):
    if len(record.i64) < 1 or len(record.ui32) < 3:
        raise RecordError("a top-level record needs a time stamp and type, test id and "
                          f"location id slots (has I64 {len(record.i64)}, UI32 {len(record.ui32)})",
                          offset)


def decode_record(data):
    """Decodes bytes that hold exactly one record (top-level or nested, no init slots needed)."""
    data = bytes(data)
    record = _decode(data, 0, len(data), 0)
    if record.size != len(data):
        raise RecordError(f"{len(data) - record.size} bytes after the record", record.size)
    return record


def decode_stream(data):
    """Decodes a ResultStream: top-level records back to back; returns the list of Records."""
    data = bytes(data)
    records = []
    at = 0
    while at < len(data):
        record = _decode(data, at, len(data), 0)
        _require_init_slots(record, at)
        records.append(record)
        at += record.size
    return records


# The names of the values of each record type, section by section in slot order, so that a
# record reads "free_gb: 75.3" rather than "d64[0]: 75.3". An entry maps a section ("i32",
# "ui32", "i64", "ui64", "d64", "texts") to its names, or is a function of the record giving
# such a map where the names depend on what the record holds.
_INIT_NAMES = {"ui32": ["type", "test_id", "location_id"], "i64": ["timestamp"]}


def _disk_names(record):
    # A free-space test reports free and total GB, a read/write-count test operations per
    # second; a drive that was not found reports zeros under the free-space names.
    rates = bool(record.texts) and " read/write " in record.texts[0]
    return {"ui32": ["type", "test_id", "location_id", "status"], "i64": ["timestamp"],
            "d64": ["reads_per_s", "writes_per_s"] if rates else ["free_gb", "total_gb"],
            "texts": ["text"]}


def _scan_names(record):
    # A host that answered the scan's ping has five texts and one nested record per OID of the
    # test's list; "finished" and a failed wait have the one text. The double stays 0.
    texts = (["address", "sys_name", "sys_descr", "object_value", "sys_object_id"]
             if len(record.texts) == 5 else ["text"])
    return dict(_INIT_NAMES, d64=["unused"], texts=texts,
                nested={"texts": ["oid", "value"]})


def _discovery_names(record):
    # A server of the network neighbourhood (its name and IPv4 address), or a failed wait.
    return dict(_INIT_NAMES, texts=["server", "address"] if len(record.texts) == 2 else ["text"])


def _snmp_names(record):
    # RESULT_SNMP: one request. Status 0: the elapsed ms, the answered mark and one nested
    # record per answered identifier; status 3: the client's error text and how many
    # identifiers it parsed.
    failed = len(record.ui32) > 3 and record.ui32[3] == 3
    return {"ui32": ["type", "test_id", "location_id", "status",
                     "oid_count" if failed else "answered"],
            "i64": ["timestamp"], "d64": ["elapsed_ms"], "texts": ["text"],
            "nested": {"ui32": ["syntax", "status"], "texts": ["value", "status_text"]}}


FIELD_NAMES = {
    45: dict(_INIT_NAMES, texts=["drives"]),
    46: _disk_names,
    48: {"ui32": ["type", "test_id", "location_id", "status", "lost"], "i64": ["timestamp"],
         "d64": ["average_ms"], "texts": ["text"]},
    38: dict(_INIT_NAMES,   # RESULT_NET_ADAPTER: one-second differences of the counters
             ui32=["type", "test_id", "location_id", "in_octets", "in_packets", "in_errors",
                   "out_octets", "out_packets", "out_errors", "status"], texts=["text"]),
    39: dict(_INIT_NAMES, texts=["adapters"]),   # RESULT_ADAPTER_LIST: each name and a TAB
    # One per test and pass with a nested record per event, or an error (status 2, the
    # system's text). "nested" names the values of the nested records.
    50: {"ui32": ["type", "test_id", "location_id", "status"], "i64": ["timestamp"],
         "texts": ["text"],
         "nested": {"ui32": ["event_type", "sid_use", "event_code"],
                    "i64": ["time_generated", "time_written"],
                    "texts": ["domain", "computer", "source", "account", "sid", "message",
                              "data"]}},
    42: dict(_INIT_NAMES, texts=["names"]),  # each name followed by a TAB
    # CPU usage in percent, working set and page-file usage in MB.
    43: {"ui32": ["type", "test_id", "location_id", "pid", "status"], "i64": ["timestamp"],
         "d64": ["cpu", "wss", "pfs"], "texts": ["text"]},
    # RESULT_SNMP_TRAP: one variable binding of a trap or inform; kind 1 trap, 2 inform, 0 error.
    61: {"ui32": ["type", "test_id", "location_id", "syntax", "kind", "status"], "i64": ["timestamp"],
         "texts": ["agent", "community", "oid", "value", "text"]},
    49: {"ui32": ["type", "test_id", "location_id", "status", "milliseconds", "http_code",
                  "length"], "i64": ["timestamp"], "texts": ["text"]},
    40: _scan_names,   # RESULT_SCAN
    41: _discovery_names,   # RESULT_DISCOVERY
    57: _snmp_names,
    # RESULT_MEMORY: MB, -1 where not measured (buffered and cached have no local source).
    47: {"ui32": ["type", "test_id", "location_id", "status"], "i64": ["timestamp"],
         "d64": ["free_phys", "total_phys", "free_page", "total_page", "buffered", "cached",
                 "free_virt", "total_virt"], "texts": ["text"]},
    66: {"ui32": ["type", "test_id", "location_id", "status"], "i64": ["timestamp"],  # LOAD_AVERAGE
         "d64": ["lav1", "lav5", "lav15"], "texts": ["text"]},
    # RESULT_CPU: percent, -1 where not measured; a local test nests one record per processor.
    44: {"ui32": ["type", "test_id", "location_id", "status"], "i64": ["timestamp"],
         "d64": ["cpu_usage", "krn_usage", "nice", "idle", "iowait"], "texts": ["text"],
         "nested": {"ui32": ["status"], "d64": ["cpu_usage", "krn_usage", "nice", "idle", "iowait"],
                    "texts": ["text"]}},
}


def _names_of(record):
    names = FIELD_NAMES.get(record.type, _INIT_NAMES)
    return names(record) if callable(names) else names


def named_fields(record, names=None):
    """[(name, value)] of every value of a record, in section order, texts last; a value that
    its type does not name is named by its slot ("d64[1]"). A nested record is named by its
    parent's names: named_fields(child, nested_names(parent))."""
    if names is None:
        names = _names_of(record)
    fields = []
    for section in [name for name, _ in _SECTIONS] + ["texts"]:
        given = names.get(section, [])
        for index, value in enumerate(getattr(record, section)):
            fields.append((given[index] if index < len(given) else f"{section}[{index}]", value))
    return fields


def nested_names(record):
    """The names of the values of the records nested in a record."""
    return _names_of(record).get("nested", {})
