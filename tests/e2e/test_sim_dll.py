"""Our TZ415API.dll under Wine, called one by one through tz415sim_probe.exe:
where it finds its hub description, what it reports, how programming lasts
between processes, its failure injection and its call log."""
import os
import re
import shutil
import tempfile
import unittest

from harness import BUILD, run

PROBE = os.path.join(BUILD, "standins", "sim", "tz415sim_probe.exe")

DESCRIPTION = """\
; two hubs
[Library]
Version=2024A1B2

[Hub1]
VendorId=3A17
ProductId=0415
FirmwareVersion=9012
Depth=1
ConnectionPortIndex=3
ChipRevision=B3
ChipOptions=20
UsbVersion=02
Manufacturer=Quillet
ProductHex=48 75 62 00 FF
UpdateMilliseconds=400

[Hub2]
VendorId=1D5C
ProductId=5510
FirmwareVersion=0101
Depth=2
ConnectionPortIndex=4
"""


def image(flags, word, size=28848):
    data = bytearray(b"\x5a" * size)
    data[0:3] = bytes([0x0D, 0x12, flags])
    at = 8012 if flags & 0x88 else 8044
    data[at:at + 2] = word.to_bytes(2, "little")
    return bytes(data)


def field(text):
    return (text + b"\0" * 46)[:46].hex().upper()


