#!/usr/bin/env python3
"""Packs a folder into a zip whose bytes depend only on the files' contents.

    pack-zip.py ZIP FOLDER EPOCH

Every file under FOLDER goes in below FOLDER's own name, in byte order of the path,
stamped with the time EPOCH (seconds, UTC; the zip format's earliest, 1980-01-01, if
before), with mode 0644 (0755 for .exe) and no extra fields, deflated at level 9. The
file system's own times, order, owners and permissions never reach the zip.
"""
import os
import sys
import time
import zipfile

ZIP_EPOCH_MIN = 315532800  # 1980-01-01 00:00:00 UTC


def entries(folder):
    """The files under `folder` as (name in the zip, path on disk), in byte order of the name."""
    top = os.path.basename(os.path.normpath(folder))
    found = []
    for directory, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, folder).replace(os.sep, "/")
            found.append((f"{top}/{relative}", path))
    return sorted(found, key=lambda entry: entry[0].encode("utf-8"))


def pack(zip_path, folder, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name, path in entries(folder):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the mode below is read
            mode = 0o755 if name.lower().endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as file:
                archive.writestr(info, file.read(), compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    pack(sys.argv[1], sys.argv[2], int(sys.argv[3]))
