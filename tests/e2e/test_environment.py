"""The filter-driver check and the Windows 8 warning, run for real under Wine
against the prefix's registry."""
import re
import unittest

from harness import UPDATER_NAME, WineTestCase, crlf, reg, register_driver, set_upper_filters

HEADINGS = re.compile(rb"\A1\. Initialzation\(\)\r\r\n\t1\.1 GetDllInfo\(\)\tAPI Version: "
                      rb"[0-9a-f]+\r\n")
SETTINGS = crlf("\t1.2 LoadSettingFromIni()\n\t\t\n\t\t")
HEADING = crlf("\t1.3 IsDriverInstallNeeded()")
NOT_FOUND = crlf("!!!Error Filter Driver not found!!\n")
RULE = crlf("-" * 66 + "\n")
WARNING = crlf("Warning!!!Windowns 8 need use Administrator to execution this tool\n")

APP_DEFAULTS = "HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\" + UPDATER_NAME


def tearDownModule():
    register_driver()


class DriverCheck(WineTestCase):
    def run_updater(self):
        folder = self.folder()
        folder.write("SpiFlash.ini", b"")
        status, out, _ = folder.run()
        self.assertEqual(0, status)
        head = HEADINGS.match(out)
        self.assertIsNotNone(head, out)
        # The empty settings file echoes only its empty hub-ID table.
        self.assertEqual(SETTINGS, out[head.end():head.end() + len(SETTINGS)], out)
        return out[head.end() + len(SETTINGS):]


class FilterDriver(DriverCheck):
    def tearDown(self):
        register_driver()

    def test_registered_driver_is_found_wherever_it_stands(self):
        for filters in (["tz415filter"], ["usbfilter", "tz415filter"],
                        ["x" * 200, "tz415filter"]):
            with self.subTest(filters=filters[0][:10]):
                set_upper_filters(filters)
                rest = self.run_updater()
                # The banner follows: the run went on past the check.
                self.assertTrue(rest.startswith(HEADING + crlf("\t Success\n")), rest)
                self.assertIn(b"Initializing Firmware Updater...\r\n", rest)

    def test_missing_driver_stops_before_the_screen_is_cleared(self):
        for filters in (None, ["TZ415FILTER"], ["tz415", "filter"]):
            with self.subTest(filters=filters):
                set_upper_filters(filters)
                rest = self.run_updater()
                # Nothing after the error line: no banner, no warning.
                self.assertEqual(HEADING + NOT_FOUND, rest)


class Windows8(DriverCheck):
    def setUp(self):
        reg("add", APP_DEFAULTS, "/v", "Version", "/d", "win8", "/f")
        self.addCleanup(reg, "delete", APP_DEFAULTS, "/v", "Version", "/f")
        self.addCleanup(register_driver)

    def test_missing_driver_brings_the_administrator_warning(self):
        set_upper_filters(None)
        rest = self.run_updater()
        self.assertEqual(HEADING + NOT_FOUND + RULE + WARNING + RULE, rest)

    def test_registered_driver_brings_no_warning(self):
        register_driver()
        rest = self.run_updater()
        self.assertTrue(rest.startswith(HEADING + crlf("\t Success\n")), rest)
        self.assertNotIn(b"Warning", rest)


if __name__ == "__main__":
    unittest.main()
