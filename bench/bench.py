#!/usr/bin/python3
"""Measures ruvok95.exe against floor.exe, the least Win32 program that shows
the same corner button, both running under Wine in a private X display.

    bench/run.sh [--runs N] [--idle SECONDS] [--win98] [--no-build] [--json FILE]
    bench/bench.py --report build/bench/results-DATE.json   (print an earlier run again)

Every sample gets a fresh winehost.Machine (prefix copy, Xvfb, wineserver),
and samples alternate program, floor, program, floor...  In each sample the
exe runs twice:

  1. untraced (WINEDEBUG=-all): start to visible, then idle CPU time and
     context switches over --idle seconds, and memory;
  2. with relay tracing of user32.ExitWindowsEx: a press on the button, then
     a release, and the time until the ExitWindowsEx call shows up in the
     trace.

See bench/README.md for what each figure means and its caveats.
"""

import argparse
import collections
import datetime
import glob
import json
import os
import platform
import re
import shlex
import socket
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # the harness lives in e2e/, which this must not touch
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "e2e"))
sys.path.insert(0, HERE)

import winehost  # noqa: E402
import xwire  # noqa: E402

BUTTON = (16, 14)
CC = "i686-w64-mingw32-gcc"
OBJDUMP = "i686-w64-mingw32-objdump"
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "msvcrt.dll", "comctl32.dll", "ole32.dll", "oleaut32.dll", "comdlg32.dll",
               "ws2_32.dll", "winmm.dll", "version.dll", "ntdll.dll", "imm32.dll"}
TRACED = "fixme-all,+timestamp,+pid,+relay"


def log(msg):
    sys.stderr.write("bench: %s\n" % msg)
    sys.stderr.flush()


# --------------------------------------------------------------------------
# Building


def run(cmd, **kw):
    log("$ " + " ".join(shlex.quote(c) for c in cmd))
    subprocess.run(cmd, check=True, **kw)