class SimulatorDll(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quillet-sim-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, data):
        mode = "wb" if isinstance(data, bytes) else "w"
        with open(self.path(name), mode, newline="" if mode == "w" else None) as f:
            f.write(data)

    def read(self, name):
        try:
            with open(self.path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def probe(self, *args, env=None, cwd=None):
        status, out, err = run(PROBE, args, cwd=cwd or self.dir, env=env)
        self.assertEqual(0, status, err)
        return out.decode("latin-1").splitlines(), err.decode("latin-1")

    def test_reports_the_described_hubs_from_the_working_directory(self):
        self.write("TZ415Sim.ini", DESCRIPTION)
        lines, err = self.probe("version", "enum")
        self.assertEqual("", err)
        self.assertEqual([
            "version result=0 value=2024a1b2",
            "enum result=0 count=2",
            "hub0 vid=3A17 pid=0415 fw=9012 usb=02 depth=1 port=3 rev=B3 opt=20 mfr=%s prod=%s"
            % (field(b"Quillet"), field(b"Hub\0\xff")),
            "hub1 vid=1D5C pid=5510 fw=0101 usb=03 depth=2 port=4 rev=10 opt=00 mfr=%s prod=%s"
            % (field(b""), field(b"")),
        ], lines)

    def test_environment_names_the_description_and_the_flash_lies_beside_it(self):
        os.mkdir(self.path("hubs"))
        os.mkdir(self.path("work"))
        self.write("hubs/dock.ini", DESCRIPTION)
        self.write("work/TZ415Sim.ini", "[Hub1]\nVendorId=1\nProductId=2\n")
        self.write("work/fw.bin", image(0x08, 0x0A21))
        env = {"TZ415SIM_CONFIG": self.path("hubs", "dock.ini")}
        lines, _ = self.probe("enum", "update", "1", "fw.bin", env=env, cwd=self.path("work"))
        self.assertEqual("enum result=0 count=2", lines[0])
        self.assertEqual("update 1 result=0", lines[-1])
        self.assertEqual(image(0x08, 0x0A21), self.read("hubs/dock.Hub2.flash"))
        self.assertIn(b"FirmwareVersion=0A21\n", self.read("hubs/dock.ini"))
        self.assertEqual(b"[Hub1]\nVendorId=1\nProductId=2\n", self.read("work/TZ415Sim.ini"))

    def test_programming_lasts_into_the_next_process(self):
        self.write("TZ415Sim.ini", DESCRIPTION)
        self.write("fw.bin", image(0x70, 0x9010, 28801))
        self.write("TZ415Sim.Hub1.flash", b"older image")
        lines, _ = self.probe("enum", "update", "0", ".\\fw.bin")
        self.assertEqual("update 0 result=0", lines[-1])
        # The old flash file and description are replaced, not appended to.
        self.assertEqual(image(0x70, 0x9010, 28801), self.read("TZ415Sim.Hub1.flash"))
        self.assertEqual(DESCRIPTION.replace("9012", "9017").encode(), self.read("TZ415Sim.ini"))
        self.assertEqual([], [n for n in os.listdir(self.dir) if n.endswith(".tmp")])
        lines, _ = self.probe("enum")
        self.assertTrue(lines[1].startswith("hub0 vid=3A17 pid=0415 fw=9017 "), lines[1])

    def test_failures_and_refusals_change_nothing(self):
        self.write("TZ415Sim.ini", DESCRIPTION.replace("UpdateMilliseconds=400",
                                                       "UpdateResult=-7\nUpdateMilliseconds=400"))
        self.write("fw.bin", image(0x08, 0x1111))
        self.write("empty.bin", b"")
        before = self.read("TZ415Sim.ini")
        lines, _ = self.probe("update", "0", "fw.bin", "enum", "update", "0", "fw.bin",
                              "update", "2", "fw.bin", "update", "1", "none.bin",
                              "update", "1", "empty.bin")
        self.assertEqual(["update 0 result=-1", "update 0 result=-7", "update 2 result=-1",
                          "update 1 result=-2", "update 1 result=-2"],
                         [l for l in lines if l.startswith("update")])
        self.assertEqual(before, self.read("TZ415Sim.ini"))
        self.assertEqual(["TZ415Sim.ini", "empty.bin", "fw.bin"], sorted(os.listdir(self.dir)))

    def test_call_log_times_the_programming(self):
        self.write("TZ415Sim.ini", DESCRIPTION)
        self.write("fw.bin", image(0x08, 0x1111))
        env = {"TZ415SIM_LOG": self.path("calls.log")}
        self.probe("version", "ids", "3A170415=0D12/3,1D5C5510=0D13/2", "enum",
                   "update", "0", "fw.bin", env=env)
        lines = self.read("calls.log").decode().splitlines()
        expected = [
            r"TA_GetDllVersion version=2024A1B2 result=0",
            r"TA_SetIniInfo count=2 ids=3A170415=0D12/3,1D5C5510=0D13/2 result=0",
            r"TA_GetEnumInfo count=2 hubs=Hub1,Hub2 result=0",
            r'TA_UpdateISP index=0 path="fw.bin" reserved=0 hub=Hub1 version=1111 result=0',
        ]
        self.assertEqual(len(expected), len(lines), lines)
        times = []
        for pattern, line in zip(expected, lines):
            m = re.fullmatch(pattern + r" ms=(\d+)", line)
            self.assertIsNotNone(m, line)
            times.append(int(m.group(1)))
        # Only programming takes its configured time; the rest is file reading.
        self.assertLess(max(times[:3]), 200, times)
        self.assertGreaterEqual(times[3], 390)
        self.assertLess(times[3], 3000)

    def test_target_table_can_limit_the_hubs_reported(self):
        self.write("TZ415Sim.ini", DESCRIPTION.replace("[Library]", "[Library]\nRequireTargetIds=1"))
        lines, _ = self.probe("ids", "1D5C5510=0D12/3", "enum")
        self.assertEqual("enum result=0 count=1", lines[1])
        self.assertTrue(lines[2].startswith("hub0 vid=1D5C pid=5510 "), lines[2])

    def test_missing_description_is_said_once_and_gives_no_hubs(self):
        lines, err = self.probe("version", "enum", "enum")
        self.assertEqual(["version result=0 value=20190823", "enum result=0 count=0",
                          "enum result=0 count=0"], lines)
        self.assertEqual("TZ415Sim: no hub description TZ415Sim.ini; reporting no hubs\r\n", err)

    def test_bad_description_names_file_and_line_and_gives_no_hubs(self):
        self.write("TZ415Sim.ini", DESCRIPTION.replace("Depth=2", "Depht=2"))
        lines, err = self.probe("version", "enum")
        self.assertEqual(["version result=0 value=20190823", "enum result=0 count=0"], lines)
        self.assertEqual("TZ415Sim: TZ415Sim.ini:22: Depht is not a key of a hub section; "
                         "reporting no hubs\r\n", err)


if __name__ == "__main__":
    unittest.main()
