"""Under a window manager that keeps Alt+Space for its own menu (openbox), the program's menu is
still a key away: F10 opens it and its entries are chosen by their keys; the program then ends
with status 0 when the window manager closes it."""
import os
import shutil
import subprocess

import pyatspi
import pytest

from xsession import wait_until, window_manager_running


@pytest.fixture
def openbox(display):
    if not shutil.which("openbox"):
        pytest.fail("openbox is not installed (Debian package openbox); run 'make deps'", pytrace=False)
    wm = subprocess.Popen(["openbox", "--sm-disable"], env=dict(os.environ, DISPLAY=display.name),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_until(lambda: window_manager_running(display), 10, what="openbox to manage the display")
    yield wm
    wm.terminate()
    wm.wait(10)


def test_f10_opens_the_programs_menu_under_a_window_manager(lanspry, openbox):
    app = lanspry()
    app.activate()
    app.keys("F10")
    app.keys("r")
    window = app.wait_window(pyatspi.ROLE_DIALOG, "通信记录")
    assert window is not None
    app.keys("Escape")
    app.activate()
    app.keys("F10")
    app.keys("a")
    about = app.wait_window(pyatspi.ROLE_DIALOG, "关于 Quorvin")
    assert about is not None
    app.keys("Return")
    app.close_by_window_manager()
    assert app.wait_exit() == 0
