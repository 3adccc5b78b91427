"""The receive display's options as a person uses them: chosen from the display's own menu, a
Modbus-like reply with a zero byte and a second sender's text both shown with their senders, GBK
text readable, then the display paused while data comes and resumed; the settings kept."""
import pathlib
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_CHECK, ROLE_COMBO, ROLE_TEXT, fresh, press
from peers import free_port
from xsession import wait_until


def sender(address):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((address, 0))
    return s


def test_senders_zero_bytes_gbk_and_a_pause(lanspry, config_dir):
    local_port = free_port(socket.SOCK_DGRAM)
    device = sender("127.0.0.1")
    second = sender("127.0.0.2")
    app = lanspry()
    app.open_channel(1, "127.0.0.1", device.getsockname()[1], local_port=local_port)
    display = app.control(ROLE_TEXT, "接收")

    options = app.open_from_menu(display, "Menu", "o", title="接收设置")
    press(app.control(ROLE_CHECK, "每包前显示时间和来源(T)", root=options))
    press(app.control(ROLE_CHECK, "每包换行(B)", root=options))
    app.choose(app.control(ROLE_COMBO, "控制字符:", root=options), 1, "显示为 .")
    press(app.control(ROLE_BUTTON, "确定", root=options))
    wait_until(lambda: not fresh(options).getState().contains(pyatspi.STATE_SHOWING), 5, what="the options to close")

    device.sendto(bytes.fromhex("0103020064"), ("127.0.0.1", local_port))
    app.wait_text("接收:", "5")
    second.sendto(b"from the second sender", ("127.0.0.1", local_port))
    app.wait_text("接收:", "27")
    lines = app.text("接收").splitlines()
    assert lines[0].endswith(f"127.0.0.1:{device.getsockname()[1]} 收: ....d"), lines
    assert lines[1].endswith(f"127.0.0.2:{second.getsockname()[1]} 收: from the second sender"), lines
    assert all(line.startswith("[") and line[13] == "]" for line in lines), lines

    options = app.open_from_menu(display, "Menu", "o", title="接收设置")
    app.choose(app.control(ROLE_COMBO, "文本编码:", root=options), 1, "GBK/GB18030")
    press(app.control(ROLE_BUTTON, "确定", root=options))
    wait_until(lambda: not fresh(options).getState().contains(pyatspi.STATE_SHOWING), 5, what="the options to close")
    device.sendto("设备正常".encode("gbk"), ("127.0.0.1", local_port))
    wait_until(lambda: app.text("接收").splitlines()[-1].endswith("收: 设备正常"), 5, what="the GBK text")

    # Paused, the display stays as it was and its caption says so; the counter goes on.
    shown = app.text("接收")
    app.focus(display)
    app.keys("Menu")
    app.keys("p")
    app.control(pyatspi.ROLE_PANEL, "接收 (已暂停)")
    device.sendto(b"while paused", ("127.0.0.1", local_port))
    app.wait_text("接收:", "47")
    assert app.text("接收") == shown
    app.focus(display)
    app.keys("Menu")
    app.keys("p")
    wait_until(lambda: app.text("接收").splitlines()[-1].endswith("收: while paused"), 5, what="what came meanwhile")

    device.close()
    second.close()
    app.close_by_window_manager()
    assert app.wait_exit() == 0
    ini = pathlib.Path(config_dir, "lanspry.ini").read_text(encoding="utf-8")
    assert "[RecvOptions]" in ini and "ShowPeer=1" in ini and "Encoding=1" in ini, ini
