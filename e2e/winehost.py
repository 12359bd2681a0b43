"""Run the real 32-bit Windows build under Wine, in a private X display, and watch it.

The end-to-end tests use this module to start ruvok95.exe exactly as a user
would, look at what it puts on the screen, press the mouse on it, and see
which Win32 calls it made (through Wine's relay trace).  Only the Python 3
standard library and the Debian packages installed by scripts/deps.sh are
used.

A test normally does::

    with winehost.Machine(windows98=True) as m:
        p = m.start(winehost.program_exe())
        win = m.wait_window(size=(120, 90))
        m.click(win.x + 5, win.y + 5)
        args = p.wait_call("user32.ExitWindowsEx")
        assert args[0] == ("00000002", "00000000")

Every Machine has its own copy of a Wine prefix booted once per build
directory, its own wineserver and its own Xvfb.  close() (or leaving the
with block) ends all of them; if the test process dies instead, a small
watchdog process does the same.

Environment variables read:
  RUVOK_E2E_CACHE   where the booted base prefix and the per-test copies
                    live (default: ./e2e-wine under the current directory,
                    which is the build directory when ctest runs the tests)
  RUVOK95_EXE       the program under test (default: searched in the
                    build directory)
  RUVOK_E2E_PROBE   the probe.exe helper (default: searched in the build
                    directory, else compiled from e2e/probe.c into the cache)
  RUVOK_E2E_KEEP=1  keep each test's prefix, logs and screenshots after close
"""

import fcntl
import hashlib
import ntpath
import os
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WINE32 = "/usr/bin/wine"  # Debian's wrapper around the 32-bit loader
WINE64 = "/usr/lib/wine/wine64"
WINESERVER64 = "/usr/lib/wine/wineserver64"

# Under qemu-user, the guest address space it reserves decides how long every
# 32-bit process takes to start: Wine probes the whole 2..4 GiB range with
# tens of thousands of mmap calls, and each costs more the larger the
# reservation.  Larger values make a start take 15 s and more; 0x80000000 and
# below do not leave Wine room to start at all.
QEMU_RESERVED_VA = "0x81000000"

DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"

PROGRAM_NAME = "ruvok95.exe"
INSTALL_DIR_WINDOWS = "C:\\Ruvok"
HELPER_DIR_WINDOWS = "C:\\e2e"

DEFAULT_RELAY = (
    "user32.ExitWindowsEx",
    "advapi32.OpenProcessToken",
    "advapi32.LookupPrivilegeValueA",
    "advapi32.AdjustTokenPrivileges",
    "shell32.Shell_NotifyIconA",
)

DEFAULT_TIMEOUT = 60.0

# Settings every test prefix starts from.  Bump LAYOUT when they change so
# that an existing cache is booted again.
LAYOUT = "4"
BASE_REGISTRY = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"mscoree"=""
"mshtml"=""
"winemenubuilder.exe"=""

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="C:\\windows\\system32\\no-debugger.exe %ld %ld"
"Auto"="1"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="C:\\windows\\system32\\no-debugger.exe %ld %ld"
"Auto"="1"
"""
# Managed=N: Xvfb runs no window manager, and with managed windows Wine waits
# for one (about 2 s) whenever a captioned window is hidden.
# A debugger that does not exist: with the default one (winedbg) a crashed
# program hung under qemu, while a debugger that cannot be started makes Wine
# end the process at once with its exception code as the exit status.
# (Under qemu every fault is reported as an illegal instruction, 0xC000001D.)


class HostNotReady(RuntimeError):
    """Wine, Xvfb or 32-bit execution is missing; scripts/deps.sh sets them up."""


def _log(msg):
    sys.stderr.write("winehost: %s\n" % msg)
    sys.stderr.flush()


def _deadline(timeout):
    return time.monotonic() + (DEFAULT_TIMEOUT if timeout is None else timeout)


def wait_until(condition, timeout=None, interval=0.05, what="condition"):
    """Call condition() until it returns something truthy; return that value.

    Raises TimeoutError after timeout seconds (DEFAULT_TIMEOUT if None).
    """
    end = _deadline(timeout)
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            raise TimeoutError("timed out waiting for %s" % what)
        time.sleep(interval)


# --------------------------------------------------------------------------
# Locations


def source_dir():
    return os.path.dirname(os.path.abspath(__file__))


def cache_dir():
    d = os.environ.get("RUVOK_E2E_CACHE") or os.path.join(os.getcwd(), "e2e-wine")
    d = os.path.abspath(d)
    os.makedirs(d, exist_ok=True)
    return d


def _search_build(name, env_var):
    given = os.environ.get(env_var)
    if given:
        if not os.path.isfile(given):
            raise FileNotFoundError("%s=%s does not exist" % (env_var, given))
        return os.path.abspath(given)
    here = os.getcwd()
    for base in (here, os.path.dirname(here)):
        for sub in ("", "e2e", "bin", "src"):
            p = os.path.join(base, sub, name)
            if os.path.isfile(p):
                return os.path.abspath(p)
    return None


def program_exe():
    """Path of the ruvok95.exe under test (RUVOK95_EXE, else found in the build dir)."""
    p = _search_build(PROGRAM_NAME, "RUVOK95_EXE")
    if not p:
        raise FileNotFoundError("%s not found; set RUVOK95_EXE" % PROGRAM_NAME)
    return p


def probe_exe():
    """Path of probe.exe: RUVOK_E2E_PROBE, the build dir, or built from probe.c."""
    p = _search_build("probe.exe", "RUVOK_E2E_PROBE")
    if p:
        return p
    src = os.path.join(source_dir(), "probe.c")
    out = os.path.join(cache_dir(), "probe.exe")
    with _Lock(os.path.join(cache_dir(), "probe.lock"), exclusive=True):
        if not os.path.isfile(out) or os.path.getmtime(out) < os.path.getmtime(src):
            tmp = out + ".%d.tmp" % os.getpid()
            subprocess.run(
                ["i686-w64-mingw32-gcc", "-std=c99", "-O2", "-s", "-mwindows", "-o", tmp, src],
                check=True,
            )
            os.replace(tmp, out)
    return out


def pe_is_64bit(path):
    """True for a PE32+ (x86-64) image, False for PE32."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        raise ValueError("%s is not a Windows executable" % path)
    off = int.from_bytes(head[0x3C:0x40], "little")
    if head[off : off + 4] != b"PE\0\0":
        raise ValueError("%s has no PE header" % path)
    magic = int.from_bytes(head[off + 24 : off + 26], "little")
    return magic == 0x20B


