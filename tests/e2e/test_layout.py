"""The layout's promises: what differs by platform lives in platform/ alone."""
import re
import unittest
from pathlib import Path

from harness import WINDOWS

SOURCE = Path(__file__).resolve().parent.parent.parent


@unittest.skipIf(WINDOWS, "a property of the sources, checked once")
class LayoutTest(unittest.TestCase):
    def test_no_platform_conditionals_outside_the_platform_layer(self):
        files = [p for folder in ("launcher", "support", "script") for p in (SOURCE / folder).iterdir()]
        files.append(SOURCE / "platform" / "platform.h")
        self.assertGreater(len(files), 8)
        for path in files:
            with self.subTest(path.name):
                self.assertIsNone(re.search(r"^\s*#\s*if", path.read_text(), re.M))

    def test_every_source_file_says_what_lives_in_it(self):
        for folder in ("launcher", "support", "script", "platform"):
            for path in (SOURCE / folder).iterdir():
                with self.subTest(path.name):
                    self.assertRegex(path.read_text().split("\n")[0], r"^// \S")


if __name__ == "__main__":
    unittest.main()
