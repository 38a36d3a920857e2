"""The kit checker's --live under Wine, with the hub simulator as the maker's
library: the hubs of a copy of the demo kit read through its own library,
the filter driver in only for the check, nothing of the kit written; a
capture saved, replayed by the checker and by scripts/replay.

A 32-bit checker runs only on 64-bit Windows here, where --live refuses
and names the 64-bit one.
"""
import hashlib
import json
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import (BITS, BUILD, SOURCE, WineTestCase, register_driver, run, set_upper_filters,
                     upper_filters_value, wine_env)

CHECKER = os.path.join(BUILD, "checker", "QuilletCheck%d.exe" % BITS)
X64_BUILD = os.environ.get("QUILLET_X64_BUILD") or os.path.join(SOURCE, "build", "win64")
REPLAY = os.path.join(SOURCE, "scripts", "replay")


def tearDownModule():
    register_driver()


def hashes(folder):
    """Every file under `folder` by its path, with its SHA-256."""
    found = {}
    for directory, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = hashlib.sha256(f.read()).hexdigest()
    return found


def hubs_and_decisions(report):
    """The x64 folder's hubs as the report judges them, whatever their source."""
    kits = dict(zip([k["name"] for k in report["kits"]], report["kits"]))
    return kits["x64" if report["kitRoot"] else "."]["hubs"]


