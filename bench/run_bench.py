#!/usr/bin/env python3
"""Benchmarks of kestrova-swctl, the window and the fleet read, against the printer simulator.

Run by `make bench`. Prints one table of figures, each with its target and PASS or MISS, and
writes the same figures to BUILD/bench/results.json. A missed target is reported, not fatal; a
read that fails (or a program that cannot be started) ends the run with exit status 1.

Every figure is the median of several runs (--runs, default 5; the environment variable
BENCH_RUNS overrides the default). Ratios compare medians measured in this same run, with the
runs of the compared sizes interleaved so that a change of load hits all of them alike.

Standard library only.
"""

import argparse
import datetime
import json
import os
import platform
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

QUERIES = 18              # commands of one read
PAUSE_S = 0.200           # fixed pause after each command (serial component and TCP/IP)
DEVICE_WAIT_S = 0.250     # device handle: wait before each read attempt
FIXED_FLOOR_S = QUERIES * PAUSE_S            # 3.6 s
DEVICE_FLOOR_S = QUERIES * DEVICE_WAIT_S     # 4.5 s, every reply on its first attempt
MAX_OVER_FLOOR = 0.03     # a paced read may take at most 3 % more than its floor
MAX_CPU_SHARE = 0.02      # CPU time (user + system) of kestrova-swctl: at most 2 % of the wall time
FAST_MAX_S = 0.050
WINDOW_START_MAX_MS = 300.0
WINDOW_RSS_MAX_MB = 60.0
FLEET_SIZES = (1, 10, 50, 100)
FLEET_100_MAX_RATIO = 1.5
FLEET_50_MAX_RATIO = 2.0
READ_TIMEOUT_S = 30.0
SIM_MAX_COUNT = 50        # printers per simulator process in the fleet runs (the simulator takes up to 16384)
BIG_FLEET_SIZES = (1000, 5000, 10000)
# Printers per simulator process in the big fleet runs. The simulator's epoll loop costs nothing per
# idle socket, so a process keeps up with thousands: 2,500 each (4 processes for 10,000).
BIG_FLEET_SIM_COUNT = 2500
BIG_FLEET_SOFT_LIMIT = 1024  # the open-file soft limit the big fleet starts with (the usual default)
# The hard limit it runs under: systemd's default for services and sessions (1024:524288). Where
# the bench may not raise it, the hard limit in force is kept and shown: the tool then reads
# (hard - 64) / 3 printers at a time, and a larger fleet takes more than one round of reads.
BIG_FLEET_HARD_LIMIT = 524288
BIG_FLEET_MAX_RATIO = 1.5
BIG_FLEET_MAX_RATIOS = {1000: 1.05}
BIG_FLEET_MAX_MB = 300.0
BIG_FLEET_MAX_CPU_MS = 0.3  # the tool's CPU time per printer read


class BenchError(Exception):
    """Something that is not a missed target: a failed read, a program that did not start."""


# ---------------------------------------------------------------------------------------------
# Processes

class Simulator:
    """One kestrova-printer-sim process; knows the addresses it printed."""

    def __init__(self, binary, args, expected_lines, workdir):
        self.tcp_ports = []
        self.ptys = []
        self.errors = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([binary] + args, stdout=subprocess.PIPE, stderr=self.errors, cwd=workdir)
        # Raw reads of the pipe: a buffered reader could hold lines that select() no longer sees.
        fd = self.proc.stdout.fileno()
        deadline = time.monotonic() + 10.0
        pending = b""
        lines = []
        while len(lines) < expected_lines:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                self.stop()
                raise BenchError("simulator %s printed %d of %d address lines within 10 s"
                                 % (" ".join(args), len(lines), expected_lines))
            chunk = os.read(fd, 65536)
            if not chunk:
                self.stop()
                raise BenchError("simulator %s ended at start: %s" % (" ".join(args), self.error_text()))
            pending += chunk
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                words = line.decode("utf-8", "replace").split()
                if len(words) >= 3 and words[0] == "listening":
                    lines.append(line)
                    if words[1] == "tcp":
                        self.tcp_ports.append(int(words[2].rsplit(":", 1)[1]))
                    elif words[1] == "pty":
                        self.ptys.append(words[2])

    def error_text(self):
        self.errors.seek(0)
        return self.errors.read().decode("utf-8", "replace").strip()[-400:]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if self.proc.stdout:
            self.proc.stdout.close()
        self.errors.close()


