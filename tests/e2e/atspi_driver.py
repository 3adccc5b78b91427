"""Lanspry driven through the desktop's accessibility interface (AT-SPI), as a screen reader user
or an automation tool reaches it: controls are found by role and accessible name only."""
import pyatspi

from xsession import Lanspry, end_process, find_window, request_close, wait_until, xdotool

ROLE_BUTTON = pyatspi.ROLE_PUSH_BUTTON
ROLE_CHECK = pyatspi.ROLE_CHECK_BOX
ROLE_TEXT = pyatspi.ROLE_TEXT
ROLE_COMBO = pyatspi.ROLE_COMBO_BOX
ROLE_LABEL = pyatspi.ROLE_LABEL
ROLE_TABLE = pyatspi.ROLE_TABLE
MODES = ["TCP", "UDP", "UDP(组播模式)", "TCP服务器"]


def fresh(obj):
    """The object with what AT-SPI cached of it dropped, so properties are read anew."""
    try:
        obj.clear_cache()
    except Exception:
        pass
    return obj


def desktop():
    """The accessibility registry's desktop; fails with a clear message when there is no bus."""
    try:
        return pyatspi.Registry.getDesktop(0)
    except Exception as error:  # GLib errors name the bus that is missing
        raise RuntimeError(f"the accessibility bus is not reachable: {error}") from error


def find(root, role, name, timeout=5.0):
    def search():
        fresh(root)
        return pyatspi.findDescendant(root, lambda o: o.getRole() == role and fresh(o).name == name)
    return wait_until(search, timeout, what=f"a control of role {role} named {name!r}")


def text_of(obj):
    text = obj.queryText()
    return text.getText(0, text.characterCount)


def is_enabled(obj):
    return fresh(obj).getState().contains(pyatspi.STATE_ENABLED)


def is_checked(obj):
    return fresh(obj).getState().contains(pyatspi.STATE_CHECKED)


def act(obj, *names):
    action = obj.queryAction()
    available = [action.getName(i) for i in range(action.nActions)]
    for name in names:
        if name in available:
            action.doAction(available.index(name))
            return
    raise AssertionError(f"{obj.name!r} offers none of {names}; it has {available}")


def table_rows(table):
    """Every row of a table as the texts of its cells, as a screen reader reads them; None while the
    table changes under the reading (a cell counted but gone)."""
    t = fresh(table).queryTable()
    cells = [[t.getAccessibleAt(r, c) for c in range(t.nColumns)] for r in range(t.nRows)]
    if any(cell is None for row in cells for cell in row):
        return None
    return [[fresh(cell).name for cell in row] for row in cells]


def press(obj):
    act(obj, "Press", "press", "Toggle", "toggle")


