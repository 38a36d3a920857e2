"""SpiFlash.ini read by the real updater under Wine: the echo of every value,
the table the library is handed, and a missing file."""
import os
import re
import unittest

from harness import WineTestCase, crlf, register_driver

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")


def data(name):
    with open(os.path.join(DATA, name), newline="") as f:
        return f.read()


# The worked example of the settings file and its echo, shared with the
# host tests.
WORKED_EXAMPLE = data("worked_example.ini")

WORKED_EXAMPLE_ECHO = data("worked_example_echo.txt")

# The first phase's headings up to and including the library version line.
HEADINGS = re.compile(rb"\A1\. Initialzation\(\)\r\r\n\t1\.1 GetDllInfo\(\)\tAPI Version: "
                      rb"[0-9a-f]+\r\n")
NEXT_STEP = b"\t1.3 IsDriverInstallNeeded()"


def setUpModule():
    register_driver()


class SettingsEcho(WineTestCase):
    def run_with(self, ini_bytes):
        folder = self.folder()
        folder.write("SpiFlash.ini", ini_bytes)
        log = os.path.join(folder.path, "library.log")
        status, out, _ = folder.run(env={"TZ415SIM_LOG": log})
        self.assertEqual(0, status)
        calls = ""
        if os.path.exists(log):
            with open(log, encoding="latin-1") as f:
                calls = f.read()
        return out, calls

    def settings_text(self, out):
        """What the settings step printed: from after the version line up to
        the next step's heading."""
        head = HEADINGS.match(out)
        self.assertIsNotNone(head, out)
        end = out.find(NEXT_STEP, head.end())
        self.assertNotEqual(-1, end, out)
        return out[head.end():end]

    def test_worked_example_with_either_line_end(self):
        for name, ending in (("CR LF", "\r\n"), ("LF", "\n")):
            with self.subTest(line_end=name):
                out, calls = self.run_with(WORKED_EXAMPLE.replace("\n", ending).encode())
                self.assertEqual(crlf(WORKED_EXAMPLE_ECHO), self.settings_text(out))
                self.assertIn(crlf("\t1.3 IsDriverInstallNeeded()\t Success\n"), out)
                # The library saw the table in the record's shared layout,
                # once, before enumeration.
                handed = re.findall(r"^TA_SetIniInfo .*$", calls, re.M)
                self.assertEqual(1, len(handed), calls)
                self.assertRegex(handed[0], r"(?i)^TA_SetIniInfo count=2 "
                                            r"ids=3A170415=0D12/3,3A170416=0D12/2 ")
                self.assertLess(calls.find("TA_SetIniInfo"), calls.find("TA_GetEnumInfo"))

    def test_long_line_arrives_in_pieces_and_ctrl_z_ends_the_file(self):
        ini = (b"[HUBName]\r\n"
               b"WantuUpdateHUBName=" + b"N" * 200 + b"\r\n"
               b"[HUBFWCheck]\r\n"
               b"FWVersion=12345\r\n"
               b"\x1a"
               b"CheckHUBFW=1\r\n")
        out, _ = self.run_with(ini)
        self.assertEqual(crlf("\t1.2 LoadSettingFromIni()\n\t\t\n\t\t"
                              "[HUBName] Found  \n\t\t"
                              "TargetHUBName:" + "N" * 180 + "  \n\t\t"
                              "[HUBFWCheck] Found  \n\t\t"
                              "FWVersion:9029  \n\t\t"),
                         self.settings_text(out))

    def test_missing_module_key_ends_the_run_silently(self):
        out, calls = self.run_with(b"[HUBModule]\r\nHUBNumber=2\r\n"
                                   b"NO.1HUBWantUpdateBinFile=FW_A.BIN\r\n")
        head = HEADINGS.match(out)
        self.assertIsNotNone(head, out)
        self.assertEqual(crlf("\t1.2 LoadSettingFromIni()\n\t\t\n\t\tHUBNumber:2\n"
                              "NO.1HUBWantUpdateBinFile: FW_A.BIN\n"),
                         out[head.end():])
        self.assertNotIn("TA_GetEnumInfo", calls)


class MissingSettings(WineTestCase):
    def test_missing_file_stops_under_the_headings(self):
        status, out, _ = self.folder().run()
        self.assertEqual(0, status)
        head = HEADINGS.match(out)
        self.assertIsNotNone(head, out)
        self.assertEqual(crlf("\t1.2 LoadSettingFromIni()\n\t\t"
                              "!!!Error SpiFlash.ini not found!\n"),
                         out[head.end():])


if __name__ == "__main__":
    unittest.main()
