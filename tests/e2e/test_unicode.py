"""Characters beyond the ANSI code page: under Wine's default code page 1252 the launcher carries
a Unicode caller's paths, arguments and environment to a Unicode target, as a direct start does."""
import unittest

import pe
from config import PROGRAMS_DIR, WINDOWS
from harness import (NEWLINE, TreeTestCase, encode, generated_launchers, host_path, launcher_exe,
                     launcher_value, run, target_file)

LAUNCHER = "fyx-rebuild-index"
# Cyrillic, CJK, an emoji (two UTF-16 units) and a blank, none of them in code page 1252.
FOLDER = "uni \u0434\u0435\u0440\u0435\u0432\u043e \u4e2d\u6587 \U0001F600"
ARGUMENTS = ["\u0444\u0430\u0439\u043b.txt", "\u4e2d\u6587 \u00fc", "\U0001F600", "",
             'q"\u0443\u043e\\', "a\\\\ \u4e2d\\", "\u00e9\u20ac\u0081"]


def slashes(path):
    return path.replace("\\", "/")


@unittest.skipUnless(WINDOWS, "the code pages of Windows")
class UnicodeTest(TreeTestCase):
    def wide_tree(self, subdir="tree", launcher=LAUNCHER):
        """The launcher in <FOLDER>/<subdir>, with the Unicode target in .libs beside it."""
        return self.make_tree(launcher, subdir=FOLDER + "/" + subdir, target="qn_wide_target")

    def test_tree_inside_a_folder_beyond_the_code_page(self):
        exe = self.wide_tree()
        bin_dir, elsewhere = exe.parent, self.new_dir()
        in_bin = host_path(bin_dir) + "/" + exe.name
        rows = [
            # name, argv[0], working directory, PATH, the path found
            ("full_path", host_path(exe), elsewhere, "C:\\windows", host_path(exe)),
            ("bare_name_through_path", exe.name, elsewhere, "C:\\windows;" + host_path(bin_dir),
             in_bin),
            ("relative_to_the_current_directory", "tree/" + exe.name, bin_dir.parent,
             "C:\\windows", host_path(bin_dir.parent) + "/tree/" + exe.name),
        ]
        for name, argv0, cwd, path, found in rows:
            with self.subTest(name):
                result = self.launch(exe, ["--qn-debug"] + ARGUMENTS, cwd=cwd, argv0=argv0,
                                     env={"PATH": path})
                self.assertEqual(result.status, 0, result)
                entry0 = slashes(found)[:-len(exe.name)] + ".libs/" + exe.name
                received = result.received()
                self.assertEqual(received.argv, [encode(entry0)] + [encode(a) for a in ARGUMENTS])
                self.assertEqual(received.cwd, encode(host_path(cwd)))
                # The trace shows the real path, in UTF-8.
                for line, text in ((231, "(main) argv[0]: " + argv0),
                                   (237, "(main) found exe (before symlink chase) at: " + found),
                                   (308, "(main) qn_argv_zero: " + slashes(found)[:-len(exe.name)]
                                    + ".libs/" + target_file(LAUNCHER))):
                    self.assertIn(b":%d: %s%s" % (line, encode(text), NEWLINE), result.stderr)

    def test_arguments_arrive_as_in_a_direct_start(self):
        exe = self.make_tree(LAUNCHER, target="qn_wide_target")
        target = exe.parent / ".libs" / target_file(LAUNCHER)
        launched = self.launch(exe, ARGUMENTS).received().argv[1:]
        direct = run(target, [host_path(target)] + ARGUMENTS, cwd=target.parent).received().argv[1:]
        self.assertEqual(launched, [encode(a) for a in ARGUMENTS])
        self.assertEqual(launched, direct)

    def test_callers_path_entry_beyond_the_code_page_survives(self):
        exe = self.make_tree(LAUNCHER, target="qn_wide_target")
        caller = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\bin;C:\\" + FOLDER
        result = self.launch(exe, [], env={"PATH": caller, "QN_SHOW": "PATH,QN_OTHER",
                                          "QN_OTHER": FOLDER})
        self.assertEqual(result.status, 0, result)
        received = result.received()
        self.assertEqual(received.env["PATH"], launcher_value(LAUNCHER, "library_dirs")
                         + launcher_value(LAUNCHER, "program_dirs") + encode(caller))
        self.assertEqual(received.env["QN_OTHER"], encode(FOLDER))

    def test_variable_value_limits(self):
        # A variable holds 32,767 UTF-16 units with its terminator, and the narrow value that
        # _putenv hands to Windows at most 65,535 bytes with it. An update of PATH that would pass
        # either is refused, and the launch goes on with what fits: here the library directories'
        # update, the last one, fits or does not.
        exe = self.make_tree(LAUNCHER, target="qn_wide_target")
        library = launcher_value(LAUNCHER, "library_dirs")
        program = launcher_value(LAUNCHER, "program_dirs")
        lists = len(library) + len(program)  # ASCII: as many units as bytes
        rows = [
            # name, filling character, its units, its bytes, the limit it meets
            ("two_bytes_one_unit", "\u0416", 1, 2, 32766),
            ("four_bytes_two_units", "\U0001F600", 2, 4, 32766),
            ("three_bytes_one_unit", "\u4e2d", 1, 3, 65534),
        ]
        for name, fill, units, size, most in rows:
            for over in (0, 1):
                with self.subTest(name, over=over):
                    # The caller's PATH makes the final value `most` + `over` units or bytes long.
                    count, padding = divmod(most + over - lists - 3, size if most == 65534 else units)
                    caller = "C:\\" + fill * count + "x" * padding
                    result = self.launch(exe, [], env={"PATH": caller, "QN_SHOW": "PATH"})
                    self.assertEqual(result.status, 0, result)
                    front = program if over else library + program
                    self.assertEqual(result.received().env["PATH"], front + encode(caller))

    def test_current_directory_longer_than_260_bytes(self):
        # 100 CJK characters in the path: 300 bytes in UTF-8, fewer than the 260 characters a
        # current directory may hold. The launcher started by a relative name needs it.
        exe = self.wide_tree(subdir="/".join(["\u4e2d" * 25] * 4))
        self.assertGreater(len(encode(host_path(exe.parent))), 300)
        result = self.launch(exe, ["x"], cwd=exe.parent, argv0="./" + exe.name,
                             env={"PATH": "C:\\windows"})
        self.assertEqual((result.status, result.received().argv[1:]), (0, [b"x"]), result)

    def test_every_launcher_carries_the_manifest(self):
        # A launcher built from a folder of one's own and an installed one are checked where
        # they are made: test_own_launchers and test_install.
        for launcher in generated_launchers():
            with self.subTest(launcher):
                self.assert_windows_launcher_image(launcher_exe(launcher))
        self.assertIsNone(pe.manifest(PROGRAMS_DIR / "qn_test_target.exe"))

    def test_narrow_target_gets_what_its_code_page_holds(self):
        # A target of code page 1252 gets the 1252 form of what the launcher passes on, as when
        # it is started directly; what 1252 cannot hold it gets as "?" either way.
        exe = self.make_tree(LAUNCHER)
        target = exe.parent / ".libs" / target_file(LAUNCHER)
        args = ["\u00e9\u00fc\u20ac", "\u0444 \u4e2d"]
        launched = self.launch(exe, args).received().argv[1:]
        self.assertEqual(launched, [b"\xe9\xfc\x80", b"? ?"])
        self.assertEqual(launched, run(target, [host_path(target)] + args,
                                       cwd=target.parent).received().argv[1:])


if __name__ == "__main__":
    unittest.main()