# --------------------------------------------------------------------------
# Environment and host checks


def _wineserver():
    return WINESERVER64 if os.access(WINESERVER64, os.X_OK) else (shutil.which("wineserver") or "wineserver")


def wine_env(prefix, display=None, debug="-all"):
    env = {k: v for k, v in os.environ.items() if not k.startswith("WINE") and k != "DISPLAY"}
    env.update(
        WINEPREFIX=prefix,
        WINEARCH="win64",
        WINEDEBUG=debug,
        WINEDLLOVERRIDES=DLL_OVERRIDES,
        WINESERVER=_wineserver(),
    )
    env.setdefault("QEMU_RESERVED_VA", QEMU_RESERVED_VA)
    # The program's fonts are Japanese ones: with a Japanese user language Wine picks
    # a Japanese font that also has Latin letters, instead of a CJK-only fallback.
    env["LANG"] = "ja_JP.UTF-8"
    env.pop("LC_ALL", None)
    if display:
        env["DISPLAY"] = display
    return env


_host_checked = False


def check_host():
    """Raise HostNotReady unless everything the harness runs is present and 32-bit code runs."""
    global _host_checked
    if _host_checked:
        return
    missing = [
        t
        for t in (WINE32, WINE64, "Xvfb", "xdotool", "xwininfo", "import", "cp")
        if not (os.access(t, os.X_OK) if t.startswith("/") else shutil.which(t))
    ]
    if missing:
        raise HostNotReady("missing %s; run scripts/deps.sh" % ", ".join(missing))
    env = dict(os.environ)
    env.setdefault("QEMU_RESERVED_VA", QEMU_RESERVED_VA)
    try:
        r = subprocess.run(
            ["/usr/lib/wine/wine", "--version"],
            env=env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            timeout=60,
        )
        ok = r.returncode == 0
    except OSError:
        ok = False
    if not ok:
        raise HostNotReady(
            "32-bit programs do not run on this machine (no qemu-i386 binfmt entry?); "
            "run scripts/deps.sh as root"
        )
    _host_checked = True


# --------------------------------------------------------------------------
# Base prefix


class _Lock:
    def __init__(self, path, exclusive):
        self.path = path
        self.exclusive = exclusive

    def __enter__(self):
        self.f = open(self.path, "a")
        fcntl.flock(self.f, fcntl.LOCK_EX if self.exclusive else fcntl.LOCK_SH)
        return self

    def __exit__(self, *exc):
        fcntl.flock(self.f, fcntl.LOCK_UN)
        self.f.close()


def _no_core_dumps():
    # qemu writes a core file of the emulated process into its current
    # directory (the program's install dir) when it dies of a signal.
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def _run_logged(cmd, env, log_path, timeout, cwd=None):
    """Run a Wine command with output to a file: Wine's background processes
    inherit stdout and stderr, so a pipe would stay open after it ends."""
    with open(log_path, "ab") as log:
        r = subprocess.run(
            cmd, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
            timeout=timeout, cwd=cwd, preexec_fn=_no_core_dumps,
        )
    return r.returncode


