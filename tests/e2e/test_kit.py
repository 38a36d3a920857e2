"""The demo kit run as a user runs it, twice in a row and after a reset; the
release kit's assembly and packing scripts; and scripts/reproduce's
comparison."""
import hashlib
import importlib.machinery
import importlib.util
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

from harness import (BITS, BUILD, DEMO_DESCRIPTION, SOURCE, WineTestCase, crlf, run,
                     set_upper_filters, upper_filters)
from transcript import COMPLETE, device_list, programmed

KIT_SOURCE = os.path.join(SOURCE, "kit")

FIRST_RUN = crlf(
    device_list("V1.29", "9012", "0A20") + "DoUpdateFW()\n"
    + "".join(programmed(n, image)
              for n, image in ((3, "PORT.BIN"), (2, "DOCK.BIN"), (1, "HUB415.BIN")))
    + COMPLETE)

SECOND_RUN = crlf(
    device_list("V1.39", "9014", "0A21") + "DoUpdateFW()\n"
    "\nDevice(3) firmware version is at the same level as this updater.\n Update is unnecessary.\n\n"
    "\nDevice(2) firmware version is at the same level as this updater.\n Update is unnecessary.\n\n"
    "Device(1) firmware version is at the same level as this updater.\n Update is unnecessary.\n\n")

PAUSE = b"Press any key to continue... "


