"""The send box's tools as a person uses them: the box's menu opened from the keyboard, a checksum
chosen in the send options and a hex Modbus request sent with it; a timed send of ten; a file
streamed to a socat sink. Every byte is checked at a socat peer, and the program ends with 0."""
import pathlib
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_COMBO, ROLE_LABEL, ROLE_TEXT, fresh, press, text_of
from peers import Socat, free_port
from xsession import wait_until


def open_from_send_menu(app, key, *mnemonic, title):
    """Qt leaves popup menus out of the accessible tree, so the menu is worked by its keys."""
    app.focus(app.control(ROLE_TEXT, "发送"))
    app.keys(key)
    app.keys(*mnemonic)
    return app.wait_window(pyatspi.ROLE_DIALOG, title)


def test_a_crc_chosen_from_the_keyboard_goes_out_with_a_hex_request(lanspry, config_dir, tmp_path):
    port = free_port(socket.SOCK_DGRAM)
    got = tmp_path / "udp.bin"
    peer = Socat("-u", f"UDP4-RECV:{port},bind=127.0.0.1", f"CREATE:{got}", kind=socket.SOCK_DGRAM, port=port)
    try:
        app = lanspry()
        app.open_channel(1, "127.0.0.1", port)
        options = open_from_send_menu(app, "shift+F10", "o", title="发送设置")
        checksum = app.control(ROLE_COMBO, "附加校验:", root=options)
        checksum.queryComponent().grabFocus()
        wait_until(lambda: fresh(checksum).getState().contains(pyatspi.STATE_FOCUSED), 5, what="the checksum list")
        app.keys("Home", "Down", "Down", "Down")
        wait_until(lambda: text_of(checksum) == "CRC-16/MODBUS", 5, what="CRC-16/MODBUS chosen")
        press(app.control(ROLE_BUTTON, "确定", root=options))
        wait_until(lambda: not fresh(options).getState().contains(pyatspi.STATE_SHOWING), 5, what="the options to close")

        app.send("01 03 00 00 00 02", hex_mode=True)
        wait_until(lambda: got.exists() and got.stat().st_size >= 8, 5, what="the request at the peer")
        assert got.read_bytes() == bytes.fromhex("010300000002C40B")
        assert app.text("发送:") == "8"
        app.close_by_window_manager()
        assert app.wait_exit() == 0
    finally:
        peer.end()
    ini = pathlib.Path(config_dir, "lanspry.ini").read_text(encoding="utf-8")
    assert "[SendOptions]" in ini and "Checksum=3" in ini, ini


def test_ten_sends_on_a_timer_and_a_file_streamed_to_a_sink(lanspry, tmp_path):
    port = free_port(socket.SOCK_DGRAM)
    got = tmp_path / "ticks.bin"
    peer = Socat("-u", f"UDP4-RECV:{port},bind=127.0.0.1", f"CREATE:{got}", kind=socket.SOCK_DGRAM, port=port)
    app = lanspry()
    try:
        app.open_channel(1, "127.0.0.1", port)
        app.set_text("发送", "tick")
        # 剪切(&T) shares the letter; greyed out, it lets T through to 定时发送.
        timed = open_from_send_menu(app, "Menu", "t", title="定时发送")
        app.control(ROLE_TEXT, "间隔(毫秒):", root=timed).queryEditableText().setTextContents("20")
        app.control(ROLE_TEXT, "次数(0 为不限):", root=timed).queryEditableText().setTextContents("10")
        press(app.control(ROLE_BUTTON, "开 始", root=timed))
        wait_until(lambda: app.control(ROLE_LABEL, "已停止: 共发送 10 次", root=timed), 10, what="ten sends done")
        wait_until(lambda: got.exists() and got.read_bytes() == b"tick" * 10, 5, what="ten ticks at the peer")
        press(app.control(ROLE_BUTTON, "关 闭", root=timed))
    finally:
        peer.end()
    press(app.control(ROLE_BUTTON, "关 闭"))
    app.wait_caption("创 建")

    source = tmp_path / "firmware.bin"
    source.write_bytes(bytes(range(256)) * 4096 + b"end")
    sink_port = free_port()
    sink = tmp_path / "sink.bin"
    receiver = Socat("-u", f"TCP4-LISTEN:{sink_port},bind=127.0.0.1,reuseaddr", f"CREATE:{sink}", port=sink_port)
    try:
        app.open_channel(0, "127.0.0.1", sink_port)
        sending = open_from_send_menu(app, "Menu", "f", title="发送文件")
        app.control(ROLE_TEXT, "文件:", root=sending).queryEditableText().setTextContents(str(source))
        press(app.control(ROLE_BUTTON, "发 送", root=sending))
        size = source.stat().st_size
        # The counter goes on from the ticks' 40 bytes.
        wait_until(lambda: app.text("发送:") == str(40 + size), 10, what="the whole file counted")
        done = wait_until(lambda: pyatspi.findDescendant(
            fresh(sending), lambda o: o.getRole() == ROLE_LABEL and "已完成" in fresh(o).name), 5, what="done")
        assert "平均 " in done.name and "/s, 用时 " in done.name, done.name
        bar = pyatspi.findDescendant(fresh(sending), lambda o: o.getRole() == pyatspi.ROLE_PROGRESS_BAR)
        assert bar.queryValue().currentValue == bar.queryValue().maximumValue == 1000
        press(app.control(ROLE_BUTTON, "断开连接"))
        wait_until(lambda: receiver.proc.poll() is not None, 5, what="the sink to see the end")
        assert sink.read_bytes() == source.read_bytes()
    finally:
        receiver.end()
    app.close_by_window_manager()
    assert app.wait_exit() == 0