def _stamp_text():
    r = subprocess.run([WINE64, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    digest = hashlib.sha256(BASE_REGISTRY.encode()).hexdigest()[:16]
    return "layout=%s\nwine=%s\nregistry=%s\n" % (LAYOUT, r.stdout.decode().strip(), digest)


def _read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def base_prefix():
    """Path of the booted base prefix, booting it first if missing or out of date.

    Safe to call from several test processes at once: the boot happens under an
    exclusive lock, copies are taken under a shared one, and the prefix only
    appears under its final name once complete.
    """
    check_host()
    cache = cache_dir()
    base = os.path.join(cache, "base")
    stamp_path = os.path.join(base, ".ruvok-e2e-ready")
    want = _stamp_text()
    if _read(stamp_path) == want:
        return base
    with _Lock(os.path.join(cache, "base.lock"), exclusive=True):
        if _read(stamp_path) == want:
            return base
        _boot(base + ".boot", os.path.join(cache, "boot.log"))
        with open(os.path.join(base + ".boot", ".ruvok-e2e-ready"), "w") as f:
            f.write(want)
        if os.path.exists(base):
            shutil.rmtree(base)
        os.rename(base + ".boot", base)
    return base


def _boot(prefix, log_path):
    if os.path.exists(prefix):
        shutil.rmtree(prefix)
    started = time.monotonic()
    _log("booting a Wine prefix for the e2e tests in %s (once per cache)" % prefix)
    env = wine_env(prefix)
    open(log_path, "w").close()
    try:
        # The native 64-bit loader boots a win64 prefix; its 32-bit half
        # (syswow64) is set up by 32-bit helpers that run under qemu.
        rc = _run_logged([WINE64, "wineboot", "-i"], env, log_path, timeout=900)
        if rc != 0:
            raise RuntimeError("wineboot -i failed (%d); see %s" % (rc, log_path))
        reg = os.path.join(prefix, "drive_c", "base.reg")
        with open(reg, "w", encoding="utf-16") as f:
            f.write(BASE_REGISTRY.replace("\n", "\r\n"))
        rc = _run_logged([WINE64, "reg", "import", "C:\\base.reg"], env, log_path, timeout=300)
        if rc != 0:
            raise RuntimeError("reg import failed (%d); see %s" % (rc, log_path))
        os.unlink(reg)
    finally:
        # Wait for the session to end so the registry files are complete.
        _run_logged([_wineserver(), "-w"], env, log_path, timeout=300)
    for name in ("system.reg", "user.reg", "userdef.reg"):
        if not os.path.isfile(os.path.join(prefix, name)):
            raise RuntimeError("boot left no %s; see %s" % (name, log_path))
    if not os.path.isdir(os.path.join(prefix, "drive_c", "windows", "syswow64")):
        raise RuntimeError("boot left no syswow64; see %s" % log_path)
    _cut_links_out_of_prefix(prefix)
    # Copies must each get their own server directory.
    _remove_server_tmpdir(prefix)
    _remove_quietly(os.path.join(prefix, "wineserver"))
    _log("prefix booted in %.1f s" % (time.monotonic() - started))


def _cut_links_out_of_prefix(prefix):
    """wineboot links Desktop, Documents and the like to the Linux home; a test
    writing there must not touch the machine's real home directory."""
    users = os.path.join(prefix, "drive_c", "users")
    for root, dirs, files in os.walk(users):
        for name in dirs + files:
            p = os.path.join(root, name)
            if os.path.islink(p):
                target = os.path.realpath(p)
                if not target.startswith(os.path.realpath(prefix) + os.sep):
                    os.unlink(p)
                    os.mkdir(p)


def _remove_quietly(path):
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


def _remove_server_tmpdir(prefix):
    """Debian's Wine keeps the server socket in a mkdtemp directory named in
    PREFIX/wineserver, and leaves it behind."""
    name = (_read(os.path.join(prefix, "wineserver")) or "").strip()
    if name.startswith("wine-") and "/" not in name:
        for tmp in {os.environ.get("TMPDIR") or "/tmp", "/tmp"}:
            shutil.rmtree(os.path.join(tmp, name), ignore_errors=True)


def _copy_prefix(base, dest):
    """A private prefix in a fraction of a second: hard links for the 1.3 GB of
    read-only Wine files, real copies for what Wine or a program may rewrite in
    place."""
    r = subprocess.run(["cp", "-al", base, dest], stderr=subprocess.PIPE)
    if r.returncode != 0:
        shutil.rmtree(dest, ignore_errors=True)
        _log("hard-linked copy failed (%s); copying" % r.stderr.decode().strip())
        subprocess.run(["cp", "-a", base, dest], check=True)
        return
    private = [os.path.join(dest, n) for n in os.listdir(dest) if n.endswith(".reg")]
    windir = os.path.join(dest, "drive_c", "windows")
    private += [os.path.join(windir, n) for n in os.listdir(windir) if n.lower().endswith(".ini")]
    for root, dirs, files in os.walk(os.path.join(dest, "drive_c", "users")):
        private += [os.path.join(root, n) for n in files]
    for p in private:
        if os.path.isfile(p) and not os.path.islink(p):
            tmp = p + ".copy"
            shutil.copy2(p, tmp)
            os.replace(tmp, p)


# --------------------------------------------------------------------------
# Processes of one prefix


def _processes_of_prefix(prefix):
    """Unix pids of live (non-zombie) processes whose WINEPREFIX is prefix."""
    needle = b"\0WINEPREFIX=" + os.fsencode(prefix) + b"\0"
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                environ = b"\0" + f.read()
            if needle not in environ:
                continue
            with open("/proc/%s/stat" % name, "rb") as f:
                stat = f.read()
            state = stat[stat.rindex(b")") + 2 : stat.rindex(b")") + 3]
            if state not in (b"Z", b"X"):
                found.append(int(name))
        except (OSError, ValueError):
            continue
    return found


_WATCHDOG = r"""
import os, signal, subprocess, sys, shutil, time
if os.fork():
    os._exit(0)
os.setsid()
data = sys.stdin.buffer.read()
if data.endswith(b"closed"):
    sys.exit(0)
prefix, server, xvfb, machine_dir, keep = sys.argv[1:6]
env = dict(os.environ, WINEPREFIX=prefix)
try:
    subprocess.run([server, "-k"], env=env, timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
except Exception:
    pass
needle = b"\0WINEPREFIX=" + os.fsencode(prefix) + b"\0"
for name in os.listdir("/proc"):
    if name.isdigit():
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                if needle in b"\0" + f.read():
                    os.kill(int(name), signal.SIGKILL)
        except OSError:
            pass
try:
    with open("/proc/%s/cmdline" % xvfb, "rb") as f:
        if b"Xvfb" in f.read():
            os.kill(int(xvfb), signal.SIGKILL)
except (OSError, ValueError):
    pass
time.sleep(1)
try:
    with open(os.path.join(prefix, "wineserver")) as f:
        name = f.read().strip()
    if name.startswith("wine-") and "/" not in name:
        for tmp in {os.environ.get("TMPDIR") or "/tmp", "/tmp"}:
            shutil.rmtree(os.path.join(tmp, name), ignore_errors=True)
except OSError:
    pass
if keep != "1":
    shutil.rmtree(machine_dir, ignore_errors=True)
"""


class Process:
    """One Windows program started by Machine.start()."""

    # [timestamp:][pid:]tid:Call dll.Function(args) ret=caller
    _line = re.compile(
        r"^(?:\d+\.\d+:)?(?:([0-9a-f]{4,8}):)?([0-9a-f]{4,8}):(Call|Ret) +([\w.]+)\.(\w+)\((.*)$"
    )

    def __init__(self, machine, popen, log_path, exe_name):
        self.machine = machine
        self.popen = popen
        self.log_path = log_path
        self.exe_name = exe_name
        self._windows_pid = None

    @property
    def pid(self):
        """The Unix process id (Wine runs each Windows process as one Unix process)."""
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=None):
        """Exit status: the low 8 bits of the Windows exit code (negative: the
        Unix signal that ended it).  Raises TimeoutError if still running."""
        try:
            return self.popen.wait(DEFAULT_TIMEOUT if timeout is None else timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("%s still running" % self.exe_name) from None

    def kill(self):
        if self.running():
            self.popen.kill()
            self.popen.wait(30)

    def log(self):
        """Everything the process (and Wine on its behalf) wrote to stdout/stderr."""
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def _complete_lines(self):
        text = self.log()
        if not text.endswith("\n"):
            text = text[: text.rfind("\n") + 1]
        return text.splitlines()

    @property
    def windows_pid(self):
        """The Windows process id (as GetCurrentProcessId() returns it), or None
        before the process has written its first trace line."""
        if self._windows_pid is None:
            for line in self._complete_lines():
                m = re.match(r"^(?:\d+\.\d+:)?([0-9a-f]{4,8}):[0-9a-f]{4,8}:", line)
                if m:
                    self._windows_pid = int(m.group(1), 16)
                    break
        return self._windows_pid

    def _relay(self, kind, name, children):
        dll, _, func = name.rpartition(".")
        own = self.windows_pid
        out = []
        for line in self._complete_lines():
            m = self._line.match(line)
            if not m or m.group(3) != kind or m.group(5) != func:
                continue
            if dll and m.group(4).lower() != dll.lower():
                continue
            if not children and m.group(1) is not None and int(m.group(1), 16) != own:
                continue
            out.append(m.group(6))
        return out

    def calls(self, name, children=False):
        """Argument tuples of every relayed call of name ("ExitWindowsEx" or
        "user32.ExitWindowsEx") made by this process, in order.

        Arguments are Wine's text for them: hex words like "00000002", and for
        string arguments the pointer followed by the quoted string.  Only
        functions in the machine's relay list are traced.  With children=True,
        calls from processes this one started count too.
        """
        return [_split_args(rest) for rest in self._relay("Call", name, children)]

    def call_sequence(self):
        """Every relayed call this process made, in order, as (function, args)."""
        own = self.windows_pid
        out = []
        for line in self._complete_lines():
            m = self._line.match(line)
            if not m or m.group(3) != "Call":
                continue
            if m.group(1) is not None and int(m.group(1), 16) != own:
                continue
            out.append((m.group(5), _split_args(m.group(6))))
        return out

    def returns(self, name, children=False):
        """Return values (hex text) of every relayed call of name that returned."""
        out = []
        for rest in self._relay("Ret", name, children):
            m = re.search(r"retval=([0-9a-f]+)", rest)
            if m:
                out.append(m.group(1))
        return out

    def wait_call(self, name, timeout=None, count=1, children=False):
        """Wait until name has been called at least count times; return calls(name)."""
        end = _deadline(timeout)
        while True:
            exited = not self.running()
            found = self.calls(name, children)
            if len(found) >= count:
                return found
            if exited or time.monotonic() >= end:
                tail = "\n".join(self._complete_lines()[-15:])
                raise TimeoutError(
                    "%s made %d call(s) of %s, wanted %d (%s)\n--- log tail ---\n%s"
                    % (self.exe_name, len(found), name, count,
                       "process exited" if exited else "timed out", tail)
                )
            time.sleep(0.05)


def _split_args(rest):
    """Split "a,b,c) ret=..." at top-level commas, honouring quoted strings."""
    args, cur, quote, i = [], [], None, 0
    while i < len(rest):
        c = rest[i]
        if quote:
            cur.append(c)
            if c == "\\" and i + 1 < len(rest):
                cur.append(rest[i + 1])
                i += 1
            elif c == quote:
                quote = None
        elif c == '"':
            quote = c
            cur.append(c)
        elif c == ",":
            args.append("".join(cur).strip())
            cur = []
        elif c == ")":
            break
        else:
            cur.append(c)
        i += 1
    last = "".join(cur).strip()
    if last or args:
        args.append(last)
    return tuple(args)


class XWindow:
    """A mapped top-level X window (with no window manager, one per visible
    top-level Win32 window)."""

    def __init__(self, xid, name, x, y, width, height):
        self.id = xid
        self.name = name
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def size(self):
        return (self.width, self.height)

    @property
    def rect(self):
        """(left, top, right, bottom) like a Win32 RECT."""
        return (self.x, self.y, self.x + self.width, self.y + self.height)

    def __repr__(self):
        return "XWindow(0x%x, %r, %dx%d+%d+%d)" % (self.id, self.name, self.width, self.height, self.x, self.y)


_CHILD = re.compile(
    r'^\s+(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \(.*\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)\s*$'
)


class Machine:
    """A private Wine prefix with its own X display, wineserver and session.

    screen:    the Xvfb screen size.
    windows98: make the program (and probe.exe) see a Windows 98 family system.
    relay:     Win32 functions ("dll.Function") whose calls are traced for
               Process.calls(); empty for no tracing.
    registry:  extra .reg text (without the header line) imported at start.
    display:   an X display to use instead of a virtual one of its own.
    """

    def __init__(self, screen=(1013, 677), windows98=False, relay=DEFAULT_RELAY, registry="",
                 program_name=PROGRAM_NAME, display=None):
        self.screen = tuple(screen)
        self.windows98 = windows98
        self.relay = tuple(relay)
        self.program_name = program_name
        self.keep = os.environ.get("RUVOK_E2E_KEEP") == "1"
        self.display = display
        self.processes = []
        self._xvfb = None
        self._anchor = None
        self._watchdog = None
        self._closed = False
        self._seq = 0
        base = base_prefix()
        runs = os.path.join(cache_dir(), "run")
        os.makedirs(runs, exist_ok=True)
        self.dir = tempfile.mkdtemp(prefix="m-", dir=runs)
        self.prefix = os.path.join(self.dir, "prefix")
        self.log_dir = os.path.join(self.dir, "logs")
        os.makedirs(self.log_dir)
        try:
            with _Lock(os.path.join(cache_dir(), "base.lock"), exclusive=False):
                _copy_prefix(base, self.prefix)
            self.install_dir = os.path.join(self.prefix, "drive_c", INSTALL_DIR_WINDOWS[3:])
            self.install_dir_windows = INSTALL_DIR_WINDOWS
            os.makedirs(self.install_dir)
            if self.display is None:
                self._start_display()
            self._start_watchdog()
            self._start_session(registry)
        except BaseException:
            self.close()
            raise

    # -- life cycle --------------------------------------------------------

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def env(self, debug="-all"):
        return wine_env(self.prefix, self.display, debug)

    def _start_display(self):
        r, w = os.pipe()
        log = open(os.path.join(self.log_dir, "xvfb.log"), "wb")
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % self.screen,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True,
            )
        finally:
            os.close(w)
            log.close()
        data = b""
        end = _deadline(30)
        try:
            while not data.endswith(b"\n"):
                left = end - time.monotonic()
                if left <= 0:
                    raise TimeoutError("Xvfb did not report a display")
                ready, _, _ = select.select([r], [], [], left)
                if ready:
                    chunk = os.read(r, 64)
                    if not chunk:
                        raise RuntimeError("Xvfb exited: %s" % _read(os.path.join(self.log_dir, "xvfb.log")))
                    data += chunk
        finally:
            os.close(r)
        self.display = ":" + data.decode().strip()

    def _start_watchdog(self):
        r, w = os.pipe()
        try:
            p = subprocess.Popen(
                [sys.executable, "-c", _WATCHDOG, self.prefix, _wineserver(),
                 str(self._xvfb.pid if self._xvfb else 0),
                 self.dir, "1" if self.keep else "0"],
                stdin=r, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                env={k: v for k, v in self.env().items() if k != "WINEPREFIX"},
                start_new_session=True,
            )
            p.wait(30)  # it forks at once, so it is no child of this process
        finally:
            os.close(r)
        self._watchdog = w

    def _start_session(self, registry):
        env = self.env()
        log = os.path.join(self.log_dir, "session.log")
        # A persistent server, and a 64-bit process that holds the session
        # open: otherwise the desktop process and services would end with the
        # last test process and be started again by the next one, inheriting
        # its trace settings and output file.
        if _run_logged([_wineserver(), "-p"], env, log, timeout=30) != 0:
            raise RuntimeError("wineserver -p failed; see %s" % log)
        lines = [
            "Windows Registry Editor Version 5.00",
            "",
            r"[HKEY_CURRENT_USER\Software\Wine\Debug]",
            '"RelayInclude"="%s"' % ";".join(self.relay),
            "",
        ]
        if self.windows98:
            for exe in (self.program_name, "probe.exe"):
                lines += [r"[HKEY_CURRENT_USER\Software\Wine\AppDefaults\%s]" % exe, '"Version"="win98"', ""]
        if registry:
            lines += [registry.strip("\n"), ""]
        self._reg_import("\n".join(lines) + "\n", log)
        with open(log, "ab") as out:
            self._anchor = subprocess.Popen(
                [WINE64, "C:\\windows\\system32\\cmd.exe", "/k"],
                env=env, stdin=subprocess.PIPE, stdout=out, stderr=subprocess.STDOUT,
                cwd=self.prefix,
            )
        # Start the desktop process (explorer) now, with tracing off.
        _run_logged([WINE64, "rundll32.exe", "user32.dll,GetDesktopWindow"], env, log, timeout=120)

    def reg_import(self, text):
        """Import .reg text (a "Windows Registry Editor Version 5.00" header is
        added if missing).  Affects processes started afterwards."""
        if not text.lstrip().startswith("Windows Registry Editor"):
            text = "Windows Registry Editor Version 5.00\n\n" + text
        self._reg_import(text, os.path.join(self.log_dir, "session.log"))

    def _reg_import(self, text, log):
        self._seq += 1
        name = "import-%d.reg" % self._seq
        path = os.path.join(self.prefix, "drive_c", name)
        with open(path, "w", encoding="utf-16") as f:
            f.write(text.replace("\r\n", "\n").replace("\n", "\r\n"))
        rc = _run_logged([WINE64, "reg", "import", "C:\\" + name], self.env(), log, timeout=120)
        os.unlink(path)
        if rc != 0:
            raise RuntimeError("reg import failed (%d); see %s" % (rc, log))

    def close(self):
        """End every process of this prefix and the X server; remove the copy."""
        if self._closed:
            return
        self._closed = True
        errors = []
        for p in self.processes:
            if p.running():
                try:
                    p.popen.kill()
                except OSError:
                    pass
        if os.path.isdir(self.prefix):
            try:
                subprocess.run([_wineserver(), "-k"], env=self.env(), timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                errors.append("wineserver -k timed out")
            try:
                wait_until(lambda: not _processes_of_prefix(self.prefix), timeout=15,
                           what="the prefix's processes to end")
            except TimeoutError:
                left = _processes_of_prefix(self.prefix)
                errors.append("killed leftover pids %s" % left)
                for pid in left:
                    try:
                        os.kill(pid, signal.SIGKILL)
                    except OSError:
                        pass
        for p in self.processes + ([] if self._anchor is None else [self._anchor]):
            popen = p.popen if isinstance(p, Process) else p
            try:
                popen.wait(10)
            except subprocess.TimeoutExpired:
                errors.append("pid %d did not end" % popen.pid)
        if self._anchor is not None and self._anchor.stdin:
            self._anchor.stdin.close()
        _remove_server_tmpdir(self.prefix)
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait(10)
        if self._watchdog is not None:
            try:
                os.write(self._watchdog, b"closed")
            finally:
                os.close(self._watchdog)
        if not self.keep:
            shutil.rmtree(self.dir, ignore_errors=True)
        else:
            _log("kept %s" % self.dir)
        if errors:
            _log("; ".join(errors))

    # -- Windows programs --------------------------------------------------

    def _loader(self, path):
        return WINE64 if pe_is_64bit(path) else WINE32

    def install(self, exe_path, windows_dir=None):
        """Copy exe_path into the install dir (or another C:\\ dir); return its Windows path."""
        windows_dir = windows_dir or self.install_dir_windows
        linux_dir = self.linux_path(windows_dir)
        os.makedirs(linux_dir, exist_ok=True)
        dest = os.path.join(linux_dir, os.path.basename(exe_path))
        src = os.stat(exe_path)
        try:
            have = os.stat(dest)
            same = (have.st_size, have.st_mtime_ns) == (src.st_size, src.st_mtime_ns)
        except FileNotFoundError:
            same = False
        if not same:
            # A new file, never rewritten in place: a running instance has the
            # old one mapped.
            tmp = dest + ".new"
            shutil.copy2(exe_path, tmp)
            os.replace(tmp, dest)
        return windows_dir + "\\" + os.path.basename(exe_path)

    def start(self, exe_path, *args, env=None):
        """Copy exe_path into the install dir and run it there with args.

        Its output goes to a file; relayed calls are traced (see calls()).
        env: extra environment variables for this process.
        """
        win_path = self.install(exe_path)
        # +pid tells this process's trace lines from those of processes it
        # starts; without a relay list, +loaddll still gives a few lines that
        # carry the Windows pid.
        debug = "fixme-all,+pid,+relay" if self.relay else "fixme-all,+pid,+loaddll"
        e = self.env(debug)
        if env:
            e.update(env)
        self._seq += 1
        name = os.path.basename(exe_path)
        log_path = os.path.join(self.log_dir, "%02d-%s.log" % (self._seq, name))
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(
                [self._loader(exe_path), win_path] + [str(a) for a in args],
                env=e, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                cwd=self.linux_path(ntpath.dirname(win_path)), preexec_fn=_no_core_dumps,
            )
        p = Process(self, popen, log_path, name)
        self.processes.append(p)
        return p

    def run(self, exe_path, *args, timeout=None):
        """start() and wait; returns (exit status, Process)."""
        p = self.start(exe_path, *args)
        return p.wait(timeout), p

    def linux_path(self, windows_path):
        """The Linux path of a C:\\ or Z:\\ path."""
        drive, _, rest = windows_path.partition(":")
        parts = [s for s in rest.replace("\\", "/").split("/") if s]
        if drive.upper() == "C":
            return os.path.join(self.prefix, "drive_c", *parts)
        if drive.upper() == "Z":
            return "/" + "/".join(parts)
        raise ValueError("no drive %s: in the test prefix" % drive)

    def windows_path(self, linux_path):
        """The Windows path of a Linux path (C:\\ inside drive_c, else Z:\\)."""
        p = os.path.abspath(linux_path)
        c = os.path.join(self.prefix, "drive_c")
        if p == c:
            return "C:\\"
        if p.startswith(c + os.sep):
            return "C:\\" + os.path.relpath(p, c).replace("/", "\\")
        return "Z:" + p.replace("/", "\\")

    def session_pids(self):
        """Unix pids of every live process of this prefix (wineserver included)."""
        return _processes_of_prefix(self.prefix)

    # -- probe.exe ---------------------------------------------------------

    def probe_result(self, *args, timeout=None):
        """Run probe.exe with args in this prefix; return (exit status, output text)."""
        if not hasattr(self, "_probe_path"):
            self._probe_path = self.install(probe_exe(), HELPER_DIR_WINDOWS)
        self._seq += 1
        out = os.path.join(self.log_dir, "probe-%d.txt" % self._seq)
        log = os.path.join(self.log_dir, "probe-%d.log" % self._seq)
        rc = _run_logged(
            [self._loader(self.linux_path(self._probe_path)), self._probe_path, "-o", self.windows_path(out)]
            + [str(a) for a in args],
            self.env("-all"), log, timeout=DEFAULT_TIMEOUT if timeout is None else timeout,
            cwd=self.linux_path(HELPER_DIR_WINDOWS),
        )
        return rc, _read(out) or ""

    def probe(self, *args, timeout=None):
        """Run probe.exe with args; return its text.  Raises on bad usage; a
        search that found nothing (status 2) returns what it printed."""
        rc, text = self.probe_result(*args, timeout=timeout)
        if rc not in (0, 2):
            raise RuntimeError("probe %s failed (%d): %s" % (" ".join(map(str, args)), rc, text))
        return text

    def probe_records(self, *args, timeout=None):
        """probe() output as a list of dicts, one per line."""
        return parse_records(self.probe(*args, timeout=timeout))

    def platform_id(self):
        """GetVersionExA's dwPlatformId as probe.exe sees it (1: Windows 98 family)."""
        return int(self.probe_records("platform")[0]["platform"])

    def win32_windows(self, process, all=False):
        """Top-level windows of a process (exe name, Windows pid or Process) as
        dicts: hwnd, pid, class, text, rect (tuple), style, exstyle, owner,
        visible, taskbar.  Only visible ones unless all=True."""
        if isinstance(process, Process):
            process = wait_until(lambda: process.windows_pid, what="the process's first trace line")
        args = ["windows", str(process)] + (["all"] if all else [])
        recs = [r for r in self.probe_records(*args) if "hwnd" in r]
        for r in recs:
            r["rect"] = tuple(int(v) for v in r["rect"].split(","))
            for k in ("hwnd", "pid", "style", "exstyle", "owner", "visible", "taskbar"):
                r[k] = int(r[k], 0)
        return recs

    def post_message(self, window_class, message, wparam=0, lparam=0):
        """PostMessage to the first window of window_class (children and
        message-only windows included); returns the probe's record."""
        recs = self.probe_records("post", window_class, message, wparam, lparam)
        if not recs or recs[0].get("posted") != "1":
            raise RuntimeError("post to %s failed: %r" % (window_class, recs))
        return recs[0]

    def broadcast(self, message):
        """PostMessage(HWND_BROADCAST, message, 0, 0): every top-level window
        of every process gets it, as when the shell announces news."""
        recs = self.probe_records("broadcast", message)
        if not recs or recs[0].get("posted") != "1":
            raise RuntimeError("broadcast of %s failed: %r" % (message, recs))
        return recs[0]

    def tray_delete(self, window_class, icon_id):
        """Shell_NotifyIconA(NIM_DELETE) for the icon (hWnd: the first window
        of window_class, uID: icon_id), as icons are lost when the shell ends.
        True if the tray held that icon and removed it."""
        recs = self.probe_records("traydelete", window_class, icon_id)
        if not recs or "deleted" not in recs[0]:
            raise RuntimeError("traydelete of %s %s failed: %r" % (window_class, icon_id, recs))
        return recs[0]["deleted"] == "1"

    def profile_ints(self, queries):
        """GetPrivateProfileIntA for each (file, section, key, default), file a
        C:\\ path; the values as unsigned ints, in order, from one probe run."""
        args = [str(a) for q in queries for a in q]
        recs = self.probe_records("profileint", *args)
        if len(recs) != len(queries):
            raise RuntimeError("profileint answered %d of %d queries: %r" % (len(recs), len(queries), recs))
        return [int(r["value"]) for r in recs]

    # -- X display ---------------------------------------------------------

    def _x(self, *args, check=True, timeout=30):
        r = subprocess.run(
            list(args), env=dict(os.environ, DISPLAY=self.display), stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout,
        )
        if check and r.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), r.stderr.decode().strip()))
        return r.stdout

    def windows(self, size=None, name=None):
        """Mapped top-level X windows, topmost first; only those of the given
        size (w, h) and name if given."""
        out = self._x("xwininfo", "-root", "-children").decode("utf-8", "replace")
        found = []
        for line in out.splitlines():
            m = _CHILD.match(line)
            if not m:
                continue
            if size is not None and (int(m.group(3)), int(m.group(4))) != tuple(size):
                continue
            if name is not None and m.group(2) != name:
                continue
            xid = int(m.group(1), 16)
            info = self._x("xwininfo", "-id", hex(xid), check=False).decode("utf-8", "replace")
            if "Map State: IsViewable" not in info:
                continue
            geo = _parse_xwininfo(info)
            if geo:
                found.append(XWindow(xid, m.group(2), *geo))
        return found

    def find_window(self, size=None, name=None, where=None):
        """The first mapped window matching all of size (w, h), name, and
        where(XWindow) -> bool; None if there is none."""
        for w in self.windows(size, name):
            if where is not None and not where(w):
                continue
            return w
        return None

    def wait_window(self, size=None, name=None, where=None, timeout=None):
        """Wait until find_window(size, name, where) finds one; return it."""
        return wait_until(lambda: self.find_window(size, name, where), timeout, interval=0.1,
                          what="a window (size=%r name=%r)" % (size, name))

    def wait_no_window(self, size=None, name=None, where=None, timeout=None):
        """Wait until no mapped window matches."""
        wait_until(lambda: self.find_window(size, name, where) is None, timeout, interval=0.1,
                   what="the window (size=%r name=%r) to go" % (size, name))

    def tray_window(self, timeout=None):
        """Wine's own notification-area window (there is no taskbar to dock
        into); icons appear in it 16x16 each, the first at (+5, +24)."""
        return self.wait_window(name="Wine System Tray", timeout=timeout)

    def geometry(self, xid):
        """(x, y, width, height) of an X window on the screen, or None if unmapped."""
        info = self._x("xwininfo", "-id", hex(xid), check=False).decode("utf-8", "replace")
        if "Map State: IsViewable" not in info:
            return None
        return _parse_xwininfo(info)

    def screenshot(self, x=0, y=0, width=None, height=None):
        """Rows of (r, g, b) tuples of a screen rectangle (whole screen by default)."""
        width = self.screen[0] - x if width is None else width
        height = self.screen[1] - y if height is None else height
        data = self._x("import", "-silent", "-window", "root", "-crop",
                       "%dx%d+%d+%d" % (width, height, x, y), "-depth", "8", "ppm:-")
        w, h, pixels = _parse_ppm(data)
        if (w, h) != (width, height):
            raise RuntimeError("asked for %dx%d, got %dx%d" % (width, height, w, h))
        return [[tuple(pixels[(r * w + c) * 3 : (r * w + c) * 3 + 3]) for c in range(w)] for r in range(h)]

    def pixel(self, x, y):
        return self.screenshot(x, y, 1, 1)[0][0]

    def wait_pixels(self, x, y, width, height, condition, timeout=None):
        """Wait until condition(rows) is true for the rectangle; return the rows."""
        def check():
            rows = self.screenshot(x, y, width, height)
            return rows if condition(rows) else None
        return wait_until(check, timeout, interval=0.1, what="pixels at %dx%d+%d+%d" % (width, height, x, y))

    def save_screenshot(self, path=None):
        """Write the whole screen as a PNG (into the log dir by default); return the path."""
        if path is None:
            self._seq += 1
            path = os.path.join(self.log_dir, "screen-%d.png" % self._seq)
        self._x("import", "-silent", "-window", "root", path)
        return path

    # Pointer and keyboard, as XTest input through xdotool.  The X server
    # handles requests in the order they arrive, so no step needs to wait for
    # the previous one (and "mousemove --sync" to where the pointer already
    # is stalls for seconds).

    def move(self, x, y):
        self._x("xdotool", "mousemove", str(x), str(y))

    def mouse_down(self, button=1):
        self._x("xdotool", "mousedown", str(button))

    def mouse_up(self, button=1):
        self._x("xdotool", "mouseup", str(button))

    def click(self, x=None, y=None, button=1):
        """Press and release a button (1 left, 2 middle, 3 right), at (x, y) if given."""
        if x is not None:
            self._x("xdotool", "mousemove", str(x), str(y), "click", str(button))
        else:
            self._x("xdotool", "click", str(button))

    def pointer(self):
        """Current pointer position (x, y)."""
        out = self._x("xdotool", "getmouselocation", "--shell").decode()
        vals = dict(l.split("=", 1) for l in out.split() if "=" in l)
        return int(vals["X"]), int(vals["Y"])

    def key(self, *keys, window=None):
        """Press key combinations given in X keysym names, e.g. "Return", "alt+F4"."""
        args = ["xdotool", "key"]
        if window is not None:
            args += ["--window", str(window)]
        self._x(*(args + list(keys)))

    def type_text(self, text):
        self._x("xdotool", "type", "--delay", "20", text)

    def focus(self, xid):
        self._x("xdotool", "windowfocus", str(xid))


def _parse_xwininfo(info):
    vals = {}
    for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
        m = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(key), info, re.M)
        if not m:
            return None
        vals[key] = int(m.group(1))
    return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])


def _parse_ppm(data):
    # P6 header: magic, width, height, maxval, each separated by whitespace
    # (comments are not written by ImageMagick).
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos : pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos : pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise RuntimeError("unexpected image format %r" % fields)
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos : pos + w * h * 3]


def parse_records(text):
    """probe.exe output: one dict per line from tab-separated key=value fields."""
    recs = []
    for line in text.splitlines():
        if not line:
            continue
        rec = {}
        for field in line.split("\t"):
            k, _, v = field.partition("=")
            rec[k] = _unescape(v)
        recs.append(rec)
    return recs


def _unescape(v):
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), v)
