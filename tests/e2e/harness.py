"""Runs the real launchers end to end, natively or under Wine, in temporary build trees."""
import atexit
import codecs
import functools
import json
import os
import platform
import pty
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

# This checkout: the tests read some of its files as they are.
SOURCE_DIR = Path(__file__).resolve().parent.parent.parent
PLATFORM = os.environ.get("QN_PLATFORM", "native")
WINDOWS = PLATFORM == "windows"
BUILD_DIR = Path(os.environ.get("QN_BUILD_DIR", "../../build/native")).resolve()
PROGRAMS_DIR = Path(os.environ.get("QN_PROGRAMS_DIR", BUILD_DIR / "tests" / "programs"))
EXE = os.environ.get("QN_EXE_SUFFIX", "")
LAUNCHERS = os.environ.get("QN_LAUNCHERS", "fyx-probe-plugins-3.0,fyx-rebuild-index").split(",")
TEST_LAUNCHERS_DIR = Path(os.environ.get("QN_TEST_LAUNCHERS_DIR", BUILD_DIR / "tests"))
NEWLINE = b"\r\n" if WINDOWS else b"\n"


def _scratch_root(prefix):
    """A fresh directory of this test process, removed when it ends. It lives in /tmp, not in the
    build tree, so that its length does not depend on where the checkout is."""
    root = Path(tempfile.mkdtemp(prefix=prefix, dir="/tmp" if os.access("/tmp", os.W_OK) else None))
    atexit.register(shutil.rmtree, root, True)
    return root


# Every tree of the tests lies here. The name holds a blank and a non-ASCII letter on purpose, so
# that every run takes paths with both through the launcher; the letter is one of code page 1252,
# the ANSI code page of the Wine processes.
SCRATCH = _scratch_root("qn \u00e9-")
# For the few runs in another code page, where that letter cannot be written: ASCII only.
ASCII_SCRATCH = _scratch_root("qn-")

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")


def wine_command(*args):
    """The command that starts a Windows program under Wine. Linux 6 randomises the program break
    over a gigabyte above Wine's preloader, and now and then it falls where Wine maps the shared
    user data: that process ends at once with status 1 ("failed to map the shared user data",
    about one start in 3,000 here; a launcher's target meets it as a failed spawn, 127). Without
    address randomisation, which every process started from this one inherits, it never does."""
    return ["setarch", platform.machine(), "--addr-no-randomize", WINE] + [str(a) for a in args]


DEFAULT_LOCALE = "C.UTF-8"


def wine_environment(locale=DEFAULT_LOCALE):
    """The environment of a wine64 process; `locale`, a Unix locale name, picks Wine's ANSI code
    page: 1252 for C.UTF-8, whatever the machine's own locale."""
    env = dict(os.environ)
    env.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG=locale, LC_ALL=locale)
    env.pop("DISPLAY", None)
    return env


def windows_path(path):
    """The Wine name of a Unix path (drive Z: is the Unix root); a Windows path stays as it is."""
    if isinstance(path, str) and re.match(r"[A-Za-z]:", path):
        return path
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def host_path(path):
    """The path that the launcher sees for a tree path on this platform."""
    return windows_path(path) if WINDOWS else str(Path(path).resolve())


def generated_launchers():
    """Every launcher the build generated values for, test launchers included."""
    return sorted(p.name for p in (BUILD_DIR / "generated").iterdir())


@functools.lru_cache(maxsize=None)
def launcher_values(launcher):
    """The constants of a launcher, as the build generated them for it."""
    path = BUILD_DIR / "generated" / launcher / "wrapper_values.json"
    return json.loads(path.read_text(encoding="utf-8"))


def launcher_value(launcher, field):
    """One constant of a launcher, as bytes."""
    return launcher_values(launcher)[field].encode()


def launcher_exe(launcher):
    """A launcher as built: deliverables at the top of the build tree, test launchers in tests/."""
    path = BUILD_DIR / (launcher + EXE)
    return path if path.exists() else TEST_LAUNCHERS_DIR / (launcher + EXE)


