"""The report of the test targets (tests/programs/print_arguments.h): "argv[I] TEXT",
"env NAME TEXT" or "env NAME unset", and from the Unicode target "cwd TEXT", where TEXT keeps the
bytes 0x21 to 0x7E but the backslash, writes it as "\\\\" and any other byte as "\\xHH"."""
import re


def unescape(text):
    return re.sub(rb"\\(\\|x([0-9A-F]{2}))",
                  lambda m: b"\\" if m.group(1) == b"\\" else bytes([int(m.group(2), 16)]), text)


class Received:
    """What a test target reported: its argv, the variables it was asked for and, from the
    Unicode target, its working directory, as bytes (UTF-8 from the Unicode target)."""

    def __init__(self, stdout):
        self.argv, self.env, self.cwd = [], {}, None
        for line in stdout.split(b"\n"):
            fields = line.split(b" ")
            if fields[0].startswith(b"argv["):
                self.argv.append(unescape(fields[1]))
            elif fields[0] == b"env":
                self.env[fields[1].decode()] = None if fields[2] == b"unset" else unescape(fields[2])
            elif fields[0] == b"cwd":
                self.cwd = unescape(fields[1])
