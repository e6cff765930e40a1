"""Hostile input: every byte, very many arguments, enormous PATH values, awkward directory names,
targets that cannot run and current directories too long for the launcher's buffer."""
import random
import shutil
import unittest

from config import WINDOWS
from harness import (NEWLINE, TreeTestCase, encode, host_path, launcher_value, narrow, run,
                     target_file)
from wine import quote_if_needed

LAUNCHER = "fyx-probe-plugins-3.0"
LIBRARY = launcher_value(LAUNCHER, "library_dirs")
PROGRAM = launcher_value(LAUNCHER, "program_dirs")
# The most characters Windows keeps in a variable's value, without its terminator.
WINDOWS_VALUE_MAX = 32766


def compact_line(args):
    """A command line with only the quoting each argument needs, so that many fit."""
    return b" ".join(quote_if_needed(a) for a in args)


class HostileInputTest(TreeTestCase):
    def test_arguments_holding_every_byte(self):
        exe = self.make_tree(LAUNCHER)
        every = bytes(range(1, 256))
        args = [every, every[::-1], b'\\' * 7 + b'"' + every, every + b"\\" * 9]
        result = self.launch(exe, args)
        self.assertEqual((result.status, result.received().argv[1:]), (0, args))

    def test_ten_thousand_arguments(self):
        exe = self.make_tree(LAUNCHER)
        # Under Wine mostly one-letter arguments, so that the runner's line and the launcher's
        # both stay within the 32,767 characters of a command line.
        shapes = [b"a"] * 8 + [b"", b"b c", b'"', b"\\"] if WINDOWS else \
            [b"a", b"", b"b c", b'"', b"\\\\\"", b"tab\there", bytes(range(1, 40))]
        args = [shapes[n % len(shapes)] for n in range(10000)]
        random.Random(10000).shuffle(args)
        command_line = compact_line([narrow(host_path(exe))] + args) if WINDOWS else None
        result = self.launch(exe, args, command_line=command_line)
        self.assertEqual(result.status, 0, result.stderr[-300:])
        self.assertEqual(result.received().argv[1:], args)

    def long_path(self, size, launcher_dir):
        """PATH of `size` bytes, as the launcher sees it: blanks, quotes, empty entries and missing
        directories, with the launcher's directory as the last entry."""
        kinds = [b"/no/such/dir", b" /with blanks ", b'"/quoted dir"', b"", b"C:\\missing\\bin",
                 b"/x/../y/./z", b";"]
        last = b";" + narrow(launcher_dir)
        entries, length = [], 0
        # Every entry adds at least its separator, so the loop ends.
        while length < size - len(last) - 40:
            kind = kinds[len(entries) % len(kinds)]
            entry = kind + (b"%d" % len(entries) if kind else b"")
            entries.append(entry)
            length += len(entry) + 1
        path = b";".join(entries)
        path += b"x" * (size - len(path) - len(last)) + last
        self.assertEqual(len(path), size)
        return path

    def test_path_with_thousands_of_entries(self):
        exe = self.make_tree(LAUNCHER)
        elsewhere = self.new_dir()
        if WINDOWS:
            # Each update that would make PATH longer than a variable can hold is refused, and
            # the launch goes on: what still fits is there, and the caller's PATH is whole.
            fits_both = WINDOWS_VALUE_MAX - len(LIBRARY) - len(PROGRAM)
            rows = [(fits_both, LIBRARY + PROGRAM), (fits_both + 1, PROGRAM),
                    (WINDOWS_VALUE_MAX - len(PROGRAM) + 1, LIBRARY),
                    (WINDOWS_VALUE_MAX - len(LIBRARY) + 1, b""), (WINDOWS_VALUE_MAX, b"")]
        else:
            rows = [(100000, LIBRARY + PROGRAM)]
        for size, front in rows:
            with self.subTest(size=size):
                path = self.long_path(size, host_path(exe.parent))
                result = run(exe, [exe.name, "--qn-debug"], cwd=elsewhere,
                             env={"PATH": path, "QN_SHOW": "PATH"})
                self.assertEqual(result.status, 0, result.stderr[-300:])
                self.assertEqual(result.received().env["PATH"], front + path)
                # The search went through every entry, to the launcher's at the end.
                self.assertIn(b":237: (main) found exe (before symlink chase) at: %s/%s%s"
                              % (encode(host_path(exe.parent)), encode(exe.name), NEWLINE),
                              result.stderr)

    def test_awkward_directory_names(self):
        names = ["semi;colon", "blank s", "accents \u00e9\u00fc\u00df", "pct%PATH%", "amp&caret^"]
        if not WINDOWS:
            # (A backslash separates directories here as on Windows, so it cannot be in a name.)
            names += ['double"quote', "tab\tname", "new\nline"]
        for name in names:
            with self.subTest(name=name):
                exe = self.make_tree(LAUNCHER, subdir=name + "/bin")
                result = self.launch(exe, ["--qn-debug", "a b"])
                self.assertEqual(result.status, 0, result.stderr)
                entry0 = host_path(exe.parent) + "/.libs/" + target_file(LAUNCHER)
                self.assertEqual(result.received().argv,
                                 [narrow(entry0.replace("\\", "/")), b"a b"])

    def test_target_that_is_a_directory_or_not_executable(self):
        # The messages are the runtime's for the errno its spawn call sets.
        if WINDOWS:
            cases = [("directory", "Bad file descriptor"), ("not_a_program", "Invalid argument")]
        else:
            cases = [("directory", "Permission denied"), ("no_execute_bit", "Permission denied")]
        for kind, message in cases:
            with self.subTest(kind):
                exe = self.make_tree(LAUNCHER, target=False)
                target = exe.parent / ".libs" / target_file(LAUNCHER)
                target.parent.mkdir()
                if kind == "directory":
                    target.mkdir()
                else:
                    shutil.copy(exe, target) if kind == "no_execute_bit" else target.write_bytes(b"text")
                    target.chmod(0o644 if kind == "no_execute_bit" else 0o755)
                result = self.launch(exe, ["--qn-debug"])
                self.assertEqual((result.status, result.stdout), (127, b""))
                self.assertTrue(result.stderr.endswith(b": %s%s" % (message.encode(), NEWLINE)),
                                result.stderr[-200:])

    def deep_directory(self, length):
        """A new directory whose path is `length` characters long as Windows counts them, bytes on
        the host."""
        directory = self.new_dir()
        missing = length - len(narrow(host_path(directory)))
        self.assertGreaterEqual(missing, 2, "the scratch directory is too deep already")
        while missing > 0:
            # Each step adds a separator and at least one letter, and never leaves a single byte
            # to add, which no component could fill.
            part = min(50, missing - 1)
            if missing - (part + 1) == 1:
                part -= 1
            directory = directory / ("d" * part)
            missing -= part + 1
        directory.mkdir(parents=True, exist_ok=True)
        self.assertEqual(len(narrow(host_path(directory))), length)
        return directory

    @unittest.skipIf(WINDOWS, "Wine cannot start a program in so deep a directory")
    def test_current_directory_too_long_for_the_buffer(self):
        # 260 characters as Windows counts them (UTF-16 units) hold the current directory with
        # its terminator: 300 ASCII bytes do not fit, 300 bytes of three-byte characters do.
        exe = self.make_tree(LAUNCHER)
        wide = self.new_dir() / "/".join(["\u4e2d" * 25] * 4)
        wide.mkdir(parents=True)
        self.assertGreater(len(encode(host_path(wide))), 300)
        # The empty entry of PATH has the launcher read the current directory first.
        result = run(exe, [exe.name, "x"], cwd=wide,
                     env={"PATH": "/nonexistent;;" + host_path(exe.parent)})
        self.assertEqual((result.status, result.received().argv[1:]), (0, [b"x"]), result)
        deep = self.deep_directory(300)
        label = launcher_value(LAUNCHER, "source_label")
        for path, line in (("/nonexistent", 494), ("/nonexistent;;" + host_path(exe.parent), 468)):
            with self.subTest(line=line):
                result = run(exe, [exe.name], cwd=deep, env={"PATH": path})
                self.assertEqual((result.status, result.stdout), (1, b""))
                self.assertEqual(result.stderr, b"%s:%s:%d: FATAL: getcwd failed: Numerical result "
                                                b"out of range.\n" % (exe.name.encode(), label, line))

    @unittest.skipUnless(WINDOWS, "the path limits of Windows")
    def test_longest_current_directory_wine_allows(self):
        # A program cannot start under Wine in a directory of 259 characters or more (Wine 8
        # reports c0000033, and aborts from 260 on), so there the buffer of 260 bytes always holds
        # the current directory. In the deepest one the launcher's candidate path is too long for
        # a file-status query without long-path support, so it cannot find itself there; where
        # its paths fit, the current directory serves as the last candidate of the search.
        exe = self.make_tree(LAUNCHER)
        label = launcher_value(LAUNCHER, "source_label")
        for length, found in ((200, True), (258, False)):
            with self.subTest(length=length):
                deep = self.deep_directory(length)
                shutil.copytree(exe.parent, deep, dirs_exist_ok=True)
                result = run(exe, [exe.name, "x"], cwd=deep, env={"PATH": "C:\\nowhere"})
                if found:
                    self.assertEqual((result.status, result.received().argv[1:]), (0, [b"x"]))
                else:
                    self.assertEqual((result.status, result.stderr),
                                     (1, b"%s:%s:236: FATAL: couldn't find %s.\r\n"
                                      % (exe.name.encode(), label, exe.name.encode())))

if __name__ == "__main__":
    unittest.main()
