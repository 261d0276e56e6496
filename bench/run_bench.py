#!/usr/bin/env python3
"""Runs the benchmarks of one build tree over the simulator and prints one table: each
figure, its value, its median, its floor and the ratio to it, the overhead over the floor
and the goal it is held against. The same table goes, as Markdown, to the --out file.

A value is the best of several runs taking turns with the others (the neighbours' load on a
shared machine only adds time), the median is beside it; the interrupt latencies are
percentiles of one distribution each.

    run_bench.py --build BUILD_DIR --out FILE [--quick] [--only GROUP ...] [--library DIR]

Groups: calls, interrupts, startup, python. --quick runs every benchmark for a minimal
time (the smoke test): the figures then say that each benchmark ran, not what it costs.
--library runs the same benchmarks against the libCorvane.so.1 in DIR instead of the
build's own (another version of the library with the same interface), to compare two
versions side by side. Exits with 1 when a benchmark fails or a figure is missing.
"""
import argparse
import datetime
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys

GROUPS = ("calls", "interrupts", "startup", "python")
BOARD = "keloe6100_0"


class Figure:
    def __init__(self, name, value, unit, floor=None, floor_name="", goal="", met=None,
                 median=None):
        self.name = name
        self.median = median
        self.value = value
        self.unit = unit
        self.floor = floor
        self.floor_name = floor_name
        self.goal = goal
        self.met = met


def fail(message):
    print("run_bench: " + message, file=sys.stderr)
    sys.exit(1)


def bench_environment(build, library_dir):
    env = dict(os.environ)
    for name in ("VELMOR_LOG_LEVEL", "VELMOR_VERBOSITY", "CORVANE_SIM_BOARDS", "LD_PRELOAD",
                 "LD_LIBRARY_PATH"):
        env.pop(name, None)
    if library_dir:
        # Ahead of the programs' and modules' run paths.
        env["LD_LIBRARY_PATH"] = library_dir
    home = os.path.join(build, "bench", "home")
    os.makedirs(home, exist_ok=True)
    env["HOME"] = home
    return env


def run_google_benchmark(program, arguments, env):
    """The runs of one Google Benchmark program by name; a repeated benchmark gives its
    repetitions as a list (in the order they ran)."""
    command = [program, "--benchmark_format=json"] + arguments
    result = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            universal_newlines=True)
    if result.returncode != 0:
        sys.stderr.write(result.stderr)
        fail("%s ended with status %d" % (os.path.basename(program), result.returncode))
    runs = {}
    for run in json.loads(result.stdout)["benchmarks"]:
        if run.get("error_occurred"):
            fail("%s: %s" % (run["name"], run.get("error_message", "failed")))
        if run.get("run_type") == "aggregate":
            continue
        name = short_name(run["run_name"])
        if run.get("repetitions", 1) > 1:
            runs.setdefault(name, []).append(run)
        else:
            runs[name] = run
    return runs


def short_name(run_name):
    """The name and arguments of a run, without its options ("iterations:1", "manual_time")."""
    parts = run_name.split("/")
    return "/".join(p for p in parts if ":" not in p and p not in ("manual_time", "real_time"))


def nanoseconds(run, kind="real_time"):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
    return run[kind] * scale


