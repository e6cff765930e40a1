"""Memory: valgrind's memcheck on real launches, and an allocation failure at every point of one."""
import os
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from config import PROGRAMS_DIR, SANITIZED, WINDOWS
from harness import TreeTestCase, host_path, launcher_value, run

# The launcher whose builds with the shared C library tests/CMakeLists.txt makes for these tests.
LAUNCHER = "fyx-probe-plugins-3.0"
LABEL = launcher_value(LAUNCHER, "source_label")
VALGRIND = shutil.which("valgrind") or "/usr/bin/valgrind"


class Memcheck:
    """What valgrind's memcheck reports of one run: the errors that are not leaks, as (kind,
    stack) pairs, the number of blocks still allocated at exit, and the lost ones as a sorted
    list of (where they were allocated, how many)."""

    def __init__(self, done, report):
        self.done, self.errors, self.held, self.lost = done, [], 0, []
        for error in ElementTree.parse(report).getroot().findall("error"):
            kind = error.findtext("kind")
            stack = [f.findtext("fn") for f in error.find("stack").findall("frame")]
            if kind.startswith("Leak_"):
                blocks = int(error.find("xwhat").findtext("leakedblocks"))
                self.held += blocks
                if kind == "Leak_DefinitelyLost":
                    self.lost.append((tuple(stack), blocks))
            else:
                self.errors.append((kind, stack))
        self.lost.sort()


@unittest.skipIf(WINDOWS or SANITIZED, "valgrind checks the plain host build")
class MemcheckTest(TreeTestCase):
    def memcheck(self, exe, args, env=None):
        report = self.new_dir() / "memcheck.xml"
        command = [VALGRIND, "--leak-check=full", "--show-leak-kinds=all", "--track-origins=yes",
                   "--child-silent-after-fork=yes", "--xml=yes", "--xml-file=%s" % report,
                   exe.name] + args
        environment = dict(os.environ, **(env or {}))
        done = subprocess.run(command, cwd=exe.parent, env=environment, capture_output=True,
                              timeout=120)
        return Memcheck(done, report)

    def make_tree(self, launcher, **kwargs):
        # The launcher linked with the shared C library, whose malloc valgrind replaces.
        return super().make_tree(launcher, image=PROGRAMS_DIR / "qn_shared_launcher", **kwargs)

    def test_what_a_launch_keeps_does_not_grow_with_its_input(self):
        # A launcher keeps until it ends what it was built to keep: its vectors, the arguments'
        # copies, the strings handed to the environment. Once main has returned nothing points to
        # some of them, so valgrind counts those as lost: always the same ones. What the search
        # and the derivation allocate is freed, so PATH's entries add nothing, and the arguments
        # add a bounded number of blocks each, however they are quoted.
        exe = self.make_tree(LAUNCHER)

        def path(missing):
            # The launcher is started by its bare name, so it searches PATH: `missing` entries,
            # then an empty one, the current directory, where it lies. valgrind itself finds the
            # launcher by the entry after the ":", as it splits PATH at colons.
            return ";".join(["/nowhere/%d" % n for n in range(missing)] + ["", ":" + str(exe.parent)])

        def launch(args, missing=1):
            checked = self.memcheck(exe, ["--qn-debug"] + args, env={"PATH": path(missing)})
            self.assertEqual(checked.done.returncode, 0, checked.done.stderr[-500:])
            self.assertEqual(checked.errors, [])
            return checked

        base = launch(["x"])
        self.assertEqual(launch(["x"], missing=40).held, base.held, "PATH entries")
        for name, shape in (("plain", ["plain"]), ("quoted", ["a b", "", 'q"', "back\\slash"])):
            with self.subTest(name):
                some, more = (launch(["x"] + shape * n) for n in (2, 4))
                few, many = len(shape) * 2, len(shape) * 4
                self.assertEqual((some.lost, more.lost), (base.lost, base.lost))
                grown, grown_more = some.held - base.held, more.held - base.held
                # Linear at most: twice the arguments add no more than twice as much, and each
                # argument a few blocks (its copy, its quoted form).
                self.assertLessEqual(grown_more, 2 * grown)
                self.assertLessEqual(grown_more, 3 * many)
                self.assertGreaterEqual(grown, few)  # every argument is copied

    def test_other_ends_of_a_run_are_clean(self):
        exe = self.make_tree(LAUNCHER)
        missing = self.make_tree(LAUNCHER, target=False)
        for name, launcher, args, status in (
                ("dump", exe, ["--qn-dump-script"], 0),
                ("unrecognized_option", exe, ["a", "--qn-nope"], 1),
                ("target_missing", missing, ["--qn-debug", "a"], 127)):
            with self.subTest(name):
                checked = self.memcheck(launcher, args, env={"PATH": ";:" + str(launcher.parent)})
                self.assertEqual((checked.done.returncode, checked.errors), (status, []),
                                 checked.done.stderr[-500:])


@unittest.skipIf(WINDOWS, "the failing malloc is linked with GNU ld on the host")
class AllocationFailureTest(TreeTestCase):
    def test_every_allocation_of_a_traced_launch_may_fail(self):
        exe = self.make_tree(LAUNCHER, image=PROGRAMS_DIR / "qn_failing_malloc_launcher")
        report = self.new_dir() / "mallocs"
        args = [host_path(exe), "--qn-debug", "a b", "", 'q"', "c"]
        env = {"PATH": "/nowhere;;/also/nowhere;" + host_path(exe.parent), "QN_MALLOC_REPORT": str(report)}
        whole = run(exe, [exe.name] + args[1:], cwd=self.new_dir(), env=env)
        self.assertEqual(whole.status, 0, whole.stderr[-300:])
        calls = int(report.read_text())
        self.assertGreater(calls, 20)
        print("%d allocations in the traced launch, each failed once" % calls)
        exhausted = b"%s:%s:335: FATAL: memory exhausted.\n" % (exe.name.encode(), LABEL)
        outcomes = set()
        for n in range(1, calls + 1):
            result = run(exe, [exe.name] + args[1:], cwd=self.new_dir(),
                         env=dict(env, QN_FAIL_MALLOC_AT=str(n)))
            self.assertEqual(result.stdout, b"", "call %d: the target must not start" % n)
            outcomes.add(result.status)
            if result.status == 127:
                # An allocation of the spawn itself: it fails as msvcrt's does without memory,
                # and the target is reported as not started.
                self.assertTrue(result.stderr.endswith(b": Cannot allocate memory\n"), "call %d" % n)
                continue
            self.assertEqual(result.status, 1, "call %d" % n)
            self.assertEqual(result.stderr.count(b"FATAL"), 1, "call %d" % n)
            last = result.stderr.split(b"\n")[-2] + b"\n"
            if n == 1:  # program_name itself could not be copied
                self.assertEqual(last, b"quenlo-wrapper:%s:335: FATAL: memory exhausted.\n" % LABEL)
            else:
                self.assertEqual(last, exhausted, "call %d" % n)
        self.assertIn(1, outcomes)


if __name__ == "__main__":
    unittest.main()
