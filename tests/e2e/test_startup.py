"""What a person sees at the first start, and the settings brought back at the next."""
import os
import pathlib
import socket
import stat

from atspi_driver import ROLE_BUTTON, ROLE_TEXT, fresh, is_enabled, press, text_of
from peers import free_port, udp_echo

VERSION = os.environ.get("LANSPRY_VERSION", "1.0.0.12")


def test_first_start_shows_a_closed_tcp_channel(lanspry):
    app = lanspry()
    assert fresh(app.main).name == f"Lanspry-{VERSION}"
    assert app.caption() == "连 接"
    assert app.mode() == "TCP"
    assert not is_enabled(app.control(ROLE_BUTTON, "发 送"))
    assert text_of(app.control(ROLE_TEXT, "目标IP:")) == "0.0.0.0"
    assert app.text("目标端口:") == "0"
    assert not is_enabled(app.control(ROLE_TEXT, "指定本地端口:"))
    assert app.text("发送:") == "0" and app.text("接收:") == "0"
    assert app.text("接收") == ""


def test_settings_come_back_and_the_users_own_lines_stay(lanspry, config_dir):
    ini = pathlib.Path(config_dir, "lanspry.ini")
    own = "; my notes about the lab\n[Other]\nmy key = some value\n"
    ini.write_text(own, encoding="utf-8")
    echo = udp_echo()
    try:
        app = lanspry()
        app.open_channel(1, "127.0.0.1", echo.port, local_port=free_port(socket.SOCK_DGRAM))
        press(app.control(ROLE_BUTTON, "关 闭"))
        app.wait_caption("创 建")
        app.close_by_window_manager()
        assert app.wait_exit() == 0
    finally:
        echo.end()
    text = ini.read_text(encoding="utf-8")
    assert text.startswith(own), text
    assert "[ClientParams]" in text and f"LastDestPort={echo.port}" in text

    again = lanspry()
    assert again.mode() == "UDP"
    assert again.caption() == "创 建"
    assert text_of(again.control(ROLE_TEXT, "目标IP:")) == "127.0.0.1"
    assert again.text("目标端口:") == str(echo.port)
    assert not is_enabled(again.control(ROLE_TEXT, "指定本地端口:"))


def test_a_settings_file_that_is_a_fifo_starts_with_the_defaults_and_stays_a_fifo(lanspry, config_dir):
    ini = pathlib.Path(config_dir, "lanspry.ini")
    os.mkfifo(ini)
    echo = udp_echo()
    try:
        app = lanspry()
        assert app.mode() == "TCP"
        app.open_channel(1, "127.0.0.1", echo.port)
        press(app.control(ROLE_BUTTON, "关 闭"))
        app.wait_caption("创 建")
        app.close_by_window_manager()
        assert app.wait_exit() == 0
    finally:
        echo.end()
    assert stat.S_ISFIFO(ini.stat().st_mode)
