"""Binfile\\SHA256SUMS under Wine: the demo kit (which carries a list) with
one image damaged, one unlisted, a bad list and no list; and the updater's
SHA-256, CNG's, against NIST's examples."""
import os
import unittest

import harness
from harness import WineTestCase, crlf
from test_kit import FIRST_RUN, PAUSE
from transcript import UPGRADE_FAILED, device_list, programmed

HEAD = device_list("V1.29", "9012", "0A20") + "DoUpdateFW()\n"
IMAGES = ((3, "PORT.BIN"), (2, "DOCK.BIN"), (1, "HUB415.BIN"))


def refused(n, why):
    return "Device(%d):\n\t%s%s" % (n, why, UPGRADE_FAILED)


class ImageList(WineTestCase):
    def setUp(self):
        self.demo = self.kit()
        self.list = self.demo.hubs("Binfile", "SHA256SUMS")
        with open(self.list) as f:
            self.digests = dict(reversed(line.rstrip("\n").split(" *")) for line in f)

    def run_kit(self):
        status, out, err = self.demo.launch()
        self.assertEqual(0, status, err)
        self.assertTrue(out.endswith(PAUSE), out[-200:])
        at = out.find(b"3 devices found:")
        self.assertGreaterEqual(at, 0, out)
        return out[at:-len(PAUSE)]

    def write_list(self, text):
        with open(self.list, "w", newline="") as f:
            f.write(text)

    def test_a_kit_without_a_list_runs_as_before(self):
        os.remove(self.list)
        self.assertEqual(FIRST_RUN, self.run_kit())

    def test_one_byte_flipped_refuses_that_hub_and_the_others_are_programmed(self):
        with open(self.demo.hubs("Binfile", "DOCK.BIN"), "r+b") as f:
            f.seek(-1, os.SEEK_END)
            last = f.read(1)
            f.seek(-1, os.SEEK_END)
            f.write(bytes([last[0] ^ 0x01]))
        with open(self.demo.hubs("Binfile", "DOCK.BIN"), "rb") as f:
            computed = harness.sha256_hex(f.read())
        self.assertEqual(crlf(
            HEAD + programmed(3, "PORT.BIN")
            + refused(2, "\t!!!Error. The FW file .\\Binfile\\DOCK.BIN does not match "
                         "Binfile\\SHA256SUMS\n\t listed   %s\n\t computed %s\n"
                      % (self.digests["DOCK.BIN"], computed))
            + programmed(1, "HUB415.BIN")), self.run_kit())

    def test_an_unlisted_chosen_image_refuses_that_hub(self):
        self.write_list("".join("%s *%s\n" % (self.digests[name], name)
                                for name in ("DOCK.BIN", "HUB415.BIN")))
        self.assertEqual(crlf(
            HEAD + refused(3, "\t!!!Error. The FW file .\\Binfile\\PORT.BIN is not listed in "
                              "Binfile\\SHA256SUMS\n")
            + programmed(2, "DOCK.BIN") + programmed(1, "HUB415.BIN")),
            self.run_kit())

    def test_the_windows_checker_writes_the_list_the_updater_verifies(self):
        with open(self.list) as f:
            built = sorted(f.read().splitlines())
        os.remove(self.list)
        checker = os.path.join(harness.BUILD, "checker", "QuilletCheck%d.exe" % harness.BITS)
        status, out, err = harness.run(checker, ["--write-sums", "x64"], cwd=self.demo.path)
        self.assertEqual(0, status, err)
        self.assertEqual(crlf("x64\\Binfile\\SHA256SUMS: 3 images listed\n"), out)
        # LF line ends, as `sha256sum` writes them: the same lines CMake wrote.
        with open(self.list, "rb") as f:
            self.assertEqual(built, sorted(f.read().decode("latin-1").split("\n")[:-1]))
        status, _, err = harness.run(checker, ["--write-sums", "x64"], cwd=self.demo.path)
        self.assertEqual(2, status)
        self.assertIn(b"exists; --force replaces it", err)
        self.assertEqual(FIRST_RUN, self.run_kit())

    def test_a_bad_list_refuses_every_hub(self):
        with open(self.list) as f:
            good = f.read()
        # Notepad's byte-order mark: the forms read do not include it.
        self.write_list("\ufeff" + good)
        line = "\t!!!Error. Binfile\\SHA256SUMS line 1: no accepted form\n"
        self.assertEqual(crlf(HEAD + "".join(refused(n, line) for n, _ in IMAGES)),
                         self.run_kit())


class Sha256(WineTestCase):
    def test_cng_hashes_as_nist_says_and_is_loaded_only_when_asked_for(self):
        harness.require_programs()
        status, out, err = harness.run(harness.SHA256_PROBE)
        self.assertEqual(0, status, err)
        self.assertEqual(crlf(
            "bcrypt before 0\n"
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1\n"
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0\n"
            "bcrypt after 1\n"), out)


if __name__ == "__main__":
    unittest.main()
