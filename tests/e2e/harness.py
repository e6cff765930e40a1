"""Runs the real launchers end to end, natively or under Wine, in temporary build trees: the
trees, run(), what the launcher sees and writes, and its trace."""
import atexit
import functools
import json
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import pe
import wine
from config import (BUILD_DIR, EXE, OBJDUMP, PROGRAMS_DIR, SOURCE_DIR, TEST_LAUNCHERS_DIR,
                    WINDOWS)
from report import Received

NEWLINE = b"\r\n" if WINDOWS else b"\n"


def _scratch_root(prefix):
    """A fresh directory of this test process, removed when it ends. It lives in /tmp, not in the
    build tree, so that its length does not depend on where the checkout is."""
    root = Path(tempfile.mkdtemp(prefix=prefix, dir="/tmp" if os.access("/tmp", os.W_OK) else None))
    atexit.register(shutil.rmtree, root, True)
    return root


# Every tree of the tests lies here. The name holds a blank and a non-ASCII letter on purpose, so
# that every run takes paths with both through the launcher; the letter is one of code page 1252,
# the ANSI code page of the Wine processes, so that a narrow target can name it too.
SCRATCH = _scratch_root("qn \u00e9-")
# For the few runs in another code page, where that letter cannot be written: ASCII only.
ASCII_SCRATCH = _scratch_root("qn-")


def encode(text):
    """Bytes as the launcher sees and writes them: under Wine, where its manifest makes its code
    page UTF-8, `text` in UTF-8 (bytes count as wine.as_text says); on the host bytes as they are
    and text in the file system's encoding. The wrapper script and the Unicode target write
    UTF-8 too."""
    if WINDOWS:
        return wine.as_text(text).encode("utf-8")
    text = os.fspath(text)
    return text if isinstance(text, bytes) else os.fsencode(text)


def narrow(text):
    """Bytes as a narrow target reports them: under Wine in the ANSI code page 1252; on the host
    as encode gives them."""
    return wine.in_1252(text) if WINDOWS else encode(text)


def host_path(path):
    """The path that the launcher sees for a tree path on this platform."""
    return wine.windows_path(path) if WINDOWS else str(Path(path).resolve())


def generated_launchers():
    """Every launcher the build generated values for, test launchers included."""
    return sorted(p.name for p in (BUILD_DIR / "generated").iterdir())


@functools.lru_cache(maxsize=None)
def launcher_values(launcher):
    """The values of a launcher, as the build generated them for it."""
    path = BUILD_DIR / "generated" / launcher / "launcher_values.json"
    return json.loads(path.read_text(encoding="utf-8"))


def launcher_value(launcher, field):
    """One value of a launcher, as bytes."""
    return launcher_values(launcher)[field].encode()


def launcher_exe(launcher):
    """A launcher as built: deliverables at the top of the build tree, test launchers in tests/."""
    path = BUILD_DIR / (launcher + EXE)
    return path if path.exists() else TEST_LAUNCHERS_DIR / (launcher + EXE)


def target_file(launcher):
    return launcher_values(launcher)["target_program_file"]


def script_text(launcher):
    """The wrapper script that the build generated for a launcher."""
    return (BUILD_DIR / "generated" / launcher / "wrapper-script.sh").read_bytes()


class Result:
    def __init__(self, status, stdout, stderr, microseconds=None, watched=None):
        self.status, self.stdout, self.stderr = status, stdout, stderr
        # Under Wine, how long each start took until its end, as the runner measured it, and
        # what became of the process it watched.
        self.microseconds, self.watched = microseconds, watched

    def received(self):
        """What the test target reported: its argv and the variables it was asked for."""
        return Received(self.stdout)

    def __repr__(self):
        return "Result(status=%r, stdout=%r, stderr=%r)" % (self.status, self.stdout, self.stderr)


def run(program, argv, cwd, env=None, unset=(), command_line=None, timeout=60,
        locale=wine.DEFAULT_LOCALE, code_page=None, repeat=1, runner=None):
    """Starts `program` with exactly `argv` (argv[0] included) or, under Wine, with the raw
    `command_line`, `repeat` times in a row; `env` sets and `unset` removes variables of the
    inherited environment. Under Wine the caller is a Unicode program and every text goes as
    wine.as_text says, or, with `code_page`, as the bytes of a narrow caller in that code page;
    `locale` picks the ANSI code page of the other Windows programs, and `runner` holds further
    keys of the runner's request (watching a process, killing the program, a caller's job)."""
    if WINDOWS:
        root = SCRATCH if locale == wine.DEFAULT_LOCALE else ASCII_SCRATCH
        return Result(*wine.run_through_runner(root, ASCII_SCRATCH, program, argv, cwd, env or {},
                                               unset, command_line, timeout, locale, code_page,
                                               repeat, runner))
    assert repeat == 1 and runner is None, "only the runner under Wine"
    environment = dict(os.environb)
    for name in unset:
        environment.pop(encode(name), None)
    environment.update({encode(k): encode(v) for k, v in (env or {}).items()})
    done = subprocess.run([encode(a) for a in argv], executable=program, cwd=cwd,
                          env=environment, capture_output=True, timeout=timeout)
    return Result(done.returncode, done.stdout, done.stderr)


class TreeTestCase(unittest.TestCase):
    """A test case that builds small build trees in a scratch directory of its own."""

    def assert_windows_launcher_image(self, image):
        """A Windows launcher, wherever it was built: the UTF-8 manifest, and nothing to import
        but KERNEL32.dll and msvcrt.dll."""
        manifest = (SOURCE_DIR / "platform" / "utf8_code_page.manifest").read_bytes()
        self.assertEqual(pe.manifest(image), manifest, image)
        dump = subprocess.run([OBJDUMP, "-p", str(image)], check=True, capture_output=True,
                              text=True).stdout
        self.assertEqual(sorted(line.split()[-1] for line in dump.splitlines()
                                if "DLL Name:" in line), ["KERNEL32.dll", "msvcrt.dll"], image)

    def new_dir(self, root=SCRATCH):
        path = Path(tempfile.mkdtemp(dir=root))
        self.addCleanup(shutil.rmtree, path, True)
        return path

    def launch(self, exe, args, cwd=None, argv0=None, **kwargs):
        """Runs the launcher `exe` with `args` as run() does: argv[0] is its full path unless
        `argv0` says otherwise, and it starts in its own directory unless `cwd` says otherwise."""
        return run(exe, [argv0 or host_path(exe)] + list(args), cwd=cwd or exe.parent, **kwargs)

    def make_tree(self, launcher, name=None, subdir="bin", target="qn_test_target", image=None,
                  root=SCRATCH):
        """A tree with `launcher` at <root>/<subdir>/<name> and the program `target` (none when
        false) in .libs beside it under the launcher's target file name. `image` is another build
        of the launcher to put there. Returns the launcher."""
        directory = self.new_dir(root) / subdir
        directory.mkdir(parents=True, exist_ok=True)
        exe = directory / ((name or launcher) + EXE)
        shutil.copy(image or launcher_exe(launcher), exe)
        if target:
            (directory / ".libs").mkdir()
            shutil.copy(PROGRAMS_DIR / (target + EXE), directory / ".libs" / target_file(launcher))
        return exe


def trace(program_name, label, entries):
    """The bytes of diagnostic lines: (line number, text) pairs, each text without its newline."""
    return b"".join(b"%s:%s:%d: %s%s" % (encode(program_name), label, line, encode(text), NEWLINE)
                    for line, text in entries)
