"""The native QuilletCheck on real folders: the demo kit made from its image
descriptions, before and after a demo run, its JSON, and bad input.

Usage: test_program.py QUILLETCHECK SOURCE_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECKER = None
SOURCE = None


def run(*args):
    done = subprocess.run([CHECKER, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=60)
    return done.returncode, done.stdout, done.stderr


class DemoKit(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        demo = os.path.join(SOURCE, "kit", "demo")
        binfile = os.path.join(self.dir, "x64", "Binfile")
        os.makedirs(binfile)
        images = sorted(f for f in os.listdir(demo) if f.endswith(".image"))
        subprocess.run([sys.executable, os.path.join(SOURCE, "standins", "imagemaker", "make_image.py"),
                        "-o", binfile] + [os.path.join(demo, f) for f in images], check=True)
        for name in ("SpiFlash.ini", "TZ415Sim.ini"):
            shutil.copy(os.path.join(demo, name), os.path.join(self.dir, "x64"))
        self.folder = os.path.join(self.dir, "x64")
        self.hubs = os.path.join(self.folder, "TZ415Sim.ini")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def report(self):
        status, out, err = run("--json", "--hubs", self.hubs, self.folder)
        self.assertEqual("", err)
        return status, json.loads(out)

    def test_every_demo_hub_gets_its_image(self):
        status, report = self.report()
        self.assertEqual(0, status)
        hubs = report["kits"][0]["hubs"]
        self.assertEqual([3, 2, 1], [h["device"] for h in hubs])
        self.assertEqual(["PORT.BIN", "DOCK.BIN", "HUB415.BIN"], [h["chosen"] for h in hubs])
        self.assertTrue(all(h["outcome"] == "program" for h in hubs))
        self.assertEqual({"errors": 0, "warnings": 0}, report["summary"])

    def test_after_a_demo_run_every_hub_is_at_the_same_level(self):
        # What the simulator writes back: each hub's version, the one its image delivers.
        _, before = self.report()
        delivered = {h["device"]: h["chosenDelivers"] for h in before["kits"][0]["hubs"]}
        with open(self.hubs) as f:
            lines = f.read().splitlines()
        hub = 0
        for i, line in enumerate(lines):
            if line.startswith("[Hub"):
                hub += 1
            elif line.startswith("FirmwareVersion="):
                lines[i] = "FirmwareVersion=" + delivered[hub]
        with open(self.hubs, "w") as f:
            f.write("\n".join(lines) + "\n")
        status, after = self.report()
        self.assertEqual(0, status)
        outcomes = [h["outcome"] for h in after["kits"][0]["hubs"]]
        self.assertEqual(["same-level-after-selection", "same-level-after-selection",
                          "same-level-before-selection"], outcomes)

    def test_a_kit_root_is_read_through_its_folders(self):
        status, out, err = run("--strict", self.dir)
        self.assertEqual(0, status, out + err)
        self.assertIn("== x64 ==", out)

    def test_written_sums_pass_sha256sum_and_the_check(self):
        status, out, err = run("--write-sums", self.dir)
        self.assertEqual(0, status, err)
        self.assertEqual(os.path.join(self.folder, "Binfile", "SHA256SUMS") + ": 3 images listed\n",
                         out)
        binfile = os.path.join(self.folder, "Binfile")
        done = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=binfile,
                              capture_output=True, text=True)
        self.assertEqual(0, done.returncode, done.stdout + done.stderr)
        self.assertEqual(["SHA256SUMS"], [n for n in os.listdir(binfile) if "SUMS" in n])
        _, report = self.report()
        self.assertEqual(["verified"] * 3,
                         [i["sha256"]["check"] for i in report["kits"][0]["images"]])
        status, _, err = run("--write-sums", self.folder)
        self.assertEqual(2, status)
        self.assertIn("exists; --force replaces it", err)
        self.assertEqual(0, run("--write-sums", "--force", self.folder)[0])

    def test_bad_input_is_one_line_and_status_two(self):
        newer = os.path.join(self.dir, "newer.txt")
        with open(newer, "w") as f:
            f.write("Quillet support bundle\nFormatVersion=2\nParts=0\n")
        no_capture = os.path.join(self.dir, "no-capture.txt")
        with open(no_capture, "w") as f:
            f.write("Quillet support bundle\nFormatVersion=1\nParts=1\n[capture]\n"
                    "missing: no library\n[end capture]\n")
        for args, says in (
                (["--hubs", os.path.join(self.dir, "none.ini"), self.folder], ""),
                ([os.path.join(self.dir, "nowhere")], ""), (["--nonsense"], ""),
                (["--bundle"], "needs one file"),
                (["--bundle", newer, "--json", self.folder], "--json does not go with"),
                (["--bundle", newer, os.path.join(self.dir, "nowhere")], "cannot read the folder"),
                (["--explain", os.path.join(self.dir, "none.txt")], "cannot read the bundle"),
                (["--explain", newer], "newer.txt:2: the bundle is in format version 2; this "
                                       "reader knows versions up to 1"),
                (["--hubs", no_capture, self.folder], "holds no capture of the hubs (no library)")):
            status, out, err = run(*args)
            self.assertEqual(2, status, args)
            self.assertEqual("", out)
            self.assertEqual(1, err.count("\n"), err)
            self.assertIn(says, err)

    def test_a_bundle_written_here_records_what_it_could_not_read(self):
        bundle = os.path.join(self.dir, "bundle.txt")
        status, out, err = run("--bundle", bundle, self.folder)
        self.assertEqual((1, ""), (status, err), out)
        self.assertEqual(["computer", "driver", "record", "capture", "settings x64", "images x64",
                          "report"], [line.split(":")[0] for line in out.splitlines()[:-1]])
        self.assertIn("capture: missing, only the Windows checkers", out)
        self.assertTrue(out.endswith(", 4 parts missing\n"), out)
        with open(bundle, "rb") as f:
            first = f.read()
        self.assertEqual((2, ""), run("--bundle", bundle, self.folder)[:2])
        with open(bundle, "rb") as f:
            self.assertEqual(first, f.read())
        status, out, err = run("--explain", bundle, self.folder)
        self.assertEqual((0, ""), (status, err))
        self.assertIn("Parts missing:\n  computer: only the Windows checkers", out)
        self.assertIn("settings: the same, line by line", out)
        self.assertIn("images: the same, digest by digest", out)
        # A setting changed at support shows line by line.
        with open(os.path.join(self.folder, "SpiFlash.ini"), "a") as f:
            f.write("[Extra]\n")
        os.remove(os.path.join(self.folder, "Binfile", "PORT.BIN"))
        _, out, _ = run("--explain", bundle, self.folder)
        self.assertIn('settings line 23: the customer\'s "(none)", yours "[Extra]"', out)
        self.assertIn("the customer has PORT.BIN, you have not", out)
        self.assertEqual(1, run("--bundle", bundle, "--force", self.folder)[0])

    def test_saved_hubs_judge_alike_and_no_file_is_overwritten_unforced(self):
        saved = os.path.join(self.dir, "saved.ini")
        status, out, err = run("--json", "--hubs", self.hubs, "--save-hubs", saved, self.folder)
        self.assertEqual(0, status, err)
        _, report = self.report()
        self.assertEqual(report, json.loads(out))
        status, again, err = run("--json", "--hubs", saved, self.folder)
        self.assertEqual(0, status, err)
        self.assertEqual(report["kits"], json.loads(again)["kits"])

        with open(saved, "rb") as f:
            first = f.read()
        status, out, err = run("--hubs", self.hubs, "--save-hubs", saved, self.folder)
        self.assertEqual((2, "", "QuilletCheck: %s exists; --force replaces it\n" % saved),
                         (status, out, err))
        with open(saved, "rb") as f:
            self.assertEqual(first, f.read())
        os.truncate(saved, 10)
        status, out, err = run("--force", "--hubs", self.hubs, "--save-hubs", saved, self.folder)
        self.assertEqual(0, status, err)
        with open(saved, "rb") as f:
            self.assertEqual(first, f.read())
        # Renamed into place: no temporary file is left beside it.
        self.assertEqual(["saved.ini", "x64"], sorted(os.listdir(self.dir)))


if __name__ == "__main__":
    CHECKER, SOURCE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
