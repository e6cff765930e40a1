"""Arguments arrive intact: the launcher's quoting against the real runtime's splitting."""
import os
import subprocess
import unittest

from config import PROGRAMS_DIR, WINDOWS
from harness import (ASCII_SCRATCH, NEWLINE, TreeTestCase, encode, host_path, launcher_value,
                     narrow, run, target_file, trace)
from report import Received
from wine import quote_for_runtime, quote_if_needed, wine_command, wine_environment

LAUNCHER = "fyx-probe-plugins-3.0"

# Raw command lines whose splitting is easy to get wrong.
TRICKY_LINES = [
    rb'prog a b',
    rb'prog  a   b  ',
    b'prog a\tb "c\td"',
    rb'prog "a b" "" c',
    rb'prog a\"b',
    rb'prog a\\"b c"',
    rb'prog a\\\"b',
    rb'prog a\\\\"b c"',
    rb'prog a\b\\c\\\ d',
    rb'prog "a\\" b',
    rb'prog "a\\\"" b',
    rb'prog "a b',
    rb'prog "a""b" c',
    rb'prog "a"""b c',
    rb'prog """"',
    rb'prog a"" b',
    rb'prog a"b c"d',
    rb'"C:\dir name\p.exe" x',
    rb'pr\"og x',
    b'prog a\nb c\rd \x01\x7f',
    rb'prog ""',
]


