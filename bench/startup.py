"""Time from exec to the dialog shown (its window mapped on the X server), and the memory resident
once it rests, for Lanspry and for an empty Qt dialog started the same way in the same run, under
a private Xvfb."""
import ctypes
import datetime
import os
import platform
import select
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from xsession import Display, end_process  # noqa: E402

RUNS = 10
REST_S = 0.5  # after the window is shown, before the resident memory is read
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
MAP_NOTIFY = 19


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("pad", ctypes.c_long * 24)]


def open_x(display):
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    for name in ("XDefaultRootWindow",):
        getattr(x11, name).restype = ctypes.c_ulong
        getattr(x11, name).argtypes = [ctypes.c_void_p]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
    conn = x11.XOpenDisplay(display.name.encode())
    x11.XSelectInput(conn, x11.XDefaultRootWindow(conn), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XFlush(conn)
    return x11, conn


def resident_mb(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def time_to_map(x11, conn, argv, env):
    """Seconds from exec to the window mapped, and the resident memory (MB) at rest after it."""
    event = XEvent()
    while x11.XPending(conn):
        x11.XNextEvent(conn, ctypes.byref(event))
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = start + 20
        while time.monotonic() < deadline:
            while x11.XPending(conn):
                x11.XNextEvent(conn, ctypes.byref(event))
                if event.type == MAP_NOTIFY:
                    shown = time.monotonic() - start
                    time.sleep(REST_S)
                    return shown, resident_mb(proc.pid)
            select.select([x11.XConnectionNumber(conn)], [], [], 0.05)
        raise RuntimeError(f"{argv[0]} showed no window in 20 s")
    finally:
        end_process(proc)


def main():
    lanspry, empty = sys.argv[1], sys.argv[2]
    display = Display()
    try:
        x11, conn = open_x(display)
        with tempfile.TemporaryDirectory() as config:
            env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config, HOME=config)
            times = {"lanspry": [], "empty": []}
            rss = {"lanspry": [], "empty": []}
            for _ in range(RUNS):
                for name, exe in (("lanspry", lanspry), ("empty", empty)):
                    shown, resident = time_to_map(x11, conn, [exe], env)
                    times[name].append(shown)
                    rss[name].append(resident)
    finally:
        display.close()
    ms = {k: [1000 * t for t in v] for k, v in times.items()}
    print(f"startup, {datetime.datetime.utcnow():%Y-%m-%d %H:%M} UTC, {RUNS} runs each under Xvfb, "
          f"{platform.system().lower()} {platform.release()}")
    print("| exec to the dialog shown | median (ms) | fastest (ms) | resident at rest, median (MB) |")
    print("|---|---|---|---|")
    for name, label in (("lanspry", "lanspry"), ("empty", "empty Qt dialog")):
        print(f"| {label} | {statistics.median(ms[name]):.0f} | {min(ms[name]):.0f} | "
              f"{statistics.median(rss[name]):.1f} |")
    ratio = statistics.median(ms["lanspry"]) / statistics.median(ms["empty"])
    print(f"start-up median, lanspry / empty dialog: {ratio:.2f}")


if __name__ == "__main__":
    main()