def calls_figures(config, env, quick):
    # Short repetitions in random order, so that every benchmark samples the whole run: on
    # a shared machine the neighbours' load comes and goes, and only adds time. The value is
    # the best repetition (the cost without interference), the median is shown beside it.
    if quick:
        arguments = ["--benchmark_min_time=0.001", "--benchmark_repetitions=2"]
    else:
        arguments = ["--benchmark_min_time=0.2", "--benchmark_repetitions=15",
                     "--benchmark_enable_random_interleaving=true"]
    runs = run_google_benchmark(config["programs"]["calls"], arguments, env)

    def times(name):
        if name not in runs:
            fail("benchmark %s produced no figure" % name)
        return sorted(nanoseconds(run) for run in runs[name])

    def ns(name):
        return times(name)[0]

    def median(name):
        return statistics.median(times(name))

    read_floor = ns("floor_read_inputs")
    write_floor = ns("floor_write_output")
    copy_floor = ns("floor_copy_device_struct")
    read_label = "fcntl + ioctl IoctlGetDigitalInputs"
    write_label = "fcntl + ioctl IoctlSetDigitalOutputs"
    copy_label = "copy of the 2960-byte device structure"

    def overhead_goal(value, floor, limit):
        return ("overhead <= %d ns" % limit, value - floor <= limit)

    figures = [
        Figure("Floor: " + read_label, read_floor, "ns", read_floor, read_label,
               median=median("floor_read_inputs")),
        Figure("Floor: " + write_label, write_floor, "ns", write_floor, write_label,
               median=median("floor_write_output")),
        Figure("Floor: " + copy_label, copy_floor, "ns", copy_floor, copy_label,
               median=median("floor_copy_device_struct")),
    ]
    for name, label, floor, floor_label, limit in (
            ("c_read_all_digital_inputs", "C: VelmorReadAllDigitalInputs", read_floor, read_label, 150),
            ("c_write_single_digital_output", "C: VelmorWriteSingleDigitalOutput", write_floor,
             write_label, 150),
            ("c_get_device_struct", "C: VelmorGetDeviceStructFromDeviceName", copy_floor, copy_label,
             150),
            ("c_refused_write_channel_40", "C: refused call (VelmorWriteSingleDigitalOutput, channel 40)",
             write_floor, write_label, None),
            ("object_read_all_digital_input", "Object: DigitalIOInterface::readAllDigitalInput",
             read_floor, read_label, 100),
            ("object_write_single_digital_output",
             "Object: DigitalIOInterface::writeSingleDigitalOutput", write_floor, write_label, 100),
            ("object_read_through_device", "Object: Device::digitalIo()->readAllDigitalInput",
             read_floor, read_label, None)):
        value = ns(name)
        goal, met = overhead_goal(value, floor, limit) if limit is not None else ("", None)
        figures.append(Figure(label, value, "ns", floor, floor_label, goal, met, median(name)))
    return figures, read_floor


def interrupt_figures(config, env, quick):
    env = dict(env)
    if quick:
        env.update(CORVANE_BENCH_INTERRUPTS="200", CORVANE_BENCH_BURST="200", CORVANE_BENCH_BURSTS="1")
    runs = run_google_benchmark(config["programs"]["interrupts"], [], env)
    for name in ("interrupt_latency", "interrupt_throughput"):
        if name not in runs:
            fail("benchmark %s produced no figure" % name)
    latency = runs["interrupt_latency"]
    throughput = runs["interrupt_throughput"]
    count = int(latency["interrupts"])
    figures = []
    for label in ("p50", "p99", "p99.9", "max"):
        bare = latency["bare_%s_ns" % label]
        value = latency["library_%s_ns" % label]
        goal, met = ("", None)
        if label == "p99":
            goal, met = ("<= 1.5 x bare loop", value <= 1.5 * bare)
        figures.append(Figure("Interrupt latency %s (library, C callback; %d interrupts)" % (label, count),
                              value, "latency", bare, "bare loop %s" % label, goal, met))
    for label in ("p50", "p99", "p99.9", "max"):
        bare = latency["bare_%s_ns" % label]
        figures.append(Figure("Interrupt latency %s (bare loop; %d interrupts)" % (label, count),
                              bare, "latency", bare, "bare loop %s" % label))
    bare_rate = throughput["bare_best_per_s"]
    rate = throughput["library_best_per_s"]
    burst = int(throughput["burst"])
    figures.append(Figure("Interrupt throughput (library, bursts of %d)" % burst, rate, "rate",
                          bare_rate, "bare loop", ">= 0.9 x bare loop", rate >= 0.9 * bare_rate,
                          throughput["library_median_per_s"]))
    figures.append(Figure("Interrupt throughput (bare loop, bursts of %d)" % burst, bare_rate, "rate",
                          bare_rate, "bare loop", median=throughput["bare_median_per_s"]))
    return figures


