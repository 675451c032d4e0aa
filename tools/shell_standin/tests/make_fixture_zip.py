#!/usr/bin/env python3
"""Writes the zip the stand-in shell's tests open: deflated and stored files, a folder two
levels deep, an empty file, and an entry that would climb out of the destination."""
import sys
import zipfile

ENTRIES = [
    ("Updater.exe", b"MZ" + bytes(range(256)) * 40, zipfile.ZIP_DEFLATED),
    ("data.txt", b"stored as it is\r\n", zipfile.ZIP_STORED),
    ("sub/", b"", zipfile.ZIP_STORED),
    ("sub/inner.txt", b"inner " * 100, zipfile.ZIP_DEFLATED),
    ("sub/deeper/x.bin", bytes(range(7, 250)), zipfile.ZIP_DEFLATED),
    ("empty.txt", b"", zipfile.ZIP_DEFLATED),
    ("../outside.txt", b"must never be written", zipfile.ZIP_DEFLATED),
]


def main(path):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, method in ENTRIES:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
            info.compress_type = method
            archive.writestr(info, data)


if __name__ == "__main__":
    main(sys.argv[1])
