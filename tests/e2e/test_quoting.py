"""Arguments arrive intact: the launcher's quoting against the real runtime's splitting."""
import os
import subprocess
import unittest

from harness import (ASCII_SCRATCH, LAUNCHERS, NEWLINE, PROGRAMS_DIR, WINDOWS, Received,
                     TreeTestCase, encode, host_path, launcher_value, quote_for_runtime,
                     quote_if_needed, run, target_file, trace, wine_command,
                     wine_environment)

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
        exe = self.make_tree()
        args = [bytes([b]) for b in range(1, 256)] + [b"", b"", b"a", b""]
        self.assertEqual(self.launch(exe, args).received().argv[1:], args)

    def test_trace_shows_the_vector_before_quoting(self):
        exe = self.make_tree()
        args = ["a b", "", 'q"', "c\\"]
        result = self.launch(exe, ["--qn-debug"] + args)
        label = launcher_value(LAUNCHERS[0], "source_label")
        expected = trace(exe.name, label, [(312, "(main) newargz[%d]: %s" % (i + 1, a))
                                           for i, a in enumerate(args)])
        self.assertTrue(result.stderr.endswith(expected), result.stderr)
        self.assertEqual(result.received().argv[1:], [a.encode() for a in args])

    def test_launcher_in_a_directory_with_blanks(self):
        exe = self.make_tree(subdir="my build/bin dir")
        result = self.launch(exe, ["x y"])
        self.assertEqual(result.status, 0, result)
        directory = host_path(exe.parent).replace("\\", "/")
        self.assertEqual(result.received().argv,
                         [encode(directory + "/.libs/" + target_file(LAUNCHERS[0])), b"x y"])

    @unittest.skipUnless(WINDOWS, "the real runtime's splitting")
    def test_splitter_agrees_with_the_runtime(self):
        target = self.make_tree().parent / ".libs" / target_file(LAUNCHERS[0])
        for line in TRICKY_LINES:
            with self.subTest(line=line):
                runtime = run(target, [], cwd=target.parent, command_line=line).received().argv
                emulated = subprocess.run(wine_command(PROGRAMS_DIR / "qn_split.exe", line.hex()),
                                          env=wine_environment(), capture_output=True, check=True)
                self.assertEqual(Received(emulated.stdout).argv, runtime)

    @unittest.skipUnless(WINDOWS, "code pages of the Windows runtime")
    def test_double_byte_code_page(self):
        # In code page 932 (Japanese, picked by the locale) a byte 0x81 to 0x9F or 0xE0 to 0xFC
        # leads a two-byte character: a lead byte alone takes the next byte with it, here the
        # blank that ends its argument, so the narrow-to-wide conversion merges arguments. Whole
        # two-byte characters survive.
        # Paths here must be ASCII: code page 932 has no letter of code page 1252's upper half.
        exe = self.make_tree(root=ASCII_SCRATCH)
        whole = [b"\x82\xa0", b"\x93\xfa\x96\x7b", b"x"]
        self.assertEqual(self.launch(exe, whole, locale="ja_JP.UTF-8").received().argv[1:], whole)
        lone = [b"\x81", b"x"]
        self.assertNotEqual(self.launch(exe, lone, locale="ja_JP.UTF-8").received().argv[1:], lone)

    @unittest.skipUnless(WINDOWS, "the 32,767-character command line of CreateProcess")
    def test_command_line_too_long_for_windows(self):
        exe = self.make_tree()
        entry0 = encode(host_path(exe.parent).replace("\\", "/") + "/.libs/" + exe.name)
        # Entry 0 is a path with "/" only: the launcher encloses it when it holds a blank.
        quoted_entry0 = quote_if_needed(entry0)
        backslashes = 10000

        def launch_with_quoted_length(length):
            # The argument " xxx\\\...": enclosed, its final run doubled, so the quoted line is
            # entry 0 as quoted, a blank, and 3 + len(x's) + 2 * backslashes characters.
            xs = length - len(quoted_entry0) - 4 - 2 * backslashes
            arg = b" " + b"x" * xs + b"\\" * backslashes
            # The runner's own line keeps the run single: it is not followed by a quote there.
            line = quote_for_runtime(encode(host_path(exe))) + b' --qn-debug " "' + arg[1:]
            return arg, run(exe, [], cwd=exe.parent, command_line=line)

        arg, fits = launch_with_quoted_length(32766)  # with its terminator, the most allowed
        self.assertEqual((fits.status, fits.received().argv[1:]), (0, [arg]))
        _, too_long = launch_with_quoted_length(32767)
        self.assertEqual((too_long.status, too_long.stdout), (127, b""))
        self.assertTrue(too_long.stderr.endswith(
            b'322: (main) failed to launch target "%s%s": Argument list too long%s'
            % (entry0[:-len(exe.name)], target_file(LAUNCHERS[0]).encode(), NEWLINE)),
            too_long.stderr[-200:])

    @unittest.skipIf(WINDOWS, "the host's exec limits")
    def test_arguments_too_long_for_the_target_on_the_host(self):
        # The host passes what exec accepts: 128 KiB an argument, and all arguments and the
        # environment together within ARG_MAX. The launcher adds its directory lists to PATH, so
        # arguments that just let the launcher start are too many for its target: exec fails
        # with E2BIG and the launcher returns 127 without starting anything.
        exe = self.make_tree()
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
