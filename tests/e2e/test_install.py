"""The install step and the package: each deliverable's launcher and wrapper script, nothing of
the tests, and an installed launcher that works beside a .libs."""
import platform
import subprocess
import unittest
import zipfile
from pathlib import Path

import pe
from config import BUILD_DIR, CMAKE, CPACK, DELIVERABLES, EXE, SOURCE_DIR, VERSION, WINDOWS
from harness import NEWLINE, TreeTestCase, generated_launchers, launcher_value

LAUNCHER = "fyx-rebuild-index"


def expected_tree():
    """Path (relative to the prefix) -> the file of the build tree that must stand there."""
    tree = {}
    for name in DELIVERABLES:
        tree["bin/" + name + EXE] = BUILD_DIR / (name + EXE)
        tree["share/quenlo/%s.sh" % name] = BUILD_DIR / "generated" / name / "wrapper-script.sh"
    return tree


def files_under(root):
    return sorted(str(p.relative_to(root)) for p in Path(root).rglob("*") if p.is_file())


class InstallTest(TreeTestCase):
    def test_install_tree_and_an_installed_launcher_at_work(self):
        prefix = self.new_dir() / "prefix"
        subprocess.run([CMAKE, "--install", str(BUILD_DIR), "--prefix", str(prefix)], check=True,
                       capture_output=True, timeout=120)
        tree = expected_tree()
        self.assertEqual(files_under(prefix), sorted(tree))
        for path, built in tree.items():
            with self.subTest(path):
                self.assertEqual((prefix / path).read_bytes(), built.read_bytes())
                if WINDOWS and path.startswith("bin/"):
                    self.assertEqual(pe.manifest(prefix / path), (
                        SOURCE_DIR / "platform" / "utf8_code_page.manifest").read_bytes())
        # The build has launchers for the tests only, and the tree above holds none of them.
        self.assertLess(set(DELIVERABLES), set(generated_launchers()))

        launcher = LAUNCHER
        exe = self.make_tree(launcher, image=prefix / "bin" / (launcher + EXE))
        result = self.launch(exe, ["--qn-debug", "a b"])
        self.assertEqual(result.status, 0, result)
        self.assertEqual(result.received().argv[1:], [b"a b"])
        self.assertIn(b":%s:265: (main) quenlo target name: %s%s"
                      % (launcher_value(launcher, "source_label"),
                         launcher_value(launcher, "target_program_file"), NEWLINE), result.stderr)

    def test_package_holds_what_the_install_step_installs(self):
        out = self.new_dir()
        subprocess.run([CPACK, "-B", str(out)], cwd=BUILD_DIR, check=True, capture_output=True,
                       timeout=300)
        system = "win64" if EXE else "%s-%s" % (platform.system(), platform.machine())
        stem = "quenlo-launchers-%s-%s" % (VERSION, system)
        self.assertEqual([p.name for p in out.glob("*.zip")], [stem + ".zip"])
        with zipfile.ZipFile(out / (stem + ".zip")) as archive:
            names = sorted(n[len(stem) + 1:] for n in archive.namelist() if not n.endswith("/"))
            self.assertEqual(names, sorted(expected_tree()))
            for path, built in expected_tree().items():
                self.assertEqual(archive.read(stem + "/" + path), built.read_bytes(), path)


if __name__ == "__main__":
    unittest.main()
