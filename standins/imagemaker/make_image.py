#!/usr/bin/env python3
"""Writes firmware images (.BIN) from short text descriptions.

Usage: make_image.py [-o OUTDIR] DESCRIPTION.image...

Each description makes one image, named after it: HUB415.image gives
HUB415.BIN in OUTDIR (default: the current directory). standins/imagemaker/README.md
describes the keys.
"""
import argparse
import os
import re
import sys

# Where the format keeps things, by layout.
LAYOUTS = {
    "long": {
        "size": 28848,
        "version": 8012,
        "fields": {"manufacturer": (28704, 48), "product": (28752, 48), "product2": (28800, 48)},
    },
    "short": {
        "size": 28801,
        "version": 8044,
        "fields": {"manufacturer": (28699, 30), "product": (28729, 36), "product2": (28765, 36)},
    },
}
LONG_LAYOUT_FLAGS = 0x88
MAX_SIZE = 1 << 24

SINGLE_KEYS = {"imageid", "flags", "byte3", "layout", "version", "fill", "size",
               "manufacturer", "manufacturerhex", "product", "producthex",
               "product2", "product2hex"}
REPEATED_KEYS = {"patch"}


class DescriptionError(Exception):
    """A fault in a description; `line` 0 when no one line is at fault."""

    def __init__(self, message, line=0):
        super().__init__(message)
        self.line = line

    def where(self, path):
        return "%s:%d: %s" % (path, self.line, self) if self.line else "%s: %s" % (path, self)


def parse_hex(text, bits, what):
    m = re.fullmatch(r"(?:0[xX])?([0-9A-Fa-f]+)", text)
    if not m or int(m.group(1), 16) >= 1 << bits:
        raise DescriptionError('%s: "%s" is not a hexadecimal number from 0 to %X'
                               % (what, text, (1 << bits) - 1))
    return int(m.group(1), 16)


def parse_bytes(text, what):
    """Hex byte pairs, blanks allowed between pairs."""
    groups = text.split()
    if not groups or any(not re.fullmatch(r"(?:[0-9A-Fa-f]{2})+", g) for g in groups):
        raise DescriptionError('%s: "%s" is not a sequence of hexadecimal byte pairs'
                               % (what, text))
    return bytes.fromhex("".join(groups))


def parse_offset(text, what):
    m = re.fullmatch(r"(?:0[xX]([0-9A-Fa-f]+)|([0-9]+))", text)
    if not m:
        raise DescriptionError('%s: "%s" is not an offset (decimal, or hexadecimal with 0x)'
                               % (what, text))
    return int(m.group(1), 16) if m.group(1) else int(m.group(2))


def unquote(text):
    if len(text) >= 2 and text[0] == text[-1] == '"':
        return text[1:-1]
    return text


def read_description(text):
    """Key/value pairs of a description: {key: (value, line)}, patches apart."""
    values, patches = {}, []
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line[0] in "#;":
            continue
        key, eq, value = line.partition("=")
        key, value = key.strip(), value.strip()
        try:
            if not eq or not key:
                raise DescriptionError('"%s" is not a Key=Value line' % line)
            lower = key.lower()
            if lower in REPEATED_KEYS:
                patches.append((value, number))
            elif lower in SINGLE_KEYS:
                if lower in values:
                    raise DescriptionError("%s is given twice" % key)
                values[lower] = (key, value, number)
            else:
                raise DescriptionError("%s is not a key of an image description" % key)
        except DescriptionError as e:
            raise DescriptionError(str(e), number) from None
    return values, patches


