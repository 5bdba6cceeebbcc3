"""Drives the real game on a virtual X display: quorvel.exe under Wine, or
the native Linux build.

Every wait is bounded, every process started here is stopped by its id, and
a failing test leaves its screenshots, logs and content folder behind.
"""
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import tempfile
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
WINDOW_TITLE = "Quorvel by Tavrin"


class E2EError(AssertionError):
    pass


def wait_for(condition, timeout, what, interval=0.05):
    """Polls `condition` until it returns something truthy; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _free_display_number():
    for number in range(90, 200):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and not os.path.exists("/tmp/.X%d-lock" % number):
            return number
    raise E2EError("no free X display number")


class VirtualDisplay:
    """An Xvfb server of its own, so tests never touch a real desktop."""

    def __init__(self, width=1024, height=768):
        self.number = _free_display_number()
        self.name = ":%d" % self.number
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            ["Xvfb", self.name, "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp"],
            stdout=self.log, stderr=self.log)
        wait_for(lambda: os.path.exists("/tmp/.X11-unix/X%d" % self.number) or self.process.poll() is not None,
                 10, "Xvfb to start")
        if self.process.poll() is not None:
            raise E2EError("Xvfb did not start")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)


class WindowManager:
    """openbox on the display, for what only a window manager gives: full
    screen on request, frames and the focus moved by it."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display.name)
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdout=self.log,
                                        stderr=self.log, start_new_session=True)

        def announced():
            if self.process.poll() is not None:
                raise E2EError("openbox ended at start (exit code %s)" % self.process.returncode)
            out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=10).stdout
            return "window id" in out
        wait_for(announced, 20, "openbox to manage the display", interval=0.1)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)
        # A manager that went leaves its announcement on the root window.
        subprocess.run(["xprop", "-root", "-remove", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10, check=False)
        subprocess.run(["xprop", "-root", "-remove", "_NET_SUPPORTED"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10, check=False)


class WinePrefix:
    """One Wine prefix for the whole run: initialising one takes about ten seconds."""

    def __init__(self, display, path=None):
        self.path = path or tempfile.mkdtemp(prefix="quorvel-wine-")
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.path,
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "WINEDEBUG": "-all",
            "DISPLAY": display.name,
            "WINEARCH": "win64",
        })
        if not os.path.exists(os.path.join(self.path, "system.reg")):
            subprocess.run([WINE, "wineboot", "--init"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=180, check=False)
        else:
            # A session still running from an earlier use (the Windows unit tests,
            # without a display) would serve our games too, and it cannot open
            # windows: end it, so the first game starts one on our display.
            self.stop()

    def stop(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30, check=False)
        try:
            subprocess.run([WINESERVER, "-w"], env=self.env, timeout=30, check=False)
        except subprocess.TimeoutExpired:
            pass


def xdotool(env, *args, timeout=10):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, timeout=timeout)
    return result


class NativeRunner:
    """Starts the native Linux game straight on the display."""

    name = "linux"

    def __init__(self, display, exe):
        self.exe = exe
        self.env = dict(os.environ, DISPLAY=display.name)

    def command(self, exe=None):
        return [exe or self.exe]

    def path(self, path):
        """A path as the program takes it on its command line."""
        return path


