#!/usr/bin/python3
"""Puts the library identifier of an IDL file into the type library widl made from it.

widl 7.0 writes the last byte of the library's identifier wrong (0x0D) into the .tlb, so the
library would register under an identifier nobody asks for. Usage: fix_typelib_guid.py x.idl x.tlb
"""
import re
import sys
import uuid


def library_guid(idl_text):
    text = re.sub(r"//[^\n]*", "", idl_text)
    match = re.search(r"uuid\(\s*([0-9A-Fa-f-]{36})\s*\)[^\[\]]*\]\s*library\s", text)
    return uuid.UUID(match.group(1)).bytes_le if match else None


def main():
    idl, tlb = sys.argv[1], sys.argv[2]
    want = library_guid(open(idl, encoding="utf-8").read())
    if want is None:
        return
    data = bytearray(open(tlb, "rb").read())
    fixed = 0
    at = data.find(want[:15])
    while at >= 0:
        if data[at + 15] != want[15]:
            data[at + 15] = want[15]
            fixed += 1
        at = data.find(want[:15], at + 1)
    if fixed:
        open(tlb, "wb").write(bytes(data))


main()
