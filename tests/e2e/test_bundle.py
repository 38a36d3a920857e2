"""The support bundle under Wine: QuilletCheck --bundle on a copy of the demo
kit, with the hub simulator as the maker's library, read back by the native
checker's --explain and --hubs; nothing of the kit written, the driver put
back as it was, nothing of the computer's or the user's names inside; and
what it says the next runs do with hubs waiting for their power cycle, held
against what those runs then do.
"""
import getpass
import hashlib
import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from deployment import launch, read_report
from harness import (BITS, BUILD, DEMO_KIT, SOURCE, WineTestCase, forget_record, register_driver,
                     run, set_upper_filters, upper_filters_value, wine_env)
from test_live import hashes
from wine_env import reg

CHECKER = os.path.join(BUILD, "checker", "QuilletCheck%d.exe" % BITS)
X64_BUILD = os.environ.get("QUILLET_X64_BUILD") or os.path.join(SOURCE, "build", "win64")
REPLAY = os.path.join(SOURCE, "scripts", "replay")
NATIVE = os.path.join(SOURCE, "build", "native", "checker", "QuilletCheck")
COMPUTER_KEY = "HKLM\\System\\CurrentControlSet\\Control\\ComputerName\\%s"


def tearDownModule():
    register_driver()


def native(*args):
    if not os.path.exists(NATIVE):
        raise AssertionError("no native checker %s: build the native preset first" % NATIVE)
    done = subprocess.run([NATIVE, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=60)
    return done.returncode, done.stdout.decode("latin-1"), done.stderr.decode("latin-1")


@unittest.skipIf(BITS == 32, "a 32-bit checker on 64-bit Windows cannot read the hubs")
class Bundle(WineTestCase):
    def setUp(self):
        register_driver()
        self.demo = self.kit()
        self.outside = tempfile.mkdtemp(prefix="quillet-bundle-")
        self.addCleanup(shutil.rmtree, self.outside, True)
        self.file = os.path.join(self.outside, "bundle.txt")

    def bundle(self, *args, env=None, status=0, folder=".", recorded=False):
        """Writes the bundle of the demo kit's copy; the kit and the filter
        list as they were. Its record part says there is none unless a run
        left one."""
        before, filters = hashes(self.demo.path), upper_filters_value()
        extra = {"TZ415SIM_LOG": os.path.join(self.outside, "calls.log")}
        extra.update(env or {})
        code, out, err = run(CHECKER, ["--bundle", self.file, *args, folder], cwd=self.demo.path,
                             env=extra)
        out = out.decode("latin-1").replace("\r", "")
        self.assertEqual(status, code, out + err.decode("latin-1"))
        self.assertEqual(before, hashes(self.demo.path), "the kit was written")
        self.assertEqual(filters, upper_filters_value())
        none = "record: none, no unattended run has left a record on this computer\n"
        if recorded:
            self.assertNotIn(none, out)
        else:
            self.assertIn(none, out)
        with open(self.file, "rb") as f:
            return out, f.read().decode("ascii")

    def replay(self, kit):
        env = wine_env({"QUILLET_REPLAY_PREPARED": "1", "QUILLET_BUILD": BUILD,
                        "QUILLET_BITS": str(BITS), "QUILLET_X64_BUILD": X64_BUILD})
        done = subprocess.run([REPLAY, self.file, kit], env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        self.assertEqual(0, done.returncode, done.stderr)
        return done.stdout.decode("latin-1").replace("\r", "")

    def explain(self, *kit):
        code, out, err = native("--explain", self.file, *kit)
        self.assertEqual(0, code, err)
        return out

    def test_a_bundle_after_an_unattended_run_holds_its_record(self):
        self.addCleanup(forget_record)
        status, _ = launch(self.demo, ["--unattended"],
                           env={"TZ415SIM_LOG": os.path.join(self.outside, "run.log")})
        out, text = self.bundle(status=0, recorded=True)
        self.assertTrue(out.endswith(", complete\n"), out)
        part = text.split("[record]\n")[1].split("[end record]")[0]
        self.assertTrue(part.startswith("| Quillet record 1\n| status %d\n| reason " % status),
                        part)
        self.assertEqual(3, len(re.findall(r"^\| hub ", part, re.M)), part)
        self.assertTrue(part.endswith("| end\n"), part)
        said = self.explain()
        self.assertIn("\nLast unattended run: status %d (" % status, said)

    def test_hubs_waiting_for_a_power_cycle_are_left_alone_as_the_checker_says(self):
        self.addCleanup(forget_record)
        log = os.path.join(self.outside, "run.log")
        env = {"TZ415SIM_ACTIVATE_AT_POWER_CYCLE": "1", "TZ415SIM_LOG": log}
        self.assertEqual(0, launch(self.demo, ["--unattended"], env=env)[0])
        _, text = self.bundle(status=0, recorded=True)
        code, said, err = native("--hubs", self.file, DEMO_KIT)
        self.assertEqual(0, code, err)
        explained = self.explain()
        for image in ("PORT.BIN", "DOCK.BIN", "HUB415.BIN"):
            leaves = (r"=> waits for a power cycle since \S+Z: an unattended run leaves it; a run "
                      r"without options writes %s again \(" % image)
            self.assertRegex(said, leaves)
            self.assertRegex(explained, leaves)
        identity = text.split("| KitIdentity.x64=")[1].split("\n")[0]
        self.assertRegex(explained, r"\nLast unattended run: status 0 \(done\), [^\n]*\n  kit %s: "
                         r"this kit's x64\n  3 hubs wait for a power cycle since \S+Z\n" % identity)
        told = json.loads(native("--json", "--hubs", self.file, DEMO_KIT)[1])["kits"][0]["hubs"]

        # The next unattended run leaves every hub alone; a run without
        # options writes each again with the image the checker named.
        def writes(run):
            if os.path.exists(log):
                os.remove(log)
            status = run()
            with open(log) as f:
                return status, re.findall(r'^TA_UpdateISP index=\d+ path="\.\\Binfile\\([^"]+)"',
                                          f.read(), re.M)
        status, written = writes(lambda: launch(self.demo, ["--unattended", "--report", "r.json"],
                                                env=env)[0])
        report = read_report(os.path.join(self.demo.path, "r.json"))
        self.assertEqual((0, [h["outcome"] for h in told], []),
                         (status, [h["outcome"] for h in report["hubs"]], written))
        _, written = writes(lambda: self.demo.launch([], env=env))
        self.assertEqual([h["plainRun"]["chosen"] for h in told], written)

    def test_a_bundle_is_written_then_explained_and_judged_natively(self):
        out, text = self.bundle()
        parts = ["computer", "driver", "record", "capture", "settings x64", "images x64",
                 "hubs x64", "report"]
        self.assertEqual(parts, [line.split(":")[0] for line in out.splitlines()[:-1]])
        self.assertTrue(out.splitlines()[-1].startswith("Wrote the bundle "), out)
        self.assertTrue(out.endswith(", complete\n"), out)
        self.assertIn("\n[record]\n| none: no unattended run has left a record on this computer\n"
                      "[end record]\n", text)
        for line in ("WindowsBits=64", "CheckerBits=64", "Kit=demo", "LibraryVersion=20190823"):
            self.assertIn("\n| %s\n" % line, text)
        self.assertIn("UpdaterVersion.x64.Quillet64.exe=", text)
        # The computer's parts and the hubs' own strings need no escape.
        self.assertNotIn("\\x", text.split("[computer]")[1].split("[settings x64]")[0])

        said = self.explain()
        self.assertIn("the filter driver tz415filter is registered", said)
        self.assertIn("no update was running (both locks free)", said)
        self.assertIn("\nLast unattended run: none (no unattended run has left a record on this "
                      "computer)\n", said)
        self.assertIn("The computer's hubs: 3 listed", said)
        self.assertIn("=> writes PORT.BIN", said)
        # The same kit at support: nothing differs, and the checker judges
        # the bundle's hubs as the customer's checker did.
        said = self.explain(DEMO_KIT)
        self.assertIn("settings: the same, line by line", said)
        self.assertIn("images: the same, digest by digest", said)
        code, out, err = native("--json", "--hubs", self.file, DEMO_KIT)
        self.assertEqual(0, code, err)
        report = json.loads(out)
        customer = json.loads(text.split("[report]\n| ")[1].split("\n")[0].replace("\\\\", "\\"))
        # Each image's verdict, whatever order each file system lists them in.
        def judged(hubs):
            return [dict(h, images=sorted(h["images"], key=lambda i: i["name"])) for h in hubs]
        self.assertEqual(judged(customer["kits"][0]["hubs"]), judged(report["kits"][0]["hubs"]))
        self.assertEqual(self.file, report["replay"]["file"])

        # Replaced only with --force.
        code, _, err = run(CHECKER, ["--bundle", self.file, "."], cwd=self.demo.path)
        self.assertEqual(2, code)
        self.assertIn(b"--force", err)
        self.bundle("--force")

        # The launcher on the bundle's hubs, with the customer's settings.
        said = self.replay(DEMO_KIT)
        self.assertTrue(said.startswith("scripts/replay: x64: the kit's images are the bundle's, "
                                        "digest by digest; the bundle's settings are used."), said)
        self.assertIn("Device(3):\n\tUpdata FW => SUCCESS\n", said)

    def test_a_kit_of_a_hundred_images_makes_a_bundle_of_tens_of_kilobytes(self):
        binfile = self.demo.hubs("Binfile")
        for i in range(100):
            shutil.copy(os.path.join(binfile, "DOCK.BIN"), os.path.join(binfile, "I%03d.BIN" % i))
        out, text = self.bundle(status=1)
        self.assertLess(len(text), 32 * 1024, out)
        self.assertIn("report: missing, the kit check's JSON report is ", out)
        self.assertIn("hubs x64: what the kit does to each hub (the refused images left out", out)
        self.assertEqual(103, len(text.split("[images x64]\n")[1].split("[end")[0].splitlines()))
        self.assertIn("=> writes DOCK.BIN", self.explain())

    def test_a_flipped_image_is_named_with_the_hub_it_stops(self):
        dock = self.demo.hubs("Binfile", "DOCK.BIN")
        with open(dock, "r+b") as f:
            f.seek(100)
            byte = f.read(1)
            f.seek(100)
            f.write(bytes([byte[0] ^ 1]))
        _, text = self.bundle()
        self.assertIn(" differs DOCK.BIN\n", text)
        said = self.explain()
        self.assertIn("  image DOCK.BIN: differs", said)
        self.assertRegex(said, r"Device\(2\)[^\n]*\n\s*=> refused: DOCK.BIN is chosen")
        said = self.explain(DEMO_KIT)
        self.assertIn("the customer's DOCK.BIN differs from yours", said)
        self.assertIn("Device(2) takes DOCK.BIN, which differs from the customer's", said)
        said = self.replay(DEMO_KIT)
        self.assertTrue(said.startswith("scripts/replay: x64: the kit's images are not the "
                                        "bundle's"), said)

    def test_each_program_is_named_with_its_digest_and_what_windows_says_of_its_signature(self):
        # Our programs as built are unsigned; a checker signed with a
        # throwaway certificate, and a copy of it with one byte changed since.
        tools = os.path.join(self.demo.path, "Tools")
        os.mkdir(tools)
        keys = os.path.join(self.outside, "keys")
        os.mkdir(keys)
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                        "key.pem", "-out", "cert.pem", "-days", "2", "-subj",
                        "/CN=Quillet Bundle Test", "-addext", "extendedKeyUsage=codeSigning"],
                       cwd=keys, check=True, capture_output=True)
        signed = os.path.join(tools, "QuilletCheck64.exe")
        subprocess.run(["osslsigncode", "sign", "-certs", "cert.pem", "-key", "key.pem", "-in",
                        CHECKER, "-out", signed], cwd=keys, check=True, capture_output=True)
        with open(signed, "rb") as f:
            changed = bytearray(f.read())
        changed[0x1000] ^= 1
        with open(os.path.join(tools, "QuilletCheck32.exe"), "wb") as f:
            f.write(changed)
        _, text = self.bundle()
        computer = text.split("[computer]\n")[1].split("[end computer]")[0]
        # Last in the part, after the versions and the kits' identities.
        self.assertRegex(computer, r"\| LibraryVersion=\S+\n(\| KitIdentity\.\S+\n)*"
                                   r"(\| Program\.[^\n]*\n){4}$")
        programs = re.findall(r"^\| Program\.(\S+)=(\S+) (.*)$", computer, re.M)
        # Wine 8 trusts a well-formed signature whatever its root; it does
        # hold a changed byte against it.
        said = {"Quillet.exe": "unsigned", "x64/Quillet64.exe": "unsigned",
                "Tools/QuilletCheck32.exe": "signed by Quillet Bundle Test, not trusted: the file "
                                            "has changed since it was signed",
                "Tools/QuilletCheck64.exe": "signed by Quillet Bundle Test, trusted"}
        self.assertEqual(list(said), [path for path, _, _ in programs], computer)
        for path, digest, signature in programs:
            with open(os.path.join(self.demo.path, path), "rb") as f:
                self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest, path)
            self.assertEqual(said[path], signature, path)
        explained = self.explain()
        for path, digest, signature in programs:
            self.assertIn("  program %s: SHA-256 %s, %s\n" % (path, digest, signature), explained)

    def test_a_computer_without_the_driver_says_so(self):
        set_upper_filters(["usbfilt"])
        out, text = self.bundle()
        self.assertIn("tz415filter not-registered (installed for the capture, removed after it)",
                      out)
        self.assertIn('| UpperFilters="usbfilt"\n| FilterDriver=not-registered\n', text)
        self.assertIn("tz415filter is NOT registered", self.explain())
        self.assertEqual(["usbfilt"], upper_filters_value()[1])

    def test_missing_settings_still_leave_the_hubs(self):
        os.remove(self.demo.hubs("SpiFlash.ini"))
        out, text = self.bundle(status=1)
        self.assertIn("settings x64: missing, SpiFlash.ini cannot be opened\n", out)
        self.assertTrue(out.endswith("1 part missing\n"), out)
        self.assertIn("[capture]\n| [Capture]", text)
        self.assertIn("The computer's hubs: 3 listed", self.explain())

    def test_no_name_of_the_user_the_computer_or_the_kit_s_place(self):
        names = {"USERNAME": "Qzuserxq", "COMPUTERNAME": "QZHOSTXQ", "USERDOMAIN": "QZDOMXQ"}
        saved = {}
        for key in ("ComputerName", "ActiveComputerName"):
            out = reg("query", COMPUTER_KEY % key, "/v", "ComputerName").stdout.decode("latin-1")
            saved[key] = out.split("REG_SZ")[-1].strip() if "REG_SZ" in out else None
            self.assertEqual(0, reg("add", COMPUTER_KEY % key, "/v", "ComputerName", "/d",
                                    names["COMPUTERNAME"], "/f").returncode)

        def restore():
            for key, value in saved.items():
                if value:
                    reg("add", COMPUTER_KEY % key, "/v", "ComputerName", "/d", value, "/f")
        self.addCleanup(restore)
        # The kit named by its whole path, as a customer's shortcut would.
        _, text = self.bundle(env=names, folder="Z:" + self.demo.path.replace("/", "\\"))
        where = os.path.dirname(self.demo.path)
        for secret in [*names.values(), getpass.getuser(), where, where.replace("/", "\\"),
                       os.path.basename(self.demo.root), "Z:", "/tmp", "\\tmp"]:
            self.assertNotRegex(text, r"(?i)\b%s\b" % re.escape(secret))
        self.assertIn("Kit=demo", text)
        # A why from the computer names the installer within the kit alone.
        set_upper_filters(["usbfilt"])
        os.remove(os.path.join(self.demo.path, "Driver", "TZ415FilterInst.exe"))
        whole = "Z:" + self.demo.path.replace("/", "\\")
        _, text = self.bundle("--force", folder=whole, status=1)
        self.assertIn("\n[capture]\nmissing: the filter driver tz415filter is not registered, and "
                      "there is no demo\\Driver\\TZ415FilterInst.exe", text)
        self.assertNotIn(whole.rsplit("\\", 1)[0].lower(), text.lower())


if __name__ == "__main__":
    unittest.main()