class DemoKit(WineTestCase):
    """Runs a copy of build/<preset>/kit/demo, so the kit itself stays as it is."""

    def setUp(self):
        self.demo = self.kit()
        self.log = os.path.join(self.demo.root, "calls.log")

    def run_kit(self):
        """One run as the user starts it, from the launcher. Returns the
        updater's part of the output."""
        status, out, err = self.demo.launch(env={"TZ415SIM_LOG": self.log})
        self.assertEqual(0, status, err)
        self.assertTrue(out.endswith(PAUSE), out[-200:])
        return out[:-len(PAUSE)]

    def tail(self, out):
        at = out.find(b"3 devices found:")
        self.assertGreaterEqual(at, 0, out)
        self.assertIn(b"\t1.3 IsDriverInstallNeeded()\t Success\r\n", out[:at])
        self.assertTrue(out[:at].endswith(crlf("Initialization()  Success\n\n")), out[:at])
        return out[at:]

    def description(self):
        with open(self.demo.description(), "rb") as f:
            return f.read()

    def test_first_run_programs_every_hub_and_the_second_finds_them_current(self):
        set_upper_filters(["usbfilt"])
        self.assertEqual(FIRST_RUN, self.tail(self.run_kit()))
        self.assertEqual(SECOND_RUN, self.tail(self.run_kit()))
        # The driver was there for the runs only; the other filter stays.
        self.assertEqual(["usbfilt"], upper_filters())

        # Each hub got its own image, in the order hub 3, 2, 1.
        with open(self.log) as f:
            updates = [l for l in f.read().splitlines() if l.startswith("TA_UpdateISP")]
        self.assertEqual(3, len(updates))
        for line, (index, image, hub, version) in zip(updates, (
                (2, "PORT.BIN", "Hub3", "0A21"), (1, "DOCK.BIN", "Hub2", "9014"),
                (0, "HUB415.BIN", "Hub1", "9013"))):
            self.assertRegex(line, r'^TA_UpdateISP index=%d path="\.\\Binfile\\%s" reserved=0 '
                                   r'hub=%s version=%s result=0 ms=\d+$'
                             % (index, re.escape(image), hub, version))
            with open(self.demo.hubs("Binfile", image), "rb") as a, \
                    open(self.demo.hubs("TZ415Sim.%s.flash" % hub), "rb") as b:
                self.assertEqual(a.read(), b.read())

    def test_reset_brings_the_first_state_back(self):
        with open(DEMO_DESCRIPTION, "rb") as f:
            first = f.read()
        self.run_kit()
        self.assertNotEqual(first, self.description())
        result = subprocess.run([os.path.join(SOURCE, "scripts", "demo"), "--reset"],
                                env=dict(os.environ, QUILLET_DEMO_BUILD=self.demo.root,
                                         QUILLET_X64_BUILD=self.demo.root),
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(first, self.description())
        self.assertEqual([], [n for n in os.listdir(self.demo.hubs()) if n.endswith(".flash")])
        self.assertEqual(FIRST_RUN, self.tail(self.run_kit()))


class ReleaseKitScripts(unittest.TestCase):
    """kit/add_maker_files.cmake and kit/check_release.cmake, run as the
    release build runs them."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quillet-release-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.kit = os.path.join(self.root, "release")
        self.maker = os.path.join(self.root, "maker")

    def put(self, base, name, data=b"x"):
        path = os.path.join(base, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def files(self, base):
        return sorted(os.path.relpath(os.path.join(d, n), base).replace(os.sep, "/")
                      for d, _, names in os.walk(base) for n in names)

    def cmake(self, *args):
        return subprocess.run(["cmake", *args], capture_output=True, text=True)

    def add_maker_files(self):
        return self.cmake("-DMAKER=" + self.maker, "-DKIT=" + self.kit, "-DARCHES=x86,x64",
                          "-P", os.path.join(KIT_SOURCE, "add_maker_files.cmake"))

    def check(self, allow_standins="OFF"):
        script = os.path.join(self.root, "check.cmake")
        with open(script, "w") as f:
            f.write('include("%s")\nquillet_check_release("%s" %s)\n'
                    % (os.path.join(KIT_SOURCE, "check_release.cmake").replace("\\", "/"),
                       self.kit, allow_standins))
        return self.cmake("-P", script)

    def seal(self, arch):
        return self.cmake("-DBINFILE=" + os.path.join(self.kit, arch, "Binfile"), "-DMODE=seal",
                          "-P", os.path.join(KIT_SOURCE, "image_sums.cmake"))

    def fake_checker(self, status, report):
        """A kit checker that prints `report` and ends with `status`."""
        checker = os.path.join(self.root, "checker")
        with open(checker, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s' '%s'\nexit %d\n" % (report, status))
        os.chmod(checker, 0o755)
        return checker

    def check_kit(self, status, report):
        """quillet_check_kit with a fake checker."""
        script = os.path.join(self.root, "check_kit.cmake")
        with open(script, "w") as f:
            f.write('include("%s")\nquillet_check_kit("%s" "%s")\n'
                    % (os.path.join(KIT_SOURCE, "check_release.cmake"), self.kit,
                       self.fake_checker(status, report)))
        return self.cmake("-P", script)

    def pack(self, status):
        """quillet_pack_release, as cpack runs it, with a fake checker."""
        script = os.path.join(self.root, "pack.cmake")
        with open(script, "w") as f:
            f.write('include("%s")\nquillet_pack_release("%s" OFF "%s" "%s")\n'
                    % (os.path.join(KIT_SOURCE, "pack_release.cmake"), self.kit,
                       self.fake_checker(status, "  error sums-differs: A.BIN\n" if status else ""),
                       sys.executable))
        return self.cmake("-P", script)

    def complete_kit(self):
        self.our_programs()
        for name in ("Driver/TZ415FilterInst.exe", "Driver/amd64/tz415filter.sys",
                     "x86/TZ415API.dll", "x64/TZ415API.dll", "Binfile/A.BIN",
                     "Binfile/read me.bin"):
            self.put(self.maker, name, name.encode())
        self.assertEqual(0, self.add_maker_files().returncode)
        for arch in ("x86", "x64"):
            self.assertEqual(0, self.seal(arch).returncode)

    def our_programs(self):
        for name in ("Quillet.exe", "Tools/QuilletCheck32.exe", "Tools/QuilletCheck64.exe",
                     "x86/Quillet32.exe",
                     "x86/SpiFlash.ini", "x64/Quillet64.exe", "x64/SpiFlash.ini"):
            self.put(self.kit, name, b"template" if name.endswith(".ini") else b"MZ")

    def test_maker_files_are_laid_into_the_kit(self):
        self.our_programs()
        for name in ("Driver/TZ415FilterInst.exe", "Driver/tz415filter.sys", "x86/TZ415API.dll",
                     "x64/TZ415API.dll", "Binfile/A.BIN", "Binfile/b.bin"):
            self.put(self.maker, name)
        self.put(self.maker, "SpiFlash.ini", b"maker settings")
        result = self.add_maker_files()
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual([
            "Driver/TZ415FilterInst.exe", "Driver/tz415filter.sys", "Quillet.exe",
            "Tools/QuilletCheck32.exe", "Tools/QuilletCheck64.exe", "x64/Binfile/A.BIN", "x64/Binfile/b.bin", "x64/Quillet64.exe", "x64/SpiFlash.ini",
            "x64/TZ415API.dll",
            "x86/Binfile/A.BIN", "x86/Binfile/b.bin", "x86/Quillet32.exe", "x86/SpiFlash.ini",
            "x86/TZ415API.dll"], self.files(self.kit))
        with open(os.path.join(self.kit, "x64", "SpiFlash.ini"), "rb") as f:
            self.assertEqual(b"maker settings", f.read())
        result = self.check()
        self.assertEqual(0, result.returncode, result.stderr)

    def test_without_a_makers_list_each_updater_folder_gets_one_that_sha256sum_reads(self):
        self.our_programs()
        self.put(self.maker, "Binfile/A.BIN", b"image A")
        self.put(self.maker, "Binfile/b.bin", b"image b")
        self.assertEqual(0, self.add_maker_files().returncode)
        for arch in ("x86", "x64"):
            result = self.seal(arch)
            self.assertEqual(0, result.returncode, result.stderr)
            binfile = os.path.join(self.kit, arch, "Binfile")
            self.assertEqual(["A.BIN", "SHA256SUMS", "b.bin"], sorted(os.listdir(binfile)))
            result = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=binfile,
                                    capture_output=True, text=True)
            self.assertEqual(0, result.returncode, result.stdout + result.stderr)
            self.assertEqual("A.BIN: OK\nb.bin: OK\n", result.stdout)

    def test_a_makers_list_is_never_rewritten_and_the_kit_checker_judges_it(self):
        self.our_programs()
        self.put(self.maker, "Binfile/A.BIN", b"image A")
        self.put(self.maker, "Binfile/B.BIN", b"image B")
        listed = ("# the maker's\r\n"
                  "SHA256 (A.BIN) = %s\r\n" % hashlib.sha256(b"image A").hexdigest().upper()
                  + "%s  B.BIN\r\n" % hashlib.sha256(b"image B").hexdigest())
        self.put(self.maker, "Binfile/sha256sums", listed.encode())
        self.assertEqual(0, self.add_maker_files().returncode)
        # One byte of one image changed on its way into the kit.
        self.put(self.kit, "x64/Binfile/B.BIN", b"image C")
        for arch in ("x86", "x64"):
            self.assertEqual(0, self.seal(arch).returncode)
            with open(os.path.join(self.kit, arch, "Binfile", "sha256sums"), "rb") as f:
                self.assertEqual(listed.encode(), f.read())
            self.assertFalse(os.path.exists(os.path.join(self.kit, arch, "Binfile", "SHA256SUMS")))
        # Two lists in two letter cases: which one the updater would read is
        # up to the file system the kit is unpacked on.
        self.put(self.kit, "x86/Binfile/SHA256SUMS", listed.encode())
        result = self.seal("x86")
        self.assertNotEqual(0, result.returncode)
        self.assertIn("2 image lists", result.stderr)
        os.remove(os.path.join(self.kit, "x86", "Binfile", "SHA256SUMS"))
        # What packaging runs, the host's checker there, this build's here.
        checker = os.path.join(BUILD, "checker", "QuilletCheck%d.exe" % BITS)
        status, out, err = run(checker, ["."], cwd=self.kit)
        self.assertEqual(1, status, err)
        differs = re.findall(rb"error sums-differs: [^\r\n]*", out)
        self.assertEqual(1, len(differs), out)
        self.assertIn(b"B.BIN", differs[0])

    def test_the_kit_checkers_errors_stop_packaging_and_its_warnings_do_not(self):
        result = self.check_kit(0, "x86\n  warning module-case: line 9\n")
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn("Kit check: warning module-case: line 9", result.stderr)
        result = self.check_kit(1, "  error sums-differs: A.BIN\n")
        self.assertNotEqual(0, result.returncode)
        self.assertIn("error sums-differs: A.BIN", result.stderr)

    def test_an_incomplete_kit_is_not_packed(self):
        self.our_programs()
        os.remove(os.path.join(self.kit, "x64", "Quillet64.exe"))
        self.put(self.kit, "x86/Binfile/A.BIN")
        result = self.check()
        self.assertNotEqual(0, result.returncode)
        problems = re.findall(r"^    (\S.*)$", result.stderr, re.M)
        self.assertEqual(["Driver/TZ415FilterInst.exe is missing", "x86/TZ415API.dll is missing",
                          "x64/Quillet64.exe is missing", "x64/TZ415API.dll is missing",
                          "x64/Binfile holds no .BIN image"], problems)
        self.assertIn("-DQUILLET_MAKER_DIR=", result.stderr)

    def test_a_kit_without_the_checker_is_not_packed(self):
        self.our_programs()
        self.put(self.kit, "x86/Binfile/A.BIN")
        self.put(self.kit, "x64/Binfile/A.BIN")
        for name in ("Driver/TZ415FilterInst.exe", "x86/TZ415API.dll", "x64/TZ415API.dll"):
            self.put(self.kit, name, b"maker's own")
        # Each bitness is needed: --live loads only a library of its own.
        for name in ("QuilletCheck32.exe", "QuilletCheck64.exe"):
            with self.subTest(name):
                checker = os.path.join(self.kit, "Tools", name)
                os.rename(checker, checker + ".away")
                result = self.check()
                os.rename(checker + ".away", checker)
                self.assertNotEqual(0, result.returncode)
                self.assertEqual(["Tools/%s is missing" % name],
                                 re.findall(r"^    (\S.*)$", result.stderr, re.M))

    def test_our_stand_ins_are_not_released_as_the_makers(self):
        self.our_programs()
        self.put(self.kit, "x86/Binfile/A.BIN")
        self.put(self.kit, "x64/Binfile/A.BIN")
        shutil.copy(os.path.join(BUILD, "standins", "sim", "TZ415API.dll"), os.path.join(self.kit, "x64"))
        self.put(self.kit, "x86/TZ415API.dll", b"maker's own")
        os.makedirs(os.path.join(self.kit, "Driver"))
        shutil.copy(os.path.join(BUILD, "standins", "filterinst", "TZ415FilterInst.exe"),
                    os.path.join(self.kit, "Driver"))
        result = self.check()
        self.assertNotEqual(0, result.returncode)
        self.assertEqual(["x64/TZ415API.dll is our stand-in, not the maker's",
                          "Driver/TZ415FilterInst.exe is our stand-in, not the maker's"],
                         re.findall(r"^    (\S.*)$", result.stderr, re.M))
        self.assertEqual(0, self.check("ON").returncode)

    def test_packing_lists_every_file_of_a_kit_that_passed_its_checks_but_the_list(self):
        self.complete_kit()
        listed = os.path.join(self.kit, "SHA256SUMS")
        self.put(self.kit, "SHA256SUMS", b"left by an earlier packing")
        # Checks that fail leave no list, not even the old one.
        result = self.pack(1)
        self.assertNotEqual(0, result.returncode)
        self.assertIn("error sums-differs: A.BIN", result.stderr)
        self.assertFalse(os.path.exists(listed))

        result = self.pack(0)
        self.assertEqual(0, result.returncode, result.stderr)
        names = [n for n in self.files(self.kit) if n != "SHA256SUMS"]
        self.assertEqual(17, len(names))
        expected = ""
        for name in names:
            with open(os.path.join(self.kit, name), "rb") as f:
                expected += "%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name)
        with open(listed, "rb") as f:
            self.assertEqual(expected.encode(), f.read())
        result = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=self.kit,
                                capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertEqual(["%s: OK" % n for n in names], result.stdout.splitlines())

    def test_the_kit_checker_reads_the_list_packing_wrote_and_names_what_changed_since(self):
        self.complete_kit()
        self.assertEqual(0, self.pack(0).returncode)
        checker = os.path.join(BUILD, "checker", "QuilletCheck%d.exe" % BITS)

        def kit_sums():
            status, out, err = run(checker, ["--json", "."], cwd=self.kit)
            self.assertIn(status, (0, 1), err)
            return json.loads(out)["kitSums"]

        packed = kit_sums()
        self.assertEqual(("read", 17), (packed["state"], packed["entries"]))
        self.assertEqual({"matches"}, {f["check"] for f in packed["files"]})
        self.put(self.kit, "x64/Quillet64.exe", b"MZ changed")
        self.put(self.kit, "x64/Binfile/extra.bin", b"not packed")
        changed = {f["path"]: f["check"] for f in kit_sums()["files"] if f["check"] != "matches"}
        self.assertEqual({"x64/Quillet64.exe": "differs", "x64/Binfile/extra.bin": "unlisted"},
                         changed)
        status, out, _ = run(checker, ["."], cwd=self.kit)
        self.assertEqual(1, status)
        self.assertEqual([b"  error kit-sums-differs: x64/Quillet64.exe differs from SHA256SUMS",
                          b"  error kit-sums-unlisted: x64/Binfile/extra.bin is not listed in "
                          b"SHA256SUMS"],
                         re.findall(rb"  error kit-sums-[a-z]+: [^:\r\n]*", out))

    def test_two_packings_of_one_kit_give_one_zip(self):
        self.complete_kit()
        first, second = (os.path.join(self.root, n) for n in ("first.zip", "second.zip"))
        # As CPack packs: the disk's times, order and attributes, with extra
        # fields; the second packing after the kit was touched, in reverse.
        subprocess.run(["zip", "-q", "-r", first, "release"], cwd=self.root, check=True)
        with zipfile.ZipFile(first) as packed:
            contents = {i.filename: packed.read(i) for i in packed.infolist()}
        with zipfile.ZipFile(second, "w") as packed:
            for name in sorted(contents, reverse=True):
                packed.writestr(zipfile.ZipInfo(name, (2031, 7, 1, 12, 0, 0)), contents[name])
        epoch = 1700000000
        for path, zone in ((first, "UTC"), (second, "Pacific/Kiritimati")):
            result = subprocess.run(["python3", os.path.join(KIT_SOURCE, "release_zip.py"),
                                     "--epoch", str(epoch), path], capture_output=True, text=True,
                                    env=dict(os.environ, TZ=zone))
            self.assertEqual(0, result.returncode, result.stderr)
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertEqual(a.read(), b.read())
        with zipfile.ZipFile(first) as packed:
            self.assertEqual(sorted(contents), packed.namelist())
            self.assertEqual({time.gmtime(epoch)[:6]},
                             {i.date_time for i in packed.infolist()})
            for info in packed.infolist():
                self.assertEqual(contents[info.filename], packed.read(info))
                self.assertEqual(b"", info.extra)
                self.assertEqual(0o040755 << 16 | 0x10 if info.is_dir() else 0o100644 << 16,
                                 info.external_attr)

    def test_without_a_maker_folder_only_our_files_are_there(self):
        self.our_programs()
        self.maker = ""
        result = self.add_maker_files()
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(["Quillet.exe", "Tools/QuilletCheck32.exe", "Tools/QuilletCheck64.exe",
                          "x64/Quillet64.exe",
                          "x64/SpiFlash.ini", "x86/Quillet32.exe", "x86/SpiFlash.ini"],
                         self.files(self.kit))


def load_reproduce():
    path = os.path.join(SOURCE, "scripts", "reproduce")
    loader = importlib.machinery.SourceFileLoader("reproduce", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("reproduce", loader))
    loader.exec_module(module)
    return module


class Reproduce(unittest.TestCase):
    """scripts/reproduce's comparison of two builds' files."""

    def test_each_difference_is_named_with_the_first_offset_at_which_the_files_part(self):
        root = tempfile.mkdtemp(prefix="quillet-reproduce-")
        self.addCleanup(shutil.rmtree, root, True)
        program = bytes(range(256)) * 300
        changed = bytearray(program)
        changed[70000] ^= 1  # past the first block read
        for build, files in (("one", {"same.bin": program, "kit/x.exe": program,
                                      "kit/short": b"abc", "kit/only.txt": b"x"}),
                             ("two", {"same.bin": program, "kit/x.exe": bytes(changed),
                                      "kit/short": b"abcde"})):
            for name, data in files.items():
                path = os.path.join(root, build, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(data)
        count, differences = load_reproduce().compare(
            os.path.join(root, "one"), os.path.join(root, "two"), ["same.bin", "kit", "gone.zip"])
        self.assertEqual(4, count)
        self.assertEqual(["gone.zip: made by neither build",
                          "kit/only.txt: only in the first build",
                          "kit/short: differs from offset 3 (0x3) on; 3 and 5 bytes",
                          "kit/x.exe: differs from offset 70000 (0x11170) on; 76800 and 76800 bytes"],
                         differences)


if __name__ == "__main__":
    unittest.main()
