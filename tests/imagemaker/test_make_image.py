"""The image maker's output against the image format's offsets and sizes,
and its messages for bad descriptions."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "..", "standins", "imagemaker")
sys.path.insert(0, MAKER)

from make_image import DescriptionError, build_image  # noqa: E402

TOOL = os.path.join(MAKER, "make_image.py")

# The format, written out here on its own rather than taken from the tool.
LONG_SIZE, SHORT_SIZE = 28848, 28801
LONG_FIELDS = [(28704, 48), (28752, 48), (28800, 48)]
SHORT_FIELDS = [(28699, 30), (28729, 36), (28765, 36)]


def padded(text, length):
    return text + bytes(length - len(text))


class Layouts(unittest.TestCase):
    def test_long_layout_puts_everything_at_its_offsets(self):
        image = build_image("ImageId=0D12\nFlags=08\nByte3=5A\nVersion=0A21\n"
                            "Manufacturer=Quillet Labs\nProduct=USB3.0 Hub\nProduct2=Dock\n")
        self.assertEqual(LONG_SIZE, len(image))
        self.assertEqual(bytes([0x0D, 0x12, 0x08, 0x5A]), image[:4])
        self.assertEqual(bytes([0x21, 0x0A]), image[8012:8014])
        texts = [b"Quillet Labs", b"USB3.0 Hub", b"Dock"]
        for (offset, length), text in zip(LONG_FIELDS, texts):
            self.assertEqual(padded(text, length), image[offset:offset + length])
        # Everything else is the fill byte of erased flash.
        self.assertEqual(b"\xff" * (8012 - 4), image[4:8012])
        self.assertEqual(b"\xff" * (28704 - 8014), image[8014:28704])

    def test_short_layout_puts_everything_at_its_offsets(self):
        image = build_image("ImageId=0D12\nFlags=74\nVersion=9010\nManufacturer=M\n"
                            "Product=P1\nProduct2=P2\nFill=00\n")
        self.assertEqual(SHORT_SIZE, len(image))
        self.assertEqual(bytes([0x0D, 0x12, 0x74, 0x00]), image[:4])
        self.assertEqual(bytes([0x10, 0x90]), image[8044:8046])
        self.assertEqual(bytes(2), image[8012:8014])
        for (offset, length), text in zip(SHORT_FIELDS, [b"M", b"P1", b"P2"]):
            self.assertEqual(padded(text, length), image[offset:offset + length])
        self.assertEqual(padded(b"P2", 36), image[-36:])

    def test_layout_follows_bits_7_and_3_of_the_flags(self):
        for flags, size, at in (("80", LONG_SIZE, 8012), ("08", LONG_SIZE, 8012),
                                ("88", LONG_SIZE, 8012), ("00", SHORT_SIZE, 8044),
                                ("77", SHORT_SIZE, 8044)):
            with self.subTest(flags=flags):
                image = build_image("ImageId=0D12\nFlags=%s\nVersion=BEEF\n" % flags)
                self.assertEqual(size, len(image))
                self.assertEqual(bytes([0xEF, 0xBE]), image[at:at + 2])

    def test_layout_can_be_given_against_the_flags(self):
        image = build_image("ImageId=0D12\nFlags=00\nLayout=long\nVersion=1234\nProduct=X\n")
        self.assertEqual(LONG_SIZE, len(image))
        self.assertEqual(bytes([0x34, 0x12]), image[8012:8014])
        self.assertEqual(padded(b"X", 48), image[28752:28800])
        self.assertEqual(0x00, image[2])

    def test_defaults(self):
        image = build_image("ImageId=1D55\n")
        self.assertEqual(SHORT_SIZE, len(image))
        self.assertEqual(bytes([0x1D, 0x55, 0x00, 0x00]), image[:4])
        self.assertEqual(b"\xff" * (SHORT_SIZE - 4), image[4:])

    def test_hex_strings_and_quoted_text(self):
        image = build_image('ImageId=0D12\nFlags=08\nManufacturerHex=51 00 FF\n'
                            'Product="  Hub "\nProduct2Hex=' + "AB" * 48 + "\n")
        self.assertEqual(padded(b"Q\x00\xff", 48), image[28704:28752])
        self.assertEqual(padded(b"  Hub ", 48), image[28752:28800])
        self.assertEqual(b"\xab" * 48, image[28800:])


class Sizes(unittest.TestCase):
    def test_exact_size_and_deliberately_wrong_sizes(self):
        for size, expected in (("exact", SHORT_SIZE), ("exact+1", SHORT_SIZE + 1),
                               ("exact - 1", SHORT_SIZE - 1), ("28848", 28848), ("0", 0)):
            with self.subTest(size=size):
                image = build_image("ImageId=0D12\nSize=%s\nFill=00\n" % size)
                self.assertEqual(expected, len(image))
        self.assertEqual(LONG_SIZE - 48, len(build_image("ImageId=0D12\nFlags=80\nSize=exact-48\n")))

    def test_a_longer_image_keeps_its_fields_and_fills_the_rest(self):
        image = build_image("ImageId=0D12\nSize=exact+3\nProduct2=Z\n")
        self.assertEqual(padded(b"Z", 36), image[28765:28801])
        self.assertEqual(b"\xff\xff\xff", image[28801:])

    def test_a_shorter_image_is_cut_after_everything_is_placed(self):
        image = build_image("ImageId=0D12\nVersion=9010\nSize=8045\nProduct=gone\n")
        self.assertEqual(8045, len(image))
        self.assertEqual(0x10, image[8044])


class Patches(unittest.TestCase):
    def test_patches_come_last_in_their_order(self):
        image = build_image("ImageId=0D12\nVersion=9010\nPatch=8044: 11\n"
                            "Patch=0x1F6D: AA BB\nPatch=0: 0D 13\n")
        self.assertEqual(bytes([0x11, 0xAA, 0xBB]), image[8044:8047])
        self.assertEqual(bytes([0x0D, 0x13]), image[:2])

    def test_a_patch_may_end_at_the_last_byte_but_not_past_it(self):
        image = build_image("ImageId=0D12\nSize=10\nPatch=8: 01 02\n")
        self.assertEqual(bytes([1, 2]), image[8:])
        with self.assertRaises(DescriptionError) as e:
            build_image("ImageId=0D12\nSize=10\nPatch=9: 01 02\n")
        self.assertEqual((3, "Patch: bytes 9 to 10 lie past the end of the 10-byte image"),
                         (e.exception.line, str(e.exception)))


class BadDescriptions(unittest.TestCase):
    CASES = [
        ("Flags=08\n", 0, "ImageId is missing"),
        ("ImageId=0D12\nFlags=108\n", 2, 'Flags: "108" is not a hexadecimal number from 0 to FF'),
        ("ImageId=0D12G\n", 1, 'ImageId: "0D12G" is not a hexadecimal number from 0 to FFFF'),
        ("ImageId=0D12\n# note\nimageid=0D13\n", 3, "imageid is given twice"),
        ("ImageId=0D12\nColour=red\n", 2, "Colour is not a key of an image description"),
        ("ImageId=0D12\njust words\n", 2, '"just words" is not a Key=Value line'),
        ("ImageId=0D12\nLayout=medium\n", 2, 'Layout: "medium" is neither long nor short'),
        ("ImageId=0D12\nSize=big\n", 2,
         'Size: "big" is not exact, exact+N, exact-N or a number of bytes'),
        ("ImageId=0D12\nSize=exact-30000\n", 2, "Size: -1199 bytes is out of range"),
        ("ImageId=0D12\nManufacturer=" + "m" * 31 + "\n", 2,
         "Manufacturer: 31 bytes, more than the 30 of the field"),
        ("ImageId=0D12\nFlags=08\nProduct2Hex=" + "00" * 49 + "\n", 3,
         "Product2Hex: 49 bytes, more than the 48 of the field"),
        ("ImageId=0D12\nProduct=a\nProductHex=41\n", 3, "Product is given both as text and as hex"),
        ("ImageId=0D12\nManufacturerHex=4 1\n", 2,
         'ManufacturerHex: "4 1" is not a sequence of hexadecimal byte pairs'),
        ("ImageId=0D12\nPatch=8044 10\n", 2, 'Patch: "8044 10" is not OFFSET: BYTES'),
        ("ImageId=0D12\nPatch=x1F: 10\n", 2,
         'Patch: "x1F" is not an offset (decimal, or hexadecimal with 0x)'),
        ("ImageId=0D12\nProduct=\u20ac\n", 2, "text must be single-byte (Latin-1)"),
    ]

    def test_each_fault_names_its_line(self):
        for text, line, message in self.CASES:
            with self.subTest(text=text):
                with self.assertRaises(DescriptionError) as e:
                    build_image(text)
                self.assertEqual((line, message), (e.exception.line, str(e.exception)))


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="imagemaker-")
        self.addCleanup(subprocess.run, ["rm", "-rf", self.dir])

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_writes_one_image_per_description_named_after_it(self):
        a = self.write("FW_A.image", "ImageId=0D12\nFlags=08\n")
        b = self.write("hub.415.image", "ImageId=0D12\n")
        out = os.path.join(self.dir, "Binfile")
        result = subprocess.run([sys.executable, TOOL, "-o", out, a, b], capture_output=True)
        self.assertEqual((0, b""), (result.returncode, result.stderr))
        self.assertEqual(["FW_A.BIN", "hub.415.BIN"], sorted(os.listdir(out)))
        self.assertEqual(LONG_SIZE, os.path.getsize(os.path.join(out, "FW_A.BIN")))

    def test_bad_descriptions_are_reported_and_make_no_image(self):
        good = self.write("good.image", "ImageId=0D12\n")
        bad = self.write("bad.image", "ImageId=0D12\nFlags=xx\n")
        empty = self.write("empty.image", "")
        result = subprocess.run([sys.executable, TOOL, "-o", self.dir, bad, good, empty,
                                 os.path.join(self.dir, "none.image")],
                                capture_output=True, text=True)
        self.assertEqual(1, result.returncode)
        self.assertEqual([
            "make_image: %s:2: Flags: \"xx\" is not a hexadecimal number from 0 to FF" % bad,
            "make_image: %s: ImageId is missing" % empty,
            "make_image: %s: No such file or directory" % os.path.join(self.dir, "none.image"),
        ], result.stderr.splitlines())
        self.assertTrue(os.path.exists(os.path.join(self.dir, "good.BIN")))
        self.assertFalse(os.path.exists(os.path.join(self.dir, "bad.BIN")))


if __name__ == "__main__":
    unittest.main()
