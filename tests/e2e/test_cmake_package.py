"""Launchers from a user's own CMake project (tests/consumer): quenlo_add_launcher with the
installed package and with this project pulled in as a subproject, each built and run."""
import subprocess
import unittest

from config import BUILD_DIR, CMAKE, EXE, GENERATOR, SANITIZED, SOURCE_DIR, TOOLCHAIN_FILE, WINDOWS
from harness import NEWLINE, TreeTestCase, encode

CONSUMER = SOURCE_DIR / "tests" / "consumer"


@unittest.skipIf(SANITIZED, "the package holds the code of the plain builds")
class CMakePackageTest(TreeTestCase):
    def configure(self, *options):
        build = self.new_dir() / "consumer build"
        command = [CMAKE, "-S", str(CONSUMER), "-B", str(build), "-G", GENERATOR,
                   "-DCMAKE_BUILD_TYPE=Release"] + list(options)
        if TOOLCHAIN_FILE:
            command.append("-DCMAKE_TOOLCHAIN_FILE=" + TOOLCHAIN_FILE)
        return build, subprocess.run(command, capture_output=True, text=True, timeout=240)

    def installed_package(self):
        prefix = self.new_dir() / "quenlo prefix"
        subprocess.run([CMAKE, "--install", str(BUILD_DIR), "--prefix", str(prefix)], check=True,
                       capture_output=True, timeout=120)
        return "-DCMAKE_PREFIX_PATH=%s" % prefix

    def test_a_launcher_of_ones_own(self):
        for name, option in (("installed_package", self.installed_package()),
                             ("subproject", "-DQUENLO_SOURCE_DIR=%s" % SOURCE_DIR)):
            with self.subTest(name):
                build, done = self.configure(option)
                self.assertEqual(done.returncode, 0, done.stderr[-2000:])
                built = subprocess.run([CMAKE, "--build", str(build)], capture_output=True,
                                       text=True, timeout=300)
                self.assertEqual(built.returncode, 0, built.stdout[-2000:])
                image = build / ("my-tool" + EXE)
                script = build / "generated" / "my-tool" / "wrapper-script.sh"
                # A subproject builds what the launcher needs and none of its own launchers.
                self.assertEqual(sorted(p.name for p in build.rglob("fyx-*" + EXE)), [])
                if WINDOWS:
                    self.assert_windows_launcher_image(image)

                exe = self.make_tree("fyx-rebuild-index", name="my-tool", image=image)
                (exe.parent / ".libs" / "fyx-rebuild-index.exe").rename(
                    exe.parent / ".libs" / "my-tool.exe")
                result = self.launch(exe, ["--qn-debug", "x y"],
                                     env={"PATH": "", "QN_SHOW": "PATH"})
                self.assertEqual(result.status, 0, result)
                self.assertIn(b"my-tool%s:./.libs/qn-my-tool.cc:265: (main) quenlo target name: "
                              b"my-tool.exe%s" % (encode(EXE), NEWLINE), result.stderr)
                received = result.received()
                self.assertEqual(received.argv[1:], [b"x y"])
                self.assertEqual(received.env["PATH"],
                                 b"/opt/my-deps/lib;/opt/my-deps/lib;/opt/my-deps/bin")
                dumped = self.launch(exe, ["--qn-dump-script"])
                self.assertEqual((dumped.status, dumped.stdout), (0, script.read_bytes()))
                lines = script.read_text().split("\n")
                self.assertEqual(lines[2],
                                 "# my-tool - temporary wrapper script for .libs/my-tool.exe")
                self.assertEqual(lines[190], "    PATH=/opt/my-deps/lib:/opt/my-deps/bin:$PATH")

    def test_a_broken_values_file_is_refused_as_ever(self):
        broken = self.new_dir() / "broken.cmake"
        broken.write_text("set(program_dirs /a)\n")
        _, done = self.configure(self.installed_package(), "-DMY_TOOL_VALUES=%s" % broken)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("values file %s: field 'library_dirs': is missing" % broken,
                      " ".join(done.stderr.split()))


if __name__ == "__main__":
    unittest.main()
