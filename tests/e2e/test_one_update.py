"""One update at a time, under Wine: two launchers started together on one
kit, launchers killed while they or their updaters hold the locks, and runs
of different rights: an administrator's, and one whose token has the
Administrators group for deny only, as a user's without administrator
rights. The programs of one test meet in the locks of their module's own
prefix."""
import os
import signal
import subprocess
import threading
import time

from deployment import BUSY_LINE, launch, read_report
from harness import (BUILD, EXIT_STATUS, WINE, WineTestCase, register_driver, run,
                     set_upper_filters, upper_filters, wine_env)
from test_launcher import PAUSE

UNATTENDED = ["--unattended", "--report", "report.json"]
WITHOUT_RIGHTS = os.path.join(BUILD, "tests", "without_rights.exe")
HOLD_LOCK = os.path.join(BUILD, "tests", "hold_lock.exe")
SIGNS = ("Global\\Quillet.Elevated.RunLock", "Global\\Quillet.Elevated.WriteLock")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def without_rights(cwd, command, env=None):
    """Runs a command line in `cwd` without administrator rights; (its whole
    exit status, its stdout bytes)."""
    status_file = os.path.join(cwd, "status-without-rights.txt")
    _, out, err = run(WITHOUT_RIGHTS, [status_file, *command], cwd=cwd, env=env, timeout=180)
    with open(status_file) as f:
        text = f.read().strip()
    os.remove(status_file)
    if not text.isdigit():
        raise AssertionError("the run without rights did not start: %r %r" % (text, err))
    return int(text), out


def tearDownModule():
    register_driver()


