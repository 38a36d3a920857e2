"""What an unattended run leaves on the computer, under Wine: the record
under HKLM\\SOFTWARE\\Quillet read the way a detection rule reads it, a hub
waiting for its power cycle told apart from a failure and not written again,
each written hub with its own write's time, kept while it waits, the mark of
a place a dock left kept, no record without --unattended, the --log file's
lines and its rollover, and a lock object under the old name that no longer
blocks an update."""
import hashlib
import os
import re
import subprocess
import time

from deployment import launch, read_report
from harness import (BUILD, RECORD_KEY, WINE, WineTestCase, reg, register_driver, run,
                     wine_env)

PROBE = os.path.join(BUILD, "standins", "sim", "tz415sim_probe.exe")
HOLD_LOCK = os.path.join(BUILD, "tests", "hold_lock.exe")
# Hubs that run written firmware only after a power cycle, as real ones.
REAL_HUBS = {"TZ415SIM_ACTIVATE_AT_POWER_CYCLE": "1"}
UNATTENDED = ["--unattended", "--report", "r.json"]
WRITES = re.compile(r"^TA_UpdateISP .* hub=(Hub\d)", re.M)
LOG_LINE = re.compile(r'^<!\[LOG\[([^\r\n]*)\]LOG\]!><time="\d\d:\d\d:\d\d\.\d{3}\+000" '
                      r'date="\d\d-\d\d-\d{4}" component="Quillet" context="" '
                      r'type="([123])" thread="0" file="">$')


def setUpModule():
    register_driver()


def reg_value(name, view):
    """A value of the record as `reg query` shows it, None when absent."""
    result = reg("query", RECORD_KEY, "/v", name, view)
    match = re.search(r"^\s+%s\s+REG_\w+\s+(.*?)\r?$" % name, result.stdout.decode("latin-1"),
                      re.M)
    return match.group(1) if match else None


