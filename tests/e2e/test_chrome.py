"""The system menu: the About box, and closing the program, which ends with status 0."""
import pyatspi
import pytest

from atspi_driver import ROLE_BUTTON, ROLE_LABEL, press
from xsession import wait_until


def test_about_box_from_the_system_menu(lanspry):
    app = lanspry()
    app.choose_from_system_menu("a")
    about = app.wait_window(pyatspi.ROLE_DIALOG, "关于 Quorvin")
    assert app.control(ROLE_LABEL, "Quorvin 1.0 版", root=about)
    assert app.control(ROLE_LABEL, "Lanspry: TCP/UDP/组播测试", root=about)
    press(app.control(ROLE_BUTTON, "确定", root=about))
    wait_until(lambda: all(name != "关于 Quorvin" for _, name in app.windows()), 5, what="the About box to close")
    assert app.caption() == "连 接"


@pytest.mark.parametrize("how", ["window manager", "system menu"])
def test_closing_ends_the_program_with_status_0(lanspry, how):
    app = lanspry()
    if how == "window manager":
        app.close_by_window_manager()
    else:
        app.choose_from_system_menu("c")
    assert app.wait_exit() == 0
