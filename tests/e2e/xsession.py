"""A private X display and the built program on it, for tests that run Lanspry as a person does.

Everything started here is ended by its process id; waits poll with a time limit.
"""
import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def end_process(proc, timeout=5.0):
    if proc.poll() is not None:
        return proc.returncode
    proc.send_signal(signal.SIGTERM)
    try:
        return proc.wait(timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        return proc.wait(timeout)


class Display:
    """An Xvfb server of our own; fails loudly when it cannot start."""

    def __init__(self):
        if not shutil.which("Xvfb"):
            raise RuntimeError("Xvfb is not installed (Debian package xvfb); run 'make deps'")
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            end_process(self.proc)
            raise RuntimeError("Xvfb did not start: no display number came back")
        self.name = ":" + number.decode()

    def close(self):
        end_process(self.proc)


def xdotool(display, *args, check=True):
    env = dict(os.environ, DISPLAY=display.name)
    result = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=10)
    if check and result.returncode != 0:
        raise AssertionError(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout.strip()


def find_window(display, title_pattern, timeout=10.0):
    def search():
        out = xdotool(display, "search", "--onlyvisible", "--name", title_pattern, check=False)
        return out.split()[0] if out else None
    return int(wait_until(search, timeout, what=f"a window named {title_pattern!r}"))


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def window_manager_running(display):
    """Whether a window manager has said so on the root window (_NET_SUPPORTING_WM_CHECK)."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                       ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                       ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                       ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                       ctypes.POINTER(ctypes.c_void_p)]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    conn = x11.XOpenDisplay(display.name.encode())
    try:
        check = x11.XInternAtom(conn, b"_NET_SUPPORTING_WM_CHECK", 0)
        kind, fmt, count, after, data = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong(), \
            ctypes.c_void_p()
        x11.XGetWindowProperty(conn, x11.XDefaultRootWindow(conn), check, 0, 1, 0, 0, ctypes.byref(kind),
                               ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after), ctypes.byref(data))
        return count.value > 0
    finally:
        x11.XCloseDisplay(conn)


def request_close(display, window):
    """Asks the window to close as a window manager does: WM_PROTOCOLS / WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    conn = x11.XOpenDisplay(display.name.encode())
    if not conn:
        raise AssertionError(f"cannot open display {display.name}")
    try:
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(conn, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(conn, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(conn, window, 0, 0, ctypes.byref(event))
        x11.XFlush(conn)
    finally:
        x11.XCloseDisplay(conn)


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def screen_pixels(display, x, y, width, height):
    """What the screen shows in a rectangle, as rows of (r, g, b); the root window of a 24-bit
    display, 32 bits a pixel, blue first."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.POINTER(_XImage)
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    conn = x11.XOpenDisplay(display.name.encode())
    try:
        image = x11.XGetImage(conn, x11.XDefaultRootWindow(conn), x, y, width, height, 0xFFFFFFFF, 2).contents
        assert image.bits_per_pixel == 32, f"{image.bits_per_pixel} bits a pixel"
        rows = []
        for row in range(height):
            line = ctypes.string_at(ctypes.addressof(image.data.contents) + row * image.bytes_per_line, width * 4)
            rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 4, 4)])
        return rows
    finally:
        x11.XCloseDisplay(conn)


class Lanspry:
    """The built executable on a display, with a settings folder of its own."""

    def __init__(self, display, config_dir=None, extra_env=None, exe=None):
        exe = exe or os.environ.get("LANSPRY_EXE")
        if not exe or not os.access(exe, os.X_OK):
            raise RuntimeError("LANSPRY_EXE must name the built lanspry executable")
        self.config_dir = config_dir or tempfile.mkdtemp(prefix="lanspry-e2e-")
        env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=self.config_dir, HOME=self.config_dir)
        env.update(extra_env or {})
        # A file, not a pipe: a program that writes much must never block on a reader.
        self.log = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([exe], env=env, stdout=self.log, stderr=subprocess.STDOUT)

    def wait_exit(self, timeout=10.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"lanspry did not exit within {timeout} s")

    def output(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def end(self):
        end_process(self.proc)
