"""Memory: valgrind's memcheck on real launches, and an allocation failure at every point of one."""
import os
import re
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree
from collections import Counter

from harness import (LAUNCHERS, PROGRAMS_DIR, WINDOWS, TreeTestCase, host_path, launcher_value,
                     run)

LAUNCHER = LAUNCHERS[0]
LABEL = launcher_value(LAUNCHER, "source_label")
VALGRIND = shutil.which("valgrind") or "/usr/bin/valgrind"
SANITIZED = os.environ.get("QN_SANITIZED") == "1"
# The routines whose allocations may outlive them; a leak is known by the ones on its stack.
KNOWN = {"main", "copy_string", "join_strings", "quote_arguments", "qn_setenv",
         "find_executable", "follow_links", "with_exe_suffix", "check_executable"}


def routine(frame_name):
    """'(anonymous namespace)::f(int) [clone .part.0]' -> 'f'"""
    name = re.sub(r"\(.*|\s*\[clone.*", "", frame_name or "")
    return name.split("::")[-1]


@unittest.skipIf(WINDOWS or SANITIZED, "valgrind checks the plain host build")
class MemcheckTest(TreeTestCase):
    def memcheck(self, exe, args, env=None):
        report = self.new_dir() / "memcheck.xml"
        command = [VALGRIND, "--leak-check=full", "--show-leak-kinds=all", "--track-origins=yes",
                   "--child-silent-after-fork=yes", "--xml=yes", "--xml-file=%s" % report,
                   str(exe)] + args
        environment = dict(os.environ, **(env or {}))
        done = subprocess.run(command, cwd=exe.parent, env=environment, capture_output=True,
                              timeout=120)
        errors, leaks = [], Counter()
        for error in ElementTree.parse(report).getroot().findall("error"):
            kind = error.findtext("kind")
            stack = [routine(f.findtext("fn")) for f in error.find("stack").findall("frame")]
            if not kind.startswith("Leak_"):
                errors.append((kind, stack))
            elif "alloc_or_die" in stack:
                chain = tuple(dict.fromkeys(name for name in stack if name in KNOWN))
                leaks[chain] += int(error.find("xwhat").findtext("leakedblocks"))
        return done, errors, leaks

    def make_tree(self, **kwargs):
        # The launcher linked with the shared C library, whose malloc valgrind replaces.
        return super().make_tree(image=PROGRAMS_DIR / "qn_shared_launcher", **kwargs)

    def test_traced_launch_keeps_only_what_lives_to_the_end(self):
        exe = self.make_tree()
        args = ["--qn-debug", "a b", "", 'q"', "plain", "--qn-debug"]
        done, errors, leaks = self.memcheck(exe, args, env={
            "PATH": "/nowhere;;%s" % exe.parent})
        self.assertEqual(done.returncode, 0, done.stderr[-500:])
        self.assertEqual(errors, [])
        # What main keeps until the process ends, and the strings the environment owns.
        self.assertEqual(dict(leaks), {
            ("copy_string", "main"): 1 + 4,  # program_name, the 4 arguments passed on
            ("main",): 2,  # newargz and its entry 0
            ("join_strings", "main"): 1,  # qn_argv_zero
            ("quote_arguments", "main"): 1 + 2,  # the quoted vector, the 2 rewritten strings
            ("copy_string", "quote_arguments", "main"): 1,  # the empty argument's ""
            ("qn_setenv", "main"): 4,  # BIN_SH, DUALCASE, PATH twice
        })

    def test_other_ends_of_a_run_are_clean(self):
        exe = self.make_tree()
        missing = self.make_tree(target=False)
        for name, launcher, args, status in (
                ("dump", exe, ["--qn-dump-script"], 0),
                ("unrecognized_option", exe, ["a", "--qn-nope"], 1),
                ("target_missing", missing, ["--qn-debug", "a"], 127)):
            with self.subTest(name):
                done, errors, _ = self.memcheck(launcher, args, env={"PATH": "/nowhere"})
                self.assertEqual((done.returncode, errors), (status, []), done.stderr[-500:])


@unittest.skipIf(WINDOWS, "the failing malloc is linked with GNU ld on the host")
class AllocationFailureTest(TreeTestCase):
    def test_every_allocation_of_a_traced_launch_may_fail(self):
        exe = self.make_tree(image=PROGRAMS_DIR / "qn_failing_malloc_launcher")
        report = self.new_dir() / "mallocs"
        args = [host_path(exe), "--qn-debug", "a b", "", 'q"', "c"]
        env = {"PATH": "/nowhere;;/also/nowhere;" + host_path(exe.parent), "QN_MALLOC_REPORT": str(report)}
        whole = run(exe, [exe.name] + args[1:], cwd=self.new_dir(), env=env)
        self.assertEqual(whole.status, 0, whole.stderr[-300:])
        calls = int(report.read_text())
        self.assertGreater(calls, 20)
        print("%d allocations in the traced launch, each failed once" % calls)
        exhausted = b"%s:%s:335: FATAL: memory exhausted.\n" % (exe.name.encode(), LABEL)
        for n in range(1, calls + 1):
            result = run(exe, [exe.name] + args[1:], cwd=self.new_dir(),
                         env=dict(env, QN_FAIL_MALLOC_AT=str(n)))
            self.assertEqual(result.stdout, b"", "call %d: the target must not start" % n)
            if n > calls - 2:
                # The last two are the host spawn's own, for the command line: the spawn fails
                # as msvcrt's does without memory, and the target is reported as not started.
                self.assertEqual(result.status, 127, "call %d" % n)
                self.assertTrue(result.stderr.endswith(b": Cannot allocate memory\n"), "call %d" % n)
                continue
            self.assertEqual(result.status, 1, "call %d" % n)
            self.assertEqual(result.stderr.count(b"FATAL"), 1, "call %d" % n)
            last = result.stderr.split(b"\n")[-2] + b"\n"
            if n == 1:  # program_name itself could not be copied
                self.assertEqual(last, b"quenlo-wrapper:%s:335: FATAL: memory exhausted.\n" % LABEL)
            else:
                self.assertEqual(last, exhausted, "call %d" % n)


if __name__ == "__main__":
    unittest.main()
