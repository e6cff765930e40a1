"""Wine and the runner protocol: how the tests start Windows programs under Wine, through the
runner tests/programs/qn_runner.cc, and the Wine server of a test run (`wine.py start` before it,
`wine.py stop` after it)."""
import codecs
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from config import PROGRAMS_DIR, WINE, WINEPREFIX, WINESERVER

DEFAULT_LOCALE = "C.UTF-8"


def wine_command(*args):
    """The command that starts a Windows program under Wine. Linux 6 randomises the program break
    over a gigabyte above Wine's preloader, and now and then it falls where Wine maps the shared
    user data: that process ends at once with status 1 ("failed to map the shared user data",
    about one start in 3,000 here; a launcher's target meets it as a failed spawn, 127). Without
    address randomisation, which every process started from this one inherits, it never does."""
    return ["setarch", platform.machine(), "--addr-no-randomize", WINE] + [str(a) for a in args]


def wine_environment(locale=DEFAULT_LOCALE):
    """The environment of a wine64 process; `locale`, a Unix locale name, picks Wine's ANSI code
    page: 1252 for C.UTF-8, whatever the machine's own locale."""
    env = dict(os.environ)
    env.update(WINEPREFIX=WINEPREFIX, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               LANG=locale, LC_ALL=locale)
    env.pop("DISPLAY", None)
    return env


def windows_path(path):
    """The Wine name of a Unix path (drive Z: is the Unix root); a Windows path stays as it is."""
    if isinstance(path, str) and re.match(r"[A-Za-z]:", path):
        return path
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


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
    """The text that `value` stands for under Wine: text (or a path) as it is, and bytes as a
    narrow caller in Wine's ANSI code page (1252, as wine_environment picks) means them."""
    value = os.fspath(value)
    return value.decode("cp1252", "qn-1252") if isinstance(value, bytes) else value


def in_1252(value):
    """The bytes of `value` in code page 1252, which has no room for what lies beyond it."""
    return as_text(value).encode("cp1252", "qn-1252")


def quote_for_runtime(arg):
    """Command-line form of one argument (bytes) for the runtime's splitting, written
    independently of the launcher's quoting: enclose everything, double backslashes before quotes
    and at the end."""
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


def write_request(path, program, argv, cwd, env, unset, command_line, code_page=None, repeat=1,
                  more=None):
    """The request file of qn_runner (tests/programs/qn_runner.cc says what each key means): every
    text as as_text says, in UTF-8, or with `code_page` the bytes of a narrow caller in it.
    `more` holds further keys and their values (a path for "watch")."""
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
    for key, value in (more or {}).items():
        value = windows_path(value) if key == "watch" else str(value)
        lines.append(key.encode() + b" " + request_text(value).hex().encode())
    path.write_bytes(b"\n".join(lines) + b"\n")


def read_result(path, program, runner_status, runner_stderr):
    """The exit code of the last start that the runner reports, how long each start took, and
    what became of a watched process ("ended", "alive", "none"; None without a watch)."""
    text = path.read_text() if path.exists() else ""
    outcome = text.split()
    if not outcome:
        raise RuntimeError("runner left %s for %s (runner status %s, stderr %r)"
                           % ("an empty result" if path.exists() else "no result", program,
                              runner_status, runner_stderr))
    if outcome[0] != "exit":
        raise RuntimeError("runner could not start %s: %s (runner stderr %r)"
                           % (program, outcome, runner_stderr))
    lines = text.splitlines()
    watched = lines[2].split()[1] if len(lines) > 2 else None
    return int(outcome[1]), [int(t) for t in lines[1].split()[1:]], watched


def runner_in(locale, ascii_root):
    """The runner, where Wine can open it in `locale`. Wine reads Unix file names in the charset
    of the C library's locale, and where that locale is not installed (as ja_JP.UTF-8 seldom is)
    in ASCII: a checkout path with a non-ASCII letter then cannot be opened. So outside the
    default locale it runs from a copy in `ascii_root`."""
    runner = PROGRAMS_DIR / "qn_runner.exe"
    if locale == DEFAULT_LOCALE:
        return runner
    copy = Path(ascii_root) / runner.name
    if not copy.exists():
        shutil.copy(runner, copy)
    return copy


def run_through_runner(work_root, ascii_root, program, argv, cwd, env, unset, command_line,
                       timeout, locale, code_page, repeat, more):
    """Starts `program` as write_request describes it, from a request in `work_root`: its exit
    status, standard output and error, the microseconds of each start, and what became of a
    watched process."""
    with tempfile.TemporaryDirectory(dir=work_root) as work:
        request, result = Path(work) / "request", Path(work) / "result"
        write_request(request, program, argv, cwd, env, unset, command_line, code_page, repeat,
                      more)
        done = subprocess.run(wine_command(runner_in(locale, ascii_root), windows_path(request),
                                           windows_path(result)), cwd=work_root,
                              env=wine_environment(locale), capture_output=True, timeout=timeout)
        status, microseconds, watched = read_result(result, program, done.returncode, done.stderr)
        return status, done.stdout, done.stderr, microseconds, watched


def start():
    env = wine_environment()
    # The server and the services that wineboot starts outlive this script: they must not hold on
    # to the test driver's output pipes.
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The first start of a new prefix creates it, which takes a few seconds; the server needs
    # its directory to exist.
    began = time.monotonic()
    os.makedirs(WINEPREFIX, exist_ok=True)
    if subprocess.run([WINESERVER, "-p"], env=env, timeout=60, **quiet).returncode != 0:
        # A server of an earlier run still lingers without -p: replace it by a persistent one.
        subprocess.run([WINESERVER, "-k"], env=env, timeout=60, **quiet)
        subprocess.run([WINESERVER, "-w"], env=env, timeout=60, **quiet)
        subprocess.run([WINESERVER, "-p"], env=env, check=True, timeout=60, **quiet)
    subprocess.run(wine_command("wineboot", "--init"), env=env, check=True, timeout=300, **quiet)
    print("wine prefix %s ready in %.1f s" % (WINEPREFIX, time.monotonic() - began))


def stop():
    subprocess.run([WINESERVER, "-k"], env=wine_environment(), timeout=60,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    {"start": start, "stop": stop}[sys.argv[1]]()