class Dialog:
    """One running Lanspry and its windows as AT-SPI shows them."""

    def __init__(self, display, config_dir=None, exe=None, env=None):
        self.display = display
        self.desk = desktop()
        self.app = Lanspry(display, config_dir, extra_env={"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", **(env or {})},
                           exe=exe)
        self.config_dir = self.app.config_dir
        try:
            self.window = find_window(display, "^Lanspry-")
        except AssertionError:
            self.app.end()
            raise AssertionError(f"no Lanspry window; the program said: {self.app.output()!r}") from None
        pid = self.app.proc.pid
        self.accessible_app = wait_until(lambda: self._application(pid), 10, what="lanspry on the accessibility bus")
        self.main = wait_until(lambda: self._window(pyatspi.ROLE_DIALOG, lambda n: n.startswith("Lanspry-")), 10,
                               what="the main dialog on the accessibility bus")

    def _application(self, pid):
        fresh(self.desk)
        for app in self.desk:
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    def _window(self, role, name_matches):
        fresh(self.accessible_app)
        for window in self.accessible_app:
            if window is not None and window.getRole() == role and name_matches(fresh(window).name):
                return window
        return None

    def wait_window(self, role, name=None, timeout=5.0):
        return wait_until(lambda: self._window(role, lambda n: name is None or n == name), timeout,
                          what=f"a window named {name!r}")

    def windows(self):
        fresh(self.accessible_app)
        return [(w.getRole(), fresh(w).name) for w in self.accessible_app if w is not None]

    def control(self, role, name, root=None):
        return find(root or self.main, role, name)

    def caption(self):
        """The toggle's caption, whichever it is now: the buttons are read in one walk of the tree."""
        captions = ("连 接", "创 建", "断开连接", "关 闭", "监 听", "停止监听")
        buttons = pyatspi.findAllDescendants(fresh(self.main), lambda o: o.getRole() == ROLE_BUTTON)
        names = [fresh(b).name for b in buttons]
        return next((c for c in captions if c in names), None)

    def wait_caption(self, caption, timeout=5.0):
        wait_until(lambda: self.caption() == caption, timeout, what=f"the toggle to read {caption!r}")

    def set_text(self, name, value):
        self.control(ROLE_TEXT, name).queryEditableText().setTextContents(value)

    def text(self, name):
        return text_of(self.control(ROLE_TEXT, name))

    def wait_text(self, name, expected, timeout=5.0):
        wait_until(lambda: self.text(name) == expected, timeout,
                   what=f"{name!r} to read {expected!r} (it reads {self.text(name)!r})")

    def set_address(self, dotted, label="目标IP:"):
        ip = self.control(ROLE_TEXT, label)
        fields = [child for child in ip if child.getRole() == ROLE_TEXT]
        assert len(fields) == 4, f"the address control has {len(fields)} fields"
        for field, part in zip(fields, dotted.split(".")):
            field.queryEditableText().setTextContents(part)
        wait_until(lambda: text_of(ip) == dotted, 5, what=f"the address control to read {dotted}")

    def set_check(self, name, on):
        box = self.control(ROLE_CHECK, name)
        if is_checked(box) != on:
            press(box)
        wait_until(lambda: is_checked(box) == on, 5, what=f"{name!r} to be {'on' if on else 'off'}")

    def activate(self):
        xdotool(self.display, "windowfocus", "--sync", str(self.window))
        wait_until(lambda: fresh(self.main).getState().contains(pyatspi.STATE_ACTIVE), 5,
                   what="the main dialog to be active")

    def focus(self, obj):
        self.activate()
        obj.queryComponent().grabFocus()
        wait_until(lambda: fresh(obj).getState().contains(pyatspi.STATE_FOCUSED), 5,
                   what=f"the focus in {obj.name!r}")

    def keys(self, *keys):
        xdotool(self.display, "key", "--clearmodifiers", *keys)

    def type(self, text):
        xdotool(self.display, "type", "--delay", "5", text)

    def select_mode(self, index):
        """Through the keyboard, as AT-SPI cannot choose a combo box's item."""
        combo = self.control(ROLE_COMBO, "类型:")
        self.focus(combo)
        self.keys("Home", *(["Down"] * index))
        wait_until(lambda: text_of(combo) == MODES[index], 5, what=f"the mode {MODES[index]}")

    def title(self):
        return fresh(self.main).name

    def mode(self):
        return text_of(self.control(ROLE_COMBO, "类型:"))

    def open_channel(self, mode, address, port, local_port=None):
        self.select_mode(mode)
        self.set_address(address)
        self.set_text("目标端口:", str(port))
        if local_port is not None:
            self.set_check("指定本地端口:", True)
            self.set_text("指定本地端口:", str(local_port))
        press(self.control(ROLE_BUTTON, "连 接" if mode == 0 else "创 建"))
        self.wait_caption("断开连接" if mode == 0 else "关 闭")

    def send(self, text, hex_mode=False):
        self.set_check("16进制发送", hex_mode)
        self.set_text("发送", text)
        press(self.control(ROLE_BUTTON, "发 送"))

    def choose_from_system_menu(self, mnemonic):
        """Qt leaves popup menus out of the accessible tree, so the menu is worked by its keys."""
        self.activate()
        self.keys("alt+space")
        self.keys(mnemonic)

    def open_record_window(self):
        self.choose_from_system_menu("r")
        return self.wait_window(pyatspi.ROLE_DIALOG, "通信记录")

    def choose_file(self, path, title="另存为"):
        """The platform's file dialog: its file name field has the focus; the path is typed there."""
        self.wait_window(pyatspi.ROLE_DIALOG, title)
        self.keys("ctrl+a")
        self.type(str(path))
        self.keys("Return")
        wait_until(lambda: all(name != title for _, name in self.windows()), 15, what="the file dialog to close")

    def open_from_menu(self, control, key, *mnemonic, title):
        """A control's context menu, from the keyboard (Qt leaves popup menus out of the accessible
        tree), and the entry its mnemonic chooses; the window it opens."""
        self.focus(control)
        self.keys(key)
        self.keys(*mnemonic)
        return self.wait_window(pyatspi.ROLE_DIALOG, title)

    def choose(self, combo, index, expected):
        """A combo box's item, through the keyboard, as AT-SPI cannot choose one."""
        combo.queryComponent().grabFocus()
        wait_until(lambda: fresh(combo).getState().contains(pyatspi.STATE_FOCUSED), 5, what=f"{combo.name!r} focused")
        self.keys("Home", *(["Down"] * index))
        wait_until(lambda: text_of(combo) == expected, 5, what=f"{expected!r} chosen")

    def close_by_window_manager(self):
        request_close(self.display, self.window)

    def wait_exit(self, timeout=10.0):
        return self.app.wait_exit(timeout)

    def end(self):
        end_process(self.app.proc)
