#!/usr/bin/python3
"""Mends two faults of the type libraries widl 7 writes. Usage: fix_typelib.py x.idl x.tlb

- The last byte of the library's identifier is written wrong (0x0D), so the library would
  register under an identifier nobody asks for: the identifier of the IDL file is put back.
- A type imported from another library (IDispatch from stdole2.tlb) is given one import entry
  per reference, and every entry after the first has no GUID (offset -1). A reference through
  such an entry resolves to some other type of the imported library: the base interface of a
  dual interface then is not IDispatch, and the universal marshaller cannot make a proxy or a
  stub for it. Such an entry gets the GUID of the sound entry for the same library and kind of
  type; when there is none, or more than one, the build fails.
"""
import re
import struct
import sys
import uuid

HEADER_SIZE = 0x54
HAS_HELP_DLL = 0x100
SEGMENT_SIZE = 16
IMPORT_SEGMENT, GUID_SEGMENT = 1, 5
IMPORT_ENTRY_SIZE = 12
OFFSET_IS_GUID = 0x10000


def library_guid(idl_text):
    text = re.sub(r"//[^\n]*", "", idl_text)
    match = re.search(r"uuid\(\s*([0-9A-Fa-f-]{36})\s*\)[^\[\]]*\]\s*library\s", text)
    return uuid.UUID(match.group(1)).bytes_le if match else None


def fix_library_guid(data, want):
    fixed = False
    at = data.find(want[:15])
    while at >= 0:
        if data[at + 15] != want[15]:
            data[at + 15] = want[15]
            fixed = True
        at = data.find(want[:15], at + 1)
    return fixed


def segment(data, index):
    """(offset, length) of a segment of the MSFT type library."""
    var_flags, = struct.unpack_from("<i", data, 20)
    type_infos, = struct.unpack_from("<i", data, 32)
    directory = HEADER_SIZE + (4 if var_flags & HAS_HELP_DLL else 0) + 4 * type_infos
    return struct.unpack_from("<2i", data, directory + SEGMENT_SIZE * index)


def fix_imports(data, tlb):
    offset, length = segment(data, IMPORT_SEGMENT)
    if offset < 0 or length <= 0:
        return False
    entries = [struct.unpack_from("<3i", data, offset + IMPORT_ENTRY_SIZE * i)
               for i in range(length // IMPORT_ENTRY_SIZE)]

    def key(entry):
        return entry[1], entry[0] >> 24   # the imported library and the kind of type

    sound = {}
    for flags, library, guid in entries:
        if flags & OFFSET_IS_GUID and guid >= 0:
            sound.setdefault(key((flags, library, guid)), set()).add(guid)
    fixed = False
    for i, (flags, library, guid) in enumerate(entries):
        if not flags & OFFSET_IS_GUID or guid >= 0:
            continue
        candidates = sound.get(key((flags, library, guid)), set())
        if len(candidates) != 1:
            sys.exit("%s: import entry %d has no GUID and no single sound entry to take it from"
                     % (tlb, i))
        struct.pack_into("<i", data, offset + IMPORT_ENTRY_SIZE * i + 8, candidates.pop())
        fixed = True
    return fixed


def main():
    idl, tlb = sys.argv[1], sys.argv[2]
    data = bytearray(open(tlb, "rb").read())
    want = library_guid(open(idl, encoding="utf-8").read())
    fixed = fix_library_guid(data, want) if want else False
    fixed = fix_imports(data, tlb) or fixed
    if fixed:
        open(tlb, "wb").write(bytes(data))


main()
