"""End-to-end driving of the real corvanta binary.

Each test module runs inside `dbus-run-session`. The module's Desktop starts a
private X server and the accessibility bus; every test then starts the program
with fresh XDG folders and its service addresses on loopback, finds controls
through the accessibility tree (AT-SPI) by role and name, and drives them only
with real X input (xdotool). Every wait is for a condition, with a deadline; a
failing test keeps a screenshot of the display in its output folder.
"""

import atexit
import ctypes
import ctypes.util
import functools
import http.server
import os
import re
import shutil
import signal
import socket
import socketserver
import sqlite3
import struct
import subprocess
import tempfile
import threading
import time
import unittest


def _hold_closed_port():
    """A loopback port bound for the life of this process and never listened
    on: the services the program is not pointed at go there and are refused."""
    held = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    held.bind(("127.0.0.1", 0))
    return held


_CLOSED_PORT = _hold_closed_port()


# Generous: the machine is shared and the browser engine starts slowly under load.
TIMEOUT = float(os.environ.get("CORVANTA_E2E_TIMEOUT", "90"))
POLL = 0.1
SCREEN = (1280, 1024)

OUTPUT = os.environ.get("CORVANTA_E2E_OUTPUT") or os.path.join(os.getcwd(), "e2e-output")
BINARY = os.environ.get("CORVANTA_BINARY", "corvanta")


def wait_for(condition, what, timeout=TIMEOUT):
    """Polls `condition` until it returns something true and returns that.
    A condition that raises counts as not yet met (controls come and go)."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except Exception as error:  # noqa: BLE001 - the tree changes under us
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}{detail}")
        time.sleep(POLL)


# ---- display and accessibility bus -------------------------------------------------------


class Desktop:
    """A private X server and the accessibility bus on the session bus of the
    surrounding dbus-run-session."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode()
        os.environ["DISPLAY"] = self.display
        self._bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        import pyatspi  # only now: it connects to the bus just started

        self.atspi = pyatspi
        wait_for(lambda: self.atspi.Registry.getDesktop(0) is not None, "the accessibility bus")
        atexit.register(self.close)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       check=False, timeout=60)
        return path

    def set_window_state(self, window, state):
        """What a window manager does as a window is minimized (`ICONIC`) and
        shown again (`NORMAL`): it records the state in the window's WM_STATE
        property, which the toolkit reads as the window's state. No manager
        runs on the test display; this stands in for it."""
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_void_p, ctypes.c_int]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # Xlib ends the process on an error unless a handler takes it.
        errors = []
        handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(
            lambda display, event: errors.append(event) or 0)
        x11.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        previous = x11.XSetErrorHandler(ctypes.cast(handler, ctypes.c_void_p))
        display = x11.XOpenDisplay(self.display.encode())
        if not display:
            raise RuntimeError(f"cannot open the display {self.display}")
        try:
            atom = x11.XInternAtom(display, b"WM_STATE", 0)
            data = (ctypes.c_long * 2)(state, 0)  # the state and no icon window
            x11.XChangeProperty(display, window, atom, atom, 32, 0, data, 2)
            x11.XSync(display, 0)
        finally:
            x11.XCloseDisplay(display)
            x11.XSetErrorHandler(previous)
        if errors:
            raise RuntimeError(f"the display refused the state of window {window:#x}")

    NORMAL, ICONIC = 1, 3

    def close(self):
        for process in (self._bus, self._xvfb):
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


