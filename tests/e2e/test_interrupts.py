"""An interrupt is the target's: the launcher goes on waiting and returns the target's status.

Under Wine the interrupt is a Ctrl+C typed at the terminal that the runner, the launcher and the
target share, which Wine delivers to all three. Ctrl+Break cannot be typed there, and Wine 8
does not deliver one sent by program: GenerateConsoleCtrlEvent fails with error 12 without a
console and with error 6 on a terminal's console, and AllocConsole blocks without a display. The
launcher treats both events alike, so Ctrl+Break is covered only by reading the code.
"""
import signal
import unittest

from harness import WINDOWS, TreeTestCase, host_path, run_interrupted


class InterruptTest(TreeTestCase):
    def interrupt(self, exe, mode, **kwargs):
        env = {"QN_INTERRUPT": mode, "QN_SLEEP_MS": "1500", "QN_EXIT": "5"}
        return run_interrupted(exe, [host_path(exe), "x"], cwd=exe.parent, env=env, **kwargs)

    def test_target_that_ends_on_the_interrupt(self):
        exe = self.make_tree()
        status, alive = self.interrupt(exe, "exit=7")
        self.assertEqual(status, 7)

    def test_target_that_ignores_the_interrupt_and_ends_later(self):
        exe = self.make_tree()
        status, alive = self.interrupt(exe, "ignore")
        self.assertEqual(status, 5)
        if not WINDOWS:
            self.assertTrue(alive, "the launcher ended while its target still ran")

    @unittest.skipIf(WINDOWS, "POSIX signals")
    def test_quit_signal_too(self):
        exe = self.make_tree()
        self.assertEqual(self.interrupt(exe, "exit=9", signal_number=signal.SIGQUIT)[0], 9)
        status, alive = self.interrupt(exe, "ignore", signal_number=signal.SIGQUIT)
        self.assertEqual((status, alive), (5, True))

    @unittest.skipIf(WINDOWS, "POSIX signals")
    def test_target_ended_by_a_signal(self):
        exe = self.make_tree()
        for number in (signal.SIGTERM, signal.SIGKILL):
            with self.subTest(signal=number):
                status, _ = self.interrupt(exe, "", signal_number=number, to_target_only=True)
                self.assertEqual(status, 128 + number)

    @unittest.skipIf(WINDOWS, "POSIX signal dispositions")
    def test_target_gets_the_launchers_own_disposition(self):
        # Ignored in the launcher only while it waits: a target started normally has the default,
        # one started from a launcher that was itself started ignoring SIGINT (nohup, "&") ignores it.
        exe = self.make_tree()
        result = self.launch(exe, [], env={"QN_INTERRUPT": "report"})
        self.assertIn(b"\ninterrupt default\n", result.stdout)
        status, _ = self.interrupt(exe, "", to_target_only=True, signal_number=signal.SIGINT,
                                   ignore_interrupts=True)
        self.assertEqual(status, 5)  # SIGINT to the target alone did nothing


if __name__ == "__main__":
    unittest.main()
