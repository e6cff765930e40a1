"""Every launcher's values have the shapes the launch relies on; the two deliverables have
exactly the sizes their build trees were laid out with."""
import unittest

from config import VERSION
from harness import generated_launchers, launcher_values


def entries(directory_list):
    """'a;b;' -> ['a', 'b']"""
    assert directory_list.endswith(";"), directory_list
    return directory_list[:-1].split(";")


def last_component(path):
    return path[path.rfind("/") + 1:]


class ValuesTest(unittest.TestCase):
    def test_every_launcher(self):
        launchers = generated_launchers()
        self.assertGreaterEqual(len(launchers), 2)
        for name in launchers:
            with self.subTest(name):
                v = launcher_values(name)
                self.assertEqual(v["name"], name)
                self.assertEqual((v["default_program_name"], v["wrapper_marker"]),
                                 ("quenlo-wrapper", "%%%MAGIC EXE variable%%%"))
                self.assertEqual((v["library_dirs_variable"], v["program_dirs_variable"]),
                                 ("PATH", "PATH"))
                self.assertEqual((v["option_prefix"], v["dump_script_option"], v["debug_option"]),
                                 ("--qn-", "--qn-dump-script", "--qn-debug"))
                self.assertEqual(v["version_banner"], "quenlo wrapper (ZUT quenlo) %s\n" % VERSION)
                self.assertEqual(v["target_program_file"], name + ".exe")
                self.assertEqual(v["source_label"], "./.libs/qn-%s.cc" % name)
                # Directory lists: every entry ends in ";", none is empty, all are drive-less
                # absolute paths, and every library directory is a program directory too.
                programs = entries(v["program_dirs"])
                for entry in entries(v["library_dirs"]) + programs:
                    self.assertEqual(entry[:1], "/", entry)
                    self.assertFalse(set(":\\ \"'") & set(entry), entry)
                for entry in entries(v["library_dirs"]):
                    self.assertIn(entry, programs)
                self.assertEqual(v["notinst_deplibs"][:1], " ")
                self.assertNotIn("  ", v["notinst_deplibs"])

    # name: entries and characters of library_dirs and of program_dirs, build-tree ".libs"
    # directories at the front of library_dirs, entries and characters of notinst_deplibs. The
    # wrapper script carries the same lists (test_wrapper_script compares its lines with these
    # values), in ":" form one character shorter each.
    SHAPES = {
        "fyx-probe-plugins-3.0": (17, 846, 51, 2371, 2, 35, 2076),
        "fyx-rebuild-index": (5, 232, 19, 805, 0, 12, 714),
    }

    def test_deliverable_shapes(self):
        for name, shape in self.SHAPES.items():
            with self.subTest(name):
                (library_entries, library_chars, program_entries, program_chars, libs_dirs_first,
                 notinst_entries, notinst_chars) = shape
                v = launcher_values(name)
                library, program = entries(v["library_dirs"]), entries(v["program_dirs"])
                self.assertEqual((len(library), len(v["library_dirs"])), (library_entries, library_chars))
                self.assertEqual((len(program), len(v["program_dirs"])), (program_entries, program_chars))
                self.assertEqual([last_component(e) for e in library],
                                 [".libs"] * libs_dirs_first + ["lib"] * (len(library) - libs_dirs_first))

                # program_dirs: "lib"/"bin" pairs of one prefix, a "lib64" after the first pair,
                # the build tree's ".libs" directories in between, the pair "/lib", "/bin" among
                # them.
                self.assertEqual(program[2], program[0][:-3] + "lib64")
                pairs = [e for i, e in enumerate(program) if i != 2 and last_component(e) != ".libs"]
                self.assertEqual(len(pairs) % 2, 0)
                for lib, bin_dir in zip(pairs[::2], pairs[1::2]):
                    self.assertEqual((last_component(lib), bin_dir), ("lib", lib[:-3] + "bin"))
                self.assertIn("/lib", pairs)
                self.assertEqual(sum(last_component(e) == ".libs" for e in program), libs_dirs_first)
                if libs_dirs_first:
                    self.assertNotEqual(last_component(program[0]), ".libs")
                    self.assertNotEqual(last_component(program[-1]), ".libs")
                self.assertTrue(any(e.startswith("//") for e in program))
                self.assertTrue(any("/../" in e for e in program))

                # Not-installed libraries: each after one blank; absolute, "../" and bare
                # entries; one entry twice in a row.
                notinst = v["notinst_deplibs"]
                libs = notinst[1:].split(" ")
                self.assertEqual((len(libs), len(notinst)), (notinst_entries, notinst_chars))
                self.assertTrue(any(e.startswith("/") for e in libs))
                self.assertTrue(any(e.startswith("../") for e in libs))
                self.assertTrue(any("/" not in e for e in libs))
                self.assertTrue(any(a == b for a, b in zip(libs, libs[1:])))


if __name__ == "__main__":
    unittest.main()
