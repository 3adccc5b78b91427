"""A failure is told in a message box that a screen reader can read and close."""
import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_LABEL, ROLE_TEXT, is_enabled, press
from peers import free_port
from xsession import wait_until


def test_refused_connect_is_reported_and_the_channel_stays_closed(lanspry):
    app = lanspry()
    app.select_mode(0)
    app.set_address("127.0.0.1")
    app.set_text("目标端口:", str(free_port()))
    press(app.control(ROLE_BUTTON, "连 接"))
    box = app.wait_window(pyatspi.ROLE_ALERT)
    label = app.control(ROLE_LABEL, "连接服务器失败[10061]:WSAECONNREFUSED.\n", root=box)
    assert label is not None
    press(app.control(ROLE_BUTTON, "确定", root=box))
    wait_until(lambda: all(role != pyatspi.ROLE_ALERT for role, _ in app.windows()), 5, what="the box to close")
    assert app.caption() == "连 接"
    assert not is_enabled(app.control(ROLE_BUTTON, "发 送"))
    assert is_enabled(app.control(ROLE_TEXT, "目标端口:"))
