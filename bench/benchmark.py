"""What the launcher costs: against starting its target directly, against its own wrapper script,
and how its own work grows with its arguments and with PATH.

Writes bench/results.md (tables and the machine) and bench/scaling.png; run by bench/run.
"""
import json
import math
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build"
WORK = BUILD / "bench"
OUT = ROOT / "bench"
LAUNCHER = "fyx-probe-plugins-3.0"
TARGET_FILE = LAUNCHER + ".exe"
VALGRIND = shutil.which("valgrind") or "/usr/bin/valgrind"
# hyperfine splits its commands at blanks, so the arguments hold none.
HOST_TARGET_ARGS = ["alpha", "beta"]


def machine():
    def first(command):
        try:
            return subprocess.run(command, capture_output=True, text=True).stdout.splitlines()[0]
        except (OSError, IndexError):
            return "unknown"
    cpu = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                if line.startswith("model name")), "unknown")
    memory = next((line.split()[1] for line in Path("/proc/meminfo").read_text().splitlines()
                   if line.startswith("MemTotal")), "0")
    os_name = next((line.split("=", 1)[1].strip('"') for line in Path("/etc/os-release").read_text().splitlines()
                    if line.startswith("PRETTY_NAME")), "unknown")
    return [("CPU", "%s, %d cores" % (cpu, os.cpu_count())),
            ("Memory", "%.1f GiB" % (int(memory) / 1024 / 1024)),
            ("System", "%s, Linux %s" % (os_name, platform.release())),
            ("Compilers", "%s; %s" % (first(["g++", "--version"]),
                                      first(["x86_64-w64-mingw32-g++", "--version"]))),
            ("Wine", first(["/usr/lib/wine/wine64", "--version"])),
            ("Tools", "%s; %s" % (first(["hyperfine", "--version"]), first(["valgrind", "--version"])))]


def host_tree(name, target):
    """build/bench/<name>/bin: the host launcher, `target` as its program, and its dumped script."""
    directory = WORK / name / "bin"
    shutil.rmtree(directory.parent, ignore_errors=True)
    (directory / ".libs").mkdir(parents=True)
    shutil.copy(BUILD / "native" / LAUNCHER, directory / LAUNCHER)
    shutil.copy(BUILD / "native" / "bench" / "qn_spawn_only", directory / "spawn-only")
    shutil.copy(target, directory / ".libs" / TARGET_FILE)
    script = subprocess.run([str(directory / LAUNCHER), "--qn-dump-script"], capture_output=True,
                            check=True).stdout
    (directory / "wrapper").write_bytes(script)
    return directory


def hyperfine(commands, rounds=6, runs=100):
    """Medians and spreads in milliseconds of commands that hyperfine runs side by side after a
    warm-up, in several rounds, so that a slow spell of the machine touches every command."""
    samples = {name: [] for name, _ in commands}
    for _ in range(rounds):
        with tempfile.NamedTemporaryFile(suffix=".json") as export:
            argv = ["hyperfine", "-N", "--warmup", "20", "--runs", str(runs), "--style", "none",
                    "--export-json", export.name]
            for name, command in commands:
                argv += ["--command-name", name, command]
            subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for result in json.load(open(export.name))["results"]:
                samples[result["command"]] += result["times"]
    return {name: (statistics.median(times) * 1000, statistics.stdev(times) * 1000)
            for name, times in samples.items()}


def host_side_by_side():
    target_dir = host_tree("host", BUILD / "native" / "tests" / "programs" / "qn_test_target")
    noop_dir = host_tree("host-noop", BUILD / "native" / "bench" / "qn_noop")
    target = target_dir / ".libs" / TARGET_FILE
    args = " ".join(HOST_TARGET_ARGS)
    rows = [
        ("no-op program, direct", str(noop_dir / ".libs" / TARGET_FILE)),
        ("spawn and wait only -> no-op program", "%s %s" % (noop_dir / "spawn-only",
                                                            noop_dir / ".libs" / TARGET_FILE)),
        ("launcher -> no-op program", str(noop_dir / LAUNCHER)),
        ("launcher alone (--qn-dump-script)", "%s --qn-dump-script" % (target_dir / LAUNCHER)),
        ("test target, direct", "%s %s" % (target, args)),
        ("spawn and wait only -> test target", "%s %s %s" % (target_dir / "spawn-only", target,
                                                             args)),
        ("launcher -> test target", "%s %s" % (target_dir / LAUNCHER, args)),
        ("script under dash -> test target", "/bin/dash %s %s" % (target_dir / "wrapper", args)),
        ("script under bash -> test target", "/bin/bash %s %s" % (target_dir / "wrapper", args)),
        ("script under bash -> no-op program", "/bin/bash %s" % (noop_dir / "wrapper")),
    ]
    return hyperfine(rows)


