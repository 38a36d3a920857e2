"""The launcher for deployment tools, under Wine, on copies of the demo kit:
every status of the table reached with the faults staged through the hub
simulator's description, the report checked against its schema and each of
its members against what the run did, and the same text as a run without
options.

The status table's order is tested on the host (tests/launcher)."""
import os
import shutil
import subprocess
import tempfile

from deployment import launch, read_report
from harness import (PREFIX, USB_CLASS_KEY, WIN32_COMMON_PROBE, WINE, WineTestCase, crlf,
                     register_driver, run, run_on_console, set_upper_filters, upper_filters,
                     wine_env)
from test_launcher import (COMPLETE, FIRST_PHASE, PAUSE, UPGRADE_FAILED, announced, device_list,
                           programmed, same_level)

FIRST_RUN = (FIRST_PHASE + device_list("V1.29", "9012", "0A20") + "DoUpdateFW()\n" +
             programmed(3, "PORT.BIN") + programmed(2, "DOCK.BIN") +
             programmed(1, "HUB415.BIN") + COMPLETE)
UNATTENDED = ["--unattended", "--report", "report.json"]


def tearDownModule():
    register_driver()


def hub(device, pid, before, image, outcome, library=None, why=None):
    return {"device": device, "vid": "3A17", "pid": pid, "firmwareBefore": before,
            "image": image and ".\\Binfile\\" + image, "noImageReason": why,
            "libraryResult": library, "outcome": outcome}


RAN = {"started": True, "exitStatus": 0}
FIRST_HUBS = [hub(3, "0610", "0A20", "PORT.BIN", "programmed", 0),
              hub(2, "0600", "9012", "DOCK.BIN", "programmed", 0),
              hub(1, "0415", "9012", "HUB415.BIN", "programmed", 0)]


