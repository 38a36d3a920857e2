"""scripts/vm32 on its own, without a guest: --help and an unknown option
print its usage and do nothing else, while ctest's own options go on to
a run.

scripts/vm32 runs from a copy of the scripts, with every program it would
start to build or boot replaced by one that only notes its start.

Usage: test_vm32.py SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = None
STARTS = ("cmake", "qemu-system-x86_64", "debootstrap", "mke2fs", "apt-get", "sudo")
USAGE = "scripts/vm32 --help         this text, and nothing else"


class Vm32(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quillet-vm32-")
        self.tree = os.path.join(self.dir, "tree")
        scripts = os.path.join(self.tree, "scripts")
        shutil.copytree(os.path.join(SOURCE, "scripts", "vm32.d"), os.path.join(scripts, "vm32.d"))
        for name in ("vm32", "wine-wow64"):
            shutil.copy2(os.path.join(SOURCE, "scripts", name), scripts)
        self.log = os.path.join(self.dir, "starts.log")
        bin_dir = os.path.join(self.dir, "bin")
        os.makedirs(bin_dir)
        note = '#!/bin/sh\necho "$(basename "$0") $*" >>"%s"\n' % self.log
        stubs = {name: note for name in STARTS}
        stubs["sudo"] = note + 'exec "$@"\n'
        # The guest's build leaves what a kept guest has.
        stubs[os.path.join(scripts, "vm32.d", "build")] = note + 'mkdir -p "$1"\n: >"$1/root.img"\n'
        for name, text in stubs.items():
            path = os.path.join(bin_dir, name)
            with open(path, "w") as f:
                f.write(text)
            os.chmod(path, 0o755)
        self.before = self.files()
        self.env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"],
                        HOME=os.path.join(self.dir, "home"),
                        XDG_CACHE_HOME=os.path.join(self.dir, "cache"))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def files(self):
        return sorted(os.path.relpath(os.path.join(d, f), self.dir)
                      for d, _, names in os.walk(self.dir) for f in names)

    def vm32(self, *args, timeout=10):
        done = subprocess.run([os.path.join(self.tree, "scripts", "vm32"), *args],
                              env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=timeout)
        return done.returncode, done.stdout, done.stderr

    def assertNothingElse(self):
        self.assertEqual(self.before, self.files())

    def test_help_prints_the_usage_and_nothing_else(self):
        for args in (["--help"], ["-h"], ["--smoke", "--help"], ["-R", "e2e", "--help"]):
            with self.subTest(args=args):
                status, out, err = self.vm32(*args)
                self.assertEqual((0, ""), (status, err))
                self.assertTrue(out.startswith("Runs the 32-bit Windows programs' tests"), out)
                self.assertIn(USAGE, out)
                self.assertNothingElse()

    def test_an_option_neither_it_nor_ctest_knows_prints_the_usage_and_nothing_else(self):
        for args, named in ((["--bogus"], "--bogus"), (["--smok"], "--smok"),
                            (["-smoke"], "-smoke"), (["--smoke", "-R", "e2e"], "-R"),
                            (["-R", "e2e", "--tests-regexp=kit"], "--tests-regexp=kit")):
            with self.subTest(args=args):
                status, out, err = self.vm32(*args)
                self.assertEqual((2, ""), (status, out))
                self.assertTrue(err.startswith("vm32: unknown option %s\n" % named), err)
                self.assertIn(USAGE, err)
                self.assertNothingElse()

    def test_ctest_options_go_on_to_the_guest(self):
        status, _, err = self.vm32("-R", "e2e\\.kit", "-j2", "--output-on-failure",
                                   "--repeat=until-pass:2", timeout=60)
        # The stand-in guest ends without a job done.
        self.assertEqual(1, status)
        self.assertIn("the guest ended without finishing its job", err)
        with open(self.log) as f:
            starts = [line.split()[0] for line in f]
        self.assertEqual(["build", "cmake", "cmake", "cmake", "cmake", "qemu-system-x86_64"],
                         [s for s in starts if s != "sudo"])
        with open(os.path.join(self.tree, "build", "vm32", "job")) as f:
            self.assertIn("ctest_args=(-R e2e\\\\.kit -j2 --output-on-failure "
                          "--repeat=until-pass:2 )", f.read())


if __name__ == "__main__":
    SOURCE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
