"""What lives how long: a launcher that is killed takes its target with it, and what the target
starts and leaves running stays, under Wine, with and without a caller's job of its own."""
import unittest

from config import WINDOWS
from harness import TreeTestCase

LAUNCHER = "fyx-rebuild-index"
# How long a killed launcher's target may take to go.
GONE_WITHIN_MS = 2000
CALLER_JOB = {"caller-job": "kill-on-close"}
# The launcher started by the runner alone, and inside a kill-on-close job of the runner's.
CALLERS = (("alone", {}), ("in_a_callers_job", CALLER_JOB))


@unittest.skipUnless(WINDOWS, "the job objects of Windows")
class LifetimeTest(TreeTestCase):
    def test_killed_launcher_takes_its_target(self):
        # The target sleeps far longer than the test waits; the runner ends the launcher with
        # TerminateProcess once the target has written its id, then waits for the target.
        for name, caller in CALLERS:
            with self.subTest(name):
                exe = self.make_tree(LAUNCHER)
                ready = self.new_dir() / "target"
                result = self.launch(exe, ["x"], env={"QN_READY": ready, "QN_SLEEP_MS": "20000"},
                                     runner=dict(caller, watch=ready, kill="ready",
                                                 **{"watch-ms": GONE_WITHIN_MS}))
                self.assertEqual((result.status, result.watched), (1, "ended"), result)

    def test_what_the_target_leaves_running_stays(self):
        # The target starts a copy of itself that sleeps 10 s and exits at once; a second after
        # the launcher has returned the target's status, the copy still runs.
        for name, caller in CALLERS:
            with self.subTest(name):
                exe = self.make_tree(LAUNCHER)
                ready = self.new_dir() / "child"
                result = self.launch(exe, ["x"], env={"QN_START_CHILD": ready, "QN_EXIT": "4"},
                                     runner=dict(caller, watch=ready, **{"watch-ms": 1000}))
                self.assertEqual((result.status, result.watched), (4, "alive"), result)
                self.assertEqual(result.received().argv[1:], [b"x"])

    def test_status_in_a_callers_job(self):
        exe = self.make_tree(LAUNCHER)
        for status in (0, 3, 0xC0000135, 0xFFFFFFFF):
            with self.subTest(status=status):
                result = self.launch(exe, ["--qn-debug", "x"], env={"QN_EXIT": str(status)},
                                     runner=CALLER_JOB)
                self.assertEqual(result.status, status, result)
                self.assertEqual(result.received().argv[1:], [b"x"])
                self.assertNotIn(b":322: ", result.stderr)


if __name__ == "__main__":
    unittest.main()
