"""Writes the parts of a support bundle (QuilletCheck --bundle) that a replay
needs into a folder: capture.ini, and per updater folder settings.<folder>
and images.<folder>. The checker's own reader (bundle/) is the reference;
this reads only what a bundle that reader accepts holds.

    python3 scripts/bundle_parts.py BUNDLE FOLDER
"""
import os
import re
import sys


def parts(path):
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").replace("\r\n", "\n").split("\n")
    if lines[0] != "Quillet support bundle" or lines[1] != "FormatVersion=1":
        sys.exit("scripts/replay: %s is no bundle of format version 1" % path)
    found, name, body = {}, None, None
    for line in lines[3:]:
        if name is None:
            m = re.fullmatch(r"\[(.+)\]", line)
            if m:
                name, body = m.group(1), bytearray()
        elif line == "[end %s]" % name:
            found[name] = bytes(body)
            name = None
        elif line == "\\ no line end":
            del body[-1:]
        elif line.startswith("|"):
            text = re.sub(r"\\x([0-9A-Fa-f]{2})|\\\\",
                          lambda m: chr(int(m.group(1), 16)) if m.group(1) else "\\", line[2:])
            body += text.encode("latin-1") + b"\n"
    return found


def main():
    bundle, folder = sys.argv[1:3]
    for name, body in parts(bundle).items():
        if name == "capture" or name.startswith(("settings ", "images ")):
            with open(os.path.join(folder, name.replace(" ", ".")), "wb") as f:
                f.write(body)


if __name__ == "__main__":
    main()
