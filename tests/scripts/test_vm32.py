"""scripts/vm32 without a guest: --help and an unknown option print its usage
and do nothing else, while ctest's own options go on to a run; and the
guest's time limits, which scripts/wine_env.py scales.

scripts/vm32 runs from a copy of the scripts, every program it starts to
build or boot replaced by one that only notes its start.

Usage: test_vm32.py SOURCE_DIR
"""
import ast
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = None
USAGE = "scripts/vm32 --help         this text, and nothing else"


class Vm32(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="quillet-vm32-")
        scripts = os.path.join(self.dir, "tree", "scripts")
        shutil.copytree(os.path.join(SOURCE, "scripts", "vm32.d"), os.path.join(scripts, "vm32.d"))
        for name in ("vm32", "wine-wow64"):
            shutil.copy2(os.path.join(SOURCE, "scripts", name), scripts)
        self.vm32_path = os.path.join(scripts, "vm32")
        self.log = os.path.join(self.dir, "starts.log")
        note = '#!/bin/sh\necho "$(basename "$0") $*" >>"%s"\n' % self.log
        stubs = {os.path.join("bin", name): note
                 for name in ("cmake", "qemu-system-x86_64", "debootstrap", "mke2fs", "apt-get")}
        stubs["bin/sudo"] = note + 'exec "$@"\n'
        # The guest's build leaves what a kept guest has.
        stubs["tree/scripts/vm32.d/build"] = note + 'mkdir -p "$1"\n: >"$1/root.img"\n'
        os.makedirs(os.path.join(self.dir, "bin"))
        for name, text in stubs.items():
            with open(os.path.join(self.dir, name), "w") as f:
                f.write(text)
            os.chmod(os.path.join(self.dir, name), 0o755)
        self.before = self.files()
        self.env = dict(os.environ, HOME=os.path.join(self.dir, "home"),
                        PATH=os.path.join(self.dir, "bin") + os.pathsep + os.environ["PATH"],
                        XDG_CACHE_HOME=os.path.join(self.dir, "cache"))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def files(self):
        return sorted(os.path.join(d, f) for d, _, names in os.walk(self.dir) for f in names)

    def vm32(self, *args, timeout=10):
        done = subprocess.run([self.vm32_path, *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=timeout)
        return done.returncode, done.stdout, done.stderr

    def test_help_prints_the_usage_and_nothing_else(self):
        for args in (["--help"], ["-h"], ["--smoke", "--help"], ["-R", "e2e", "--help"]):
            with self.subTest(args=args):
                status, out, err = self.vm32(*args)
                self.assertEqual((0, ""), (status, err))
                self.assertTrue(out.startswith("Runs the 32-bit Windows programs' tests"), out)
                self.assertIn(USAGE, out)
                self.assertEqual(self.before, self.files())

    def test_an_option_neither_it_nor_ctest_knows_prints_the_usage_and_nothing_else(self):
        for args in (["--bogus"], ["--smok"], ["-smoke"], ["--smoke", "-R", "e2e"],
                     ["-R", "e2e", "--tests-regexp=kit"]):
            with self.subTest(args=args):
                status, out, err = self.vm32(*args)
                self.assertEqual((2, ""), (status, out))
                named = args[-1] if args[0] != "--smoke" else args[1]
                self.assertTrue(err.startswith("vm32: unknown option %s\n" % named), err)
                self.assertIn(USAGE, err)
                self.assertEqual(self.before, self.files())

    def test_ctest_options_go_on_to_the_guest(self):
        status, _, err = self.vm32("-R", "e2e\\.kit", "-j2", "--output-on-failure",
                                   "--repeat=until-pass:2", timeout=60)
        # The stand-in guest ends without a job done.
        self.assertEqual(1, status)
        self.assertIn("the guest ended without finishing its job", err)
        with open(self.log) as f:
            starts = [line.split()[0] for line in f if not line.startswith("sudo")]
        self.assertEqual(["build"] + ["cmake"] * 4 + ["qemu-system-x86_64"], starts)
        with open(os.path.join(self.dir, "tree", "build", "vm32", "job")) as f:
            self.assertIn("ctest_args=(-R e2e\\\\.kit -j2 --output-on-failure "
                          "--repeat=until-pass:2 )", f.read())


# What each Wine command would be given as its limit, none of them started,
# and a test list's limits after --scale-test-list.
LIMITS = """
import sys, wine_env
limits = []
wine_env.quiet = lambda argv, **kw: limits.append((argv[-1], kw.get("timeout")))
wine_env.make_prefix()
class Ran: returncode, stdout, stderr = 0, b"", b""
wine_env._once_more_if_not_started = lambda argv, **kw: limits.append((argv[1], kw["timeout"])) or Ran
wine_env.run("a.exe")
wine_env.run("b.exe", timeout=30)
with open(sys.argv[1], "w") as f:
    f.write('set_tests_properties([=[e2e.kit]=] PROPERTIES  ENVIRONMENT "A=1" TIMEOUT "600" '
            'FIXTURES_REQUIRED "wine")\\nset_tests_properties(x PROPERTIES  TIMEOUT "45")\\n')
wine_env.scale_test_list(sys.argv[1])
print(repr((limits, open(sys.argv[1]).read())))
"""


class GuestTimeLimits(unittest.TestCase):
    def test_the_prefix_a_program_and_the_test_list_take_the_guests_scale(self):
        for scale, times in (("", 1), ("10", 10)):
            with self.subTest(scale=scale), tempfile.TemporaryDirectory() as d:
                env = dict(os.environ, QUILLET_BUILD=d, QUILLET_BITS="64",
                           QUILLET_TIME_SCALE=scale, PYTHONPATH=os.path.join(SOURCE, "scripts"))
                out = subprocess.run([sys.executable, "-c", LIMITS, os.path.join(d, "list")],
                                     env=env, capture_output=True, text=True, check=True,
                                     timeout=10).stdout
                limits, listed = ast.literal_eval(out)
                self.assertEqual([("-i", None), ("-w", 120 * times), ("a.exe", 120 * times),
                                  ("b.exe", 30 * times)], limits)
                self.assertIn('TIMEOUT "%d" FIXTURES' % (600 * times), listed)
                self.assertIn('TIMEOUT "%d")' % (45 * times), listed)


if __name__ == "__main__":
    SOURCE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
