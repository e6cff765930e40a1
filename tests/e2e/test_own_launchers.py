"""A user's own launchers: a folder of values files outside the project, named at configure
time, builds one working launcher for each; a broken values file stops the configure step with
the file and the field in the message."""
import json
import os
import subprocess
import unittest

from config import (CMAKE, EXE, GENERATOR, SANITIZED, SOURCE_DIR, TOOLCHAIN_FILE as TOOLCHAIN,
                    VERSION, WINDOWS)
from harness import NEWLINE, TreeTestCase, encode

# A directory beyond ASCII: Cyrillic, CJK and an emoji.
BEYOND_ASCII = "/opt/\u0434\u0435\u043f\u044b/\u4e2d\U0001F600"
GOOD = """# A launcher of a user's own build tree.
set(library_dirs /opt/my-deps/lib)
set(program_dirs /opt/my-deps/lib /opt/my-deps/bin %s)
set(notinst_deplibs ../src/libmine.qla)
""" % BEYOND_ASCII


def configure(build, folders, build_testing="OFF", cwd=None):
    """Configures this project in `build` with the launchers of `folders` only, from `cwd`."""
    command = [CMAKE, "-S", str(SOURCE_DIR), "-B", str(build), "-G", GENERATOR,
               "-DQUENLO_TARGETS_DIR=" + ";".join(str(f) for f in folders),
               "-DBUILD_TESTING=" + build_testing, "-DCMAKE_BUILD_TYPE=Release"]
    if TOOLCHAIN:
        command.append("-DCMAKE_TOOLCHAIN_FILE=" + TOOLCHAIN)
    return subprocess.run(command, capture_output=True, text=True, timeout=240, cwd=cwd)


def generate(values_file, out):
    """What the configure step runs on each values file, on its own."""
    return subprocess.run([CMAKE, "-DVALUES=%s" % values_file, "-DVERSION=%s" % VERSION,
                           "-DTEMPLATE=%s" % (SOURCE_DIR / "targets" / "wrapper-script.sh.in"),
                           "-DOUTPUT_DIR=%s" % out,
                           "-P", str(SOURCE_DIR / "cmake" / "generate_launcher_values.cmake")],
                          capture_output=True, text=True, errors="replace", timeout=60)


# name, file name, text, the field named, what the message says of it
BROKEN = [
    ("missing_field", "tool.cmake", "set(program_dirs /a)\n", "library_dirs", "is missing"),
    ("unknown_field", "tool.cmake", GOOD + "set(libary_dirs /a)\n", "libary_dirs",
     "is not a field"),
    ("empty_list", "tool.cmake", GOOD + 'set(program_dirs "")\n', "program_dirs", "is empty"),
    ("empty_entry", "tool.cmake", GOOD + 'set(library_dirs /a "" /b)\n', "library_dirs",
     "holds an empty entry"),
    ("relative_directory", "tool.cmake", GOOD + "set(library_dirs lib)\n", "library_dirs",
     "entry 'lib' is not an absolute path"),
    ("invalid_utf8_in_a_directory", "tool.cmake", GOOD.encode() + b"set(program_dirs /a\xe4\xb8)\n",
     "program_dirs", "is not an absolute path of letters"),
] + [
    # What a shell or PATH reads as more than a letter, each in a directory of its own.
    ("%s_in_a_directory" % name, "tool.cmake", GOOD + "set(library_dirs [=[/a%sb]=])\n" % char,
     "library_dirs", "entry '/a%sb' is not an absolute path of letters" % char)
    for name, char in (("ampersand", "&"), ("bar", "|"), ("less", "<"), ("greater", ">"),
                       ("parenthesis", "("), ("closing_parenthesis", ")"), ("colon", ":"),
                       ("quote", "'"), ("backquote", "`"), ("blank", " "), ("tilde", "~"),
                       ("star", "*"), ("question_mark", "?"), ("bracket", "["), ("hash", "#"),
                       ("exclamation_mark", "!"), ("dollar", "$"), ("double_quote", '"'),
                       ("backslash", "\\"), ("tab", "\t"), ("newline", "\n"))
] + [
    # A ";" separates two entries: the second is not absolute.
    ("semicolon_in_a_directory", "tool.cmake", GOOD + "set(library_dirs [=[/a;b]=])\n",
     "library_dirs", "entry 'b' is not an absolute path"),
    ("blank_in_a_library", "tool.cmake", GOOD + 'set(notinst_deplibs "a b.qla")\n',
     "notinst_deplibs", "entry 'a b.qla' is not"),
    ("backslash_in_a_library", "tool.cmake", GOOD + "set(notinst_deplibs a\\\\b.qla)\n",
     "notinst_deplibs", "is not a file name"),
    ("double_quote_in_text", "tool.cmake", GOOD + 'set(source_label "a\\"b")\n',
     "source_label", "holds a double quote or a backslash"),
    ("newline_in_text", "tool.cmake", GOOD + 'set(source_label "a\\nb")\n', "source_label",
     "holds a newline"),
    ("non_ascii_text", "tool.cmake", GOOD + 'set(source_label "w\u00e9")\n', "source_label",
     "non-ASCII"),
] + [
    # The constants are every launcher's: a values file that sets one would make a launcher
    # that disagrees with its own wrapper script.
    ("setting_%s" % constant, "tool.cmake", GOOD + 'set(%s "x")\n' % constant, constant,
     "is not a field of a launcher")
    for constant in ("default_program_name", "wrapper_marker", "library_dirs_variable",
                     "program_dirs_variable", "option_prefix", "dump_script_option",
                     "debug_option", "version_banner")
] + [
    ("target_not_a_file_name", "tool.cmake", GOOD + 'set(target_program_file "a:b.exe")\n',
     "target_program_file", "is not a file name"),
    ("target_a_device", "tool.cmake", GOOD + 'set(target_program_file "con.exe")\n',
     "target_program_file", "is a device name"),
    ("name_with_a_blank", "my tool.cmake", GOOD, "(the file's name)", "is not a file name"),
    ("name_a_device", "aux.cmake", GOOD, "(the file's name)", "is a device name"),
    ("name_ending_in_a_dot", "tool..cmake", GOOD, "(the file's name)", "ends in a dot"),
]