class Deployment(WineTestCase):
    def setUp(self):
        set_upper_filters(["otherfilter"])
        self.kit_ = self.kit()

    def report(self, name="report.json"):
        return read_report(os.path.join(self.kit_.path, name))

    def assert_driver_removed(self):
        self.assertEqual(["otherfilter"], upper_filters())

    def test_a_first_run_programs_every_hub_with_the_same_text_and_no_pause(self):
        # A dropped file is no option, and is ignored as ever.
        status, out = launch(self.kit_, ["dropped.txt"] + UNATTENDED)
        self.assertEqual(0, status)
        self.assertEqual(crlf(FIRST_RUN), out)
        report = self.report()
        self.assertEqual((0, "done"), (report["status"], report["reason"]))
        self.assertEqual({"version": "2.9"}, report["launcher"])
        self.assertEqual({"program": "Quillet64", "exitStatus": 0, "version": "2.9",
                          "stage": "listed"}, report["updater"])
        self.assertEqual({"install": RAN, "remove": RAN}, report["installer"])
        self.assertEqual(FIRST_HUBS, report["hubs"])
        self.assertLessEqual(report["started"], report["ended"])
        self.assertEqual(["9013", "9014", "0A21"], self.kit_.firmware_versions())
        self.assert_driver_removed()

        # Nothing to do is success; the hub judged before any image has none.
        status, out = launch(self.kit_, UNATTENDED)
        self.assertEqual(0, status)
        self.assertEqual(crlf(FIRST_PHASE + device_list("V1.39", "9014", "0A21") +
                              "DoUpdateFW()\n" + same_level(3, True) + same_level(2, True) +
                              same_level(1, False)), out)
        self.assertEqual([hub(3, "0610", "0A21", "PORT.BIN", "same-level"),
                          hub(2, "0600", "9014", "DOCK.BIN", "same-level"),
                          hub(1, "0415", "9013", None, "same-level", why="same-level")],
                         self.report()["hubs"])

    def test_a_failed_write_outweighs_a_hub_without_an_image(self):
        self.kit_.set_hub_key("Hub3", "UpdateResult", "7")
        os.remove(self.kit_.hubs("Binfile", "DOCK.BIN"))
        status, out = launch(self.kit_, UNATTENDED)
        self.assertEqual(13, status)
        self.assertIn(crlf(announced(3, "PORT.BIN") + UPGRADE_FAILED), out)
        report = self.report()
        self.assertEqual((13, "write-failed"), (report["status"], report["reason"]))
        self.assertEqual([hub(3, "0610", "0A20", "PORT.BIN", "write-failed", 7),
                          hub(2, "0600", "9012", None, "no-image", why="not-found"),
                          hub(1, "0415", "9012", "HUB415.BIN", "programmed", 0)],
                         report["hubs"])

    def test_a_hub_without_an_image_alone_is_12(self):
        os.remove(self.kit_.hubs("Binfile", "DOCK.BIN"))
        self.assertEqual(12, launch(self.kit_, UNATTENDED)[0])
        self.assertEqual("no-image", self.report()["reason"])

    def test_an_image_the_list_refuses_is_14_and_outweighs_a_hub_without_an_image(self):
        with open(self.kit_.hubs("Binfile", "DOCK.BIN"), "r+b") as f:
            f.seek(-1, os.SEEK_END)
            last = f.read(1)[0]
            f.seek(-1, os.SEEK_END)
            f.write(bytes([last ^ 1]))
        os.remove(self.kit_.hubs("Binfile", "PORT.BIN"))
        status, out = launch(self.kit_, UNATTENDED)
        self.assertEqual(14, status)
        self.assertIn(b"\t!!!Error. The FW file .\\Binfile\\DOCK.BIN does not match "
                      b"Binfile\\SHA256SUMS\r\n", out)
        report = self.report()
        self.assertEqual((14, "image-check"), (report["status"], report["reason"]))
        self.assertEqual([hub(3, "0610", "0A20", None, "no-image", why="not-found"),
                          hub(2, "0600", "9012", "DOCK.BIN", "image-check"),
                          hub(1, "0415", "9012", "HUB415.BIN", "programmed", 0)],
                         report["hubs"])

    def test_a_report_without_unattended_keeps_the_pause_and_status_0(self):
        self.kit_.set_hub_key("Hub2", "UpdateResult", "7")
        status, out = launch(self.kit_, ["--report", "sub\\..\\r.json"])
        self.assertEqual(0, status)
        self.assertTrue(out.endswith(crlf(PAUSE)), out)
        self.assertEqual(13, self.report("r.json")["status"])

    def test_runs_that_stop_before_listing_hubs_or_list_none(self):
        def no_settings(kit):
            os.remove(kit.hubs("SpiFlash.ini"))

        def installer_fails(kit):
            # Data of another type: the installer refuses it and ends with 1.
            subprocess.run([WINE, "reg", "add", USB_CLASS_KEY, "/v", "UpperFilters", "/t",
                            "REG_DWORD", "/d", "1", "/f"], env=wine_env(), check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def no_hubs(kit):
            kit.set_hub_key("Library", "ReportedCount", "0")

        cases = [
            ("settings", no_settings, 11, "stopped-early", "settings", RAN),
            ("driver", installer_fails, 11, "stopped-early", "driver",
             {"started": True, "exitStatus": 1}),
            ("no hubs", no_hubs, 10, "no-hubs", "no-hubs", RAN),
        ]
        for name, stage, status, reason, updater_stage, install in cases:
            with self.subTest(name):
                set_upper_filters(["otherfilter"])
                kit = self.kit()
                stage(kit)
                self.assertEqual(status, launch(kit, UNATTENDED)[0])
                report = read_report(os.path.join(kit.path, "report.json"))
                self.assertEqual(reason, report["reason"])
                self.assertEqual(updater_stage, report["updater"]["stage"])
                self.assertEqual(install, report["installer"]["install"])
                self.assertEqual([], report["hubs"])
                self.assertEqual(["9012", "9012", "0A20"], kit.firmware_versions())

    def test_a_program_of_the_kit_that_cannot_start_is_1_with_its_line(self):
        cases = [
            ("updater", ["x64", "Quillet64.exe"], b"Update FW fail!\r\nUpdateFW failed! (1)\r\n"),
            ("installer", ["Driver", "TZ415FilterInst.exe"], b"Filter Driver Fail!\r\n"),
        ]
        for name, path, line in cases:
            with self.subTest(name):
                kit = self.kit()
                os.remove(os.path.join(kit.path, *path))
                status, out = launch(kit, UNATTENDED)
                self.assertEqual(1, status)
                self.assertIn(line, out)
                report = read_report(os.path.join(kit.path, "report.json"))
                self.assertEqual("not-run", report["reason"])
                if name == "updater":
                    self.assertEqual({"program": "Quillet64", "exitStatus": None,
                                      "version": None, "stage": None}, report["updater"])
                else:
                    self.assertEqual({"started": False, "exitStatus": None},
                                     report["installer"]["remove"])
                self.assert_driver_removed()

    def test_no_child_of_an_unattended_run_can_wait_for_a_key(self):
        # Wine's command interpreter in the updater's place reads its input
        # until it ends: on the console's input, with no key typed, it would
        # wait for ever (seen: still waiting after 20 s).
        shutil.copy(os.path.join(PREFIX, "drive_c", "windows", "system32", "cmd.exe"),
                    self.kit_.hubs("Quillet64.exe"))
        _, text = run_on_console(os.path.join(self.kit_.path, "Quillet.exe"), ["--unattended"],
                                 cwd=self.kit_.path, keys=b"", timeout=60)
        self.assertTrue(text.endswith("!!!Error The updater left no results\n"), text[-200:])
        self.assert_driver_removed()

    def test_an_unknown_option_prints_the_usage_line_and_runs_nothing(self):
        usage = b"usage: Quillet.exe [--unattended] [--report FILE]\r\n"
        status, out = launch(self.kit_, ["--unatended", "--unattended", "--report", "r.json"])
        self.assertEqual((2, usage), (status, out))
        status, out = launch(self.kit_, ["--report"])
        self.assertEqual((0, usage + crlf(PAUSE)), (status, out))
        self.assertFalse(os.path.exists(os.path.join(self.kit_.path, "r.json")))
        self.assertEqual(["9012", "9012", "0A20"], self.kit_.firmware_versions())
        self.assertEqual(["otherfilter"], upper_filters())


class WholeFileSave(WineTestCase):
    """The one full-path rule and the one whole-file save that the launcher's
    report and the checker's files go through."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quillet-save-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def probe(self, *args):
        status, out, err = run(WIN32_COMMON_PROBE, list(args), cwd=self.dir)
        self.assertEqual(0, status, err)
        return out.decode("utf-8").strip()

    def content(self, name):
        with open(os.path.join(self.dir, name), "rb") as f:
            return f.read().decode("utf-8")

    def test_a_path_is_made_absolute_or_nothing(self):
        self.assertEqual("(empty)", self.probe("fullpath", ""))
        full = self.probe("fullpath", "sub\\..\\r\u00e9.json")
        self.assertRegex(full, r"^[A-Z]:\\.*\\r\u00e9\.json$")
        self.assertNotIn("..", full)

    def test_a_file_is_saved_whole_and_replaced_only_when_asked(self):
        self.assertEqual("written", self.probe("save", "r\u00e9.txt", "one", "0"))
        self.assertEqual("exists", self.probe("save", "r\u00e9.txt", "two", "0"))
        self.assertEqual("one", self.content("r\u00e9.txt"))
        self.assertEqual("written", self.probe("save", "r\u00e9.txt", "two", "1"))
        self.assertEqual("two", self.content("r\u00e9.txt"))
        # Nothing can be put in place: nothing is there, not even a part.
        os.mkdir(os.path.join(self.dir, "held"))
        self.assertEqual("failed", self.probe("save", "held", "three", "1"))
        self.assertEqual("failed", self.probe("save", "nowhere\\r.txt", "three", "1"))
        self.assertEqual("failed", self.probe("save", "", "three", "1"))
        self.assertTrue(os.path.isdir(os.path.join(self.dir, "held")))
        self.assertEqual(["held", "r\u00e9.txt"], sorted(os.listdir(self.dir)))


if __name__ == "__main__":
    import unittest
    unittest.main()