class Started:
    """A launcher started in the background, its output read as it comes."""

    def __init__(self, kit, args, env):
        self.out = b""
        self.process = subprocess.Popen([WINE, "Quillet.exe", *args], cwd=kit.path,
                                        env=wine_env(env), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.reader = threading.Thread(target=self._read)
        self.reader.start()

    def _read(self):
        # Ends when every writer is gone: the launcher and its children.
        for chunk in iter(lambda: self.process.stdout.read1(4096), b""):
            self.out += chunk

    def wait_for(self, text, timeout=120):
        deadline = time.time() + timeout
        while text.encode("latin-1") not in self.out:
            if time.time() > deadline:
                raise AssertionError("%r never came; output: %r" % (text, self.out[-500:]))
            time.sleep(0.05)

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()
        # A pause the launcher left running reads the same input.
        self.process.stdin.close()

    def outputs_end(self, timeout=120):
        self.reader.join(timeout)
        if self.reader.is_alive():
            raise AssertionError("the launcher's children never ended")


class OneUpdateAtATime(WineTestCase):
    def setUp(self):
        set_upper_filters(["otherfilter"])
        self.kit_ = self.kit()
        self.env = {}

    def test_of_two_launchers_started_together_exactly_one_programs(self):
        self.kit_.set_hub_key("Hub3", "UpdateMilliseconds", "2000")
        log = os.path.join(self.kit_.root, "calls.log")
        env = dict(self.env, TZ415SIM_LOG=log)
        results = {}

        def one(name):
            results[name] = launch(self.kit_, ["--unattended", "--report", name + ".json"],
                                   env=env)

        threads = [threading.Thread(target=one, args=(name,)) for name in ("a", "b")]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        statuses = sorted(status for status, _ in results.values())
        self.assertEqual([0, 1618], statuses, results)
        refused = next(name for name, (status, _) in results.items() if status == 1618)
        self.assertEqual(BUSY_LINE.encode(), results[refused][1])
        report = read_report(os.path.join(self.kit_.path, refused + ".json"))
        self.assertEqual(("busy", None, {"install": None, "remove": None}, []),
                         (report["reason"], report["updater"], report["installer"],
                          report["hubs"]))
        with open(log) as f:
            writes = [line for line in f if line.startswith("TA_UpdateISP")]
        self.assertEqual(3, len(writes), writes)
        self.assertEqual(["9013", "9014", "0A21"], self.kit_.firmware_versions())
        self.assertEqual(["otherfilter"], upper_filters())

    def test_a_launcher_killed_after_its_updater_ended_refuses_no_one(self):
        first = Started(self.kit_, [], self.env)
        first.wait_for(PAUSE)
        first.kill()
        first.outputs_end()
        status, out = launch(self.kit_, UNATTENDED, env=self.env)
        self.assertEqual(0, status, out)
        self.assertEqual("listed", read_report(os.path.join(self.kit_.path,
                                                            "report.json"))["updater"]["stage"])

    def test_a_launcher_killed_while_its_updater_writes_refuses_until_the_updater_ends(self):
        self.kit_.set_hub_key("Hub3", "UpdateMilliseconds", "6000")
        first = Started(self.kit_, ["--unattended"], self.env)
        first.wait_for("FileName:.\\Binfile\\PORT.BIN")
        first.kill()
        status, out = launch(self.kit_, UNATTENDED, env=self.env)
        self.assertEqual((1618, BUSY_LINE.encode()), (status, out))
        # The orphaned updater goes on with every hub, and then the lock of
        # the dead launcher is free.
        first.outputs_end()
        self.assertIn(b"Firmware Update Complete.", first.out)
        status, out = launch(self.kit_, UNATTENDED, env=self.env)
        self.assertEqual(0, status, out)
        self.assertEqual(["same-level"] * 3,
                         [hub["outcome"] for hub in
                          read_report(os.path.join(self.kit_.path, "report.json"))["hubs"]])
        self.assertEqual(["otherfilter"], upper_filters())

    def test_an_updater_started_while_another_writes_prints_the_line_and_ends(self):
        self.kit_.set_hub_key("Hub3", "UpdateMilliseconds", "6000")
        first = Started(self.kit_, ["--unattended"], self.env)
        first.wait_for("FileName:.\\Binfile\\PORT.BIN")
        status_file = os.path.join(self.kit_.root, "status.txt")
        _, out, _ = run(EXIT_STATUS, [status_file, "Quillet64.exe", "QRZ"],
                        cwd=self.kit_.hubs(), env=self.env)
        with open(status_file) as f:
            self.assertEqual("0", f.read().strip())
        self.assertEqual(BUSY_LINE.encode(), out)
        first.outputs_end()
        self.assertEqual(0, first.process.wait())


class AcrossRights(WineTestCase):
    """Runs of different rights side by side. Wine has no private
    namespaces, so every run's locks here are under the open names, which
    runs of either kind meet in; the signs are tested apart from the locks,
    with a holder of their names alone."""

    def setUp(self):
        set_upper_filters(["otherfilter"])
        self.kit_ = self.kit()

    def test_a_run_without_rights_alone_prints_what_an_administrators_run_prints(self):
        elevated = launch(self.kit_, ["--unattended"])
        self.kit_ = self.kit()
        self.assertEqual(elevated, without_rights(self.kit_.path, ["Quillet.exe", "--unattended"]))
        self.assertEqual(["9013", "9014", "0A21"], self.kit_.firmware_versions())

    def test_a_run_without_rights_stops_before_any_write_while_an_elevated_run_writes(self):
        self.kit_.set_hub_key("Hub3", "UpdateMilliseconds", "6000")
        log = os.path.join(self.kit_.root, "calls.log")
        first = Started(self.kit_, ["--unattended"], {"TZ415SIM_LOG": log})
        first.wait_for("FileName:.\\Binfile\\PORT.BIN")
        self.assertEqual((1618, BUSY_LINE.encode()),
                         without_rights(self.kit_.path, ["Quillet.exe", "--unattended"]))
        self.assertEqual((0, BUSY_LINE.encode()),
                         without_rights(self.kit_.hubs(), ["Quillet64.exe", "QRZ"]))
        first.outputs_end()
        self.assertEqual(0, first.process.wait())
        with open(log) as f:
            self.assertEqual(3, f.read().count("TA_UpdateISP"))

    def test_only_an_elevated_runs_sign_keeps_an_elevated_run_out(self):
        # The holder, whether it runs without rights, and the statuses of an
        # elevated run and of one without rights: an object a user left
        # under a sign's name blocks no elevated run.
        for option, by_user, statuses in (("--section", True, (0, 1618)),
                                          ("--sign", False, (1618, 1618))):
            for name in SIGNS:
                with self.subTest(option=option, name=name):
                    command = [windows_path(HOLD_LOCK), option, name, "0"]
                    if by_user:
                        status = windows_path(os.path.join(self.kit_.root, "held.txt"))
                        command = [WITHOUT_RIGHTS, status, *command]
                    holder = subprocess.Popen([WINE, *command], env=wine_env(),
                                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                              stderr=subprocess.DEVNULL)
                    try:
                        self.assertEqual(b"held\r\n", holder.stdout.readline())
                        self.assertEqual(statuses, (
                            launch(self.kit_, ["--unattended"])[0],
                            without_rights(self.kit_.path, ["Quillet.exe", "--unattended"])[0]))
                    finally:
                        # The holder ends with its input, also through the
                        # program that started it without rights.
                        holder.stdin.close()
                        holder.wait(60)
                        holder.stdout.close()
                    self.kit_ = self.kit()


if __name__ == "__main__":
    import unittest
    unittest.main()