def target_file(launcher):
    return os.fsdecode(launcher_value(launcher, "target_program_file"))


def quote_for_runtime(arg):
    """Command-line form of one argument for the runtime's splitting, written independently of
    the launcher's quoting: enclose everything, double backslashes before quotes and at the end."""
    out = bytearray(b'"')
    backslashes = 0
    for byte in arg:
        if byte == 0x5C:
            backslashes += 1
            continue
        if byte == 0x22:
            out += b"\\" * (2 * backslashes + 1)
        else:
            out += b"\\" * backslashes
        backslashes = 0
        out.append(byte)
    out += b"\\" * (2 * backslashes) + b'"'
    return bytes(out)


def quote_if_needed(arg):
    """`arg` itself when it holds no blank, control character, quote or backslash (nor is empty),
    else quote_for_runtime's form: a compact line for tests whose lines must hold much."""
    special = set(b' \t"\\') | set(range(1, 32))
    return arg if arg and not special & set(arg) else quote_for_runtime(arg)


class Result:
    def __init__(self, status, stdout, stderr, microseconds=None):
        self.status, self.stdout, self.stderr = status, stdout, stderr
        # Under Wine, how long each start took until its end, as the runner measured it.
        self.microseconds = microseconds

    def received(self):
        """What the test target printed: its argv and the variables it was asked for."""
        return Received(self.stdout)

    def __repr__(self):
        return "Result(status=%r, stdout=%r, stderr=%r)" % (self.status, self.stdout, self.stderr)


def unescape(text):
    return re.sub(rb"\\(\\|x([0-9A-F]{2}))",
                  lambda m: b"\\" if m.group(1) == b"\\" else bytes([int(m.group(2), 16)]), text)


class Received:
    """A test target's report: argv, the variables it was asked for and, from the Unicode
    target, its working directory (bytes; UTF-8 from the Unicode target)."""

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


def _undefined_in_1252(error):
    """Windows maps the five bytes that code page 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
    0x9D) to the control characters of the same numbers, and back; Python's codec refuses them."""
    if isinstance(error, UnicodeDecodeError):
        return chr(error.object[error.start]), error.start + 1
    char = error.object[error.start]
    if ord(char) in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
        return bytes([ord(char)]), error.start + 1
    raise error


codecs.register_error("qn-1252", _undefined_in_1252)


def as_text(value):
    """Under Wine, the text that `value` stands for: text (or a path) as it is, and bytes as a
    narrow caller in Wine's ANSI code page (1252, as wine_environment picks) means them."""
    value = os.fspath(value)
    return value.decode("cp1252", "qn-1252") if isinstance(value, bytes) else value


def encode(text):
    """Bytes as the launcher sees and writes them: under Wine, where its manifest makes its code
    page UTF-8, `text` in UTF-8 (bytes count as as_text says); on the host bytes as they are and
    text in the file system's encoding. The wrapper script and the Unicode target write UTF-8."""
    if WINDOWS:
        return as_text(text).encode("utf-8")
    text = os.fspath(text)
    return text if isinstance(text, bytes) else os.fsencode(text)


def narrow(text):
    """Bytes as a narrow target reports them: under Wine in the ANSI code page 1252, which has
    no room for what lies beyond it; on the host as encode gives them."""
    if WINDOWS:
        return as_text(text).encode("cp1252", "qn-1252")
    return encode(text)