class WineRunner:
    """Starts quorvel.exe under Wine in a prefix."""

    name = "windows"

    def __init__(self, prefix, exe):
        self.exe = exe
        self.env = prefix.env

    def command(self, exe=None):
        return [WINE, exe or self.exe]

    def path(self, path):
        """Wine's Z: drive is the Linux root."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")


class Game:
    """One run of the game in its own content folder."""

    def __init__(self, runner, content, artifacts, extra_env=None, args=None, exe=None):
        self.runner = runner
        self.env = dict(runner.env, **(extra_env or {}))
        self.content = content
        self.artifacts = artifacts
        self.window = None
        self.log = open(os.path.join(artifacts, "game-%s.log" % runner.name), "ab")
        self.process = subprocess.Popen(runner.command(exe) + list(args or []), cwd=content, env=self.env,
                                        stdout=self.log,
                                        stderr=subprocess.STDOUT, start_new_session=True)

    def find_window(self, timeout=30):
        def search():
            if self.process.poll() is not None:
                raise E2EError("the game ended before its window appeared (exit code %s)" % self.process.returncode)
            found = xdotool(self.env, "search", "--name", "^%s$" % WINDOW_TITLE)
            ids = found.stdout.split()
            return ids[0] if ids else None
        self.window = wait_for(search, timeout, "the game window")
        xdotool(self.env, "windowfocus", "--sync", self.window)
        if self.runner.name == "windows":
            # The X window exists a moment before Wine has made it the active one.
            time.sleep(0.3)
        return self.window

    def client_size(self):
        """Without a window manager the client area is an X window of its own
        size, under Wine and natively alike."""
        out = xdotool(self.env, "getwindowgeometry", self.window).stdout
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("Geometry:"):
                width, height = line.split(":", 1)[1].strip().split("x")
                return int(width), int(height)
        raise E2EError("no geometry for window %s: %r" % (self.window, out))

    def window_origin(self):
        out = xdotool(self.env, "getwindowgeometry", self.window).stdout
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("Position:"):
                x, y = line.split(":", 1)[1].split("(")[0].strip().split(",")
                return int(x), int(y)
        raise E2EError("no position for window %s" % self.window)

    def focus(self):
        xdotool(self.env, "windowfocus", "--sync", self.window)

    def key(self, *names, hold=0.08):
        """Taps each key as a person does: held for a few frames, since the
        game reads keys as levels once per frame, not as events."""
        self.focus()
        for name in names:
            xdotool(self.env, "keydown", "--window", self.window, name)
            time.sleep(hold)
            xdotool(self.env, "keyup", "--window", self.window, name)
            time.sleep(0.05)

    def key_down(self, name):
        self.focus()
        xdotool(self.env, "keydown", "--window", self.window, name)

    def key_up(self, name):
        xdotool(self.env, "keyup", "--window", self.window, name)

    def keys_down(self, *names):
        self.focus()
        for name in names:
            xdotool(self.env, "keydown", "--window", self.window, name)

    def keys_up(self, *names):
        for name in names:
            xdotool(self.env, "keyup", "--window", self.window, name)

    def mouse_move(self, x, y):
        xdotool(self.env, "mousemove", x, y)

    def mouse_move_by(self, dx, dy):
        """From where the cursor is: in play the game keeps it at the centre."""
        xdotool(self.env, "mousemove_relative", "--", dx, dy)

    def screenshot(self, name):
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30, check=False)
        return path

    def client_shot(self, name, for_reading=False):
        """A screenshot of the client area alone, as its own PNG; for reading,
        the red text becomes black on white and three times as large."""
        whole = self.screenshot(name + "-screen")
        path = os.path.join(self.artifacts, name + ".png")
        x, y = self.window_origin()
        width, height = self.client_size()
        command = ["convert", whole, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage"]
        if for_reading:
            command += ["-channel", "R", "-separate", "+channel", "-negate", "-scale", "300%"]
        subprocess.run(command + [path], check=True, timeout=30)
        return path

    def client_pixels(self, name):
        """A screenshot of the client area as (width, height, rows of (r, g, b))."""
        path = self.screenshot(name)
        x, y = self.window_origin()
        width, height = self.client_size()
        ppm = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage",
                              "-depth", "8", "ppm:-"], stdout=subprocess.PIPE, timeout=30, check=True).stdout
        return read_ppm(ppm)

    def close(self, attempts=3):
        """Closes the window as a player would: Alt+F4 under Wine (a press that
        lands while Wine is still settling focus is tried again); natively the
        close box's request, since no window manager is here to send it."""
        for _ in range(attempts):
            if self.runner.name == "windows":
                self.key("alt+F4")
            else:
                request_close(self.env["DISPLAY"], int(self.window))
            try:
                return self.process.wait(5)
            except subprocess.TimeoutExpired:
                continue
        raise E2EError("the game did not close after %d requests" % attempts)

    def quit(self, attempts=3):
        """F12, as a player quits; a press lost while Wine settles its focus
        under load is pressed again."""
        for _ in range(attempts):
            self.key("F12")
            try:
                return self.process.wait(10)
            except subprocess.TimeoutExpired:
                continue
        raise E2EError("the game did not quit after %d presses of F12" % attempts)

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError("the game did not end within %d s" % timeout)

    def stop(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                pass
        self.log.close()


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def request_close(display_name, window):
    """Sends the window WM_DELETE_WINDOW, what a window manager sends when
    its close box is clicked."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_Event)]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display_name.encode())
    if not connection:
        raise E2EError("cannot open display %s" % display_name)
    try:
        event = _Event()
        event.xclient.type = 33   # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0   # CurrentTime
        xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    finally:
        xlib.XCloseDisplay(connection)   # flushes the event


class OtherWindow:
    """A window of another client that takes the keyboard focus from the game
    while it is open (there is no window manager to click another window)."""

    def __init__(self, display_name):
        self.xlib = xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        xlib.XCreateSimpleWindow.restype = ctypes.c_ulong
        xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                             ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                             ctypes.c_ulong]
        for name in ("XMapRaised", "XDestroyWindow"):
            getattr(xlib, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        xlib.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
        xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.connection = xlib.XOpenDisplay(display_name.encode())
        if not self.connection:
            raise E2EError("cannot open display %s" % display_name)
        root = xlib.XDefaultRootWindow(self.connection)
        self.window = xlib.XCreateSimpleWindow(self.connection, root, 1200, 900, 100, 100, 0, 0, 0)
        xlib.XMapRaised(self.connection, self.window)
        xlib.XSync(self.connection, 0)
        xlib.XSetInputFocus(self.connection, self.window, 2, 0)   # RevertToParent, CurrentTime
        xlib.XSync(self.connection, 0)

    def close(self):
        self.xlib.XDestroyWindow(self.connection, self.window)
        self.xlib.XCloseDisplay(self.connection)


def cpu_ticks(pid):
    """User and system time a process has used, in clock ticks (10 ms here)."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])   # utime and stime, fields 14 and 15


def has_sanitizer_report(log_path):
    """Whether ASan, LSan or UBSan wrote a report into a game's output."""
    with open(log_path, "rb") as f:
        text = f.read()
    return b"Sanitizer" in text or b"runtime error:" in text


def read_text(image_path):
    """What tesseract reads in an image."""
    if not shutil.which("tesseract"):
        raise E2EError("tesseract is not installed (scripts/install-deps.sh installs it)")
    result = subprocess.run(["tesseract", image_path, "-", "--psm", "6"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True, timeout=60)
    return result.stdout


def read_ppm(data):
    """Parses a binary P6 image into (width, height, pixel rows)."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    rows = []
    for y in range(height):
        start = pos + y * width * 3
        row = data[start:start + width * 3]
        rows.append([tuple(row[i:i + 3]) for i in range(0, len(row), 3)])
    return width, height, rows


def make_content(root, files=None):
    """A fresh content folder holding `files` (relative path -> bytes, text, or None for a folder)."""
    folder = tempfile.mkdtemp(prefix="content-", dir=root)
    for relative, data in (files or {}).items():
        path = os.path.join(folder, relative)
        if data is None:   # an empty folder
            os.makedirs(path, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        mode = "wb" if isinstance(data, bytes) else "w"
        with open(path, mode) as out:
            out.write(data)
    return folder


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def keep_artifacts(source, destination):
    if os.path.exists(destination):
        shutil.rmtree(destination)
    shutil.copytree(source, destination)