def build_image(text):
    """The image's bytes for a description's text."""
    values, patches = read_description(text)
    line = 0

    def get(key, parse, default=None):
        nonlocal line
        if key not in values:
            return default
        name, value, line = values[key]
        return parse(value, name)

    try:
        if "imageid" not in values:
            raise DescriptionError("ImageId is missing")
        image_id = get("imageid", lambda v, n: parse_hex(v, 16, n))
        flags = get("flags", lambda v, n: parse_hex(v, 8, n), 0)
        byte3 = get("byte3", lambda v, n: parse_hex(v, 8, n), 0)
        fill = get("fill", lambda v, n: parse_hex(v, 8, n), 0xFF)

        def layout_name(v, n):
            if v.lower() not in LAYOUTS:
                raise DescriptionError('%s: "%s" is neither long nor short' % (n, v))
            return v.lower()
        layout = LAYOUTS[get("layout", layout_name,
                             "long" if flags & LONG_LAYOUT_FLAGS else "short")]

        def size_of(v, n):
            m = re.fullmatch(r"exact(?:\s*([+-])\s*([0-9]+))?|([0-9]+)", v.lower())
            if not m:
                raise DescriptionError('%s: "%s" is not exact, exact+N, exact-N or a number of '
                                       'bytes' % (n, v))
            if m.group(3):
                size = int(m.group(3))
            else:
                delta = int(m.group(2) or 0)
                size = layout["size"] + (delta if m.group(1) == "+" else -delta)
            if not 0 <= size <= MAX_SIZE:
                raise DescriptionError("%s: %d bytes is out of range" % (n, size))
            return size
        size = get("size", size_of, layout["size"])

        # Build at full layout size at least, then cut to the size asked for.
        data = bytearray([fill]) * max(size, layout["size"])
        data[0] = image_id >> 8
        data[1] = image_id & 0xFF
        data[2] = flags
        data[3] = byte3
        version = get("version", lambda v, n: parse_hex(v, 16, n))
        if version is not None:
            at = layout["version"]
            data[at:at + 2] = version.to_bytes(2, "little")

        for field, (offset, length) in layout["fields"].items():
            text_value = get(field, lambda v, n: unquote(v).encode("latin-1"))
            hex_value = get(field + "hex", parse_bytes)
            if text_value is not None and hex_value is not None:
                raise DescriptionError("%s is given both as text and as hex" % field.capitalize())
            content = text_value if text_value is not None else hex_value
            if content is None:
                continue
            if len(content) > length:
                raise DescriptionError("%s: %d bytes, more than the %d of the field"
                                       % (values.get(field, values.get(field + "hex"))[0],
                                          len(content), length))
            data[offset:offset + length] = content + bytes(length - len(content))
        del data[size:]

        for value, patch_line in patches:
            line = patch_line
            where, colon, content = value.partition(":")
            if not colon:
                raise DescriptionError('Patch: "%s" is not OFFSET: BYTES' % value)
            offset = parse_offset(where.strip(), "Patch")
            content = parse_bytes(content.strip(), "Patch")
            if offset + len(content) > len(data):
                raise DescriptionError("Patch: bytes %d to %d lie past the end of the %d-byte "
                                       "image" % (offset, offset + len(content) - 1, len(data)))
            data[offset:offset + len(content)] = content
    except UnicodeEncodeError:
        raise DescriptionError("text must be single-byte (Latin-1)", line) from None
    except DescriptionError as e:
        raise DescriptionError(str(e), e.line or line) from None
    return bytes(data)


def output_name(description_path):
    return os.path.splitext(os.path.basename(description_path))[0] + ".BIN"


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes firmware images from descriptions.")
    parser.add_argument("-o", "--output-dir", default=".")
    parser.add_argument("descriptions", nargs="+")
    args = parser.parse_args(argv)
    failed = False
    for path in args.descriptions:
        try:
            with open(path, encoding="utf-8") as f:
                data = build_image(f.read())
        except OSError as e:
            print("make_image: %s: %s" % (path, e.strerror), file=sys.stderr)
            failed = True
            continue
        except DescriptionError as e:
            print("make_image: " + e.where(path), file=sys.stderr)
            failed = True
            continue
        os.makedirs(args.output_dir, exist_ok=True)
        target = os.path.join(args.output_dir, output_name(path))
        with open(target + ".tmp", "wb") as f:
            f.write(data)
        os.replace(target + ".tmp", target)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
