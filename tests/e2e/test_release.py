"""Release artifacts that can be verified: the same commit, built twice from two checkouts at
different paths, at different times, packed in different time zones, gives byte-identical
launchers, ZIP and SHA256SUMS."""
import os
import shutil
import subprocess
import unittest

from config import CMAKE, CPACK, DELIVERABLES, EXE, SANITIZED, SOURCE_DIR, WINDOWS
from harness import TreeTestCase

PRESET = "windows" if WINDOWS else "native"


def checkout(destination):
    """This commit at `destination`: a clone where the source is a git checkout, so that the
    package takes the commit's time; else a copy, and the time from SOURCE_DATE_EPOCH."""
    inside = subprocess.run(["git", "-C", str(SOURCE_DIR), "rev-parse", "--is-inside-work-tree"],
                            capture_output=True, text=True) if shutil.which("git") else None
    if inside is not None and inside.stdout.strip() == "true":
        subprocess.run(["git", "clone", "-q", str(SOURCE_DIR), str(destination)], check=True,
                       timeout=120)
        return {}
    shutil.copytree(SOURCE_DIR, destination, ignore=shutil.ignore_patterns("build", ".git"))
    return {"SOURCE_DATE_EPOCH": "1700000000"}


@unittest.skipIf(SANITIZED, "the release builds are the plain ones")
class ReproducibleBuildTest(TreeTestCase):
    def build(self, place, time_zone):
        source = self.new_dir() / place / "quenlo"
        env = dict(os.environ, TZ=time_zone, **checkout(source))
        env.pop("QN_TEST_CONFIG", None)
        prefix = source.parent / "prefix"
        for command in ([CMAKE, "--preset", PRESET, "-DBUILD_TESTING=OFF"],
                        [CMAKE, "--build", "--preset", PRESET],
                        [CMAKE, "--install", "build/" + PRESET, "--prefix", str(prefix), "--strip"],
                        [CPACK, "--preset", PRESET]):
            done = subprocess.run(command, cwd=source, env=env, capture_output=True, text=True,
                                  timeout=300)
            self.assertEqual(done.returncode, 0, "%s: %s" % (command, done.stdout[-2000:]))
        out = source / "build" / PRESET
        package = [p for p in out.iterdir() if p.suffix == ".zip"]
        self.assertEqual(len(package), 1)
        artifacts = {"bin/" + name + EXE: (prefix / "bin" / (name + EXE)).read_bytes()
                     for name in DELIVERABLES}
        artifacts.update({package[0].name: package[0].read_bytes(),
                          "SHA256SUMS": (out / "SHA256SUMS").read_bytes()})
        for path, data in artifacts.items():
            self.assertNotIn(os.fsencode(source), data, path)
        return artifacts

    def test_two_builds_from_two_places(self):
        first = self.build("a", "UTC")
        second = self.build("a deeper place \u00e9/with blanks", "Asia/Tokyo")
        self.assertEqual(sorted(first), sorted(second))
        for path in first:
            self.assertEqual(first[path], second[path], path)


if __name__ == "__main__":
    unittest.main()