def cmake_flags():
    """The program's own compile and link flags, read from CMakeLists.txt and
    the MinSizeRel defaults of the Windows build's cache."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        text = f.read()

    def options(command):
        m = re.search(r"%s\(ruvok95\s+PRIVATE\s+([^)]*)\)" % command, text)
        if not m:
            raise RuntimeError("no %s(ruvok95 ...) in CMakeLists.txt" % command)
        # Generator expressions such as $<$<COMPILE_LANGUAGE:CXX>:-Os ...> wrap plain flags.
        return re.findall(r"(?<![\w$<:])-[\w,=.+-]+|(?<=:)-[\w,=.+-]+", m.group(1))

    warnings = re.search(r"add_compile_options\(([^)]*)\)", text)
    return {
        "warnings": warnings.group(1).split() if warnings else [],
        "compile": options("target_compile_options"),
        "link": options("target_link_options"),
    }


def cache_value(build_dir, name):
    with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return ""


def c_accepts(flag):
    """Whether the C compiler takes a flag without a warning (some are C++ only)."""
    r = subprocess.run([CC, "-Werror", flag, "-fsyntax-only", "-x", "c", os.devnull],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 0


def build(args):
    win = args.windows_build
    if not args.no_build:
        run(["cmake", "-S", ROOT, "-B", win, "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake",
             "-DCMAKE_BUILD_TYPE=MinSizeRel"], cwd=ROOT, stdout=subprocess.DEVNULL)
        run(["cmake", "--build", win, "--target", "ruvok95"], cwd=ROOT)
    program = os.path.join(win, "ruvok95.exe")
    if not os.path.isfile(program):
        raise SystemExit("bench: %s is missing" % program)
    flags = cmake_flags()
    build_type = cache_value(win, "CMAKE_C_FLAGS_MINSIZEREL").split() or ["-Os", "-DNDEBUG"]
    os.makedirs(args.out, exist_ok=True)
    floor = os.path.join(args.out, "floor.exe")
    compile_flags = [f for f in flags["compile"] if c_accepts(f)]
    for f in sorted(set(flags["compile"]) - set(compile_flags)):
        log("%s is for C++ only; the floor is C and is built without it" % f)
    cmd = ([CC, "-std=c99"] + flags["warnings"] + build_type + compile_flags + ["-mwindows"]
           + flags["link"] + ["-o", floor, os.path.join(HERE, "floor.c"), "-luser32"])
    run(cmd)
    return program, floor, " ".join(cmd[1:-4] + cmd[-1:])


def imports(exe):
    out = subprocess.run([OBJDUMP, "-p", exe], stdout=subprocess.PIPE, check=True).stdout.decode()
    return re.findall(r"DLL Name: (\S+)", out)


# --------------------------------------------------------------------------
# /proc


def _status(path):
    out = {}
    try:
        with open(path) as f:
            for line in f:
                k, _, v = line.partition(":")
                out[k] = v.strip()
    except OSError:
        pass
    return out


def snapshot(pid):
    """CPU time and context switches of every thread of a Linux process."""
    threads = {}
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(task + "/schedstat") as f:
                run_ns = int(f.read().split()[0])
        except OSError:
            continue
        st = _status(task + "/status")
        threads[int(os.path.basename(task))] = {
            "name": st.get("Name", "?"),
            "cpu": run_ns / 1e9,
            "voluntary": int(st.get("voluntary_ctxt_switches", 0)),
            "nonvoluntary": int(st.get("nonvoluntary_ctxt_switches", 0)),
        }
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return {"time": time.monotonic(), "pid": pid, "threads": threads,
            "stat_cpu": (int(fields[11]) + int(fields[12])) / ticks}


def difference(a, b):
    """What happened between two snapshots of one process."""
    cpu = vol = nonvol = 0.0
    per = collections.defaultdict(lambda: [0.0, 0, 0])
    for tid, t in b["threads"].items():
        before = a["threads"].get(tid, {"cpu": 0.0, "voluntary": 0, "nonvoluntary": 0})
        d = (t["cpu"] - before["cpu"], t["voluntary"] - before["voluntary"],
             t["nonvoluntary"] - before["nonvoluntary"])
        cpu, vol, nonvol = cpu + d[0], vol + d[1], nonvol + d[2]
        key = "%s/%s" % (t["name"], "main" if tid == b["pid"] else "other")
        for i in range(3):
            per[key][i] += d[i]
    return {
        "seconds": b["time"] - a["time"],
        "cpu": cpu,
        "stat_cpu": b["stat_cpu"] - a["stat_cpu"],
        "voluntary": vol,
        "nonvoluntary": nonvol,
        "switches": vol + nonvol,
        "threads_gone": sorted(set(a["threads"]) - set(b["threads"])),
        "threads_new": sorted(set(b["threads"]) - set(a["threads"])),
        "per_thread": {k: {"cpu": v[0], "voluntary": v[1], "nonvoluntary": v[2]} for k, v in per.items()},
    }


def cpu_time(pid):
    total = 0
    for s in glob.glob("/proc/%d/task/*/schedstat" % pid):
        try:
            with open(s) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e9


def memory(pid):
    """Resident and private memory in KiB, also without the emulator's
    translated-code buffer (qemu's one large anonymous rwx mapping)."""
    st = _status("/proc/%d/status" % pid)
    roll = _status("/proc/%d/smaps_rollup" % pid)

    def kib(d, k):
        return int(d.get(k, "0 kB").split()[0])

    code_cache = 0
    current = None
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            m = re.match(r"^[0-9a-f]+-[0-9a-f]+ (\S+) \S+ \S+ (\d+)\s*(.*)$", line)
            if m:
                current = m.group(1) == "rwxp" and m.group(2) == "0" and not m.group(3)
            elif current and line.startswith("Rss:"):
                code_cache += int(line.split()[1])
    return {
        "rss": kib(st, "VmRSS"),
        "private": kib(roll, "Private_Clean") + kib(roll, "Private_Dirty"),
        "private_dirty": kib(roll, "Private_Dirty"),
        "anon_huge": kib(roll, "AnonHugePages"),
        "code_cache": code_cache,
        "threads": int(st.get("Threads", 0)),
    }


# --------------------------------------------------------------------------
# Waiting for conditions


def wait_visible(x, process, t0, expected, timeout):
    """Seconds from t0 until a 16 x 14 window is mapped at the top-right
    corner and until the screen there shows the expected picture, and the
    CPU time the process had used by then."""
    corner = (x.width - BUTTON[0], 0) + BUTTON
    end = time.monotonic() + timeout
    mapped = None
    last = None
    while True:
        x.pump(0.002 if mapped else 0.05)
        if mapped is None:
            for rec in x.windows.values():
                if rec.get("mapped") and (rec["x"], rec["y"], rec["width"], rec["height"]) == corner:
                    mapped = max(t for t in (rec.get("mapped_at"), rec.get("placed_at"), t0) if t is not None)
        if mapped is not None:
            last = x.image(*corner)
            if last == expected:
                return mapped - t0, time.monotonic() - t0, cpu_time(process.pid)
        if not process.running():
            raise RuntimeError("%s exited (%s) before it was visible" % (process.exe_name, process.wait(0)))
        if time.monotonic() > end:
            raise TimeoutError("%s not visible after %.0f s (mapped: %s, corner shows %s)"
                               % (process.exe_name, timeout, mapped is not None,
                                  sorted(set(c for row in last or [] for c in row))))


def wait_quiet(process, window, share, timeout):
    """Wait until the process used at most share of one CPU over the last
    window seconds; returns the seconds waited."""
    start = time.monotonic()
    samples = collections.deque()
    while True:
        now = time.monotonic()
        samples.append((now, cpu_time(process.pid)))
        while len(samples) > 2 and samples[1][0] <= now - window:
            samples.popleft()
        if samples[0][0] <= now - window and samples[-1][1] - samples[0][1] <= share * (now - samples[0][0]):
            return now - start
        if not process.running():
            raise RuntimeError("%s exited while settling" % process.exe_name)
        if now - start > timeout:
            raise TimeoutError("%s still busy after %.0f s" % (process.exe_name, timeout))
        time.sleep(0.05)


def wait_gone(x, process, timeout=30):
    process.kill()
    corner = (x.width - BUTTON[0], 0) + BUTTON
    end = time.monotonic() + timeout
    while any(r.get("mapped") and (r["x"], r["y"], r["width"], r["height"]) == corner
              for r in x.windows.values()):
        if time.monotonic() > end:
            raise TimeoutError("the button stayed after the process ended")
        x.pump(0.05)


class TraceTail:
    """Reads a growing Wine log from a given offset."""

    def __init__(self, path, offset):
        self.fd = os.open(path, os.O_RDONLY)
        self.offset = offset
        self.text = ""

    def poll(self):
        data = os.pread(self.fd, 1 << 20, self.offset)
        if data:
            self.offset += len(data)
            self.text += data.decode("utf-8", "replace")
        return bool(data)

    def close(self):
        os.close(self.fd)


def _trace_line(pattern, text, pid):
    """(Wine time stamp in s, line) of the first complete line of this Windows
    pid matching pattern."""
    for line in text.splitlines(True):
        if not line.endswith("\n"):
            break
        m = re.match(r"^(\d+\.\d+):([0-9a-f]+):[0-9a-f]+:(.*)$", line)
        if m and int(m.group(2), 16) == pid and re.search(pattern, m.group(3)):
            return float(m.group(1)), m.group(3)
    return None


def wait_trace(process, pattern, timeout, offset=0):
    end = time.monotonic() + timeout
    tail = TraceTail(process.log_path, offset)
    try:
        while True:
            tail.poll()
            pid = process.windows_pid
            if pid is not None:
                hit = _trace_line(pattern, tail.text, pid)
                if hit:
                    return hit
            if not process.running():
                raise RuntimeError("%s exited waiting for %r" % (process.exe_name, pattern))
            if time.monotonic() > end:
                raise TimeoutError("no %r in %s" % (pattern, process.log_path))
            time.sleep(0.01)
    finally:
        tail.close()


def wait_image(x, expected, timeout):
    corner = (x.width - BUTTON[0], 0) + BUTTON
    end = time.monotonic() + timeout
    while x.image(*corner) != expected:
        if time.monotonic() > end:
            raise TimeoutError("the button never showed the pressed picture")
        x.pump(0.005)


# --------------------------------------------------------------------------
# One sample


def button_face(machine):
    """The colour the prefix gives COLOR_BTNFACE, which the floor paints."""
    with open(os.path.join(machine.prefix, "user.reg"), encoding="utf-8", errors="replace") as f:
        text = f.read()
    section = re.search(r"^\[Control Panel\\\\Colors\][^\n]*\n(.*?)(?=^\[|\Z)", text, re.M | re.S)
    m = section and re.search(r'^"ButtonFace"="(\d+) (\d+) (\d+)"', section.group(1), re.M)
    if not m:
        raise RuntimeError("no ButtonFace colour in the prefix")
    return tuple(int(v) for v in m.groups())


def pictures(kind, machine):
    if kind == "floor":
        face = [[button_face(machine)] * BUTTON[0] for _ in range(BUTTON[1])]
        return face, face
    import ruvok
    return ruvok.picture("normal"), ruvok.picture("pressed")


def server_pid(machine):
    for pid in machine.session_pids():
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                if b"wineserver" in f.read().split(b"\0")[0]:
                    return pid
        except OSError:
            pass
    return None


def sample(kind, exe, args):
    out = {"kind": kind}
    with winehost.Machine(relay=("user32.ExitWindowsEx",), windows98=args.win98) as m:
        x = xwire.Display(m.display)
        try:
            normal, pressed = pictures(kind, m)
            m.install(exe)
            server = server_pid(m)

            # Untraced: start, idle, memory.
            t0 = time.monotonic()
            p = m.start(exe, env={"WINEDEBUG": "-all"})
            out["load"] = os.getloadavg()[0]
            out["start_mapped"], out["start_visible"], out["start_cpu"] = wait_visible(x, p, t0, normal, args.timeout)
            out["start_maps"] = [(round(t - t0, 4), "%dx%d+%d+%d" % (x.windows.get(w, {}).get("width") or 0,
                                  x.windows.get(w, {}).get("height") or 0, x.windows.get(w, {}).get("x") or 0,
                                  x.windows.get(w, {}).get("y") or 0)) for t, kind_, w in x.log if kind_ == "map" and t >= t0]
            out["settle"] = wait_quiet(p, 1.0, 0.05, args.timeout)
            out["memory"] = memory(p.pid)
            s0 = snapshot(p.pid)
            w0 = snapshot(server) if server else None
            end = time.monotonic() + args.idle
            while time.monotonic() < end:
                x.pump(min(0.5, max(0.0, end - time.monotonic())))
                if not p.running():
                    raise RuntimeError("%s exited while idle" % kind)
            s1 = snapshot(p.pid)
            w1 = snapshot(server) if server else None
            out["memory_after_idle"] = memory(p.pid)
            out["idle"] = difference(s0, s1)
            if server:
                out["server_idle"] = difference(w0, w1)
            wait_gone(x, p)

            # Traced: press, then release, until ExitWindowsEx.
            p = m.start(exe, env={"WINEDEBUG": TRACED})
            wait_visible(x, p, time.monotonic(), normal, args.timeout)
            wait_quiet(p, 0.5, 0.05, args.timeout)
            x.fake_input(xwire.MOTION_NOTIFY, 0, x.width - BUTTON[0] // 2, BUTTON[1] // 2)
            x.fake_input(xwire.BUTTON_PRESS, 1)
            x.sync()
            wait_trace(p, r"^Ret  window proc .*msg=WM_LBUTTONDOWN", args.timeout)
            wait_image(x, pressed, args.timeout)
            wait_quiet(p, 0.5, 0.05, args.timeout)
            tail = TraceTail(p.log_path, os.path.getsize(p.log_path))
            try:
                t_release = time.monotonic()
                raw_release = time.clock_gettime(time.CLOCK_MONOTONIC_RAW)
                x.fake_input(xwire.BUTTON_RELEASE, 1)
                found = None
                deadline = t_release + args.timeout
                while found is None:
                    if tail.poll() and "Call user32.ExitWindowsEx(" in tail.text:
                        found = time.monotonic()
                        break
                    if time.monotonic() > deadline or not p.running():
                        raise RuntimeError("%s made no ExitWindowsEx call after the release" % kind)
                    time.sleep(0.0005)
                # The rest of the call's line, if it was not complete yet.
                while not re.search(r"Call user32\.ExitWindowsEx\([^\n]*\n", tail.text):
                    tail.poll()
                    time.sleep(0.001)
                text = tail.text
            finally:
                tail.close()
            x.sync()
            pid = p.windows_pid
            call = _trace_line(r"^Call user32\.ExitWindowsEx\(", text, pid)
            up = _trace_line(r"^Call window proc .*msg=WM_LBUTTONUP", text, pid)
            out["click_observed"] = found - t_release
            out["click_args"] = re.search(r"ExitWindowsEx\(([^)]*)\)", call[1]).group(1)
            if up:
                out["click_in_process"] = call[0] - up[0]
                # Wine stamps its trace in ms from CLOCK_MONOTONIC_RAW; against
                # CLOCK_MONOTONIC it is off by however far NTP has slewed that.
                out["click_wine_stamp"] = {"monotonic": call[0] - t_release,
                                           "monotonic_raw": call[0] - raw_release}
            between = text[text.find(up[1]) if up else 0 : text.find(call[1])]
            out["click_messages"] = re.findall(r"Call window proc \S+ \(hwnd=\S+?,msg=(\w+)", between)
            try:
                out["click_exit_status"] = p.wait(args.timeout)
            except TimeoutError:
                out["click_exit_status"] = None
        finally:
            x.close()
    return out


# --------------------------------------------------------------------------
# Report


def stats(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return min(values), statistics.median(values), max(values)


FIGURES = [
    # key, label, unit scale, format
    ("start_mapped", "start to mapped at corner (s)", 1, "%.3f"),
    ("start_visible", "start to visible, painted (s)", 1, "%.3f"),
    ("start_cpu", "CPU time used by then (s)", 1, "%.3f"),
    ("idle_cpu", "idle CPU time (ms / idle period)", 1000, "%.1f"),
    ("idle_switches", "idle context switches (all threads)", 1, "%.0f"),
    ("idle_voluntary", "  of which voluntary", 1, "%.0f"),
    ("idle_main", "  main thread only", 1, "%.0f"),
    ("server_cpu", "wineserver CPU in the period (ms)", 1000, "%.1f"),
    ("server_switches", "wineserver context switches", 1, "%.0f"),
    ("rss", "VmRSS after start (KiB)", 1, "%.0f"),
    ("private", "private after start (KiB)", 1, "%.0f"),
    ("code_cache", "  of which qemu translated code (KiB)", 1, "%.0f"),
    ("private_guest", "private without qemu's code buffer (KiB)", 1, "%.0f"),
    ("rss_end", "VmRSS after the idle period (KiB)", 1, "%.0f"),
    ("private_end", "private after the idle period (KiB)", 1, "%.0f"),
    ("click_observed", "click to request, seen in trace (ms)", 1000, "%.1f"),
    ("click_stamp", "  the same by Wine's stamp of the call (ms)", 1000, "%.1f"),
    ("click_in_process", "  WM_LBUTTONUP to request, Wine stamps (ms)", 1000, "%.0f"),
]


def flatten(s):
    idle = s["idle"]
    main = [v for k, v in idle["per_thread"].items() if k.endswith("/main")]
    return {
        "start_mapped": s["start_mapped"],
        "start_visible": s["start_visible"],
        "start_cpu": s["start_cpu"],
        "idle_cpu": idle["cpu"],
        "idle_switches": idle["switches"],
        "idle_voluntary": idle["voluntary"],
        "idle_main": (main[0]["voluntary"] + main[0]["nonvoluntary"]) if main else None,
        "server_cpu": s.get("server_idle", {}).get("cpu"),
        "server_switches": s.get("server_idle", {}).get("switches"),
        "rss": s["memory"]["rss"],
        "private": s["memory"]["private"],
        "code_cache": s["memory"]["code_cache"],
        "private_guest": s["memory"]["private"] - s["memory"]["code_cache"],
        "rss_end": s["memory_after_idle"]["rss"],
        "private_end": s["memory_after_idle"]["private"],
        "click_observed": s["click_observed"],
        "click_stamp": s.get("click_wine_stamp", {}).get("monotonic_raw"),
        "click_in_process": s.get("click_in_process"),
    }


def table(results, sizes, args):
    rows = {k: [flatten(s) for s in results[k]] for k in ("program", "floor")}
    lines = []
    head = "%-44s %28s %28s %9s %10s" % ("figure", "program min / median / max", "floor min / median / max",
                                         "ratio", "prog-floor")
    lines += [head, "-" * len(head)]
    for key, label, scale, fmt in FIGURES:
        cells, med = [], {}
        for kind in ("program", "floor"):
            st = stats([r[key] for r in rows[kind]])
            if st is None:
                cells.append("%28s" % "-")
                continue
            med[kind] = st[1] * scale
            cells.append("%28s" % " / ".join(fmt % (v * scale) for v in st))
        ratio = diff = ""
        if len(med) == 2:
            ratio = "%.2f" % (med["program"] / med["floor"]) if med["floor"] else "-"
            diff = fmt % (med["program"] - med["floor"])
        lines.append("%-44s %s %s %9s %10s" % (label, cells[0], cells[1], ratio, diff))
    p, f = sizes["program"], sizes["floor"]
    lines.append("%-44s %28s %28s %9s %10s" % ("exe size, stripped (bytes)", p, f, "%.2f" % (p / f), p - f))
    return "\n".join(lines)


def host_description():
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    wine = subprocess.run([winehost.WINE64, "--version"], stdout=subprocess.PIPE).stdout.decode().strip()
    qemu = subprocess.run(["qemu-i386-static", "--version"], stdout=subprocess.PIPE).stdout.decode().splitlines()
    return {
        "date": datetime.datetime.now().astimezone().isoformat(timespec="seconds"),
        "host": socket.gethostname(),
        "kernel": platform.release(),
        "cpu": cpu,
        "cpus": os.cpu_count(),
        "load": os.getloadavg(),
        "wine": wine,
        "qemu": qemu[0] if qemu else "?",
        "qemu_reserved_va": os.environ.get("QEMU_RESERVED_VA", winehost.QEMU_RESERVED_VA),
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--runs", type=int, default=5, help="samples of each exe (default 5)")
    ap.add_argument("--idle", type=float, default=30.0, help="idle period in seconds (default 30)")
    ap.add_argument("--win98", action="store_true", help="let both see the Windows 98 family")
    ap.add_argument("--no-build", action="store_true", help="use the exes already built")
    ap.add_argument("--windows-build", default=os.path.join(ROOT, "build", "windows"))
    ap.add_argument("--out", default=os.path.join(ROOT, "build", "bench"),
                    help="floor.exe, the Wine cache and the results go here")
    ap.add_argument("--json", help="write every sample here (default: OUT/results-DATE.json)")
    ap.add_argument("--timeout", type=float, default=120.0, help="deadline of every wait")
    ap.add_argument("--report", metavar="JSON", help="only print the report of an earlier run")
    args = ap.parse_args()
    if args.report:
        with open(args.report) as f:
            report(json.load(f), args.report)
        return
    args.out = os.path.abspath(args.out)
    args.windows_build = os.path.abspath(args.windows_build)

    program, floor, floor_flags = build(args)
    os.environ["RUVOK_E2E_CACHE"] = os.path.join(args.out, "wine")
    os.environ.pop("RUVOK_E2E_KEEP", None)
    winehost.check_host()
    host = host_description()
    sizes = {"program": os.path.getsize(program), "floor": os.path.getsize(floor)}
    dlls = {"program": imports(program), "floor": imports(floor)}
    winehost.base_prefix()  # boots once per cache, not inside a sample

    results = {"program": [], "floor": []}
    for i in range(args.runs):
        for kind, exe in (("program", program), ("floor", floor)):
            log("sample %d/%d: %s" % (i + 1, args.runs, kind))
            s = sample(kind, exe, args)
            results[kind].append(s)
            f = flatten(s)
            log("  visible %.3f s, idle %.1f ms CPU / %d switches, rss %d KiB, private %d KiB, click %.1f ms"
                % (f["start_visible"], f["idle_cpu"] * 1000, f["idle_switches"], f["rss"], f["private"],
                   f["click_observed"] * 1000))

    stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
    path = args.json or os.path.join(args.out, "results-%s.json" % stamp)
    data = {"host": host, "args": vars(args), "sizes": sizes, "imports": dlls,
            "floor_flags": floor_flags, "samples": results}
    with open(path, "w") as f:
        json.dump(data, f, indent=1)
    report(data, path)


def report(data, path):
    host, sizes, dlls, floor_flags, results = (data[k] for k in ("host", "sizes", "imports", "floor_flags", "samples"))
    args = argparse.Namespace(**data["args"])
    print("ruvok95.exe against floor.exe under Wine, %d samples each, idle period %.0f s%s"
          % (args.runs, args.idle, ", Windows 98 family" if args.win98 else ""))
    print("%s on %s (%s, %d CPUs, %s), load at start %.2f %.2f %.2f"
          % (host["date"], host["host"], host["cpu"], host["cpus"], host["kernel"], *host["load"]))
    print("%s, %s, QEMU_RESERVED_VA=%s" % (host["wine"], host["qemu"], host["qemu_reserved_va"]))
    loads = [s["load"] for k in results for s in results[k]]
    print("1-minute load average at the start of the samples: %.2f to %.2f" % (min(loads), max(loads)))
    print("floor.exe built with: %s %s" % (CC, floor_flags))
    print()
    print(table(results, sizes, args))
    print()
    for kind in ("program", "floor"):
        foreign = [d for d in dlls[kind] if d.lower() not in SYSTEM_DLLS]
        print("%-8s imports %s: %s" % (kind, " ".join(dlls[kind]),
                                       "all system DLLs, none beside the exe" if not foreign
                                       else "NOT SYSTEM: " + " ".join(foreign)))
    args_seen = sorted({s["click_args"] for k in results for s in results[k]})
    statuses = sorted({str(s["click_exit_status"]) for k in results for s in results[k]})
    print("ExitWindowsEx arguments seen: %s; exit status after the click: %s" % (", ".join(args_seen), ", ".join(statuses)))
    for kind in ("program", "floor"):
        msgs = collections.Counter(m for s in results[kind] for m in s["click_messages"])
        print("%-8s window messages between WM_LBUTTONUP and the request (all samples): %s"
              % (kind, ", ".join("%s x%d" % kv for kv in msgs.most_common()) or "none"))
        per = collections.defaultdict(list)
        for s in results[kind]:
            for name, v in s["idle"]["per_thread"].items():
                per[name].append(v["voluntary"] + v["nonvoluntary"])
        print("%-8s idle switches per thread (median): %s"
              % (kind, ", ".join("%s %g" % (n, statistics.median(v)) for n, v in sorted(per.items()))))
    for kind in ("program", "floor"):
        maps = collections.Counter(len(s["start_maps"]) for s in results[kind])
        print("%-8s X windows mapped during start: %s (e.g. %s)" % (kind, ", ".join("%d in %d samples" % kv for kv in sorted(maps.items())),
                                                               results[kind][0]["start_maps"]))
    for kind in ("program", "floor"):
        stamps = [s["click_wine_stamp"] for s in results[kind] if "click_wine_stamp" in s]
        if stamps:
            print("%-8s Wine's stamp of the request minus the release (median): %.1f ms by CLOCK_MONOTONIC_RAW, "
                  "%.1f ms by CLOCK_MONOTONIC" % (kind, statistics.median(s["monotonic_raw"] for s in stamps) * 1000,
                                                 statistics.median(s["monotonic"] for s in stamps) * 1000))
    print()
    print("Notes: a 32-bit Windows process here is a qemu-i386 process; its CPU time, context switches")
    print("and memory include the emulator's own (translation cache, its RCU thread).  Start to visible")
    print("is mostly qemu and Wine start-up, the same for both.  Both exes ran the same way, one fresh")
    print("Wine machine per sample.  Every sample is in %s" % path)


if __name__ == "__main__":
    main()