class Record(WineTestCase):
    def setUp(self):
        self.kit_ = self.kit()
        self.calls = os.path.join(self.kit_.root, "calls.log")
        self.env = dict(REAL_HUBS, TZ415SIM_LOG=self.calls)

    def launch(self, args=UNATTENDED):
        status, _ = launch(self.kit_, args, env=self.env)
        report = (read_report(os.path.join(self.kit_.path, "r.json"))
                  if "r.json" in args else None)
        return status, report

    def writes(self):
        """Hubs written since the last call, from the simulator's call log."""
        if not os.path.exists(self.calls):
            return []
        with open(self.calls) as f:
            text = f.read()
        os.remove(self.calls)
        return WRITES.findall(text)

    def kit_identity(self):
        with open(self.kit_.hubs("Binfile", "SHA256SUMS"), "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()

    def record_lines(self):
        return reg_value("Record", "/reg:64").split("\\0")

    def power_cycle(self):
        status, out, _ = run(PROBE, ["powercycle"], cwd=self.kit_.hubs())
        self.assertEqual((0, b"powercycle result=0 hubs=Hub1,Hub2,Hub3\r\n"), (status, out))

    def move_hub3(self):
        self.kit_.set_hub_key("Hub3", "ConnectionPortIndex", "3")

    def hub_lines(self):
        return [line.split() for line in self.record_lines() if line.startswith("hub ")]

    # One layout: a first unattended run writes every hub, something happens
    # (or nothing), and a second run is judged.
    AFTER_A_WRITE = [
        # name, between the runs, second run: status, outcomes (hub 3 to 1),
        # hubs it writes, hubs the record then shows pending, and the
        # outcomes of the earlier hubs it keeps after its own
        ("before the power cycle", None, 0, ["power-cycle-pending"] * 3, [], 3, []),
        ("after the power cycle", power_cycle, 0, ["same-level"] * 3, [], 0, []),
        # Judged afresh: the settings bind hub 3's image to its old port,
        # whose mark is kept for the dock that left it.
        ("a hub moved to another port", move_hub3, 12,
         ["no-image", "power-cycle-pending", "power-cycle-pending"], [], 3, ["programmed"]),
    ]

    def test_a_written_hub_is_pending_until_its_power_cycle_and_never_written_twice(self):
        for name, between, status, outcomes, writes, pending, kept in self.AFTER_A_WRITE:
            with self.subTest(name):
                self.kit_ = self.kit()
                self.calls = os.path.join(self.kit_.root, "calls.log")
                self.env["TZ415SIM_LOG"] = self.calls
                first, report = self.launch()
                self.assertEqual((0, ["programmed"] * 3, 3),
                                 (first, [h["outcome"] for h in report["hubs"]],
                                  report["powerCyclePending"]))
                self.assertEqual(["Hub3", "Hub2", "Hub1"], self.writes())
                # Each hub the time of its own write, within the run.
                written = {tuple(hub[1:5]): hub[10] for hub in self.hub_lines()}
                self.assertTrue(all(report["started"] <= time <= report["ended"]
                                    for time in written.values()), written)
                if between:
                    between(self)
                second, report = self.launch()
                self.assertEqual((status, outcomes, writes, pending),
                                 (second, [h["outcome"] for h in report["hubs"]], self.writes(),
                                  report["powerCyclePending"]))
                self.assertEqual({"written": True}, report["record"])
                lines = self.record_lines()
                self.assertIn("status %d" % status, lines)
                self.assertIn("powerCyclePending %d" % pending, lines)
                hubs = self.hub_lines()
                self.assertEqual(outcomes + kept, [hub[7] for hub in hubs])
                if name == "after the power cycle":
                    self.assertEqual(["cleared"] * 3, [hub[8] for hub in hubs])
                # A hub that waits keeps its first write's time.
                for hub in hubs:
                    if hub[9] == "1":
                        self.assertEqual(written[tuple(hub[1:5])], hub[10])

    def test_a_detection_rule_reads_status_and_kit_in_the_64_bit_view_only(self):
        status, _ = self.launch()
        self.assertEqual(0, status)
        self.assertEqual("0 " + self.kit_identity(), reg_value("LastResult", "/reg:64"))
        self.assertEqual("Quillet record 1", self.record_lines()[0])
        # Not under WOW6432Node, where a rule on 64-bit Windows does not look.
        self.assertIsNone(reg_value("LastResult", "/reg:32"))

    def test_a_run_without_unattended_writes_no_record(self):
        for args in ([], ["--report", "r.json"], ["--log", "q.log"]):
            with self.subTest(args=args):
                _, out, _ = self.kit_.launch(args, env=self.env)
                self.assertIn(b"Updata FW => SUCCESS", out)
                self.assertIsNone(reg_value("LastResult", "/reg:64"))
                self.assertIsNone(reg_value("Record", "/reg:64"))
                self.kit_ = self.kit()

    def test_the_log_has_one_cmtrace_line_per_event_and_rolls_over(self):
        log = os.path.join(self.kit_.path, "q.log")
        older = os.path.join(self.kit_.path, "q.lo_")
        with open(log, "wb") as f:
            f.write(b"x" * (1024 * 1024 - 100))
        status, _ = self.launch(["--unattended", "--log", "q.log"])
        self.assertEqual(0, status)
        self.assertEqual(1024 * 1024 - 100, os.path.getsize(older))
        with open(log, "rb") as f:
            lines = f.read().decode("ascii").split("\r\n")
        self.assertEqual("", lines.pop())
        events = [LOG_LINE.match(line).groups() for line in lines]
        self.assertEqual([
            ("Quillet 2.9 started: --unattended --log q.log", "1"),
            ("Settings: read", "1"),
            ("Filter driver: registered", "1"),
            ("Hub 3 (3A17/0610, depth 2, port 4, firmware 0A20): programmed, image "
             ".\\Binfile\\PORT.BIN, library result 0", "1"),
            ("Hub 2 (3A17/0600, depth 1, port 2, firmware 9012): programmed, image "
             ".\\Binfile\\DOCK.BIN, library result 0", "1"),
            ("Hub 1 (3A17/0415, depth 0, port 1, firmware 9012): programmed, image "
             ".\\Binfile\\HUB415.BIN, library result 0", "1"),
            ("Status 0 (done), power cycle pending for 3 hub(s)", "1"),
        ], events)
        status, _ = self.launch(["--unattended", "--log", "q.log"])
        with open(log, "rb") as f:
            self.assertEqual(14, f.read().count(b"\r\n"))

    def test_a_lock_object_under_the_old_name_blocks_no_update(self):
        # Under Wine there are no private namespaces: the locks are the
        # named objects of the fallback, and holding that one must block.
        for name, status in (("Global\\Quillet.RunLock", 0),
                             ("Global\\Quillet.Unguarded.RunLock", 1618)):
            with self.subTest(name):
                holder = subprocess.Popen([WINE, HOLD_LOCK, name, "60"], env=wine_env(),
                                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                try:
                    self.assertEqual(b"held\r\n", holder.stdout.readline())
                    self.assertEqual(status, self.launch()[0])
                finally:
                    holder.kill()
                    holder.wait()
                time.sleep(0.5)
                self.kit_ = self.kit()
