"""The install step and the package: the launchers stripped, their wrapper scripts, the licence
and the README, the CMake package; nothing of the tests; an installed launcher that works beside
a .libs; and a ZIP of the same files, written so that it can be verified."""
import hashlib
import platform
import struct
import subprocess
import unittest
import zipfile
from pathlib import Path

from config import BUILD_DIR, CMAKE, CPACK, DELIVERABLES, EXE, SOURCE_DIR, VERSION, WINDOWS
from harness import NEWLINE, TreeTestCase, generated_launchers, launcher_value

LAUNCHER = "fyx-rebuild-index"
# A stripped Windows launcher is about 40 KiB; a host one carries the static C library.
MOST_BYTES = 64 * 1024


def install(prefix):
    subprocess.run([CMAKE, "--install", str(BUILD_DIR), "--prefix", str(prefix), "--strip"],
                   check=True, capture_output=True, timeout=120)


def files_under(root):
    return sorted(str(p.relative_to(root)) for p in Path(root).rglob("*") if p.is_file())


def has_symbols(path):
    """Whether an executable image carries a symbol table: a COFF one in a PE image, a section
    of type SHT_SYMTAB in a 64-bit ELF one."""
    image = Path(path).read_bytes()
    if image[:2] == b"MZ":
        header = struct.unpack_from("<I", image, 0x3C)[0] + 4
        return struct.unpack_from("<I", image, header + 12)[0] != 0
    assert image[:5] == b"\x7fELF\x02", path
    offset, = struct.unpack_from("<Q", image, 0x28)
    size, count = struct.unpack_from("<HH", image, 0x3A)
    return any(struct.unpack_from("<I", image, offset + n * size + 4)[0] == 2
               for n in range(count))


class InstallTest(TreeTestCase):
    def test_install_tree(self):
        prefix = self.new_dir() / "prefix"
        install(prefix)
        files = files_under(prefix)
        programs = {"bin/%s%s" % (name, EXE) for name in DELIVERABLES}
        copies = {"share/quenlo/%s.sh" % name: BUILD_DIR / "generated" / name / "wrapper-script.sh"
                  for name in DELIVERABLES}
        copies.update({"share/doc/quenlo/LICENSE": SOURCE_DIR / "LICENSE",
                       "share/doc/quenlo/README.md": SOURCE_DIR / "README.md",
                       "lib/cmake/quenlo/wrapper-script.sh.in":
                           SOURCE_DIR / "targets" / "wrapper-script.sh.in"})
        self.assertLessEqual(programs | set(copies), set(files))
        for path, source in copies.items():
            self.assertEqual((prefix / path).read_bytes(), source.read_bytes(), path)
        self.assertIn("lib/cmake/quenlo/quenloConfig.cmake", files)
        # Only the deliverables: the build's launchers for the tests are not there.
        self.assertLess(set(DELIVERABLES), set(generated_launchers()))
        self.assertEqual({f for f in files if f.startswith("bin/")}, programs)

        for path in sorted(programs):
            with self.subTest(path):
                installed, built = prefix / path, BUILD_DIR / Path(path).name
                self.assertTrue(has_symbols(built))  # the build tree keeps them for debugging
                self.assertFalse(has_symbols(installed))
                if WINDOWS:
                    self.assertLessEqual(installed.stat().st_size, MOST_BYTES)
                    self.assert_windows_launcher_image(installed)

        exe = self.make_tree(LAUNCHER, image=prefix / "bin" / (LAUNCHER + EXE))
        result = self.launch(exe, ["--qn-debug", "a b"])
        self.assertEqual(result.status, 0, result)
        self.assertEqual(result.received().argv[1:], [b"a b"])
        self.assertIn(b":%s:265: (main) quenlo target name: %s%s"
                      % (launcher_value(LAUNCHER, "source_label"),
                         launcher_value(LAUNCHER, "target_program_file"), NEWLINE), result.stderr)

    def test_package_holds_what_the_install_step_installs(self):
        out, prefix = self.new_dir(), self.new_dir() / "prefix"
        subprocess.run([CPACK, "-B", str(out)], cwd=BUILD_DIR, check=True, capture_output=True,
                       timeout=300)
        install(prefix)
        system = "win64" if WINDOWS else "%s-%s" % (platform.system(), platform.machine())
        stem = "quenlo-launchers-%s-%s" % (VERSION, system)
        self.assertEqual(sorted(p.name for p in out.iterdir() if p.is_file()),
                         ["SHA256SUMS", stem + ".zip"])
        package = out / (stem + ".zip")
        self.assertEqual((out / "SHA256SUMS").read_text(),
                         "%s  %s\n" % (hashlib.sha256(package.read_bytes()).hexdigest(),
                                       package.name))
        with zipfile.ZipFile(package) as archive:
            entries = archive.infolist()
            names = [e.filename for e in entries]
            self.assertEqual(names, sorted(names))
            self.assertEqual(len({e.date_time for e in entries}), 1)
            self.assertEqual([e.extra for e in entries if e.extra], [])
            files = [n[len(stem) + 1:] for n in names if not n.endswith("/")]
            self.assertEqual(sorted(files), files_under(prefix))
            for path in files:
                self.assertEqual(archive.read(stem + "/" + path), (prefix / path).read_bytes(),
                                 path)


if __name__ == "__main__":
    unittest.main()
