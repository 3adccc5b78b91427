"""Automatic replies as a person sets them up: a rule added in the 自动应答 window, the replies
switched on, a UDP peer and then a TCP peer asking and each answered, the hit count in the window,
and the rule and the switch still there after a restart."""
import pathlib
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_CHECK, ROLE_TABLE, ROLE_TEXT, is_checked, press, table_rows
from peers import free_port
from xsession import wait_until


def open_window(app):
    app.choose_from_system_menu("y")
    window = app.wait_window(pyatspi.ROLE_DIALOG, "自动应答")
    return window, app.control(ROLE_TABLE, "应答规则:", root=window)


def hits(table):
    rows = table_rows(table) or []
    return rows[0][5] if rows else None


def test_a_rule_answers_udp_and_tcp_peers_and_survives_a_restart(lanspry, config_dir):
    app = lanspry()
    window, table = open_window(app)
    press(app.control(ROLE_BUTTON, "添加(N)...", root=window))
    rule = app.wait_window(pyatspi.ROLE_DIALOG, "应答规则")
    app.control(ROLE_TEXT, "匹配内容:", root=rule).queryEditableText().setTextContents("PING")
    app.control(ROLE_TEXT, "应答内容:", root=rule).queryEditableText().setTextContents("PONG\\r\\n")
    press(app.control(ROLE_BUTTON, "确定", root=rule))
    wait_until(lambda: (table_rows(table) or [[]])[0][:4] == ["是", "包含", "PING", "PONG\\r\\n"], 5,
               what=f"the rule in the window (it shows {table_rows(table)!r})")
    switch = app.control(ROLE_CHECK, "启用自动应答(O)", root=window)
    press(switch)
    wait_until(lambda: is_checked(switch), 5, what="the replies switched on")

    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as peer:
        peer.bind(("127.0.0.1", 0))
        peer.settimeout(5)
        local_port = free_port(socket.SOCK_DGRAM)
        app.open_channel(1, "127.0.0.1", peer.getsockname()[1], local_port=local_port)
        peer.sendto(b"PING 1", ("127.0.0.1", local_port))
        assert peer.recvfrom(100)[0] == b"PONG\r\n"
    wait_until(lambda: hits(table) == "1", 5, what="one hit in the window")
    press(app.control(ROLE_BUTTON, "关 闭"))
    app.wait_caption("创 建")

    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen()
        listener.settimeout(5)
        app.set_check("指定本地端口:", False)
        app.open_channel(0, "127.0.0.1", listener.getsockname()[1])
        device, _ = listener.accept()
        with device:
            device.settimeout(5)
            device.sendall(b"xxPINGxx")
            assert device.recv(100) == b"PONG\r\n"
    wait_until(lambda: hits(table) == "2", 5, what="two hits in the window")
    app.close_by_window_manager()
    assert app.wait_exit() == 0

    ini = pathlib.Path(config_dir, "lanspry.ini").read_text(encoding="utf-8")
    assert "[AutoReply]" in ini and "Enabled=1" in ini
    assert "Rule1=1\tcontains\tPING\ttext\tPONG\\r\\n\t0\t0" in ini, ini
    again = lanspry(config=config_dir)
    window, table = open_window(again)
    wait_until(lambda: (table_rows(table) or [[]])[0][:3] == ["是", "包含", "PING"], 5, what="the rule after a restart")
    assert is_checked(again.control(ROLE_CHECK, "启用自动应答(O)", root=window))
    again.close_by_window_manager()
    assert again.wait_exit() == 0