def startup_figures(config, env, quick):
    env = dict(env)
    if quick:
        env["CORVANE_BENCH_STARTS"] = "1"
    runs = run_google_benchmark(config["programs"]["startup"], [], env)
    figures = []
    for boards in (1, 64, 255):
        name = "registry_startup/%d" % boards
        if name not in runs:
            fail("benchmark %s produced no figure" % name)
        value = runs[name]["min_ns"]
        goal, met = ("< 20 ms", value < 20e6) if boards == 255 else ("", None)
        figures.append(Figure("Registry start-up, %d board%s (fresh process each)"
                              % (boards, "" if boards == 1 else "s"), value, "startup",
                              goal=goal, met=met, median=runs[name]["median_ns"]))
    return figures


def interpreter_version(interpreter):
    result = subprocess.run([interpreter, "-c", "import sys; print('%d.%d' % sys.version_info[:2])"],
                            stdout=subprocess.PIPE, universal_newlines=True)
    return result.stdout.strip() if result.returncode == 0 else ""


def python_runs(config):
    """(label, interpreter, module directory) for the default interpreter's build and the
    stable-ABI build under the oldest interpreter that loads it."""
    builds = {entry["tag"]: entry for entry in config["python"]}
    runs = []
    default = shutil.which("python3")
    tag = interpreter_version(default) if default else ""
    if tag in builds:
        runs.append(("Python %s" % tag, builds[tag]["interpreter"], builds[tag]["module_dir"]))
    if "abi3" in builds:
        stable = sorted((tuple(int(p) for p in t.split(".")), t) for t in builds
                        if t != "abi3" and tuple(int(p) for p in t.split(".")) >= (3, 12))
        if stable:
            version = stable[0][1]
            runs.append(("Python %s, stable-ABI build" % version, builds[version]["interpreter"],
                         builds["abi3"]["module_dir"]))
    return runs


def python_figures(config, env, quick, read_floor):
    runs = python_runs(config)
    if not runs:
        fail("no Python build for the default interpreter or the stable ABI")
    calls, rounds = ("200", "2") if quick else ("100000", "15")
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "python_calls.py")
    figures = []
    for label, interpreter, module_dir in runs:
        run_env = dict(env)
        run_env.update(LD_PRELOAD=config["simulator"], PYTHONPATH=module_dir,
                       CORVANE_SIM_BOARDS="keloe6100", PYTHONDONTWRITEBYTECODE="1")
        result = subprocess.run([interpreter, script, config["library"], BOARD, calls, rounds],
                                env=run_env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                universal_newlines=True)
        if result.returncode != 0:
            sys.stderr.write(result.stderr)
            fail("the Python timing under %s failed" % interpreter)
        timing = json.loads(result.stdout)
        method, through_ctypes = timing["method_ns"]["best"], timing["ctypes_ns"]["best"]
        label = "%s (%s)" % (label, timing["interpreter"])
        floor_label = "fcntl + ioctl IoctlGetDigitalInputs"
        figures.append(Figure("%s: DigitalIOInterface.read_all_digital_input" % label, method, "ns",
                              read_floor, floor_label, "ctypes / method >= 2.5 (%.2f)"
                              % (through_ctypes / method), through_ctypes / method >= 2.5,
                              timing["method_ns"]["median"]))
        figures.append(Figure("%s: ctypes VelmorReadAllDigitalInputs" % label, through_ctypes, "ns",
                              read_floor, floor_label, median=timing["ctypes_ns"]["median"]))
    return figures


