"""The hub list of a real run under Wine, with the simulator describing the hubs.

The program ends its list lines with "\\r\\n", which the C runtime's text mode
turns into "\\r\\r\\n"; the count line ends in a plain "\\n", which becomes
"\\r\\n". Colours do not show through a pipe.
"""
import unittest

from harness import WineTestCase, register_driver

# Where the first phase ends and the list begins, and where the update run
# takes over after it.
PHASE_END = b"Initialization()  Success\r\n\r\n"
UPDATE_START = b"DoUpdateFW()\r\n"


def setUpModule():
    register_driver()


def hub_section(number, vendor, product, version, depth, port=1):
    return (f"[Hub{number}]\nVendorId={vendor}\nProductId={product}\n"
            f"FirmwareVersion={version}\nDepth={depth}\nConnectionPortIndex={port}\n")


class HubList(WineTestCase):
    def run_with(self, hubs, settings="", library=""):
        folder = self.folder()
        folder.write("SpiFlash.ini", settings)
        folder.write("TZ415Sim.ini", "[Library]\nVersion=20190823\n" + library + "".join(hubs))
        status, out, err = folder.run()
        self.assertEqual(0, status)
        self.assertEqual(b"", err)
        self.assertIn(PHASE_END, out)
        return out[out.index(PHASE_END) + len(PHASE_END):]

    def listed(self, after_phase):
        self.assertIn(UPDATE_START, after_phase)
        return after_phase[:after_phase.index(UPDATE_START)]

    def test_three_hubs_in_both_version_formats(self):
        out = self.run_with([
            hub_section(1, "3A17", "0415", "9013", 1, 3),
            hub_section(2, "0BDA", "0411", "0003", 2),
            hub_section(3, "1234", "0416", "0A21", 3),
        ])
        self.assertEqual(
            b"3 devices found:\r\n"
            b"(1)Depth = 1, V/PID = 3A17/0415, FW Version = V1.39 \r\r\n"
            b"(2)Depth = 2, V/PID = 0BDA/0411, FW Version = 0003  \r\r\n"
            b"(3)Depth = 3, V/PID = 1234/0416, FW Version = V2.10 \r\r\n",
            self.listed(out))

    def test_one_hub_takes_the_singular_word_with_two_blanks(self):
        out = self.run_with([hub_section(1, "1D5C", "5510", "0A21", 1)])
        self.assertEqual(
            b"1 device  found:\r\n"
            b"(1)Depth = 1, V/PID = 1D5C/5510, FW Version = 0A21  \r\r\n",
            self.listed(out))

    def test_no_hub_ends_the_run_with_no_device_found(self):
        out = self.run_with([])
        self.assertEqual(b"!!!No device found!\r\n", out)

    def test_a_hub_count_other_than_hubnumber_ends_the_run_silently(self):
        out = self.run_with([hub_section(1, "1D5C", "5510", "0101", 1),
                             hub_section(2, "1D5C", "5511", "0101", 2)],
                            settings="[HUBModule]\nHUBNumber=1\n")
        self.assertEqual(b"", out)

    def test_hubnumber_equal_to_the_count_lists_the_hubs(self):
        out = self.run_with([hub_section(1, "1D5C", "5510", "0101", 1)],
                            settings="[HUBModule]\nHUBNumber=1\n")
        self.assertEqual(
            b"1 device  found:\r\n"
            b"(1)Depth = 1, V/PID = 1D5C/5510, FW Version = 0101  \r\r\n",
            self.listed(out))

    def test_a_count_beyond_the_table_lists_sixteen(self):
        # Three records, a claimed count of 20: the table's other slots are
        # listed as the zeros they hold.
        out = self.run_with([hub_section(1, "3A17", "0415", "9013", 1),
                             hub_section(2, "0BDA", "0411", "0003", 2),
                             hub_section(3, "1D5C", "5510", "0A21", 3)],
                            library="ReportedCount=20\n")
        expected = (b"16 devices found:\r\n"
                    b"(1)Depth = 1, V/PID = 3A17/0415, FW Version = V1.39 \r\r\n"
                    b"(2)Depth = 2, V/PID = 0BDA/0411, FW Version = 0003  \r\r\n"
                    b"(3)Depth = 3, V/PID = 1D5C/5510, FW Version = 0A21  \r\r\n")
        for number in range(4, 17):
            expected += b"(%d)Depth = 0, V/PID = 0000/0000, FW Version = 0000  \r\r\n" % number
        self.assertEqual(expected, self.listed(out))


if __name__ == "__main__":
    unittest.main()
