"""The command list as a person drives a device with it: three commands added in the 命令列表 window
opened from the send box's menu, run against a socat echo peer, three 通过 with their round-trip
times, the results saved through the file dialog and read back; then a second Lanspry plays the
device with an automatic reply and answers the list the first one runs."""
import csv
import signal
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_TABLE, ROLE_TEXT, fresh, press, table_rows
from peers import free_port, tcp_echo
from xsession import wait_until


def add_command(app, window, name, payload, expect):
    press(app.control(ROLE_BUTTON, "添加(N)...", root=window))
    box = app.wait_window(pyatspi.ROLE_DIALOG, "命令")
    app.control(ROLE_TEXT, "名称:", root=box).queryEditableText().setTextContents(name)
    app.control(ROLE_TEXT, "数据:", root=box).queryEditableText().setTextContents(payload)
    app.choose(app.control(pyatspi.ROLE_COMBO_BOX, "期望应答:", root=box), 2, "包含")
    app.control(ROLE_TEXT, "期望内容:", root=box).queryEditableText().setTextContents(expect)
    press(app.control(ROLE_BUTTON, "确定", root=box))
    wait_until(lambda: all(n != "命令" for _, n in app.windows()), 5, what="the command box to close")


def has_button(window, name):
    return pyatspi.findDescendant(fresh(window), lambda o: o.getRole() == ROLE_BUTTON and o.name == name) is not None


def results(table):
    return [row[5] for row in table_rows(table) or []]


def open_list(app):
    window = app.open_from_menu(app.control(ROLE_TEXT, "发送"), "Menu", "l", title="命令列表")
    return window, app.control(ROLE_TABLE, "命令:", root=window)


def test_three_commands_pass_against_an_echo_peer_and_the_results_are_saved(lanspry, tmp_path):
    echo = tcp_echo()
    app = lanspry()
    try:
        app.open_channel(0, "127.0.0.1", echo.port)
        window, table = open_list(app)
        for i in range(3):
            add_command(app, window, f"命令{i}", f"REQ {i}\\r\\n", f"REQ {i}")
        wait_until(lambda: len(table_rows(table) or []) == 3, 5, what="three commands in the list")
        press(app.control(ROLE_BUTTON, "运行(R)", root=window))
        wait_until(lambda: all(r.startswith("通过 ") and r.endswith(" ms") for r in results(table)) and
                   len(results(table)) == 3, 10, what=f"three passes (the list shows {results(table)!r})")
        saved = tmp_path / "results.csv"
        press(app.control(ROLE_BUTTON, "保存结果(V)...", root=window))
        app.choose_file(saved)
        wait_until(saved.exists, 5, what="the results file")
        with saved.open(encoding="utf-8-sig", newline="") as f:
            rows = list(csv.DictReader(f))
        assert [(r["name"], r["result"]) for r in rows] == [(f"命令{i}", "通过") for i in range(3)], rows
        assert [bytes.fromhex(r["sent"]) for r in rows] == [f"REQ {i}\r\n".encode() for i in range(3)]
        assert all(float(r["rtt_ms"]) > 0 and r["received"] == r["sent"] for r in rows), rows
    finally:
        echo.end()
    app.close_by_window_manager()
    assert app.wait_exit() == 0


def test_a_second_lanspry_plays_the_device(lanspry, tmp_path):
    """Two programs share one title, so keys go to the first: the tester is started and its list
    opened before the device starts, and the device is set up through AT-SPI and its settings."""
    device_port = free_port(socket.SOCK_DGRAM)
    tester_config = tmp_path / "tester"
    tester_config.mkdir()
    (tester_config / "lanspry.ini").write_text(
        "[ClientParams]\nLastType=1\nLastdwIPADDRESS=2130706433\nLastDestPort=%d\n"
        "[Commands]\nCount=1\nCmd1=温度\ttext\tT?\tregex\t^T=\\d+\\.\\d\\r\\n$\t1000\t0\n" % device_port,
        encoding="utf-8")
    tester = lanspry(config=str(tester_config))
    window, table = open_list(tester)
    tester.control(ROLE_TEXT, "次数:", root=window).queryEditableText().setTextContents("3")

    device_config = tmp_path / "device"
    device_config.mkdir()
    (device_config / "lanspry.ini").write_text(
        "[ClientParams]\nLastType=1\nLastdwIPADDRESS=2130706433\nLastDestPort=9\n"
        "[AutoReply]\nEnabled=1\nCount=1\nRule1=1\tprefix\tT?\ttext\tT=21.5\\r\\n\t0\t0\n", encoding="utf-8")
    device = lanspry(config=str(device_config))
    device.set_check("指定本地端口:", True)
    device.set_text("指定本地端口:", str(device_port))
    press(device.control(ROLE_BUTTON, "创 建"))
    device.wait_caption("关 闭")

    press(tester.control(ROLE_BUTTON, "创 建"))
    tester.wait_caption("关 闭")
    press(tester.control(ROLE_BUTTON, "运行(R)", root=window))
    wait_until(lambda: results(table) and results(table)[0].startswith("通过 "), 10,
               what=f"the device's answer to pass (the list shows {results(table)!r})")
    wait_until(lambda: has_button(window, "运行(R)"), 10, what="the run of three to end")
    assert results(table)[0].startswith("通过 ")
    tester.close_by_window_manager()
    assert tester.wait_exit() == 0
    device.app.proc.send_signal(signal.SIGTERM)  # its window shares the tester's title
    assert device.wait_exit() == 0
