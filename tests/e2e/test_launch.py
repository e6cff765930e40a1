"""The launch: finding the launcher, deriving the target, exit statuses, options and the trace."""
import subprocess
import unittest

from config import BUILD_DIR, DELIVERABLES, EXE, STRIP, VERSION, WINDOWS
from harness import (NEWLINE, SCRATCH, TreeTestCase, encode, host_path, launcher_value, narrow,
                     trace)

LAUNCHER = "fyx-probe-plugins-3.0"
LABEL = launcher_value(LAUNCHER, "source_label")
TARGET_FILE = launcher_value(LAUNCHER, "target_program_file").decode()
BANNER = "quenlo wrapper (ZUT quenlo) %s" % VERSION
SEP = "\\" if WINDOWS else "/"


def base_name(exe):
    """The launcher's file name less the platform's ".exe"."""
    return exe.name[:len(exe.name) - len(EXE)]


def slashes(path):
    return path.replace("\\", "/")


class LaunchTest(TreeTestCase):
    def assert_started(self, result, entry0, args):
        self.assertEqual(result.received().argv, [narrow(entry0)] + [narrow(a) for a in args],
                         result)

    def test_exit_status_passes_through(self):
        exe = self.make_tree(LAUNCHER)
        statuses = [0, 1, 3, 126, 255]
        if WINDOWS:
            # The full 32-bit code survives, also above 2^31 (an NTSTATUS as a crash leaves it).
            statuses += [256, 0x12345678, 0xC0000135]
        for status in statuses:
            with self.subTest(status=status):
                result = self.launch(exe, ["x"], env={"QN_EXIT": str(status)})
                self.assertEqual(result.status, status, result)
                self.assertEqual(result.stderr, b"")

    @unittest.skipUnless(WINDOWS, "only a Windows exit code can be 0xFFFFFFFF")
    def test_exit_code_minus_one_passes_through(self):
        # The spawn gives -1 for this exit code as for a failed start, but leaves errno alone.
        exe = self.make_tree(LAUNCHER)
        for args in ([], ["--qn-debug"]):
            with self.subTest(args=args):
                result = self.launch(exe, args, env={"QN_EXIT": str(0xFFFFFFFF)})
                self.assertEqual(result.status, 0xFFFFFFFF)
                self.assertEqual(result.received().argv[1:], [])
                self.assertNotIn(b":322: ", result.stderr)

    def test_missing_target_gives_127(self):
        exe = self.make_tree(LAUNCHER, target=False)
        result = self.launch(exe, ["a"])
        self.assertEqual((result.status, result.stdout, result.stderr), (127, b"", b""))
        result = self.launch(exe, ["--qn-debug", "a"])
        self.assertEqual(result.status, 127)
        qn_argv_zero = slashes(host_path(exe.parent / ".libs" / TARGET_FILE))
        last = result.stderr.split(NEWLINE)[-2]
        self.assertEqual(last, b'%s:%s:322: (main) failed to launch target "%s": '
                               b'No such file or directory' % (exe.name.encode(), LABEL,
                                                               encode(qn_argv_zero)))

    def test_target_that_cannot_be_executed_gives_127(self):
        exe = self.make_tree(LAUNCHER, target=False)
        (exe.parent / ".libs").mkdir()
        target = exe.parent / ".libs" / TARGET_FILE
        target.write_bytes(b"not a program\n")
        target.chmod(0o755)
        self.assertEqual(self.launch(exe, []).status, 127)

    def test_unrecognized_options_are_fatal(self):
        exe = self.make_tree(LAUNCHER)
        for option in ["--qn-", "--qn-Debug", "--qn-debugx", "--qn-dump", "--qn-debug=1", "--qn-debug "]:
            for args in ([option], ["--qn-debug", "a", option, "b"]):
                with self.subTest(args=args):
                    result = self.launch(exe, args)
                    self.assertEqual(result.status, 1)
                    self.assertEqual(result.stdout, b"")  # the target never started
                    self.assertEqual(result.stderr,
                                     b"%s:%s:220: FATAL: unrecognized --qn- option: '%s'.%s"
                                     % (exe.name.encode(), LABEL, option.encode(), NEWLINE))

    def test_look_alike_options_reach_the_target(self):
        exe = self.make_tree(LAUNCHER)
        args = ["x--qn-debug", "--QN-DEBUG", "-qn-debug", "--qn", " --qn-debug"]
        result = self.launch(exe, args)
        self.assertEqual(result.status, 0)
        self.assertEqual(result.stderr, b"")
        self.assertEqual(result.received().argv[1:], [a.encode() for a in args])

    def test_whole_debug_trace(self):
        exe = self.make_tree(LAUNCHER)
        argv0 = host_path(exe)
        directory = argv0[:-len(exe.name)]
        caller_path = "C:\\windows;C:\\tools" if WINDOWS else "/usr/bin;/bin"
        result = self.launch(exe, ["--qn-debug", "one", "two"], argv0=argv0,
                             env={"PATH": caller_path})
        entry0 = slashes(directory) + ".libs/" + exe.name + ("" if WINDOWS else ".exe")
        qn_argv_zero = slashes(directory) + ".libs/" + TARGET_FILE
        library_dirs = launcher_value(LAUNCHER, "library_dirs").decode()
        program_dirs = launcher_value(LAUNCHER, "program_dirs").decode()
        expected = trace(exe.name, LABEL, [
            (230, BANNER),
            (231, "(main) argv[0]: " + argv0),
            (232, "(main) program_name: " + exe.name),
            (414, "(find_executable): " + argv0),
            (369, "(check_executable): " + argv0),
            (237, "(main) found exe (before symlink chase) at: " + argv0),
            (242, "(main) found exe (after symlink chase) at: " + argv0),
            (265, "(main) quenlo target name: " + TARGET_FILE),
            (637, "(qn_setenv) setting 'BIN_SH' to 'xpg4'"),
            (637, "(qn_setenv) setting 'DUALCASE' to '1'"),
            (687, "(qn_update_exe_path) modifying 'PATH' by prepending '%s'" % program_dirs),
            (637, "(qn_setenv) setting 'PATH' to '%s%s'" % (program_dirs, caller_path)),
            (708, "(qn_update_lib_path) modifying 'PATH' by prepending '%s'" % library_dirs),
            (637, "(qn_setenv) setting 'PATH' to '%s%s%s'" % (library_dirs, program_dirs,
                                                               caller_path)),
            (308, "(main) qn_argv_zero: " + qn_argv_zero),
            (312, "(main) newargz[0]: " + entry0),
            (312, "(main) newargz[1]: one"),
            (312, "(main) newargz[2]: two"),
        ])
        self.assertEqual(result.stderr.split(NEWLINE), expected.split(NEWLINE))
        self.assertEqual(result.status, 0)
        self.assert_started(result, entry0, ["one", "two"])

    def test_debug_option_anywhere_and_repeated(self):
        exe = self.make_tree(LAUNCHER)
        first = self.launch(exe, ["--qn-debug", "a", "b", "c"])
        scattered = self.launch(exe, ["a", "--qn-debug", "b", "--qn-debug", "c", "--qn-debug"])
        self.assertEqual(scattered.stderr, first.stderr)
        self.assertEqual(scattered.received().argv, first.received().argv)
        self.assertEqual(first.received().argv[1:], [b"a", b"b", b"c"])

    def test_no_arguments(self):
        exe = self.make_tree(LAUNCHER)
        result = self.launch(exe, [])
        self.assertEqual(len(result.received().argv), 1)
        result = self.launch(exe, ["--qn-debug"])
        self.assertEqual(len(result.received().argv), 1)
        self.assertEqual(result.stderr.count(b":312: "), 1)

    def test_argv0_forms(self):
        """The same launcher started under each form of argv[0] finds itself."""
        exe = self.make_tree(LAUNCHER)
        bin_dir = exe.parent
        root = bin_dir.parent
        elsewhere = self.new_dir()
        system = "C:\\windows\\system32" if WINDOWS else "/usr/bin"
        full = host_path(exe)
        cases = [
            # name, argv[0], working directory, PATH (None: unset), the path found
            ("absolute", full, elsewhere, system, full),
            ("relative_with_slash", "bin/" + exe.name, root, system,
             host_path(root) + "/bin/" + exe.name),
            ("bare_through_path", exe.name, elsewhere, system + ";" + host_path(bin_dir), None),
            ("bare_in_current_directory", exe.name, bin_dir, system, None),
            ("bare_with_path_unset", exe.name, bin_dir, None, None),
            ("bare_after_leading_empty_entry", exe.name, bin_dir, ";" + system, None),
        ]
        if WINDOWS:
            drive_less = full[2:]
            cases += [
                ("drive_absolute_forward_slashes", slashes(full), elsewhere, system, slashes(full)),
                ("root_absolute_on_current_drive", drive_less, elsewhere, system, drive_less),
                # No "/": the name goes through PATH, then the current directory as it is.
                ("relative_with_backslash", "bin\\" + exe.name, root, system,
                 host_path(root) + "/bin\\" + exe.name),
                # As typed at a cmd.exe prompt: no ".exe" in argv[0].
                ("bare_without_exe_through_path", base_name(exe), elsewhere, host_path(bin_dir),
                 host_path(bin_dir) + "/" + exe.name),
                ("bare_without_exe_in_current_directory", base_name(exe), bin_dir, system,
                 host_path(bin_dir) + "/" + exe.name),
                ("absolute_without_exe", full[:-4], elsewhere, system, full),
            ]
        for name, argv0, cwd, path, found in cases:
            with self.subTest(name):
                found = found or host_path(bin_dir) + "/" + exe.name
                env, unset = ({"PATH": path}, ()) if path is not None else ({}, ("PATH",))
                result = self.launch(exe, ["--qn-debug", "arg"], cwd=cwd, argv0=argv0, env=env,
                                     unset=unset)
                self.assertEqual(result.status, 0, result)
                self.assertIn(b":237: (main) found exe (before symlink chase) at: %s%s"
                              % (encode(found), NEWLINE), result.stderr)
                directory = slashes(found[:len(found) - len(exe.name)])
                self.assert_started(result, directory + ".libs/" + base_name(exe) + ".exe", ["arg"])

    def test_directory_named_like_the_launcher_is_passed_over(self):
        # msvcrt gives a directory execute bits; one named like the launcher, with or without
        # ".exe", must not end the search, or the launcher would look for its target beside it.
        exe = self.make_tree(LAUNCHER)
        bin_dir, base = exe.parent, base_name(exe)
        system = "C:\\windows\\system32" if WINDOWS else "/usr/bin"
        rows = [
            # name, argv[0], name of the directory, where it lies, working directory, PATH
            ("earlier_path_entry", base, base, "decoy", "elsewhere", "%D;%B"),
            ("earlier_path_entry_suffixed", base, base + ".exe", "decoy", "elsewhere", "%D;%B"),
            ("current_directory_first", base, base + ".exe", "decoy", "decoy", ";%B"),
        ]
        if WINDOWS:
            rows += [
                ("earlier_path_entry_started_with_suffix", exe.name, exe.name, "decoy",
                 "elsewhere", "%D;%B"),
                # cmd.exe passes argv[0] without ".exe": the plain name is tried first.
                ("beside_the_launcher", base, base, "bin", "bin", system),
            ]
        for name, argv0, directory_name, where, cwd, path in rows:
            with self.subTest(name):
                places = {"decoy": self.new_dir(), "elsewhere": self.new_dir(), "bin": bin_dir}
                decoy = places[where] / directory_name
                decoy.mkdir()
                self.addCleanup(decoy.rmdir)
                path = path.replace("%D", host_path(places["decoy"])).replace("%B", host_path(bin_dir))
                result = self.launch(exe, ["--qn-debug", "a"], cwd=places[cwd], argv0=argv0,
                                     env={"PATH": path})
                self.assertEqual(result.status, 0, result)
                self.assertIn(b":369: (check_executable): %s%s"
                              % (encode(host_path(places[where]) + "/" + directory_name), NEWLINE),
                              result.stderr)
                self.assertIn(b":237: (main) found exe (before symlink chase) at: %s%s"
                              % (encode(host_path(bin_dir) + "/" + exe.name), NEWLINE), result.stderr)
                self.assert_started(result, slashes(host_path(bin_dir)) + "/.libs/" + base + ".exe",
                                    ["a"])

    def test_launcher_that_cannot_find_itself(self):
        exe = self.make_tree(LAUNCHER)
        elsewhere = self.new_dir()
        result = self.launch(exe, ["--qn-debug", "a"], cwd=elsewhere, argv0="nothere" + EXE,
                             env={"PATH": host_path(elsewhere)})
        self.assertEqual(result.status, 1)
        self.assertEqual(result.stdout, b"")
        self.assertTrue(result.stderr.endswith(
            b"nothere%s:%s:236: FATAL: couldn't find nothere%s.%s"
            % (EXE.encode(), LABEL, EXE.encode(), NEWLINE)), result.stderr)

    def test_copied_launcher_passes_its_own_name(self):
        exe = self.make_tree(LAUNCHER, name="renamed-tool")
        result = self.launch(exe, ["--qn-debug", "a"])
        self.assertEqual(result.status, 0)
        directory = slashes(host_path(exe.parent)) + "/.libs/"
        self.assert_started(result, directory + "renamed-tool.exe", ["a"])
        self.assertIn(b"renamed-tool%s:%s:308: (main) qn_argv_zero: %s%s%s"
                      % (EXE.encode(), LABEL, encode(directory), TARGET_FILE.encode(), NEWLINE),
                      result.stderr)

    def test_each_launcher_starts_its_own_target(self):
        for launcher in DELIVERABLES:
            with self.subTest(launcher):
                exe = self.make_tree(launcher)
                target = launcher_value(launcher, "target_program_file").decode()
                result = self.launch(exe, ["--qn-debug"])
                self.assertEqual(result.status, 0)
                self.assertIn(b":%s:265: (main) quenlo target name: %s%s"
                              % (launcher_value(launcher, "source_label"), target.encode(), NEWLINE),
                              result.stderr)


class ImageTest(TreeTestCase):
    def test_marker_stays_in_the_image_even_stripped(self):
        for launcher in DELIVERABLES:
            with self.subTest(launcher):
                image = BUILD_DIR / (launcher + EXE)
                stripped = SCRATCH / ("stripped-" + launcher + EXE)
                subprocess.run([STRIP, "-o", str(stripped), str(image)], check=True)
                self.addCleanup(stripped.unlink)
                for path in (image, stripped):
                    self.assertIn(b"%%%MAGIC EXE variable%%%\0", path.read_bytes())

    @unittest.skipUnless(WINDOWS, "the Windows image")
    def test_manifest_and_imports_only_kernel32_and_msvcrt(self):
        for launcher in DELIVERABLES:
            with self.subTest(launcher):
                self.assert_windows_launcher_image(BUILD_DIR / (launcher + EXE))


if __name__ == "__main__":
    unittest.main()
