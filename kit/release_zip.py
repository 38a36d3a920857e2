#!/usr/bin/env python3
"""Rewrites a ZIP so that one kit always gives the same bytes, whatever the
disk it was packed from said: the entries sorted by name, every time
SOURCE_DATE_EPOCH's, fixed attributes, no extra fields. CPack takes times,
order and attributes from the disk; cpack runs this on its ZIP
(release_zip.cmake).

Usage: release_zip.py --epoch SECONDS ZIP
"""
import argparse
import os
import sys
import time
import zipfile

# A ZIP's time is MS-DOS's: local time, which it does not name, from 1980
# on. The epoch is written as UTC, so the time zone of the build changes
# nothing.
EARLIEST = (1980, 1, 1, 0, 0, 0)
UNIX = 3
FILE_MODE = 0o100644
FOLDER_MODE = 0o040755
MSDOS_FOLDER = 0x10
LEVEL = 9


def zip_time(epoch):
    return max(EARLIEST, time.gmtime(epoch)[:6])


def entry(name, when):
    info = zipfile.ZipInfo(name, when)
    info.create_system = UNIX
    if name.endswith("/"):
        info.external_attr = FOLDER_MODE << 16 | MSDOS_FOLDER
        info.compress_type = zipfile.ZIP_STORED
    else:
        info.external_attr = FILE_MODE << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def normalize(path, epoch):
    when = zip_time(epoch)
    with zipfile.ZipFile(path) as source:
        members = {info.filename: source.read(info) for info in source.infolist()}
    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w") as target:
        for name in sorted(members):
            target.writestr(entry(name, when), members[name], compresslevel=LEVEL)
    os.replace(temporary, path)
    return len(members)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--epoch", type=int, required=True, help="SOURCE_DATE_EPOCH")
    parser.add_argument("zip")
    args = parser.parse_args()
    try:
        count = normalize(args.zip, args.epoch)
    except (OSError, zipfile.BadZipFile) as e:
        print("release_zip.py: %s: %s" % (args.zip, e), file=sys.stderr)
        return 1
    print("%s: %d entries, sorted, each dated %s UTC"
          % (args.zip, count, time.strftime("%Y-%m-%d %H:%M:%S", zip_time(args.epoch) + (0, 0, 0))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