def run(program, argv, cwd, env=None, unset=(), command_line=None, timeout=60,
        locale=DEFAULT_LOCALE, code_page=None, repeat=1):
    """Starts `program` with exactly `argv` (argv[0] included) or, under Wine, with the raw
    `command_line`, `repeat` times in a row; `env` sets and `unset` removes variables of the
    inherited environment. Under Wine the caller is a Unicode program and every text goes as
    as_text says, or, with `code_page`, as the bytes of a narrow caller in that code page;
    `locale` picks the ANSI code page of the other Windows programs."""
    if WINDOWS:
        return _run_windows(program, argv, cwd, env or {}, unset, command_line, timeout, locale,
                            code_page, repeat)
    assert repeat == 1, "only the runner under Wine repeats a start"
    environment = dict(os.environb)
    for name in unset:
        environment.pop(encode(name), None)
    environment.update({encode(k): encode(v) for k, v in (env or {}).items()})
    done = subprocess.run([encode(a) for a in argv], executable=program, cwd=cwd,
                          env=environment, capture_output=True, timeout=timeout)
    return Result(done.returncode, done.stdout, done.stderr)


def write_request(path, program, argv, cwd, env, unset, command_line, code_page=None, repeat=1):
    """The request file of qn_runner (tests/programs/qn_runner.cc says what each key means)."""
    def request_text(value):
        # Quotes and backslashes are single bytes of their own in UTF-8, so a line can be quoted
        # in its bytes.
        if code_page is None:
            return as_text(value).encode("utf-8")
        value = os.fspath(value)
        return value if isinstance(value, bytes) else value.encode("cp%d" % code_page)
    if command_line is None:
        line = b" ".join(quote_for_runtime(request_text(a)) for a in argv)
    else:
        line = request_text(command_line)
    lines = [b"program " + request_text(windows_path(program)).hex().encode(),
             b"command-line " + line.hex().encode(),
             b"directory " + request_text(windows_path(cwd)).hex().encode(),
             b"repeat " + (b"%d" % repeat).hex().encode()]
    if code_page is not None:
        lines.append(b"code-page " + (b"%d" % code_page).hex().encode())
    lines += [b"unset " + request_text(name).hex().encode() for name in unset]
    lines += [b"set " + (request_text(k) + b"=" + request_text(v)).hex().encode()
              for k, v in env.items()]
    path.write_bytes(b"\n".join(lines) + b"\n")


def read_result(path, program, runner_status, runner_stderr):
    """The exit code of the last start that the runner reports, and how long each start took."""
    text = path.read_text() if path.exists() else ""
    outcome = text.split()
    if not outcome:
        raise RuntimeError("runner left %s for %s (runner status %s, stderr %r)"
                           % ("an empty result" if path.exists() else "no result", program,
                              runner_status, runner_stderr))
    if outcome[0] != "exit":
        raise RuntimeError("runner could not start %s: %s (runner stderr %r)"
                           % (program, outcome, runner_stderr))
    return int(outcome[1]), [int(t) for t in outcome[3:]]


def scratch_for(locale):
    """The scratch root whose name the code page of `locale` can write."""
    return SCRATCH if locale == DEFAULT_LOCALE else ASCII_SCRATCH


def runner_for(locale):
    """The runner, where Wine can open it in `locale`. Wine reads Unix file names in the charset
    of the C library's locale, and where that locale is not installed (as ja_JP.UTF-8 seldom is)
    in ASCII: a checkout path with a non-ASCII letter then cannot be opened."""
    runner = PROGRAMS_DIR / "qn_runner.exe"
    if locale == DEFAULT_LOCALE:
        return runner
    copy = ASCII_SCRATCH / runner.name
    if not copy.exists():
        shutil.copy(runner, copy)
    return copy


def _run_windows(program, argv, cwd, env, unset, command_line, timeout, locale, code_page, repeat):
    root = scratch_for(locale)
    with tempfile.TemporaryDirectory(dir=root) as work:
        request, result = Path(work) / "request", Path(work) / "result"
        write_request(request, program, argv, cwd, env, unset, command_line, code_page, repeat)
        done = subprocess.run(wine_command(runner_for(locale), windows_path(request),
                                           windows_path(result)), cwd=root,
                              env=wine_environment(locale), capture_output=True, timeout=timeout)
        status, microseconds = read_result(result, program, done.returncode, done.stderr)
        return Result(status, done.stdout, done.stderr, microseconds)