@unittest.skipIf(BITS == 32, "a 32-bit checker on 64-bit Windows only refuses --live")
class LiveCheck(WineTestCase):
    def setUp(self):
        self.demo = self.kit()
        self.outside = tempfile.mkdtemp(prefix="quillet-live-")
        self.addCleanup(shutil.rmtree, self.outside, True)
        # The simulator's call log is its own business, kept out of the kit.
        self.log = os.path.join(self.outside, "calls.log")

    def check(self, *args, env=None):
        extra = {"TZ415SIM_LOG": self.log}
        extra.update(env or {})
        status, out, err = run(CHECKER, args, cwd=self.demo.path, env=extra)
        return status, out.decode("latin-1"), err.decode("latin-1")

    def described(self):
        status, out, err = self.check("--json", "--hubs", "x64\\TZ415Sim.ini", ".")
        self.assertEqual(0, status, err)
        return json.loads(out)

    def live(self, *args):
        before = hashes(self.demo.path)
        status, out, err = self.check("--live", *args)
        self.assertEqual(before, hashes(self.demo.path), "the kit was written")
        return status, out, err

    def calls(self):
        with open(self.log) as f:
            return [line.split(" ")[0] for line in f]

    def test_live_hubs_are_judged_as_the_described_ones_whatever_the_driver(self):
        expected = hubs_and_decisions(self.described())
        for filters in (["tz415filter"], ["usbfilt"], None, ["usbfilt", "tz415filter"]):
            with self.subTest(filters=filters):
                set_upper_filters(filters)
                value = upper_filters_value()
                status, out, err = self.live("--json", ".")
                self.assertEqual(0, status, err)
                self.assertEqual(expected, hubs_and_decisions(json.loads(out)))
                self.assertEqual(value, upper_filters_value())
                # In the updater's order; the programming call never.
                self.assertEqual(["TA_GetDllVersion", "TA_SetIniInfo", "TA_GetEnumInfo"],
                                 self.calls())
                os.remove(self.log)

    def test_a_saved_capture_replays_to_the_same_hubs_and_is_never_overwritten(self):
        register_driver()
        capture = os.path.join(self.outside, "hubs.ini")
        status, out, err = self.live("--json", "--save-hubs", capture, ".")
        self.assertEqual(0, status, err)
        live = hubs_and_decisions(json.loads(out))
        with open(capture, "rb") as f:
            saved = f.read()

        replayed = os.path.join(self.demo.path, "replayed.ini")
        shutil.copy(capture, replayed)
        status, out, err = self.check("--json", "--hubs", "replayed.ini", ".")
        os.remove(replayed)
        self.assertEqual(0, status, err)
        self.assertEqual(live, hubs_and_decisions(json.loads(out)))

        status, out, err = self.live("--save-hubs", capture, ".")
        self.assertEqual(2, status)
        self.assertEqual("", out)
        self.assertEqual(1, err.count("\n"), err)
        self.assertIn("hubs.ini", err)
        with open(capture, "rb") as f:
            self.assertEqual(saved, f.read())

        # The launcher's run on the captured hubs, the capture untouched.
        env = wine_env({"QUILLET_REPLAY_PREPARED": "1", "QUILLET_BUILD": BUILD,
                        "QUILLET_BITS": str(BITS), "QUILLET_X64_BUILD": X64_BUILD})
        done = subprocess.run([REPLAY, capture, self.demo.path], env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        self.assertEqual(0, done.returncode, done.stderr)
        text = done.stdout.decode("latin-1").replace("\r", "")
        self.assertIn("every write succeeds here", text)
        self.assertIn("3 devices found:\n"
                      "(1)Depth = 0, V/PID = 3A17/0415, FW Version = V1.29 \n"
                      "(2)Depth = 1, V/PID = 3A17/0600, FW Version = 9012  \n"
                      "(3)Depth = 2, V/PID = 3A17/0610, FW Version = 0A20  \n", text)
        self.assertIn("FileName:.\\Binfile\\PORT.BIN\nDevice(3):\n\tUpdata FW => SUCCESS\n", text)
        self.assertIn("Firmware Update Complete.\n", text)
        with open(capture, "rb") as f:
            self.assertEqual(saved, f.read())

    def test_json_keeps_standard_output_for_the_report_while_the_driver_is_installed(self):
        set_upper_filters(None)
        status, out, err = self.live("--json", ".")
        self.assertEqual(0, status, err)
        json.loads(out)
        self.assertIsNone(upper_filters_value())

    def test_a_computer_without_what_live_needs_ends_with_one_line(self):
        library = self.demo.hubs("TZ415API.dll")
        installer = os.path.join(self.demo.path, "Driver", "TZ415FilterInst.exe")
        x86_header = bytearray(0x46)
        x86_header[0:2], x86_header[0x3C], x86_header[0x40:0x46] = b"MZ", 0x40, b"PE\0\0\x4c\x01"

        def write_32_bit_header():
            with open(library, "wb") as f:
                f.write(x86_header)
        cases = [
            ("missing", ["tz415filter"], lambda: os.remove(library), "is missing"),
            ("32-bit", ["tz415filter"], write_32_bit_header, "is 32-bit"),
            ("no exports", ["tz415filter"], lambda: shutil.copy(installer, library),
             "does not export TA_GetDllVersion, TA_SetIniInfo, TA_GetEnumInfo, TA_UpdateISP"),
            ("no installer", ["usbfilt"], lambda: os.remove(installer), "there is no "),
        ]
        for name, filters, spoil, says in cases:
            with self.subTest(name):
                self.demo.remove()
                self.demo = self.kit()
                library = self.demo.hubs("TZ415API.dll")
                installer = os.path.join(self.demo.path, "Driver", "TZ415FilterInst.exe")
                set_upper_filters(filters)
                spoil()
                status, out, err = self.live("--json", ".")
                self.assertEqual(2, status, out)
                self.assertEqual("", out)
                self.assertEqual(1, err.count("\n"), err)
                self.assertIn(says, err)
                self.assertEqual(filters, upper_filters_value()[1])


@unittest.skipIf(BITS == 64, "a 64-bit checker runs on 64-bit Windows only")
class ThirtyTwoBitChecker(WineTestCase):
    def test_live_names_the_64_bit_checker(self):
        demo = self.kit()
        status, out, err = run(CHECKER, ["--live", "."], cwd=demo.path)
        self.assertEqual(2, status, out)
        self.assertEqual(b"", out)
        self.assertEqual(1, err.count(b"\n"), err)
        self.assertIn(b"QuilletCheck64.exe", err)


if __name__ == "__main__":
    unittest.main()
