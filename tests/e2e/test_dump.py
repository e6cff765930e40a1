"""--qn-dump-script: the launcher writes its wrapper script, byte for byte, and nothing else."""
import unittest

from config import DELIVERABLES, EXE
from harness import NEWLINE, TreeTestCase, launcher_value, run, script_text

LAUNCHER = "fyx-probe-plugins-3.0"


class DumpTest(TreeTestCase):
    def assert_dumped(self, result, launcher):
        self.assertEqual((result.status, result.stderr), (0, b""))
        self.assertEqual(result.stdout, script_text(launcher))
        self.assertNotIn(b"\r", result.stdout)

    def test_each_launcher_dumps_its_own_script(self):
        for launcher in DELIVERABLES:
            with self.subTest(launcher):
                self.assert_dumped(self.launch(self.make_tree(launcher), ["--qn-dump-script"]),
                                   launcher)
        self.assertNotEqual(script_text(LAUNCHER), script_text("fyx-rebuild-index"))

    def test_what_may_stand_around_the_option(self):
        exe = self.make_tree(LAUNCHER)
        for args in (["--qn-debug", "--qn-dump-script"],
                     ["a", "--qn-debug", "b", "--qn-dump-script", "c"],
                     ["--qn-dump-script", "--qn-unknown"],
                     ["--qn-dump-script", "--qn-dump-script", "--qn-debug"]):
            with self.subTest(args=args):
                self.assert_dumped(self.launch(exe, args), LAUNCHER)

    def test_unrecognized_option_before_it_is_fatal(self):
        exe = self.make_tree(LAUNCHER)
        result = self.launch(exe, ["--qn-unknown", "--qn-dump-script"])
        self.assertEqual((result.status, result.stdout), (1, b""))
        self.assertEqual(result.stderr,
                         b"%s:%s:220: FATAL: unrecognized --qn- option: '--qn-unknown'.%s"
                         % (exe.name.encode(), launcher_value(LAUNCHER, "source_label"),
                            NEWLINE))

    def test_look_alikes_are_not_the_option(self):
        exe = self.make_tree(LAUNCHER)
        result = self.launch(exe, ["--qn-dump-scripts"])
        self.assertEqual((result.status, result.stdout), (1, b""))  # an unknown --qn- option
        result = self.launch(exe, ["--QN-DUMP-SCRIPT", "x--qn-dump-script"])
        self.assertEqual(result.status, 0)
        self.assertEqual(result.received().argv[1:], [b"--QN-DUMP-SCRIPT", b"x--qn-dump-script"])

    def test_consults_neither_files_nor_environment(self):
        # No target, a name that finds nothing, an empty PATH: the dump needs none of them.
        exe = self.make_tree(LAUNCHER, target=False)
        elsewhere = self.new_dir()
        result = run(exe, ["nothere" + EXE, "--qn-dump-script"], cwd=elsewhere, env={"PATH": ""})
        self.assert_dumped(result, LAUNCHER)


if __name__ == "__main__":
    unittest.main()
