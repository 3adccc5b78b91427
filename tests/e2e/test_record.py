"""The traffic record as a person uses it: a UDP channel that two senders on different loopback
addresses write to, the record window opened from the system menu and read row by row, a log file
chosen in the platform's file dialog whose lines carry every payload, the window closed and opened
again with its history, and the program ending with status 0."""
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_TABLE, fresh, press, table_rows
from peers import free_port
from xsession import wait_until

COLUMNS = ["时间", "事件", "对端", "长度", "十六进制", "文本"]


def sender(address):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((address, 0))
    return s


def data_rows(rows):
    return [r for r in rows or [] if r[1] in ("收", "发")]


def test_two_senders_a_log_file_and_the_rows_read_aloud(lanspry, tmp_path):
    local_port = free_port(socket.SOCK_DGRAM)
    peer = sender("127.0.0.1")
    peer_port = peer.getsockname()[1]
    second = sender("127.0.0.2")
    app = lanspry()
    app.open_channel(1, "127.0.0.1", peer_port, local_port=local_port)

    window = app.open_record_window()
    table = app.control(ROLE_TABLE, "通信事件:", root=window)
    header = fresh_header(table)
    assert header == COLUMNS, header
    log = tmp_path / "traffic.log"
    log.write_text("kept line\n", encoding="utf-8")
    press(app.control(ROLE_BUTTON, "记录到文件(L)...", root=window))
    app.choose_file(log)
    stop = app.control(ROLE_BUTTON, "停止记录(L)", root=window)

    peer.sendto(b"from the first\x01", ("127.0.0.1", local_port))
    app.wait_text("接收:", "15")
    second.sendto(b"second sender", ("127.0.0.1", local_port))
    app.wait_text("接收:", "28")
    app.send("reply")
    assert peer.recv(100) == b"reply"

    wait_until(lambda: len(data_rows(table_rows(table))) == 3, 5, what="three data rows in the window")
    rows = data_rows(table_rows(table))
    assert [(r[1], r[2], r[3], r[5]) for r in rows] == [
        ("收", f"127.0.0.1:{peer_port}", "15", "from the first."),
        ("收", f"127.0.0.2:{second.getsockname()[1]}", "13", "second sender"),
        ("发", f"127.0.0.1:{peer_port}", "5", "reply"),
    ], rows
    assert rows[0][4] == "66 72 6F 6D 20 74 68 65 20 66 69 72 73 74 01"
    assert all(len(r[0]) == len("12:34:56.789") for r in rows)

    press(stop)
    app.control(ROLE_BUTTON, "记录到文件(L)...", root=window)
    lines = log.read_text(encoding="utf-8").splitlines()
    assert lines[0] == "kept line"
    fields = [line.split("\t") for line in lines[1:]]
    payloads = [(f[1], f[2], bytes.fromhex(f[4].replace(" ", ""))) for f in fields if f[1] in ("收", "发")]
    assert payloads == [
        ("收", f"127.0.0.1:{peer_port}", b"from the first\x01"),
        ("收", f"127.0.0.2:{second.getsockname()[1]}", b"second sender"),
        ("发", f"127.0.0.1:{peer_port}", b"reply"),
    ], lines
    assert all(f[0][10] == "T" and f[0][19] == "." and f[0][23] in "+-" for f in fields), lines

    # Closing the window loses nothing; opening it again shows the same rows.
    press(app.control(ROLE_BUTTON, "关 闭", root=window))
    wait_until(lambda: not fresh(window).getState().contains(pyatspi.STATE_SHOWING), 5,
               what="the record window to close")
    window = app.open_record_window()
    table = app.control(ROLE_TABLE, "通信事件:", root=window)
    assert data_rows(table_rows(table)) == rows
    press(app.control(ROLE_BUTTON, "清 空", root=window))
    wait_until(lambda: table_rows(table) == [], 5, what="the record to be empty")
    assert app.text("接收") == "from the first\x01second sender"

    peer.close()
    second.close()
    app.close_by_window_manager()
    assert app.wait_exit() == 0


def fresh_header(table):
    t = table.queryTable()
    return [t.getColumnDescription(c) or (t.getColumnHeader(c).name if t.getColumnHeader(c) else "")
            for c in range(t.nColumns)]