class SystemTray:
    """A system tray (trayer) along the bottom edge of the display, ended with
    the test that starts it."""

    HEIGHT = 32

    def __init__(self, desktop):
        self.desktop = desktop
        self._process = subprocess.Popen(
            ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
             "120", "--height", str(self.HEIGHT), "--SetDockType", "false"],
            env=dict(os.environ, DISPLAY=desktop.display),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def icon_of(self, pid):
        """The centre of the icon that the program `pid` shows in the tray, or
        None while it shows none there (an icon lies at the top left corner
        until the tray has taken it in)."""
        env = dict(os.environ, DISPLAY=self.desktop.display)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               capture_output=True, text=True, env=env, timeout=60)
        for window in found.stdout.split():
            shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                   capture_output=True, text=True, env=env, timeout=60).stdout
            box = dict(line.split("=", 1) for line in shell.split() if "=" in line)
            if not {"X", "Y", "WIDTH", "HEIGHT"} <= box.keys():
                continue
            x, y, width, height = (int(box[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))
            if y >= SCREEN[1] - self.HEIGHT and height <= self.HEIGHT:
                return x + width // 2, y + height // 2
        return None

    def close(self):
        self._process.terminate()
        self._process.wait(20)


# ---- the settings store ------------------------------------------------------------------


class Settings:
    """The program's settings store ($XDG_CONFIG_HOME/Corvanta/registry.db), read
    and written the way the program does: keys by path, typed values."""

    INTEGER, TEXT = 1, 2
    SCHEMA = """
        CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,
            name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));
        CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE,
            type INTEGER NOT NULL, data BLOB, PRIMARY KEY(key, name));
    """

    def __init__(self, config_home):
        self.path = os.path.join(config_home, "Corvanta", "registry.db")

    def _connect(self):
        os.makedirs(os.path.dirname(self.path), exist_ok=True)
        db = sqlite3.connect(self.path, timeout=30)
        db.executescript(self.SCHEMA)
        return db

    @staticmethod
    def _key(db, path, create):
        parent = 0
        for name in [part for part in path.split("\\") if part]:
            row = db.execute("SELECT id FROM keys WHERE parent=? AND name=?",
                             (parent, name)).fetchone()
            if row is None:
                if not create:
                    return None
                row = (db.execute("INSERT INTO keys(parent, name) VALUES(?, ?)",
                                  (parent, name)).lastrowid,)
            parent = row[0]
        return parent

    def write(self, path, values):
        """Writes a dict of values (int or bool as integers, str as text) under `path`."""
        with self._connect() as db:
            key = self._key(db, path, True)
            for name, value in values.items():
                if isinstance(value, str):
                    kind, data = self.TEXT, value.encode()
                else:
                    kind, data = self.INTEGER, struct.pack("<i", int(value))
                db.execute("INSERT OR REPLACE INTO vals VALUES(?, ?, ?, ?)", (key, name, kind, data))

    def read(self, path):
        """All values under `path` as a dict (empty when the key is absent):
        integers as int, texts as str, anything else as its stored bytes."""
        if not os.path.exists(self.path):
            return {}
        with self._connect() as db:
            key = self._key(db, path, False)
            if key is None:
                return {}
            values = {}
            for name, kind, data in db.execute("SELECT name, type, data FROM vals WHERE key=?",
                                               (key,)):
                if kind == self.TEXT:
                    values[name] = data.decode()
                elif kind == self.INTEGER:
                    values[name] = struct.unpack("<i", data)[0]
                else:
                    values[name] = bytes(data)  # a date, as stored
            return values


MAIN_KEY = r"\Software\Corvanta\MainPlatform"
SERVICES_KEY = r"\Software\Corvanta\Services"


def frame_settings(kinds=(), left=0, top=0, width=1200, height=940, theme=-1):
    """A stored frame that opens `kinds` at start (none: no browser by the
    first-run fallback), placed on the test screen."""
    values = {"Form_Left": left, "Form_Top": top, "Form_Width": width, "Form_Height": height,
              "Form_Theme": theme, "HideTheTaskbar": 1, "Window_State": 3, "AutoUpdate": 0}
    values.update({kind: "1" for kind in kinds})
    return values


# ---- the program -------------------------------------------------------------------------


class Corvanta:
    """One run of the program and the means to drive it as a person does."""

    def __init__(self, desktop, home, binary=BINARY):
        self.desktop = desktop
        self.binary = binary
        self.atspi = desktop.atspi
        self.home = home
        self.settings = Settings(os.path.join(home, "config"))
        # The session's runtime folder holds the frame's socket, whose path
        # must be short (108 bytes at most), so not under the test's output.
        self.runtime = tempfile.mkdtemp(prefix="corvanta-e2e-")
        atexit.register(shutil.rmtree, self.runtime, True)
        self.process = None
        self._app = None

    # -- life

    def start(self, *arguments):
        """Starts the program with `arguments` (addresses, files) and waits
        for its frame to finish starting up."""
        log = open(os.path.join(self.home, "corvanta.log"), "ab")
        self.process = subprocess.Popen([self.binary, *arguments], cwd=self.home, env=self._environment(),
                                        stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self._app = None
        self._started_up()
        return self

    def start_again(self, *arguments, timeout=TIMEOUT):
        """A later start in the same session, as a terminal runs it: returns
        its exit code and output once it has ended."""
        done = subprocess.run([self.binary, *arguments], cwd=self.home, env=self._environment(),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout,
                              check=False)
        return done.returncode, done.stdout.decode(errors="replace")

    def _environment(self):
        for sub in ("config", "data", "cache", "documents"):
            os.makedirs(os.path.join(self.home, sub), exist_ok=True)
        env = dict(os.environ)
        env.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CACHE_HOME": os.path.join(self.home, "cache"),
            # Services not pointed elsewhere go to a closed loopback port.
            "CORVANTA_TEST": "1",
            "CORVANTA_TEST_CLOSED_PORT": str(_CLOSED_PORT.getsockname()[1]),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            # Pages' own controls (links, fields) in the tree too.
            "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY": "1",
            "QTWEBENGINE_DISABLE_SANDBOX": "1",
            "QTWEBENGINE_CHROMIUM_FLAGS":
                "--disable-background-networking --disable-component-update --disable-sync "
                "--disable-gpu --no-first-run --disable-breakpad",
        })
        return env

    def _started_up(self):
        """Waits until the frame has filled its theme selector, which start-up
        does just before it may warn that there is no internet connection; a
        warning shown is answered with OK."""
        tools = self.find("tool bar", "Tools", within=self.frame())
        themes = self.find("combo box", within=tools)  # named by its theme once one is chosen
        wait_for(lambda: len(self.find_all("list item", within=themes, showing=False)) == 4,
                 "the theme selector to be filled")
        warning = self.find_all(name=re.compile("not connected to the internet"), showing=True)
        if warning:
            self.click(self.find("push button", "OK"))

    def exited(self):
        return self.process is None or self.process.poll() is not None

    def wait_exit(self, timeout=TIMEOUT):
        wait_for(self.exited, "the program to end", timeout)
        self._app = None

    def kill(self):
        if self.exited():
            return
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self._app = None

    # -- the accessibility tree

    def application(self):
        if self._app is not None:
            return self._app
        pid = self.process.pid

        def find():
            for app in self.atspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == pid:
                    return app
            return None

        self._app = wait_for(find, "the program in the accessibility tree")
        return self._app

    def shown(self, node):
        """Whether the control is on the screen (showing and visible)."""
        states = node.getState()
        return states.contains(self.atspi.STATE_SHOWING) and states.contains(
            self.atspi.STATE_VISIBLE)

    @staticmethod
    def _matches(value, wanted):
        if wanted is None:
            return True
        if isinstance(wanted, re.Pattern):
            return wanted.search(value or "") is not None
        return value == wanted

    def _named(self, node, wanted):
        """Whether the control's name, a label that labels it, or its
        description is `wanted`. (An editable box is named by its text on this
        platform; its own name lives in its label or description.)"""
        if wanted is None or self._matches(node.name, wanted):
            return True
        for relation in node.getRelationSet():
            if relation.getRelationType() == self.atspi.RELATION_LABELLED_BY:
                for index in range(relation.getNTargets()):
                    label = relation.getTarget(index)
                    if label is not None and self._matches((label.name or "").strip(), wanted):
                        return True
        return self._matches(node.description, wanted)

    def find_all(self, role=None, name=None, within=None, showing=True, depth=None):
        """Every control under `within` (the program) of `role` and `name` (text
        or compiled pattern, matched as _named says), `depth` levels down at
        most; hidden subtrees are skipped when `showing`."""
        found = []

        def visit(node, level):  # in the tree's order, as a person reads it
            for child in node:
                if child is None or (showing and not self.shown(child)):
                    continue
                if self._matches(child.getRoleName(), role) and self._named(child, name):
                    found.append(child)
                if depth is None or level < depth:
                    visit(child, level + 1)

        visit(within or self.application(), 1)
        return found

    def find(self, role=None, name=None, within=None, showing=True, timeout=TIMEOUT, depth=None,
             what=None):
        """Waits for exactly one such control and returns it; several at once
        is a mistake in the test, reported as such."""
        description = what or (f"{role or 'control'} {name!r}" if name is not None else f"{role}")

        def one():
            matches = self.find_all(role, name, within, showing, depth)
            if len(matches) > 1:
                raise LookupError(f"{len(matches)} matches for {description}")
            return matches[0] if matches else None

        return wait_for(one, description, timeout)

    def gone(self, role=None, name=None, within=None, timeout=TIMEOUT):
        wait_for(lambda: not self.find_all(role, name, within), f"{role} {name!r} to go", timeout)

    def frame(self):
        """The main frame: the top-level window holding the tool bar "Tools"."""
        def main():
            for window in self.application():
                if window is not None and window.getRoleName() == "frame" and self.find_all(
                        "tool bar", "Tools", within=window, showing=False, depth=1):
                    return window
            return None

        return wait_for(main, "the main frame")

    def tool_window(self, caption):
        """The showing tool window (MDI child) with `caption`."""
        return self.find("frame", caption, within=self.frame())

    def text(self, control):
        text = control.queryText()
        return text.getText(0, text.characterCount)

    def extents(self, control):
        box = control.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height

    def has_state(self, control, state):
        return control.getState().contains(state)

    def focused(self, control):
        return self.has_state(control, self.atspi.STATE_FOCUSED)

    def checked(self, control):
        return self.has_state(control, self.atspi.STATE_CHECKED)

    # -- real input

    def _xdotool(self, *args):
        subprocess.run(["xdotool", *args], check=True, timeout=60,
                       env=dict(os.environ, DISPLAY=self.desktop.display))

    def _centre(self, control):
        def ready():
            x, y, width, height = self.extents(control)
            states = control.getState()
            if width <= 0 or height <= 0 or not states.contains(self.atspi.STATE_SHOWING):
                return None
            if not states.contains(self.atspi.STATE_ENABLED):
                return None
            return x + width // 2, y + height // 2

        return wait_for(ready, f"{control.getRoleName()} {control.name!r} to be shown and enabled")

    def click(self, control, button=1, count=1, at=None):
        """Clicks the control's centre, or `at` (x, y) inside it."""
        x, y = self._centre(control)
        if at is not None:
            left, top, _, _ = self.extents(control)
            x, y = left + at[0], top + at[1]
        self._xdotool("mousemove", "--sync", str(x), str(y), "click", "--repeat", str(count),
                      str(button))

    def click_at(self, point, button=1, count=1):
        """Clicks a point of the screen (x, y), as on an icon outside the program's tree."""
        self._xdotool("mousemove", "--sync", str(point[0]), str(point[1]), "click", "--repeat",
                      str(count), "--delay", "80", str(button))

    def _frame_window(self):
        """The frame's X window: the program's window that lies where the
        frame does. (Looked up each time: the toolkit makes the window anew
        when the first browser view comes into the frame.)"""
        wanted = self.extents(self.frame())
        env = dict(os.environ, DISPLAY=self.desktop.display)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                str(self.process.pid)], capture_output=True, text=True, env=env,
                               timeout=60).stdout.split()
        for window in found:
            shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                   capture_output=True, text=True, env=env, timeout=60).stdout
            box = dict(line.split("=", 1) for line in shell.split() if "=" in line)
            if tuple(int(box.get(key, -1)) for key in ("X", "Y", "WIDTH", "HEIGHT")) == wanted:
                return int(window)
        raise AssertionError(f"no window of the program lies at {wanted}")

    def minimize(self):
        """Minimizes the frame as its window manager's button does."""
        self.desktop.set_window_state(self._frame_window(), self.desktop.ICONIC)

    def hide_in_tray(self, tray):
        """Minimizes the frame, which hides the program in `tray`; the
        centre of its icon there."""
        self.minimize()
        wait_for(lambda: not self.shown(self.frame()), "the frame to hide")
        return wait_for(lambda: tray.icon_of(self.process.pid), "the program's icon in the tray")

    def wait_back(self):
        """Waits for the frame to come back from the tray; its window is
        then in the normal state again, as the window manager records it."""
        wait_for(lambda: self.shown(self.frame()), "the frame back")
        self.desktop.set_window_state(self._frame_window(), self.desktop.NORMAL)

    def drag(self, source, target):
        """Drags `source` by its centre with the left button and drops it on
        `target`'s centre (or the point `target`), moving in steps so the
        toolkit sees a drag begin."""
        (x0, y0) = self._centre(source)
        (x1, y1) = target if isinstance(target, tuple) else self._centre(target)
        self._xdotool("mousemove", "--sync", str(x0), str(y0), "mousedown", "1")
        steps = 10
        for step in range(1, steps + 1):
            self._xdotool("mousemove", "--sync", str(x0 + (x1 - x0) * step // steps),
                          str(y0 + (y1 - y0) * step // steps), "sleep", "0.05")
        self._xdotool("mouseup", "1")

    def key(self, *names):
        """Presses keys by X name, each with its modifiers ("ctrl+s", "Return")."""
        self._xdotool("key", "--delay", "40", *names)

    def type(self, text):
        self._xdotool("type", "--delay", "30", "--", text)

    # -- message boxes

    def message(self, text):
        """The message box (an alert among the program's windows) that says `text`."""
        def box():
            for alert in self.find_all("alert", within=self.application(), depth=1):
                if self.find_all(name=text, within=alert):
                    return alert
            return None

        return wait_for(box, f"a message saying {text!r}")

    def answer(self, text, button):
        """Answers the message box that says `text` with its `button`."""
        box = self.message(text)
        self.click(self.find("push button", button, within=box))
        wait_for(lambda: not self.shown(box), f"the message {text!r} to close")

    # -- menus, chosen by name

    # What opens a menu: a title of a menu bar, an item with a submenu, a tool
    # button with a drop-down menu (its role depends on the pop-up mode).
    MENU_OPENER = re.compile("^(menu item|push button|push button menu|toggle button|check box)$")
    MENU = re.compile("^(popup )?menu$")

    def menu(self, *path, within=None):
        """Chooses a menu item by the captions along `path`: the first names a
        title of the frame's menu bar or, `within` a tool window, a title of
        its menu bar or a tool button with a drop-down menu; the next ones the
        submenus, the last the item that is clicked."""
        self.click(self.menu_item(*path, within=within))

    def menu_item(self, *path, within=None, enabled=True):
        """Opens the menus along `path` as menu() does and returns the last
        item without choosing it (to read its tick, caption or shortcut;
        Escape closes the menus again). Fails, naming what the menu holds,
        when an item is missing, or disabled while `enabled` is asked for."""
        first, *rest = path
        opener = self.find(self.MENU_OPENER, first, within=within or self.menu_bar())
        self._open(opener)
        return self._choose(self._open_menu(opener), rest, first, enabled)

    def context_menu(self, control, *path, at=None):
        """Right-clicks `control` (at its centre, or at `at` inside it), or the
        point `control` of the screen (x, y), and chooses the item along
        `path` of the menu that opens."""
        if isinstance(control, tuple):
            self.click_at(control, button=3)
        else:
            self.click(control, button=3, at=at)
        self.click(self._choose(self.open_context_menu(), path, "context menu"))

    def open_context_menu(self):
        """The context menu open now: an open menu with no menu bar, menu or
        button above it stands among the program's windows."""
        return self.find(self.MENU, within=self.application(), depth=1, what="a context menu")

    def menu_bar(self):
        """The frame's menu bar."""
        frame = self.frame()
        return wait_for(lambda: next((child for child in frame if child is not None and
                                      child.getRoleName() == "menu bar"), None),
                        "the frame's menu bar")

    def _open(self, opener):
        """Opens an opener's menu as a person does: a click on a title or a
        tool button; on a split button (it also runs a command of its own) a
        click on its arrow."""
        action = opener.queryAction()
        names = {action.getName(index) for index in range(action.nActions)}
        if {"Press", "Toggle"} & names and "ShowMenu" in names:
            _, _, width, height = self.extents(opener)
            self.click(opener, at=(width - 5, height // 2))
        else:
            self.click(opener)

    def _open_menu(self, opener):
        caption = opener.name
        return self.find(self.MENU, within=opener, depth=1, what=f"the menu of {caption!r} to open")

    def _choose(self, menu, path, where, enabled=True):
        """The item along `path` in the open `menu`, its submenus opened on the way."""
        item = None
        for index, caption in enumerate(path):
            last = index == len(path) - 1
            item = self._item(menu, caption, where, enabled or not last)
            where = caption
            if not last:
                self.click(item)
                menu = self._open_menu(item)
        return item

    def _item(self, menu, caption, where, enabled):
        def items():
            return [child for child in menu if child is not None and
                    child.getRoleName() != "separator" and self.shown(child)]

        def named():
            found = [item for item in items() if self._matches(item.name, caption)]
            return found[0] if len(found) == 1 else None

        try:
            # Shorter than other waits: the menu is open and filled by now,
            # so a missing item stays missing.
            item = wait_for(named, f"item {caption!r} in menu {where!r}", timeout=15)
        except AssertionError:
            held = [item.name for item in items()]
            raise AssertionError(f"menu {where!r} has no single item {caption!r}; "
                                 f"it holds {held}") from None
        if enabled and not self.has_state(item, self.atspi.STATE_ENABLED):
            raise AssertionError(f"item {caption!r} of menu {where!r} is disabled")
        return item

    def shortcut(self, item):
        """The shortcut a menu item shows beside its caption ("" for none)."""
        action = item.queryAction()
        return action.getKeyBinding(0) if action.nActions else ""

    LIST_ITEM = re.compile("^(list item|tree item|table cell)$")

    def key_to(self, within, caption, key="Down"):
        """Presses `key` in an open list under `within` (a box's drop-down
        list, a tree) until its item `caption` has the keyboard, as a person
        listens for it; fails naming the items passed if the list ends first."""
        def current():
            for item in self.find_all(self.LIST_ITEM, within=within, showing=False):
                if self.focused(item):
                    return item
            return None

        # The waits below end early only at the end of a list or in a list
        # opened with no current item; under load they must outlast a slow key.
        try:
            item = wait_for(current, "an item with the keyboard", timeout=15)
        except AssertionError:  # a list opened with none current: the key picks the first
            self.key(key)
            item = wait_for(current, f"an item with the keyboard under {within.name!r}")
        passed = []
        while not self._matches(item.name, caption):
            passed.append(item.name)
            before = item.getIndexInParent()
            self.key(key)
            try:
                item = wait_for(lambda: next((found for found in [current()] if found is not None
                                              and found.getIndexInParent() != before), None),
                                f"{key} to move on", timeout=15)
            except AssertionError:
                raise AssertionError(f"{key} never reached {caption!r}; it passed {passed}") from None
        return item

    # -- boxes and dialogs the program asks with

    def message_box(self, text):
        """The message box, among the program's own windows, that says `text`
        (a pattern, or the whole text of one of its labels)."""
        def box():
            for window in self.application():
                if window is not None and window.getRoleName() in ("alert", "dialog") and \
                        self.shown(window) and self.find_all(name=text, within=window):
                    return window
            return None

        return wait_for(box, f"a message box saying {text!r}")

    def closed(self, window, what="the window"):
        """Waits until `window` is no longer shown (or no longer there)."""
        def shut():
            try:
                return not self.shown(window)
            except Exception:  # noqa: BLE001 - gone from the tree
                return True

        wait_for(shut, f"{what} to close")

    def answer(self, text, button):
        """Clicks `button` of the message box that says `text`; waits for it to go."""
        box = self.message_box(text)
        self.click(self.find("push button", button, within=box))
        self.closed(box, f"the box saying {text!r}")

    def told(self, text):
        """Waits for the self-closing box that says `text`, and for it to close."""
        self.closed(self.message_box(text), f"the box saying {text!r}")

    def answer_file_dialog(self, caption, path):
        """Types `path` into the name field of the file dialog `caption`, which
        has the keyboard when it opens, and accepts it."""
        self.find("dialog", caption)
        self.key("ctrl+a")
        self.type(path)
        self.key("Return")
        self.gone("dialog", caption)

    def task_button(self, caption):
        """The task bar's button of a tool window (its caption as the bar cuts it)."""
        return self.find("check box", caption, within=self.find("tool bar", "TaskBar",
                                                                within=self.frame()))

    def open_tool(self, caption):
        """Clicks a button of the tool tool bar and waits for its window."""
        tools = self.find("tool bar", "Tools", within=self.frame())
        self.click(self.find("push button", caption, within=tools))


# ---- loopback servers ---------------------------------------------------------------------


class HttpServer:
    """A small HTTP server of our own on loopback: answers GET from a table of
    paths (or a function of the target) with (content type, body[, seconds to
    wait first]), or with a function of no argument that returns that (called
    on the request's own thread, so it may wait), and records every request
    target."""

    def __init__(self, pages):
        self.pages = pages
        self.requests = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):  # noqa: N802 - the library's name
                server.requests.append(self.path)
                answer = server.answer(self.path)
                if answer is None:
                    self.send_error(404)
                    return
                content_type, body, *delay = answer
                if delay:
                    time.sleep(delay[0])  # a slow server: this request's thread waits
                data = body.encode() if isinstance(body, str) else body
                try:
                    self.send_response(200)
                    self.send_header("Content-Type", content_type)
                    self.send_header("Content-Length", str(len(data)))
                    self.send_header("Cache-Control", "no-store")
                    self.end_headers()
                    self.wfile.write(data)
                except (BrokenPipeError, ConnectionResetError):
                    pass  # the client gave up on it (a stopped page)

            def log_message(self, *args):
                pass

        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def answer(self, target):
        if callable(self.pages):
            return self.pages(target)
        path = target.split("?", 1)[0]
        answer = self.pages.get(path)
        return answer() if callable(answer) else answer

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def requested(self, prefix):
        return any(target.startswith(prefix) for target in self.requests)

    def close(self):
        self._server.shutdown()
        self._server.server_close()


class FtpServer:
    """An FTP server on loopback (pyftpdlib) serving `root` to one user with
    every permission."""

    def __init__(self, root, user="alice", password="secret"):
        import logging

        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
        from pyftpdlib.ioloop import IOLoop
        from pyftpdlib.servers import ThreadedFTPServer

        # A handler of our own keeps the server from setting up its chatty one.
        logger = logging.getLogger("pyftpdlib")
        logger.addHandler(logging.NullHandler())
        logger.setLevel(logging.WARNING)
        authorizer = DummyAuthorizer()
        authorizer.add_user(user, password, root, perm="elradfmwMT")
        # Data connections of this server's own, so limit_rate() slows no other.
        self._data = type("Data", (ThrottledDTPHandler,), {})
        handler = type("Handler", (FTPHandler,),
                       {"authorizer": authorizer, "dtp_handler": self._data})
        self.user, self.password = user, password
        # Its own loop and stop flag: the library shares both among all its
        # servers, so closing the server of an earlier test could end this
        # one's sessions.
        self._server = ThreadedFTPServer(("127.0.0.1", 0), handler, ioloop=IOLoop())
        self._server._exit = threading.Event()
        self.port = self._server.socket.getsockname()[1]
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"timeout": 0.2}, daemon=True)
        self._thread.start()

    def limit_rate(self, bytes_per_second):
        """Sends and receives at most this many bytes a second on each data
        connection, the open ones included; 0 lifts the limit."""
        self._data.read_limit = self._data.write_limit = bytes_per_second

    def close(self):
        self._server.close_all()
        self._thread.join(10)


class WhoisServer:
    """A WhoIs server on loopback: answers every query with `answer` and
    records the queries."""

    def __init__(self, answer):
        self.queries = []
        server = self

        class Handler(socketserver.StreamRequestHandler):
            def handle(self):
                server.queries.append(self.rfile.readline().decode(errors="replace").strip())
                self.wfile.write(answer.encode())

        self._server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
        self._server.daemon_threads = True
        self.port = self._server.server_address[1]
        threading.Thread(target=self._server.serve_forever, daemon=True).start()

    def close(self):
        self._server.shutdown()
        self._server.server_close()


def page(title, body=""):
    return ("text/html", f"<!DOCTYPE html><html><head><title>{title}</title></head>"
                         f"<body><h1>{title}</h1>{body}</body></html>")


# ---- the test case -----------------------------------------------------------------------


def _keep_screenshot_on_failure(method):
    @functools.wraps(method)
    def run(self, *args, **kwargs):
        try:
            return method(self, *args, **kwargs)
        except BaseException:
            path = os.path.join(getattr(self, "output", OUTPUT), "failure.png")
            self.desktop.screenshot(path)
            print(f"\nscreenshot of the failure: {path}", flush=True)
            raise

    return run


class E2ETestCase(unittest.TestCase):
    """Base of every scenario: one private display per module, one fresh home
    (config, data, documents) per test, the program ended after each test."""

    desktop = None

    def __init_subclass__(cls, **kwargs):
        super().__init_subclass__(**kwargs)
        for name, member in list(vars(cls).items()):
            if (name.startswith("test") or name == "setUp") and callable(member):
                setattr(cls, name, _keep_screenshot_on_failure(member))

    @classmethod
    def setUpClass(cls):
        if E2ETestCase.desktop is None:
            E2ETestCase.desktop = Desktop()

    def setUp(self):
        self.output = os.path.join(OUTPUT, self.id().split(".", 1)[-1])
        shutil.rmtree(self.output, ignore_errors=True)
        os.makedirs(self.output)
        self.home = os.path.join(self.output, "home")
        self.documents = os.path.join(self.home, "documents")
        self.app = Corvanta(self.desktop, self.home)
        self.addCleanup(self.app.kill)

    EXTERNAL_ADDRESS = "192.0.2.44"

    def start(self, kinds=(), services=None, arguments=(), **frame):
        """Stores a frame that reopens `kinds`, points the maker's server, the
        external-address page and `services` (name -> address) at loopback,
        starts the program with `arguments` and returns it. Services not named
        go to a closed loopback port."""
        self.app.settings.write(MAIN_KEY, frame_settings(kinds, **frame))
        maker = self.serve({"/myip.php": ("text/plain", self.EXTERNAL_ADDRESS)})
        self.app.settings.write(SERVICES_KEY, {"MakerServer": maker.url(""),
                                               "ExternalAddressPage": maker.url("/myip.php"),
                                               **(services or {})})
        return self.app.start(*arguments)

    def serve(self, pages):
        server = HttpServer(pages)
        self.addCleanup(server.close)
        return server

    def serve_whois(self, answer):
        server = WhoisServer(answer)
        self.addCleanup(server.close)
        return server

    def system_tray(self):
        tray = SystemTray(self.desktop)
        self.addCleanup(tray.close)
        return tray

    def serve_ftp(self, root):
        server = FtpServer(root)
        self.addCleanup(server.close)
        return server
