"""scripts/vm32 on its own, without a guest: --help and an unknown option
print its usage and do nothing else, while ctest's own options go on to
a run; and the guest's time limits, which scripts/wine_env.py scales.

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


class GuestTimeLimits(unittest.TestCase):
    """The guest says how many times as long its programs take in one
    variable, and every limit follows: the test list's and the prefix's."""

    def wine_env(self, scale, args=(), code=None):
        env = dict(os.environ, QUILLET_BUILD=tempfile.gettempdir(), QUILLET_BITS="64",
                   PYTHONPATH=os.path.join(SOURCE, "scripts"))
        env.pop("QUILLET_TIME_SCALE", None)
        if scale is not None:
            env["QUILLET_TIME_SCALE"] = scale
        tool = ["-c", code] if code else [os.path.join(SOURCE, "scripts", "wine_env.py")]
        return subprocess.run([sys.executable, *tool, *args], env=env, stdout=subprocess.PIPE,
                              check=True, text=True, timeout=10).stdout

    def test_every_limit_of_the_test_list_scales(self):
        listed = ('set_tests_properties([=[e2e.kit]=] PROPERTIES  ENVIRONMENT "A=1" '
                  'TIMEOUT "600" FIXTURES_REQUIRED "wine")\n'
                  'set_tests_properties([=[e2e.prepare]=] PROPERTIES  TIMEOUT "45")\n')
        for scale, limits in ((None, ("600", "45")), ("10", ("6000", "450"))):
            with self.subTest(scale=scale), tempfile.NamedTemporaryFile("w+") as f:
                f.write(listed)
                f.flush()
                self.wine_env(scale, ["--scale-test-list", f.name])
                f.seek(0)
                self.assertEqual(listed.replace('"600"', '"%s"' % limits[0])
                                 .replace('"45"', '"%s"' % limits[1]), f.read())

    def test_making_the_prefix_and_running_a_program_scale(self):
        # What each Wine command would be given as its limit, none started.
        code = """
import wine_env
limits = []
wine_env.quiet = lambda argv, **kw: limits.append((argv[-1], kw.get("timeout")))
wine_env.make_prefix()
class Ran: returncode, stdout, stderr = 0, b"", b""
wine_env._once_more_if_not_started = lambda argv, **kw: limits.append((argv[1], kw["timeout"])) or Ran
wine_env.run("a.exe")
wine_env.run("b.exe", timeout=30)
print(limits)
"""
        for scale, times in ((None, 1), ("10", 10)):
            with self.subTest(scale=scale):
                self.assertEqual(str([("-i", None), ("-w", 120 * times), ("a.exe", 120 * times),
                                      ("b.exe", 30 * times)]).strip(),
                                 self.wine_env(scale, code=code).strip())


if __name__ == "__main__":
    SOURCE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