class QuotingTest(TreeTestCase):
    def test_every_byte_alone_and_empty_arguments(self):
        exe = self.make_tree(LAUNCHER)
        args = [bytes([b]) for b in range(1, 256)] + [b"", b"", b"a", b""]
        self.assertEqual(self.launch(exe, args).received().argv[1:], args)

    def test_trace_shows_the_vector_before_quoting(self):
        exe = self.make_tree(LAUNCHER)
        args = ["a b", "", 'q"', "c\\"]
        result = self.launch(exe, ["--qn-debug"] + args)
        label = launcher_value(LAUNCHER, "source_label")
        expected = trace(exe.name, label, [(312, "(main) newargz[%d]: %s" % (i + 1, a))
                                           for i, a in enumerate(args)])
        self.assertTrue(result.stderr.endswith(expected), result.stderr)
        self.assertEqual(result.received().argv[1:], [a.encode() for a in args])

    def test_launcher_in_a_directory_with_blanks(self):
        exe = self.make_tree(LAUNCHER, subdir="my build/bin dir")
        result = self.launch(exe, ["x y"])
        self.assertEqual(result.status, 0, result)
        directory = host_path(exe.parent).replace("\\", "/")
        self.assertEqual(result.received().argv,
                         [narrow(directory + "/.libs/" + target_file(LAUNCHER)), b"x y"])

    @unittest.skipUnless(WINDOWS, "the real runtime's splitting")
    def test_splitter_agrees_with_the_runtime(self):
        target = self.make_tree(LAUNCHER).parent / ".libs" / target_file(LAUNCHER)
        for line in TRICKY_LINES:
            with self.subTest(line=line):
                runtime = run(target, [], cwd=target.parent, command_line=line).received().argv
                emulated = subprocess.run(wine_command(PROGRAMS_DIR / "qn_split.exe", line.hex()),
                                          env=wine_environment(), capture_output=True, check=True)
                self.assertEqual(Received(emulated.stdout).argv, runtime)

    @unittest.skipUnless(WINDOWS, "code pages of the Windows runtime")
    def test_double_byte_code_page(self):
        # A narrow caller in code page 932 (Japanese, picked by the locale), where a byte 0x81 to
        # 0x9F or 0xE0 to 0xFC leads a two-byte character. Whole two-byte characters reach a
        # narrow target in 932 as they were. A lead byte alone takes the next byte with it in the
        # caller's own conversion to UTF-16, here the blank that ends its argument, so arguments
        # merge before the launcher sees them: the target gets what it gets when that caller
        # starts it directly.
        # Paths here must be ASCII: code page 932 has no letter of code page 1252's upper half.
        japanese = dict(locale="ja_JP.UTF-8", code_page=932)
        exe = self.make_tree(LAUNCHER, root=ASCII_SCRATCH)
        target = exe.parent / ".libs" / target_file(LAUNCHER)
        whole, lone = [b"\x82\xa0", b"\x93\xfa\x96\x7b", b"x"], [b"\x81", b"x"]
        for args in (whole, lone):
            with self.subTest(args=args):
                launched = self.launch(exe, args, **japanese).received().argv[1:]
                direct = run(target, [host_path(target)] + args, cwd=target.parent,
                             **japanese).received().argv[1:]
                self.assertEqual(launched, direct)
                self.assertEqual(launched == args, args is whole)
        # The launcher's own code page is UTF-8 in any locale: what 932 cannot hold reaches a
        # Unicode target from a Unicode caller.
        wide = self.make_tree(LAUNCHER, root=ASCII_SCRATCH, target="qn_wide_target")
        texts = ["\u00e9 \u00fc", "\U0001F600", "\u4e2d\u6587 \u0416"]
        self.assertEqual(self.launch(wide, texts, locale="ja_JP.UTF-8").received().argv[1:],
                         [t.encode() for t in texts])

    @unittest.skipUnless(WINDOWS, "the command line limits of CreateProcess")
    def test_command_line_too_long_for_windows(self):
        # A command line holds 32,767 UTF-16 units with its terminator, and as the narrow string
        # that _spawnv hands to Windows at most 65,535 bytes with it. A character below U+10000
        # is one unit, one above two; in UTF-8 only three-byte characters meet the byte limit
        # first. The Unicode target shows what arrived.
        exe = self.make_tree(LAUNCHER, target="qn_wide_target")
        entry0 = host_path(exe.parent).replace("\\", "/") + "/.libs/" + exe.name
        # Entry 0 is a path with "/" only: the launcher encloses it when it holds a blank.
        quoted_entry0 = quote_if_needed(encode(entry0)).decode()
        # Few enough that a line of three-byte characters stays within the units.
        backslashes = 5000
        rows = [
            # name, the character that fills the argument, the limit it meets: units or bytes
            ("ascii", "x", "units"),
            ("two_bytes_one_unit", "\u0416", "units"),
            ("four_bytes_two_units", "\U0001F600", "units"),
            ("three_bytes_one_unit", "\u4e2d", "bytes"),
        ]

        def size(text, limit):
            return len(text.encode("utf-16-le")) // 2 if limit == "units" else len(text.encode())

        def argument_with_quoted_length(fill, limit, length):
            # The argument " <fill>...x\\...": enclosed, its final run doubled, so the quoted
            # line is entry 0 as quoted, a blank, the quotes, the argument and `backslashes` more.
            fixed = size(quoted_entry0 + ' "" ', limit) + 2 * backslashes
            count, padding = divmod(length - fixed, size(fill, limit))
            return " " + fill * count + "x" * padding + "\\" * backslashes

        for name, fill, limit in rows:
            with self.subTest(name):
                most = 32766 if limit == "units" else 65534  # without the terminator
                for length in (most, most + 1):
                    arg = argument_with_quoted_length(fill, limit, length)
                    quoted_line = quoted_entry0 + ' "' + arg + "\\" * backslashes + '"'
                    self.assertEqual(size(quoted_line, limit), length)
                    # ... and within the other limit, so that this one is what refuses it.
                    self.assertLessEqual(size(quoted_line, "bytes"), 65534 + (limit == "bytes"))
                    self.assertLessEqual(size(quoted_line, "units"), 32766 + (limit == "units"))
                    # The runner's own line keeps the run single: no quote follows it there.
                    line = (quote_for_runtime(encode(host_path(exe))).decode() + ' --qn-debug " "'
                            + arg[1:])
                    result = run(exe, [], cwd=exe.parent, command_line=line)
                    if length == most:
                        self.assertEqual((result.status, result.received().argv[1:]),
                                         (0, [arg.encode()]))
                        continue
                    self.assertEqual((result.status, result.stdout), (127, b""))
                    self.assertTrue(result.stderr.endswith(
                        b'322: (main) failed to launch target "%s%s": Argument list too long%s'
                        % (encode(entry0[:-len(exe.name)]), target_file(LAUNCHER).encode(),
                           NEWLINE)), result.stderr[-200:])

    @unittest.skipIf(WINDOWS, "the host's exec limits")
    def test_arguments_too_long_for_the_target_on_the_host(self):
        # The host passes what exec accepts: 128 KiB an argument, and all arguments and the
        # environment together within ARG_MAX. The launcher adds its directory lists to PATH, so
        # arguments that just let the launcher start are too many for its target: exec fails
        # with E2BIG and the launcher returns 127 without starting anything.
        exe = self.make_tree(LAUNCHER)
        chunk = b"a" * 100000

        def padding(size):
            return [chunk] * (size // 100000) + [b"p" * (size % 100000)]

        # Linux takes arguments and environment up to a quarter of the stack limit, which
        # SC_ARG_MAX reports, and never more than 6 MiB, whatever the stack limit: padding of
        # that size certainly keeps the launcher from starting.
        high = min(os.sysconf("SC_ARG_MAX"), 6 << 20)
        with self.assertRaises(OSError):
            self.launch(exe, padding(high))
        low = 0
        while high - low > 1:  # halves the interval each time
            middle = (low + high) // 2
            try:
                self.launch(exe, ["--qn-debug"] + padding(middle))
                low = middle
            except OSError:
                high = middle
        result = self.launch(exe, ["--qn-debug"] + padding(low))
        self.assertEqual((result.status, result.stdout), (127, b""))
        self.assertTrue(result.stderr.endswith(b": Argument list too long\n"), result.stderr[-200:])
        # Well within the limit the same large arguments arrive intact.
        fewer = padding(low)[:-2]
        self.assertEqual(self.launch(exe, fewer).received().argv[1:], fewer)


if __name__ == "__main__":
    unittest.main()
