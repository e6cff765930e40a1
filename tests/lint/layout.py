"""Lint of the layout's promises: what differs by platform lives in platform/ alone, dependencies
run downward only, and each source file says what it holds."""
import re
import unittest
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent.parent
# From the top down: a folder may include from itself and from those after it only.
LAYERS = ["launcher", "support", "platform"]


def sources(folder):
    return sorted(p for p in (SOURCE / folder).iterdir() if p.suffix in (".h", ".cc"))


class LayoutTest(unittest.TestCase):
    def test_no_platform_conditionals_outside_the_platform_layer(self):
        files = sources("launcher") + sources("support") + [SOURCE / "platform" / "platform.h"]
        self.assertGreater(len(files), 8)
        for path in files:
            with self.subTest(path.name):
                self.assertIsNone(re.search(r"^\s*#\s*if", path.read_text(), re.M))

    def test_dependencies_run_downward(self):
        for level, folder in enumerate(LAYERS):
            for path in sources(folder):
                for included in re.findall(r'^#include "([^/"]+)/', path.read_text(), re.M):
                    with self.subTest(file=path.name, includes=included):
                        self.assertIn(included, LAYERS[level:])

    def test_every_source_file_says_what_lives_in_it(self):
        for folder in LAYERS:
            for path in sources(folder):
                with self.subTest(path.name):
                    self.assertRegex(path.read_text().split("\n")[0], r"^// \S")


if __name__ == "__main__":
    unittest.main()