def run_measured(cmd, timeout_s=READ_TIMEOUT_S, env=None, cwd=None):
    """Runs cmd to its end. Returns (start_ns, wall_s, cpu_s, exit_code, stdout, stderr).

    Wall time is taken from just before the program is started to its reaping; CPU time is the
    user + system time of the child from wait4(), at microsecond resolution.
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.monotonic_ns()
        proc = subprocess.Popen(cmd, stdout=out, stderr=err, stdin=subprocess.DEVNULL, env=env, cwd=cwd)
        timed_out = []

        def kill():
            timed_out.append(True)
            proc.kill()

        # A blocking wait4 (no polling, which would cost CPU time beside the measured program);
        # the timer ends a program that hangs.
        timer = threading.Timer(timeout_s, kill)
        timer.start()
        try:
            _, status, usage = os.wait4(proc.pid, 0)
        finally:
            timer.cancel()
        end = time.monotonic_ns()
        code = os.waitstatus_to_exitcode(status)
        proc.returncode = code
        if timed_out:
            raise BenchError("%s did not end within %.0f s" % (" ".join(cmd), timeout_s))
        out.seek(0)
        err.seek(0)
        return (start, (end - start) / 1e9, usage.ru_utime + usage.ru_stime, code,
                out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace"))


def big_fleet_hard_limit():
    """Raises the hard open-file limit of the bench (and so of the programs it starts) to
    BIG_FLEET_HARD_LIMIT where that is allowed; returns the hard limit in force."""
    import resource
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if hard != resource.RLIM_INFINITY and hard < BIG_FLEET_HARD_LIMIT:
        try:
            resource.setrlimit(resource.RLIMIT_NOFILE, (soft, BIG_FLEET_HARD_LIMIT))
        except (ValueError, OSError):
            pass  # not allowed here (a container's limit): the limit in force stays, and is shown
    return resource.getrlimit(resource.RLIMIT_NOFILE)[1]


def run_under_soft_limit(cmd, soft, timeout_s):
    """Runs cmd with the open-file soft limit lowered to soft (the hard limit kept).

    Returns (wall_s, peak_rss_mb, exit_code, stdout, stderr, cpu_s)."""
    import resource

    def lower():
        _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(soft, hard), hard))

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.monotonic_ns()
        proc = subprocess.Popen(cmd, stdout=out, stderr=err, stdin=subprocess.DEVNULL, preexec_fn=lower)
        timer = threading.Timer(timeout_s, proc.kill)
        timer.start()
        try:
            _, status, usage = os.wait4(proc.pid, 0)
        finally:
            timer.cancel()
        wall = (time.monotonic_ns() - start) / 1e9
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return (wall, usage.ru_maxrss / 1024.0, proc.returncode, out.read().decode("utf-8", "replace"),
                err.read().decode("utf-8", "replace"), usage.ru_utime + usage.ru_stime)


def failed_reads(what, code, stdout, stderr, printers):
    """The printers of a fleet whose read failed (an overloaded machine answers some too late for
    the fixed pauses); anything else that goes wrong is an error."""
    results = [json.loads(line) for line in stdout.splitlines() if line.strip()]
    if len(results) != printers:
        raise BenchError("%s: %d results for %d printers (exit %d): %s" % (what, len(results), printers, code,
                                                                          stderr.strip()[:400]))
    failed = sum(1 for r in results if not r.get("ok"))
    if (code != 0) != (failed > 0):
        raise BenchError("%s: exit status %d with %d failed reads" % (what, code, failed))
    return failed


def check_read(what, code, stdout, stderr, printers=1, full_log=True):
    """A read must succeed for every printer and (with full_log) log all 18 answers."""
    if code != 0:
        raise BenchError("%s: kestrova-swctl exited with %d: %s %s" % (what, code, stdout.strip()[:400],
                                                                        stderr.strip()[:400]))
    results = [json.loads(line) for line in stdout.splitlines() if line.strip()]
    if len(results) != printers:
        raise BenchError("%s: %d results for %d printers" % (what, len(results), printers))
    for r in results:
        if not r.get("ok"):
            raise BenchError("%s: read failed: %s" % (what, json.dumps(r)[:400]))
        if full_log and len(r.get("log", [])) != QUERIES:
            raise BenchError("%s: %d log lines instead of %d" % (what, len(r.get("log", [])), QUERIES))


# ---------------------------------------------------------------------------------------------
# Figures

class Figures:
    def __init__(self):
        self.items = []

    def add(self, key, name, value, unit, target_text=None, passed=None, samples=None, note=None):
        self.items.append({
            "key": key, "name": name, "value": value, "unit": unit,
            "target": target_text, "pass": passed,
            "samples": samples if samples is not None else [],
            "note": note,
        })

    def misses(self):
        return [f for f in self.items if f["pass"] is False]


def fmt(value, unit):
    if value is None:
        return "-"
    if unit == "":
        return str(value)
    if unit == "s":
        return "%.3f s" % value
    if unit == "ms":
        return "%.1f ms" % value
    if unit == "%":
        return "%.2f %%" % value
    if unit == "MB":
        return "%.1f MB" % value
    if unit == "x":
        return "%.3f x" % value
    return "%s %s" % (value, unit)


def median(values):
    return statistics.median(values)


def paced_read(figures, key, label, cmd, floor_s, runs, log):
    walls, cpus = [], []
    for i in range(runs):
        _, wall, cpu, code, out, err = run_measured(cmd)
        check_read(label, code, out, err)
        walls.append(wall)
        cpus.append(cpu)
        log("  %s run %d: wall %.3f s, cpu %.1f ms" % (label, i + 1, wall, cpu * 1000))
    wall = median(walls)
    over = (wall - floor_s) / floor_s * 100.0
    cpu_share = median([c / w * 100.0 for c, w in zip(cpus, walls)])
    figures.add(key + ".wall", "%s: wall time (floor %.1f s)" % (label, floor_s), wall, "s",
                "< %.3f s" % (floor_s * (1 + MAX_OVER_FLOOR)), wall < floor_s * (1 + MAX_OVER_FLOOR), walls)
    figures.add(key + ".over_floor", "%s: over the floor" % label, over, "%",
                "< %.0f %%" % (MAX_OVER_FLOOR * 100), over < MAX_OVER_FLOOR * 100)
    figures.add(key + ".cpu", "%s: CPU time of kestrova-swctl" % label, median(cpus) * 1000.0, "ms", None, None,
                [c * 1000.0 for c in cpus], "user + system of the whole process, start-up included")
    figures.add(key + ".cpu_share", "%s: CPU time / wall time" % label, cpu_share, "%",
                "< %.0f %%" % (MAX_CPU_SHARE * 100), cpu_share < MAX_CPU_SHARE * 100)


# ---------------------------------------------------------------------------------------------
# Xvfb

class Xvfb:
    def __init__(self):
        binary = shutil.which("Xvfb")
        if not binary:
            raise BenchError("Xvfb is not installed (package xvfb; `make deps` installs it)")
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen([binary, "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write_end,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        text = b""
        deadline = time.monotonic() + 10.0
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                break
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            text += chunk
        os.close(read_end)
        if not text.strip():
            self.stop()
            raise BenchError("Xvfb did not start")
        self.display = ":" + text.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def parse_keys(text):
    values = {}
    for line in text.splitlines():
        words = line.split()
        if len(words) == 2:
            values[words[0]] = words[1]
    return values


# ---------------------------------------------------------------------------------------------
# Machine

def machine_info():
    info = {"nproc": os.cpu_count(), "kernel": platform.release(), "machine": platform.machine()}
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    info["cpu"] = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    try:
        with open("/proc/meminfo") as f:
            for line in f:
                if line.startswith("MemTotal:"):
                    info["memory_mb"] = round(int(line.split()[1]) / 1024)
                    break
    except OSError:
        pass
    try:
        with open("/etc/debian_version") as f:
            info["debian"] = f.read().strip()
    except OSError:
        pass
    return info


def loadavg():
    try:
        with open("/proc/loadavg") as f:
            return [float(x) for x in f.read().split()[:3]]
    except OSError:
        return None


def print_markdown(path):
    with open(path) as f:
        results = json.load(f)
    print("| Measurement | Median | Runs (min to max) | Target | Result |")
    print("|---|---:|---|---|---|")
    for f in results["figures"]:
        result = "" if f["pass"] is None else ("PASS" if f["pass"] else "**MISS**")
        samples = f["samples"]
        spread = "%s to %s" % (fmt(min(samples), f["unit"]), fmt(max(samples), f["unit"])) if len(samples) > 1 else ""
        print("| %s | %s | %s | %s | %s |" % (f["name"], fmt(f["value"], f["unit"]), spread,
                                             f["target"] or "", result))
    m = results["machine"]
    print()
    print("%s, %s, %s CPUs, %s MB, kernel %s, Debian %s; %d runs per figure; load average %s at start, %s at end;"
          " %.0f s." % (results["date"], m.get("cpu"), m.get("nproc"), m.get("memory_mb"), m.get("kernel"),
                        m.get("debian"), results["runs"], results["load_average_start"],
                        results["load_average_end"], results["duration_s"]))


# ---------------------------------------------------------------------------------------------

def exporter_probes(figures, build, simbin, workdir, log, probes=1000, at_once=100):
    """1,000 GET /probe through kestrova-exporter, 100 at a time: every one must answer with
    kestrova_probe_success 1; the exporter's peak memory (VmHWM) is taken at the end."""
    import concurrent.futures
    import urllib.request
    sim = Simulator(simbin, ["--count", str(at_once), "--tcp", "127.0.0.1:0"], at_once, workdir)
    exporter = subprocess.Popen([os.path.join(build, "bin", "kestrova-exporter"), "--listen", "127.0.0.1:0",
                                 "--max-probes", str(at_once)], stdout=subprocess.PIPE, text=True)
    try:
        listen = exporter.stdout.readline().split()[-1]

        def probe(i):
            url = "http://%s/probe?target=127.0.0.1:%d" % (listen, sim.tcp_ports[i % at_once])
            with urllib.request.urlopen(url, timeout=30) as r:
                return "kestrova_probe_success 1" in r.read().decode().splitlines()

        start = time.monotonic()
        with concurrent.futures.ThreadPoolExecutor(at_once) as pool:
            answered = sum(pool.map(probe, range(probes)))
        wall = time.monotonic() - start
        with open("/proc/%d/status" % exporter.pid) as f:
            hwm = next(int(l.split()[1]) for l in f if l.startswith("VmHWM:")) / 1024.0
        log("  %d of %d probes answered in %.1f s, VmHWM %.1f MB" % (answered, probes, wall, hwm))
        figures.add("exporter.answered", "Exporter: probes answered with success 1 (of 1,000, 100 at a time)", answered,
                    "probes", "= %d" % probes, answered == probes)
        figures.add("exporter.wall", "Exporter: wall time of the 1,000 probes", wall * 1000, "ms")
        figures.add("exporter.hwm", "Exporter: VmHWM (peak) after the 1,000 probes", hwm, "MB")
    finally:
        exporter.terminate()
        exporter.wait(10)
        sim.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-dir", default="build")
    parser.add_argument("--runs", type=int, default=int(os.environ.get("BENCH_RUNS", "5")))
    parser.add_argument("--only", default="",
                        help="comma-separated sections: tcp,serial,device,fast,window,fleet,bigfleet,exporter")
    parser.add_argument("--verbose", action="store_true", help="print every run")
    parser.add_argument("--markdown", metavar="RESULTS_JSON",
                        help="print the figures of an earlier run as a Markdown table (for docs/performance.md) and stop")
    opts = parser.parse_args()
    if opts.markdown:
        print_markdown(opts.markdown)
        return 0

    build = os.path.abspath(opts.build_dir)
    swctl = os.path.join(build, "bin", "kestrova-swctl")
    simbin = os.path.join(build, "bin", "kestrova-printer-sim")
    winbin = os.path.join(build, "bench", "kestrova-bench-window")
    runs = max(1, opts.runs)
    sections = set(s for s in opts.only.split(",") if s) or {"tcp", "serial", "device", "fast", "window", "fleet",
                                                             "bigfleet", "exporter"}
    for b in (swctl, simbin) + ((winbin,) if "window" in sections else ()):
        if not os.access(b, os.X_OK):
            print("bench: %s is missing; run `make build` first" % b, file=sys.stderr)
            return 1

    def log(text):
        if opts.verbose:
            print(text, flush=True)

    def step(text):
        print("bench: " + text, flush=True)

    started = time.monotonic()
    load_start = loadavg()
    date = datetime.datetime.now().astimezone().isoformat(timespec="seconds")
    figures = Figures()
    sims = []
    xvfb = None
    work = tempfile.mkdtemp(prefix="kestrova-bench-")
    failed = None
    try:
        sim_args = ["--model", "RT5600", "--switches", "0,0,128,0,0", "--code-page", "17", "--charset", "3",
                    "--font-8x16", "on"]

        if sections & {"tcp", "fast", "window"}:
            tcp_sim = Simulator(simbin, sim_args + ["--tcp", "127.0.0.1:0"], 1, work)
            sims.append(tcp_sim)
            tcp_target = "127.0.0.1:%d" % tcp_sim.tcp_ports[0]

        if "tcp" in sections:
            step("TCP/IP read, fixed pacing (%d runs)" % runs)
            paced_read(figures, "tcp_fixed", "TCP/IP read", [swctl, "read", "--tcp", tcp_target, "--json"],
                       FIXED_FLOOR_S, runs, log)

        if sections & {"serial", "device"}:
            pty_path = os.path.join(work, "printer-pty")
            pty_sim = Simulator(simbin, sim_args + ["--pty", pty_path], 1, work)
            sims.append(pty_sim)
            if "serial" in sections:
                step("serial-component read over a pseudo-terminal (%d runs)" % runs)
                paced_read(figures, "serial_fixed", "Serial read (pty)",
                           [swctl, "read", "--serial", pty_path, "--json"], FIXED_FLOOR_S, runs, log)
            if "device" in sections:
                step("device-handle read over a pseudo-terminal (%d runs)" % runs)
                paced_read(figures, "device_fixed", "Device-handle read (pty)",
                           [swctl, "read", "--device", pty_path, "--json"], DEVICE_FLOOR_S, runs, log)

        if "exporter" in sections:
            step("kestrova-exporter: 1,000 probes, 100 at a time, over 100 simulated printers")
            exporter_probes(figures, build, simbin, work, log)

        if "fast" in sections:
            step("TCP/IP read with --fast (%d runs)" % runs)
            walls, cpus = [], []
            for i in range(runs):
                _, wall, cpu, code, out, err = run_measured([swctl, "read", "--tcp", tcp_target, "--json", "--fast"])
                check_read("TCP/IP --fast read", code, out, err)
                walls.append(wall)
                cpus.append(cpu)
                log("  fast run %d: wall %.1f ms, cpu %.1f ms" % (i + 1, wall * 1000, cpu * 1000))
            wall_ms = median(walls) * 1000.0
            figures.add("tcp_fast.wall", "TCP/IP read --fast: wall time", wall_ms, "ms",
                        "< %.0f ms" % (FAST_MAX_S * 1000), wall_ms < FAST_MAX_S * 1000, [w * 1000 for w in walls],
                        "whole process, start-up included")
            figures.add("tcp_fast.cpu", "TCP/IP read --fast: CPU time of kestrova-swctl", median(cpus) * 1000, "ms",
                        None, None, [c * 1000 for c in cpus])

        if "window" in sections:
            step("window start-up under Xvfb and memory after a read (1 warm-up + %d runs)" % runs)
            xvfb = Xvfb()
            env = dict(os.environ)
            env["DISPLAY"] = xvfb.display
            env["QT_QPA_PLATFORM"] = "xcb"
            runtime = os.path.join(work, "xdg-runtime")
            os.makedirs(runtime, mode=0o700, exist_ok=True)
            env["XDG_RUNTIME_DIR"] = runtime
            window_dir = os.path.join(work, "window")  # the window keeps modelno.dat in its working directory
            os.makedirs(window_dir, exist_ok=True)
            shown, exposed, painted, rss, hwm, anon, mapped, read_ms = [], [], [], [], [], [], [], []
            cold = None
            for i in range(runs + 1):
                start, wall, cpu, code, out, err = run_measured([winbin, "--tcp-port", str(tcp_sim.tcp_ports[0])],
                                                                env=env, cwd=window_dir)
                values = parse_keys(out)
                if code != 0 or values.get("read_ok") != "1":
                    raise BenchError("window: exit %d, %s %s" % (code, out.strip()[:400], err.strip()[-400:]))
                ms = lambda k: (int(values[k]) - start) / 1e6
                if i == 0:
                    cold = ms("exposed_monotonic_ns")
                    log("  window warm-up: exposed after %.1f ms" % cold)
                    continue
                shown.append(ms("shown_monotonic_ns"))
                exposed.append(ms("exposed_monotonic_ns"))
                painted.append(ms("painted_monotonic_ns"))
                rss.append(int(values["vm_rss_kb"]) / 1024.0)
                hwm.append(int(values["vm_hwm_kb"]) / 1024.0)
                anon.append(int(values["rss_anon_kb"]) / 1024.0)
                mapped.append(int(values["rss_file_kb"]) / 1024.0)
                read_ms.append(float(values["read_ms"]))
                log("  window run %d: shown %.1f ms, exposed %.1f ms, painted %.1f ms, VmRSS %.1f MB, VmHWM %.1f MB"
                    % (i, shown[-1], exposed[-1], painted[-1], rss[-1], hwm[-1]))
            figures.add("window.exposed", "Window start-up: process start to window exposed", median(exposed), "ms",
                        "< %.0f ms" % WINDOW_START_MAX_MS, median(exposed) < WINDOW_START_MAX_MS, exposed)
            figures.add("window.shown", "Window start-up: process start to show event", median(shown), "ms",
                        None, None, shown)
            figures.add("window.painted", "Window start-up: process start to first paint done", median(painted), "ms",
                        None, None, painted)
            figures.add("window.cold", "Window start-up, first run (exposed; not in the median)", cold, "ms",
                        None, None, [cold])
            figures.add("window.rss", "Window: VmRSS after a TCP/IP read", median(rss), "MB",
                        "< %.0f MB" % WINDOW_RSS_MAX_MB, median(rss) < WINDOW_RSS_MAX_MB, rss)
            figures.add("window.hwm", "Window: VmHWM (peak) after a TCP/IP read", median(hwm), "MB",
                        "< %.0f MB" % WINDOW_RSS_MAX_MB, median(hwm) < WINDOW_RSS_MAX_MB, hwm)
            figures.add("window.rss_anon", "Window: of which anonymous (heap, stacks)", median(anon), "MB",
                        None, None, anon)
            figures.add("window.rss_file", "Window: of which file-backed (program and libraries)", median(mapped),
                        "MB", None, None, mapped)
            figures.add("window.read", "Window: TCP/IP read, click to end", median(read_ms) / 1000.0, "s",
                        None, None, [m / 1000.0 for m in read_ms])

        if "fleet" in sections:
            step("fleet reads of %s printers, fixed pacing (%d rounds)" % (", ".join(map(str, FLEET_SIZES)), runs))
            commands = {}
            for n in FLEET_SIZES:
                cmd = [swctl, "read", "--json"]
                # One simulator serves at most SIM_MAX_COUNT printers: 100 are two simulators of 50.
                for part in range(0, n, SIM_MAX_COUNT):
                    count = min(SIM_MAX_COUNT, n - part)
                    sim = Simulator(simbin, ["--model", "RT5600", "--count", str(count), "--tcp", "127.0.0.1:0"],
                                    count, work)
                    sims.append(sim)
                    for port in sim.tcp_ports:
                        cmd += ["--tcp", "127.0.0.1:%d" % port]
                commands[n] = cmd
            walls = {n: [] for n in FLEET_SIZES}
            cpus = {n: [] for n in FLEET_SIZES}
            for r in range(runs):
                for n in FLEET_SIZES:  # interleaved: each round reads every size once
                    _, wall, cpu, code, out, err = run_measured(commands[n], timeout_s=60.0)
                    check_read("fleet of %d" % n, code, out, err, printers=n)
                    walls[n].append(wall)
                    cpus[n].append(cpu)
                    log("  fleet %3d round %d: wall %.3f s, cpu %.1f ms" % (n, r + 1, wall, cpu * 1000))
            med = {n: median(walls[n]) for n in FLEET_SIZES}
            for n in FLEET_SIZES:
                figures.add("fleet.%d.wall" % n, "Fleet read of %d printer%s: wall time" % (n, "" if n == 1 else "s"),
                            med[n], "s", None, None, walls[n])
            for n in FLEET_SIZES:
                figures.add("fleet.%d.cpu" % n, "Fleet read of %d printer%s: CPU time of kestrova-swctl"
                            % (n, "" if n == 1 else "s"), median(cpus[n]) * 1000, "ms", None, None,
                            [c * 1000 for c in cpus[n]])
            r100 = med[100] / med[1]
            r50 = med[50] / med[1]
            figures.add("fleet.ratio_100", "Fleet: 100 printers / 1 printer", r100, "x",
                        "< %.1f x" % FLEET_100_MAX_RATIO, r100 < FLEET_100_MAX_RATIO)
            figures.add("fleet.ratio_50", "Fleet: 50 printers / 1 printer", r50, "x",
                        "< %.1f x" % FLEET_50_MAX_RATIO, r50 < FLEET_50_MAX_RATIO)
        if "bigfleet" in sections:
            hard = big_fleet_hard_limit()
            step("big fleet reads of %s printers, fixed pacing, open-file limits %d:%d (%d rounds)"
                 % (", ".join(map(str, BIG_FLEET_SIZES)), BIG_FLEET_SOFT_LIMIT, hard, runs))
            biggest = max(BIG_FLEET_SIZES)
            ports = []
            for part in range(0, biggest, BIG_FLEET_SIM_COUNT):
                count = min(BIG_FLEET_SIM_COUNT, biggest - part)
                sim = Simulator(simbin, ["--model", "RT5600", "--count", str(count), "--tcp", "127.0.0.1:0"],
                                count, work)
                sims.append(sim)
                ports += sim.tcp_ports
            sizes = (1,) + BIG_FLEET_SIZES
            walls = {n: [] for n in sizes}
            peaks = {n: [] for n in sizes}
            cpus = {n: [] for n in sizes}
            failures = {n: 0 for n in sizes}
            for r in range(runs):
                # Interleaved rounds, so that a change of load hits every size alike.
                for n in sizes:
                    listing = os.path.join(work, "fleet-%d.txt" % n)
                    with open(listing, "w") as f:
                        f.write("".join("127.0.0.1:%d\n" % p for p in ports[:n]))
                    cmd = [swctl, "read", "--json", "--tcp-list", listing]
                    wall, peak, code, out, err, cpu = run_under_soft_limit(cmd, BIG_FLEET_SOFT_LIMIT, 600.0)
                    failed_now = failed_reads("big fleet of %d" % n, code, out, err, n)
                    failures[n] += failed_now
                    log("  big fleet %5d round %d: wall %.3f s, cpu %.2f s, peak %.1f MB, %d failed"
                        % (n, r + 1, wall, cpu, peak, failed_now))
                    walls[n].append(wall)
                    peaks[n].append(peak)
                    cpus[n].append(cpu)
            for n in sizes:
                label = "Big fleet read of %d printer%s" % (n, "" if n == 1 else "s")
                figures.add("bigfleet.%d.wall" % n, label + ": wall time", median(walls[n]), "s", None, None, walls[n])
                figures.add("bigfleet.%d.cpu" % n, label + ": CPU time of kestrova-swctl", median(cpus[n]), "s", None,
                            None, cpus[n])
                per_printer_ms = median(cpus[n]) / n * 1000.0
                figures.add("bigfleet.%d.cpu_per_printer" % n, label + ": CPU time of kestrova-swctl per printer",
                            per_printer_ms, "ms", None if n == 1 else "<= %.1f ms" % BIG_FLEET_MAX_CPU_MS,
                            None if n == 1 else per_printer_ms <= BIG_FLEET_MAX_CPU_MS)
                figures.add("bigfleet.%d.failed" % n, label + ": failed reads in %d rounds" % runs, failures[n], "",
                            "0", failures[n] == 0)
                if n == 1:
                    continue
                ratio = median(walls[n]) / median(walls[1])
                limit = BIG_FLEET_MAX_RATIOS.get(n, BIG_FLEET_MAX_RATIO)
                figures.add("bigfleet.%d.ratio" % n, "Big fleet of %d printers (limits %d:%d) / 1 printer"
                            % (n, BIG_FLEET_SOFT_LIMIT, hard), ratio, "x", "< %.2f x" % limit, ratio < limit)
                figures.add("bigfleet.%d.peak" % n, label + ": peak memory (VmHWM) of kestrova-swctl", median(peaks[n]),
                            "MB", "< %.0f MB" % BIG_FLEET_MAX_MB, max(peaks[n]) < BIG_FLEET_MAX_MB, peaks[n])
    except BenchError as e:
        failed = str(e)
    finally:
        for s in sims:
            s.stop()
        if xvfb:
            xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)

    duration = time.monotonic() - started
    load_end = loadavg()

    # Table
    rows = [("Measurement", "Median", "Target", "Result")]
    for f in figures.items:
        result = "-" if f["pass"] is None else ("PASS" if f["pass"] else "MISS")
        rows.append((f["name"], fmt(f["value"], f["unit"]), f["target"] or "-", result))
    widths = [max(len(r[i]) for r in rows) for i in range(4)]
    print()
    for j, r in enumerate(rows):
        print("  ".join(r[i].ljust(widths[i]) if i == 0 else r[i].rjust(widths[i]) for i in range(4)).rstrip())
        if j == 0:
            print("  ".join("-" * w for w in widths))
    print()
    print("runs per figure: %d; load average at start %s, at end %s; %d CPUs; took %.0f s"
          % (runs, load_start, load_end, os.cpu_count(), duration))

    results = {
        "date": date,
        "machine": machine_info(),
        "runs": runs,
        "load_average_start": load_start,
        "load_average_end": load_end,
        "duration_s": round(duration, 1),
        "error": failed,
        "figures": figures.items,
        "misses": [f["key"] for f in figures.misses()],
    }
    out_dir = os.path.join(build, "bench")
    os.makedirs(out_dir, exist_ok=True)
    out_path = os.path.join(out_dir, "results.json")
    with open(out_path, "w") as f:
        json.dump(results, f, indent=2)
        f.write("\n")
    print("results written to %s" % out_path)

    if failed:
        print("bench: ERROR: %s" % failed, file=sys.stderr)
        return 1
    misses = figures.misses()
    if misses:
        print("bench: %d target(s) missed: %s" % (len(misses), ", ".join(f["key"] for f in misses)))
    else:
        print("bench: every target met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