def format_value(figure):
    if figure.unit == "ns":
        return "%.1f ns" % figure.value
    if figure.unit == "latency":
        return "%.1f us" % (figure.value / 1e3)
    if figure.unit == "rate":
        return "%.0f /s" % figure.value
    if figure.unit == "startup":
        return "%.2f ms" % (figure.value / 1e6)
    return "%g" % figure.value


def table_rows(figures):
    rows = []
    for f in figures:
        if f.floor:
            ratio = "%.2f" % (f.value / f.floor)
            floor = "%s (%s)" % (f.floor_name, format_value(Figure("", f.floor, f.unit)))
        else:
            ratio, floor = "-", "-"
        overhead = "%+.1f ns" % (f.value - f.floor) if f.floor and f.unit == "ns" else "-"
        goal = "-"
        if f.goal:
            goal = "%s: %s" % (f.goal, "met" if f.met else "missed")
        median = format_value(Figure("", f.median, f.unit)) if f.median is not None else "-"
        rows.append([f.name, format_value(f), median, floor, ratio, overhead, goal])
    return rows


HEADER = ["Figure", "Value", "Median", "Floor", "Ratio to floor", "Over floor", "Goal"]


def print_table(rows):
    widths = [max(len(str(r[i])) for r in rows + [HEADER]) for i in range(len(HEADER))]
    for row in [HEADER] + rows:
        print("  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row)).rstrip())


def machine_lines(config, load_before, load_after):
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return [
        "- Date: %s" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
        "- CPU: %s, %d logical cores" % (cpu, os.cpu_count() or 0),
        "- Kernel: %s %s" % (platform.system(), platform.release()),
        "- Compiler: %s; build type %s%s" % (config["compiler"], config["build_type"],
                                             ", sanitizers " + config["sanitize"] if config["sanitize"] else ""),
        "- Load average (1 min) before: %.2f, after: %.2f" % (load_before, load_after),
        "- Library: %s" % os.path.realpath(config["library"]),
    ]


def write_markdown(path, rows, config, quick, load_before, load_after):
    lines = ["# libCorvane benchmark results", ""]
    if quick:
        lines += ["Smoke run (minimal times): the figures only show that each benchmark ran.", ""]
    lines += machine_lines(config, load_before, load_after) + [""]
    lines.append("| " + " | ".join(HEADER) + " |")
    lines.append("|" + "---|" * len(HEADER))
    for row in rows:
        lines.append("| " + " | ".join(str(cell) for cell in row) + " |")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--only", action="append", choices=GROUPS)
    parser.add_argument("--library", metavar="DIR")
    options = parser.parse_args()
    groups = options.only or list(GROUPS)

    with open(os.path.join(options.build, "bench", "bench_config.json")) as config_file:
        config = json.load(config_file)
    if options.library:
        options.library = os.path.abspath(options.library)
        config["library"] = os.path.join(options.library, "libCorvane.so.1")
        if not os.path.exists(config["library"]):
            fail("no libCorvane.so.1 in " + options.library)
    env = bench_environment(options.build, options.library)
    load_before = os.getloadavg()[0]

    figures = []
    read_floor = None
    if "calls" in groups or "python" in groups:
        call_figures, read_floor = calls_figures(config, env, options.quick)
        if "calls" in groups:
            figures += call_figures
    if "python" in groups:
        figures += python_figures(config, env, options.quick, read_floor)
    if "interrupts" in groups:
        figures += interrupt_figures(config, env, options.quick)
    if "startup" in groups:
        figures += startup_figures(config, env, options.quick)

    missing = [f.name for f in figures if not f.value > 0]
    if missing:
        fail("no figure for: " + "; ".join(missing))
    rows = table_rows(figures)
    print_table(rows)
    write_markdown(options.out, rows, config, options.quick, load_before, os.getloadavg()[0])
    print("\nrun_bench: %d figures written to %s" % (len(figures), options.out))


if __name__ == "__main__":
    main()
