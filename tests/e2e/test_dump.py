"""--qn-dump-script: the launcher writes its wrapper script, byte for byte, and nothing else."""
import unittest

from harness import BUILD_DIR, EXE, LAUNCHERS, NEWLINE, TreeTestCase, launcher_value, run


def script_text(launcher):
    return (BUILD_DIR / "generated" / launcher / "wrapper-script.sh").read_bytes()


class DumpTest(TreeTestCase):
    def assert_dumped(self, result, launcher):
        self.assertEqual((result.status, result.stderr), (0, b""))
        self.assertEqual(result.stdout, script_text(launcher))
        self.assertNotIn(b"\r", result.stdout)

    def test_each_launcher_dumps_its_own_script(self):
        for launcher in LAUNCHERS:
            with self.subTest(launcher):
                self.assert_dumped(self.launch(self.make_tree(launcher), ["--qn-dump-script"]),
                                   launcher)
        self.assertNotEqual(script_text(LAUNCHERS[0]), script_text(LAUNCHERS[1]))

    def test_what_may_stand_around_the_option(self):
        exe = self.make_tree()
        for args in (["--qn-debug", "--qn-dump-script"],
                     ["a", "--qn-debug", "b", "--qn-dump-script", "c"],
                     ["--qn-dump-script", "--qn-unknown"],
                     ["--qn-dump-script", "--qn-dump-script", "--qn-debug"]):
            with self.subTest(args=args):
                self.assert_dumped(self.launch(exe, args), LAUNCHERS[0])

    def test_unrecognized_option_before_it_is_fatal(self):
        exe = self.make_tree()
        result = self.launch(exe, ["--qn-unknown", "--qn-dump-script"])
        self.assertEqual((result.status, result.stdout), (1, b""))
        self.assertEqual(result.stderr,
                         b"%s:%s:220: FATAL: unrecognized --qn- option: '--qn-unknown'.%s"
                         % (exe.name.encode(), launcher_value(LAUNCHERS[0], "source_label"),
                            NEWLINE))

    def test_look_alikes_are_not_the_option(self):
        exe = self.make_tree()
        result = self.launch(exe, ["--qn-dump-scripts"])
        self.assertEqual((result.status, result.stdout), (1, b""))  # an unknown --qn- option
        result = self.launch(exe, ["--QN-DUMP-SCRIPT", "x--qn-dump-script"])
        self.assertEqual(result.status, 0)
        self.assertEqual(result.received().argv[1:], [b"--QN-DUMP-SCRIPT", b"x--qn-dump-script"])

    def test_consults_neither_files_nor_environment(self):
        # No target, a name that finds nothing, an empty PATH: the dump needs none of them.
        exe = self.make_tree(target=False)
        elsewhere = self.new_dir()
        result = run(exe, ["nothere" + EXE, "--qn-dump-script"], cwd=elsewhere, env={"PATH": ""})
        self.assert_dumped(result, LAUNCHERS[0])


if __name__ == "__main__":
    unittest.main()