def _wait_for(path, deadline):
    while not path.exists():
        if time.monotonic() > deadline:
            raise TimeoutError("%s never appeared" % path)
        time.sleep(0.02)


def run_interrupted(program, argv, cwd, env, signal_number=signal.SIGINT, to_target_only=False,
                    ignore_interrupts=False, timeout=30):
    """Starts `program` as run() does and, once the test target has started (it writes the file
    that QN_READY names), interrupts it: on the host `signal_number` goes to the process group
    of the launcher and the target, or to the target alone; under Wine a Ctrl+C is typed at the
    console that they share. Returns the status and whether the launcher was still running a
    moment after the interrupt (None under Wine, where only the runner can be watched)."""
    with tempfile.TemporaryDirectory(dir=SCRATCH) as work:
        ready = Path(work) / "ready"
        env = dict(env, QN_READY=host_path(ready))
        deadline = time.monotonic() + timeout
        if WINDOWS:
            return _interrupt_windows(program, argv, cwd, env, Path(work), ready, deadline), None
        environment = dict(os.environb)
        environment.update({encode(k): encode(v) for k, v in env.items()})
        preexec = (lambda: signal.signal(signal.SIGINT, signal.SIG_IGN)) if ignore_interrupts else None
        launcher = subprocess.Popen([encode(a) for a in argv], executable=program, cwd=cwd,
                                    env=environment, stdout=subprocess.DEVNULL,
                                    start_new_session=True, preexec_fn=preexec)
        try:
            _wait_for(ready, deadline)
            if to_target_only:
                os.kill(int(ready.read_text()), signal_number)
            else:
                os.killpg(launcher.pid, signal_number)
            time.sleep(0.2)
            alive = launcher.poll() is None
            return launcher.wait(timeout=timeout), alive
        finally:
            if launcher.poll() is None:
                os.killpg(launcher.pid, signal.SIGKILL)


def _interrupt_windows(program, argv, cwd, env, work, ready, deadline):
    # Wine gives programs a console only on a terminal, and a Ctrl+C typed there reaches every
    # process of that console: the runner (which stays), the launcher and the target.
    request, result = work / "request", work / "result"
    write_request(request, program, argv, cwd, env, (), None)
    child, terminal = pty.fork()
    if child == 0:
        command = wine_command(PROGRAMS_DIR / "qn_runner.exe", windows_path(request),
                               windows_path(result))
        os.execvpe(command[0], command, wine_environment())
    interrupted = False
    try:
        while True:
            if not interrupted and ready.exists():
                os.write(terminal, b"\x03")
                interrupted = True
            readable, _, _ = select.select([terminal], [], [], 0.05)
            if readable:
                try:
                    if not os.read(terminal, 65536):
                        break
                except OSError:  # the terminal closes when the runner ends
                    break
            if time.monotonic() > deadline:
                raise TimeoutError("no end after the interrupt")
    finally:
        os.close(terminal)
        _, status = os.waitpid(child, 0)
    return read_result(result, program, os.waitstatus_to_exitcode(status), b"")[0]


class TreeTestCase(unittest.TestCase):
    """A test case that builds small build trees in a scratch directory of its own."""

    def new_dir(self, root=SCRATCH):
        path = Path(tempfile.mkdtemp(dir=root))
        self.addCleanup(shutil.rmtree, path, True)
        return path

    def launch(self, exe, args, cwd=None, argv0=None, **kwargs):
        """Runs the launcher `exe` with `args` as run() does: argv[0] is its full path unless
        `argv0` says otherwise, and it starts in its own directory unless `cwd` says otherwise."""
        return run(exe, [argv0 or host_path(exe)] + list(args), cwd=cwd or exe.parent, **kwargs)

    def make_tree(self, launcher=LAUNCHERS[0], name=None, subdir="bin", target="qn_test_target",
                  image=None, root=SCRATCH):
        """A tree with the launcher at <root>/<subdir>/<name> and the program `target` (none when
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