def wine_side_by_side(runs=160, warmup=10):
    """Medians in milliseconds of starts timed by the test suite's runner under Wine."""
    os.environ["QN_TEST_CONFIG"] = str(BUILD / "windows" / "tests" / "test_config.json")
    sys.path.insert(0, str(ROOT / "tests" / "e2e"))
    import harness
    windows = BUILD / "windows"
    trees = {}
    for name, program in (("target", windows / "tests" / "programs" / "qn_test_target.exe"),
                          ("noop", windows / "bench" / "qn_noop.exe")):
        directory = WORK / ("wine-" + name) / "bin"
        shutil.rmtree(directory.parent, ignore_errors=True)
        (directory / ".libs").mkdir(parents=True)
        shutil.copy(windows / (LAUNCHER + ".exe"), directory / (LAUNCHER + ".exe"))
        shutil.copy(windows / "bench" / "qn_spawn_only.exe", directory / "spawn-only.exe")
        shutil.copy(program, directory / ".libs" / TARGET_FILE)
        trees[name] = directory
    rows = [("no-op program, direct", trees["noop"] / ".libs" / TARGET_FILE, []),
            ("spawn and wait only -> no-op program", trees["noop"] / "spawn-only.exe",
             [harness.host_path(trees["noop"] / ".libs" / TARGET_FILE)]),
            ("launcher -> no-op program", trees["noop"] / (LAUNCHER + ".exe"), []),
            ("test target, direct", trees["target"] / ".libs" / TARGET_FILE, HOST_TARGET_ARGS),
            ("spawn and wait only -> test target", trees["target"] / "spawn-only.exe",
             [harness.host_path(trees["target"] / ".libs" / TARGET_FILE)] + HOST_TARGET_ARGS),
            ("launcher -> test target", trees["target"] / (LAUNCHER + ".exe"), HOST_TARGET_ARGS)]
    # Interleaved rounds, so that a slow spell of the machine touches every row alike.
    samples = {name: [] for name, _, _ in rows}
    for round_runs in [warmup] + [runs // 4] * 4:
        for name, program, args in rows:
            result = harness.run(program, [harness.host_path(program)] + args, program.parent,
                                 repeat=round_runs)
            times = [t / 1000 for t in result.microseconds]
            if round_runs != warmup:
                samples[name] += times
    return {name: (statistics.median(times), statistics.stdev(times))
            for name, times in samples.items()}


def argument(kind, size):
    pattern = {"plain": b"abcdefgh", "blanks": b"ab cd ef", "quotes": b'a"b\\"c\\\\'}[kind]
    return (pattern * (size // len(pattern) + 1))[:size]


def instructions(argv, env):
    """Instructions the launcher executes inside main, counted by callgrind: repeatable."""
    with tempfile.TemporaryDirectory(dir=WORK) as work:
        out = Path(work) / "callgrind.out"
        subprocess.run([VALGRIND, "--tool=callgrind", "--toggle-collect=main",
                        "--callgrind-out-file=%s" % out, *argv], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        return next(int(line.split()[1]) for line in out.read_text().splitlines()
                    if line.startswith("summary:"))


def wall_time(path, argv, env, runs=40):
    """Median milliseconds of a launch, its target included, started by posix_spawn."""
    times = []
    for n in range(runs + 5):
        began = time.perf_counter()
        os.waitpid(os.posix_spawn(path, argv, env), 0)
        if n >= 5:
            times.append((time.perf_counter() - began) * 1000)
    return statistics.median(times)


def scaling():
    """The launcher's own work by argument count, argument size and PATH length; its target is
    the no-op program."""
    directory = host_tree("scaling", BUILD / "native" / "bench" / "qn_noop")
    exe = str(directory / LAUNCHER)
    env = dict(os.environ)
    rows = []
    for kind in ("plain", "blanks", "quotes"):
        for count in (1, 100, 1000, 10000):
            argv = [exe] + [argument(kind, 8)] * count
            rows.append(("arguments", kind, count, 8 * count, instructions(argv, env),
                         wall_time(exe, argv, env)))
        for size in (1 << 10, 1 << 12, 1 << 14, 1 << 16, (1 << 17) - 1):
            argv = [exe, argument(kind, size)]
            rows.append(("argument size", kind, size, size, instructions(argv, env),
                         wall_time(exe, argv, env)))
    for entries in (10, 100, 1000, 10000):
        # Found as a bare name in the last of `entries` entries. valgrind finds the program
        # through the ":" before the first ";", which to the launcher is one more missing entry.
        names = ";".join("/p/%05d" % n for n in range(entries - 2))
        path_env = dict(env, PATH="%s:%s;%s" % (directory, names, directory))
        argv = [LAUNCHER, "x"]
        rows.append(("PATH entries", "found last", entries, 0, instructions(argv, path_env),
                     wall_time(exe, argv, path_env)))
    return rows


def per_unit(rows):
    """For each series: instructions per argument byte (or PATH entry) over the first point, and
    the exponent of that growth between the first and the last point (1 is linear)."""
    out = []
    for series in ("arguments", "argument size", "PATH entries"):
        for kind in sorted({r[1] for r in rows if r[0] == series}):
            points = [r for r in rows if r[0] == series and r[1] == kind]
            first, last = points[0], points[-1]
            unit = 2 if series == "PATH entries" else 3
            for point in points:
                extra = point[unit] - first[unit]
                point_cost = (point[4] - first[4]) / extra if extra else None
                out.append(point + (point_cost,))
            exponent = math.log((last[4] - first[4]) / (points[1][4] - first[4])) / \
                math.log((last[unit] - first[unit]) / (points[1][unit] - first[unit]))
            out.append((series, kind, "growth exponent", exponent))
    return out


def plot(rows, png):
    """One picture: instructions against count, size and PATH length, on log scales."""
    data = WORK / "scaling"
    data.mkdir(parents=True, exist_ok=True)
    panels = []
    for series, unit, label in (("arguments", 2, "arguments (8 bytes each)"),
                                ("argument size", 2, "bytes in one argument"),
                                ("PATH entries", 2, "PATH entries, the launcher in the last")):
        lines = []
        for kind in sorted({r[1] for r in rows if r[0] == series}):
            name = data / ("%s-%s.dat" % (series.replace(" ", "_"), kind.replace(" ", "_")))
            name.write_text("".join("%d %d\n" % (r[unit], r[4]) for r in rows
                                    if r[0] == series and r[1] == kind))
            lines.append("'%s' using 1:2 with linespoints title '%s'" % (name, kind))
        panels.append("set xlabel '%s'; plot %s" % (label, ", ".join(lines)))
    script = ("set terminal pngcairo size 1500,480 font ',10'; set output '%s';"
              "set multiplot layout 1,3 title 'Instructions the launcher executes in main "
              "(callgrind), against the size of its input'; set logscale xy; set format xy "
              "'10^{%%L}'; set ylabel 'instructions'; set key top left; set grid; "
              "%s; unset multiplot" % (png, "; ".join(panels)))
    subprocess.run(["gnuplot", "-e", script], check=True)


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]
    return "\n".join(lines)


def side_by_side_table(results, direct):
    rows = [[name, "%.2f" % median, "%.2f" % spread, "%.2f" % (median / results[direct][0])]
            for name, (median, spread) in results.items()]
    return table(["run", "median ms", "std dev ms", "to %s" % direct], rows)


def reading(host, wine):
    """What the side-by-side numbers say, in numbers."""
    h = {name: median for name, (median, _) in host.items()}
    w = {name: median for name, (median, _) in wine.items()}
    extra = h["launcher -> no-op program"] - h["launcher alone (--qn-dump-script)"] - h["no-op program, direct"]
    return "\n".join([
        "- Host: the launcher alone (loaded, arguments scanned, script written) takes %.2f ms, a "
        "no-op program %.2f ms: its own start costs no more than any process start. Starting "
        "a target, waiting for it and ending adds %.2f ms to the two starts; a program that does "
        "nothing but start the target through the same spawn call and wait adds the same (%.2f ms -> no-op against the "
        "launcher's %.2f ms). The ratio with the no-op, %.2f, is therefore what any launcher costs "
        "that is a process of its own; with the test target, a C++ program, it is %.2f." % (
            h["launcher alone (--qn-dump-script)"], h["no-op program, direct"], extra,
            h["spawn and wait only -> no-op program"], h["launcher -> no-op program"],
            h["launcher -> no-op program"] / h["no-op program, direct"],
            h["launcher -> test target"] / h["test target, direct"]),
        "- Host, the script: under bash it takes %.2f ms, %.1f times the target's own direct "
        "start, so even a launcher that cost nothing could not make the whole run 10 times "
        "faster than the script's; what the script adds to the target's start is %.1f times "
        "what the launcher adds." % (
            h["script under bash -> test target"],
            h["script under bash -> test target"] / h["test target, direct"],
            (h["script under bash -> test target"] - h["test target, direct"]) /
            (h["launcher -> test target"] - h["test target, direct"])),
        "- Wine: every process start costs about %.0f ms, so the launcher's own work disappears "
        "in it: launcher -> test target takes %.2f times the direct start, and %.2f times what a "
        "program takes that only spawns the target and waits (%.2f ms more). That program makes "
        "no job, so this includes the job that ties the target to the launcher, and the UTF-8 "
        "manifest. Each start varies by a quarter from one to the next, which moves these ratios "
        "by about 0.2 between runs of the benchmark." % (
            w["no-op program, direct"], w["launcher -> test target"] / w["test target, direct"],
            w["launcher -> test target"] / w["spawn and wait only -> test target"],
            w["launcher -> test target"] - w["spawn and wait only -> test target"]),
        "- Scaling: every series grows linearly (growth exponents about 1.0). Per argument byte the "
        "launcher copies, scans and, where needed, rewrites the argument, and on the host joins "
        "and splits the command line as the Windows runtime would; per PATH entry it builds and "
        "queries one candidate, two on the host where the launcher's name has no \".exe\" and "
        "the name with \".exe\" is tried as well.",
    ])


def main():
    WORK.mkdir(parents=True, exist_ok=True)
    began = time.monotonic()
    measured = WORK / "measurements.json"
    if "--report-only" in sys.argv:  # writes the report again from the last measurements
        host, wine, rows, seconds = json.loads(measured.read_text())
        rows = [tuple(r) for r in rows]
    else:
        host, wine, rows = host_side_by_side(), wine_side_by_side(), scaling()
        seconds = time.monotonic() - began
        measured.write_text(json.dumps([host, wine, rows, seconds]))
    growth = per_unit(rows)
    plot(rows, OUT / "scaling.png")

    def ratio(results, a, b):
        return results[a][0] / results[b][0]

    def added(results, a, b, direct):
        """How many times what a adds to the direct start exceeds what b adds to it."""
        return (results[a][0] - results[direct][0]) / (results[b][0] - results[direct][0])
    checks = [
        ("host: launcher -> test target, to the target started directly (at most 2.1)",
         ratio(host, "launcher -> test target", "test target, direct")),
        ("host: launcher -> no-op, to the no-op started directly (at most 2.1)",
         ratio(host, "launcher -> no-op program", "no-op program, direct")),
        ("host: launcher alone, to the no-op started directly",
         ratio(host, "launcher alone (--qn-dump-script)", "no-op program, direct")),
        ("host: the script under bash, to the launcher, whole runs (at least 10)",
         ratio(host, "script under bash -> test target", "launcher -> test target")),
        ("host: the script under bash, to the launcher, what each adds to the target's start",
         added(host, "script under bash -> test target", "launcher -> test target",
               "test target, direct")),
        ("host: the script under bash, to the launcher, with the no-op program",
         ratio(host, "script under bash -> no-op program", "launcher -> no-op program")),
        ("host: the script under bash started with no launch cost at all, to the target direct",
         ratio(host, "script under bash -> test target", "test target, direct")),
        ("host: the script under dash, to the launcher",
         ratio(host, "script under dash -> test target", "launcher -> test target")),
        ("Wine: launcher -> test target, to the target started directly (at most 2.1)",
         ratio(wine, "launcher -> test target", "test target, direct")),
        ("Wine: launcher -> no-op, to the no-op started directly (at most 2.1)",
         ratio(wine, "launcher -> no-op program", "no-op program, direct")),
        ("Wine: launcher -> test target, to spawn and wait only -> test target",
         ratio(wine, "launcher -> test target", "spawn and wait only -> test target")),
    ]
    scaling_rows = []
    for row in growth:
        if row[2] == "growth exponent":
            scaling_rows.append([row[0], row[1], "growth exponent", "", "%.2f" % row[3], "", ""])
        else:
            series, kind, n, size, ir, ms, cost = row
            scaling_rows.append([series, kind, n, size, "{:,}".format(ir), "%.2f" % ms,
                                 "" if cost is None else "%.1f" % cost])
    text = "\n\n".join([
        "# What the launcher costs",
        "Written by `bench/run` in %.0f s. Times are medians over interleaved rounds; the "
        "ratios of the side-by-side tables are to the direct start of the test target. The "
        "plot of the scaling runs is `scaling.png`." % seconds,
        "## Machine\n\n" + table(["", ""], machine()),
        "## Host build, side by side (hyperfine)\n\n" + side_by_side_table(
            host, "test target, direct"),
        "## Windows build under Wine, side by side (timed by the test runner)\n\n" +
        side_by_side_table(wine, "test target, direct"),
        "## Targets\n\n" + table(["measure", "ratio"], [(name, "%.2f" % value)
                                                       for name, value in checks]),
        "## Reading\n\n" + reading(host, wine),
        "## Scaling of the launcher's own work (host build, callgrind inside main; wall time "
        "includes the no-op target)\n\n" + table(
            ["series", "kind", "n", "argument bytes", "instructions", "wall ms",
             "instructions per byte or entry over the first"], scaling_rows),
    ]) + "\n"
    (OUT / "results.md").write_text(text)
    print(text)


if __name__ == "__main__":
    main()
