"""Writes a ZIP again in a form that depends on nothing but its entries' names, kinds and bytes:
sorted, every entry at one time (UTC), mode 0755 for programs and directories and 0644 for the
rest, no owner, no extra fields, compressed at one level.
Usage: reproducible_zip.py ZIP SECONDS-SINCE-1970"""
import os
import sys
import time
import zipfile


def main(path, epoch):
    # A ZIP holds times from 1980 on, with two-second steps.
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]
    with zipfile.ZipFile(path) as archive:
        entries = [(info, archive.read(info)) for info in archive.infolist()]
    entries.sort(key=lambda entry: entry[0].filename)
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for old, data in entries:
            info = zipfile.ZipInfo(old.filename, date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below count
            directory = old.filename.endswith("/")
            executable = directory or (old.external_attr >> 16) & 0o111
            mode = (0o040000 if directory else 0o100000) | (0o755 if executable else 0o644)
            info.external_attr = mode << 16 | (0x10 if directory else 0)
            info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, path)


if __name__ == "__main__":
    main(*sys.argv[1:])
