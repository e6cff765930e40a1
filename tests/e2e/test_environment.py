"""The environment the target inherits: BIN_SH, DUALCASE and the directory lists before PATH."""
import shutil
import unittest
from pathlib import Path

from config import DELIVERABLES, EXE, PROGRAMS_DIR, WINDOWS, WINEPREFIX
from harness import (NEWLINE, TreeTestCase, host_path, launcher_exe, launcher_value, run,
                     target_file, trace)

LAUNCHER = "fyx-probe-plugins-3.0"
OTHER_LAUNCHER = "fyx-rebuild-index"

SHOWN = "PATH,BIN_SH,DUALCASE"


class EnvironmentTest(TreeTestCase):
    def start(self, exe, args=(), cwd=None, env=None, unset=()):
        env = dict(env or {}, QN_SHOW=SHOWN)
        result = self.launch(exe, args, cwd=cwd, env=env, unset=unset)
        self.assertEqual(result.status, 0, result)
        return result

    def test_path_by_the_callers_path(self):
        for launcher in DELIVERABLES:
            library = launcher_value(launcher, "library_dirs")
            program = launcher_value(launcher, "program_dirs")
            exe = self.make_tree(launcher)
            caller = b"C:\\windows;D:\\tools" if WINDOWS else b"/usr/bin;/bin"
            rows = [
                ("unset", None, library + program[:-1]),
                ("empty", b"", library + program[:-1]),
                ("no_trailing_separator", caller, library + program + caller),
                ("one_trailing_separator", caller + b";", library + program + caller),
                ("several_trailing_separators", caller + b";;;", library + program + caller),
                ("only_separator", b";", library + program[:-1]),
                ("only_separators", b";;;", library + program[:-1]),
                ("inner_empty_entries_kept", b";a;;b;", library + program + b";a;;b"),
            ]
            for name, before, after in rows:
                with self.subTest(launcher=launcher, row=name):
                    env, unset = ({"PATH": before}, ()) if before is not None else ({}, ("PATH",))
                    received = self.start(exe, ["x"], env=env, unset=unset).received()
                    self.assertEqual(received.env["PATH"], after)
                    self.assertFalse(received.env["PATH"].endswith(b";"))

    def test_shell_mode_variables_are_forced(self):
        exe = self.make_tree(LAUNCHER)
        for before in ({"BIN_SH": "ksh", "DUALCASE": "0"}, {"BIN_SH": "", "DUALCASE": "yes"}, {}):
            with self.subTest(before=before):
                unset = () if before else ("BIN_SH", "DUALCASE")
                received = self.start(exe, env=before, unset=unset).received()
                self.assertEqual(received.env["BIN_SH"], b"xpg4")
                self.assertEqual(received.env["DUALCASE"], b"1")

    def test_six_trace_lines_between_target_name_and_qn_argv_zero(self):
        launcher = OTHER_LAUNCHER
        exe = self.make_tree(launcher)
        library = launcher_value(launcher, "library_dirs").decode()
        program = launcher_value(launcher, "program_dirs").decode()
        caller = "C:\\windows;" if WINDOWS else "/usr/bin;"
        result = self.start(exe, ["--qn-debug"], env={"PATH": caller})
        lines = result.stderr.split(NEWLINE)
        begin = next(i for i, line in enumerate(lines) if b":265: " in line) + 1
        end = next(i for i, line in enumerate(lines) if b":308: " in line)
        expected = trace(exe.name, launcher_value(launcher, "source_label"), [
            (637, "(qn_setenv) setting 'BIN_SH' to 'xpg4'"),
            (637, "(qn_setenv) setting 'DUALCASE' to '1'"),
            (687, "(qn_update_exe_path) modifying 'PATH' by prepending '%s'" % program),
            (637, "(qn_setenv) setting 'PATH' to '%s%s'" % (program, caller[:-1])),
            (708, "(qn_update_lib_path) modifying 'PATH' by prepending '%s'" % library),
            (637, "(qn_setenv) setting 'PATH' to '%s%s%s'" % (library, program, caller[:-1])),
        ])
        self.assertEqual(lines[begin:end], expected.split(NEWLINE)[:-1])
        without_trace = self.start(exe, env={"PATH": caller})
        self.assertEqual(without_trace.stderr, b"")

    def test_nested_launchers_grow_path_by_both_lists_each(self):
        """A launcher whose target is another launcher: nothing is de-duplicated."""
        outer, inner = OTHER_LAUNCHER, LAUNCHER
        exe = self.make_tree(outer, target=False)
        libs = exe.parent / ".libs"
        libs.mkdir()
        # The inner launcher takes the outer one's target name, and so finds itself by the argv[0]
        # that the outer one passes; its own target lies one .libs further down.
        shutil.copy(launcher_exe(inner), libs / target_file(outer))
        (libs / ".libs").mkdir()
        shutil.copy(PROGRAMS_DIR / ("qn_test_target" + EXE), libs / ".libs" / target_file(inner))
        caller = b"C:\\windows" if WINDOWS else b"/usr/bin"
        received = self.start(exe, ["deep"], env={"PATH": caller}).received()
        self.assertEqual(received.argv[1:], [b"deep"])
        self.assertEqual(received.env["PATH"],
                         launcher_value(inner, "library_dirs") + launcher_value(inner, "program_dirs")
                         + launcher_value(outer, "library_dirs") + launcher_value(outer, "program_dirs")
                         + caller)


@unittest.skipUnless(WINDOWS, "the DLL search through PATH is the Windows loader's")
class LibraryDirectoryTest(TreeTestCase):
    """The point of library_dirs: the target finds a DLL that lies only in such a directory."""

    def test_target_finds_its_dll_only_through_the_launcher(self):
        launcher = "qn-test-dll-user"
        self.assertEqual(launcher_value(launcher, "library_dirs"), b"/qn-dll-fixture/lib;")
        # A drive-less directory resolves on the current drive: put the DLL on C: and work there.
        fixture = Path(WINEPREFIX) / "drive_c" / "qn-dll-fixture" / "lib"
        fixture.mkdir(parents=True, exist_ok=True)
        self.addCleanup(shutil.rmtree, fixture.parent, True)
        shutil.copy(PROGRAMS_DIR / "qn_fixture.dll", fixture / "qn_fixture.dll")
        exe = self.make_tree(launcher, target="qn_dll_user")

        target = exe.parent / ".libs" / target_file(launcher)
        direct = run(target, [host_path(target)], cwd="C:\\", env={"PATH": "C:\\windows"})
        self.assertEqual(direct.status, 0xC0000135, direct)  # STATUS_DLL_NOT_FOUND
        self.assertEqual(direct.stdout, b"")

        launched = self.launch(exe, [], cwd="C:\\", env={"PATH": "C:\\windows"})
        self.assertEqual((launched.status, launched.stdout), (0, b"qn_fixture_value 4711\r\n"),
                         launched)


if __name__ == "__main__":
    unittest.main()
