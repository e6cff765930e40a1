"""Random argument vectors through the real launcher into the real target."""
import random
import time
import unittest

from config import WINDOWS
from harness import TreeTestCase

LAUNCHER = "fyx-probe-plugins-3.0"


def random_argument(rng, high_bytes):
    """Bytes 0x01 up, with blanks, tabs, quotes and runs of backslashes weighted up."""
    if rng.random() < 0.1:
        return b""
    out = bytearray()
    top = 0xFF if high_bytes else 0x7F
    for _ in range(rng.randint(1, 10)):
        kind = rng.random()
        if kind < 0.45:
            out += rng.choice([b" ", b"\t", b'"', b"\\", b"\n"])
        elif kind < 0.6:
            out += b"\\" * rng.randint(2, 6)
        else:
            out.append(rng.randint(1, top))
    return bytes(out)


class RandomVectorTest(TreeTestCase):
    def test_random_vectors_arrive_intact(self):
        # Under Wine the bytes are a narrow caller's in the ANSI code page (1252, as the harness
        # picks): they go to UTF-16, through the launcher's UTF-8 and UTF-16 again to the target's
        # 1252, and all of 0x01 to 0xFF survive that. test_quoting's test_double_byte_code_page
        # shows a code page where a caller's bytes do not, before the launcher sees them.
        vectors = 300 if WINDOWS else 1000
        rng = random.Random(20261210)
        exe = self.make_tree(LAUNCHER)
        began = time.monotonic()
        for n in range(vectors):
            args = [random_argument(rng, high_bytes=n % 2 == 1) for _ in range(rng.randint(1, 8))]
            result = self.launch(exe, args)
            self.assertEqual(result.received().argv[1:], args, "vector %d: %r" % (n, result))
        print("%d random vectors through the launcher in %.1f s"
              % (vectors, time.monotonic() - began))


if __name__ == "__main__":
    unittest.main()