@unittest.skipIf(SANITIZED, "the other builds configure and build their own trees")
class OwnLaunchersTest(TreeTestCase):
    def values_folder(self, files):
        folder = self.new_dir() / "my values"
        folder.mkdir()
        for name, text in files.items():
            (folder / name).write_bytes(text if isinstance(text, bytes) else text.encode())
        return folder

    def test_each_kind_of_broken_values_file_is_refused(self):
        for name, file_name, text, field, problem in BROKEN:
            with self.subTest(name):
                values = self.values_folder({file_name: text}) / file_name
                done = generate(values, self.new_dir())
                self.assertNotEqual(done.returncode, 0)
                message = " ".join(done.stderr.split())
                self.assertIn("values file %s: field '%s': " % (values, field), message)
                self.assertIn(" ".join(problem.split()), message)

    @unittest.skipIf(WINDOWS, "the configure step is the same for every build")
    def test_configure_step_stops_at_a_broken_file(self):
        folder = self.values_folder({"tool.cmake": GOOD, "typo.cmake": GOOD + "set(debug_opton x)\n"})
        done = configure(self.new_dir(), [folder])
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("values file %s: field 'debug_opton': is not a field of a launcher"
                      % (folder / "typo.cmake"), " ".join(done.stderr.split()))
        # Two folders may not both name one launcher.
        other = self.values_folder({"tool.cmake": GOOD})
        done = configure(self.new_dir(), [self.values_folder({"tool.cmake": GOOD}), other])
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("both make the launcher 'tool'", " ".join(done.stderr.split()))

    def test_a_folder_of_ones_own_builds_working_launchers(self):
        folder = self.values_folder({"my-tool.cmake": GOOD})
        build = self.new_dir() / "build"
        done = configure(build, [folder, SOURCE_DIR / "targets"])
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])
        built = subprocess.run([CMAKE, "--build", str(build)], capture_output=True, text=True,
                               timeout=300)
        self.assertEqual(built.returncode, 0, built.stdout[-2000:])
        # Both folders' launchers, and neither the tests nor their launchers.
        for name in ("my-tool", "fyx-probe-plugins-3.0", "fyx-rebuild-index"):
            self.assertTrue((build / (name + EXE)).is_file(), name)
        self.assertFalse((build / "tests").exists())

        # The Unicode target under Wine shows the directory beyond ASCII as it is.
        target = "qn_wide_target" if WINDOWS else "qn_test_target"
        exe = self.make_tree("fyx-rebuild-index", name="my-tool", image=build / ("my-tool" + EXE),
                             target=target)
        (exe.parent / ".libs" / "fyx-rebuild-index.exe").rename(exe.parent / ".libs" / "my-tool.exe")
        result = self.launch(exe, ["--qn-debug", "x"], env={"PATH": "", "QN_SHOW": "PATH"})
        self.assertEqual(result.status, 0, result)
        self.assertIn(b"my-tool%s:./.libs/qn-my-tool.cc:265: (main) quenlo target name: my-tool.exe%s"
                      % (encode(EXE), NEWLINE), result.stderr)
        self.assertEqual(result.received().env["PATH"],
                         encode("/opt/my-deps/lib;/opt/my-deps/lib;/opt/my-deps/bin;" + BEYOND_ASCII))
        script = self.launch(exe, ["--qn-dump-script"]).stdout.decode().split("\n")
        self.assertEqual(script[2], "# my-tool - temporary wrapper script for .libs/my-tool.exe")
        self.assertEqual(script[39], "  notinst_deplibs=' ../src/libmine.qla'")
        self.assertEqual(script[190],
                         "    PATH=/opt/my-deps/lib:/opt/my-deps/bin:%s:$PATH" % BEYOND_ASCII)

        prefix = self.new_dir()
        subprocess.run([CMAKE, "--install", str(build), "--prefix", str(prefix)], check=True,
                       capture_output=True, timeout=120)
        installed = prefix / "bin" / ("my-tool" + EXE)
        self.assertTrue(installed.is_file())
        self.assertTrue((prefix / "share" / "quenlo" / "my-tool.sh").is_file())
        if WINDOWS:
            for image in (build / ("my-tool" + EXE), installed):
                self.assert_windows_launcher_image(image)

    @unittest.skipIf(WINDOWS, "the configure step is the same for every build")
    def test_relative_folders_and_a_folders_defaults(self):
        # Folders named relative to where cmake runs, as a user types them; the user's folder
        # has a defaults.cmake that its launchers share, which is no launcher itself.
        work = self.new_dir()
        folder = self.values_folder({
            "defaults.cmake": "set(library_dirs /opt/shared/lib)\n"
                              "set(program_dirs /opt/shared/lib /opt/shared/bin)\n",
            "my-tool.cmake": "set(notinst_deplibs mine.qla)\n",
            "other-tool.cmake": "set(library_dirs /opt/other/lib)\n"})
        build = self.new_dir() / "build"
        relative = [os.path.relpath(folder, work), os.path.relpath(SOURCE_DIR / "targets", work)]
        done = configure(build, relative, cwd=work)
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])
        subprocess.run([CMAKE, "--build", str(build), "--target", "my-tool", "other-tool",
                        "fyx-rebuild-index"], check=True, capture_output=True, timeout=300)
        self.assertEqual(sorted(p.name for p in (build / "generated").iterdir()),
                         ["fyx-rebuild-index", "my-tool", "other-tool"])
        values = {name: json.loads((build / "generated" / name / "launcher_values.json")
                                   .read_text(encoding="utf-8")) for name in ("my-tool", "other-tool")}
        self.assertEqual((values["my-tool"]["library_dirs"], values["my-tool"]["notinst_deplibs"]),
                         ("/opt/shared/lib;", " mine.qla"))
        self.assertEqual((values["other-tool"]["library_dirs"], values["other-tool"]["program_dirs"]),
                         ("/opt/other/lib;", "/opt/shared/lib;/opt/shared/bin;"))

    @unittest.skipIf(WINDOWS, "the configure step is the same for every build")
    def test_only_the_named_folders_make_launchers(self):
        folder = self.values_folder({"my-tool.cmake": GOOD})
        build = self.new_dir() / "build"
        done = configure(build, [folder], build_testing="ON")
        self.assertEqual(done.returncode, 0, done.stderr[-2000:])
        targets = subprocess.run([CMAKE, "--build", str(build), "--target", "help"],
                                 capture_output=True, text=True, errors="replace", timeout=60).stdout
        self.assertIn("my-tool", targets)
        self.assertNotIn("fyx-rebuild-index", targets)
        self.assertNotIn("unit_tests", targets)  # the tests need this project's own launchers


if __name__ == "__main__":
    unittest.main()
