"""An interrupt is the target's: the launcher goes on waiting and returns the target's status.

Under Wine the interrupt is a Ctrl+C typed at the terminal that the runner, the launcher and the
target share, which Wine delivers to all three. Ctrl+Break cannot be typed there, and Wine 8
does not deliver one sent by program: GenerateConsoleCtrlEvent fails with error 12 without a
console and with error 6 on a terminal's console, and AllocConsole blocks without a display. The
launcher treats both events alike, so Ctrl+Break is covered only by reading the code.
"""
import os
import pty
import select
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import wine
from config import PROGRAMS_DIR, WINDOWS
from harness import SCRATCH, TreeTestCase, encode, host_path

LAUNCHER = "fyx-probe-plugins-3.0"


def _wait_for(path, deadline):
    while not path.exists():
        if time.monotonic() > deadline:
            raise TimeoutError("%s never appeared" % path)
        time.sleep(0.02)


def run_interrupted(program, argv, cwd, env, signal_number=signal.SIGINT, to_target_only=False,
                    ignore_interrupts=False, timeout=30):
    """Starts `program` as run() does and, once the test target has started (it writes the file
    that QN_READY names), interrupts it: on the host `signal_number` goes to the process group
    of the launcher and the target, or to the target alone; under Wine a Ctrl+C is typed at the
    console that they share. Returns the status and whether the launcher was still running a
    moment after the interrupt (None under Wine, where only the runner can be watched)."""
    with tempfile.TemporaryDirectory(dir=SCRATCH) as work:
        ready = Path(work) / "ready"
        env = dict(env, QN_READY=host_path(ready))
        deadline = time.monotonic() + timeout
        if WINDOWS:
            return _interrupt_windows(program, argv, cwd, env, Path(work), ready, deadline), None
        environment = dict(os.environb)
        environment.update({encode(k): encode(v) for k, v in env.items()})
        preexec = (lambda: signal.signal(signal.SIGINT, signal.SIG_IGN)) if ignore_interrupts else None
        launcher = subprocess.Popen([encode(a) for a in argv], executable=program, cwd=cwd,
                                    env=environment, stdout=subprocess.DEVNULL,
                                    start_new_session=True, preexec_fn=preexec)
        try:
            _wait_for(ready, deadline)
            if to_target_only:
                os.kill(int(ready.read_text()), signal_number)
            else:
                os.killpg(launcher.pid, signal_number)
            time.sleep(0.2)
            alive = launcher.poll() is None
            return launcher.wait(timeout=timeout), alive
        finally:
            if launcher.poll() is None:
                os.killpg(launcher.pid, signal.SIGKILL)


def _interrupt_windows(program, argv, cwd, env, work, ready, deadline):
    # Wine gives programs a console only on a terminal, and a Ctrl+C typed there reaches every
    # process of that console: the runner (which stays), the launcher and the target.
    request, result = work / "request", work / "result"
    wine.write_request(request, program, argv, cwd, env, (), None)
    child, terminal = pty.fork()
    if child == 0:
        command = wine.wine_command(PROGRAMS_DIR / "qn_runner.exe", wine.windows_path(request),
                                    wine.windows_path(result))
        os.execvpe(command[0], command, wine.wine_environment())
    interrupted = False
    try:
        while True:
            if not interrupted and ready.exists():
                os.write(terminal, b"\x03")
                interrupted = True
            readable, _, _ = select.select([terminal], [], [], 0.05)
            if readable:
                try:
                    if not os.read(terminal, 65536):
                        break
                except OSError:  # the terminal closes when the runner ends
                    break
            if time.monotonic() > deadline:
                raise TimeoutError("no end after the interrupt")
    finally:
        os.close(terminal)
        _, status = os.waitpid(child, 0)
    return wine.read_result(result, program, os.waitstatus_to_exitcode(status), b"")[0]


class InterruptTest(TreeTestCase):
    def interrupt(self, exe, mode, **kwargs):
        env = {"QN_INTERRUPT": mode, "QN_SLEEP_MS": "1500", "QN_EXIT": "5"}
        return run_interrupted(exe, [host_path(exe), "x"], cwd=exe.parent, env=env, **kwargs)

    def test_target_that_ends_on_the_interrupt(self):
        exe = self.make_tree(LAUNCHER)
        status, alive = self.interrupt(exe, "exit=7")
        self.assertEqual(status, 7)

    def test_target_that_ignores_the_interrupt_and_ends_later(self):
        exe = self.make_tree(LAUNCHER)
        status, alive = self.interrupt(exe, "ignore")
        self.assertEqual(status, 5)
        if not WINDOWS:
            self.assertTrue(alive, "the launcher ended while its target still ran")

    @unittest.skipIf(WINDOWS, "POSIX signals")
    def test_quit_signal_too(self):
        exe = self.make_tree(LAUNCHER)
        self.assertEqual(self.interrupt(exe, "exit=9", signal_number=signal.SIGQUIT)[0], 9)
        status, alive = self.interrupt(exe, "ignore", signal_number=signal.SIGQUIT)
        self.assertEqual((status, alive), (5, True))

    @unittest.skipIf(WINDOWS, "POSIX signals")
    def test_target_ended_by_a_signal(self):
        exe = self.make_tree(LAUNCHER)
        for number in (signal.SIGTERM, signal.SIGKILL):
            with self.subTest(signal=number):
                status, _ = self.interrupt(exe, "", signal_number=number, to_target_only=True)
                self.assertEqual(status, 128 + number)

    @unittest.skipIf(WINDOWS, "POSIX signal dispositions")
    def test_target_gets_the_launchers_own_disposition(self):
        # Ignored in the launcher only while it waits: a target started normally has the default,
        # one started from a launcher that was itself started ignoring SIGINT (nohup, "&") ignores it.
        exe = self.make_tree(LAUNCHER)
        result = self.launch(exe, [], env={"QN_INTERRUPT": "report"})
        self.assertIn(b"\ninterrupt default\n", result.stdout)
        status, _ = self.interrupt(exe, "", to_target_only=True, signal_number=signal.SIGINT,
                                   ignore_interrupts=True)
        self.assertEqual(status, 5)  # SIGINT to the target alone did nothing


if __name__ == "__main__":
    unittest.main()
