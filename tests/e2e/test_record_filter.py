"""The record window as a tool: two senders write to a UDP channel, the record window is made
larger, narrowed to one sender by typing its address in the peer field (the status counts the
rows shown of all), one row read whole in the detail beneath, and the filter cleared again; the
program ends with status 0."""
import socket

import pyatspi

from atspi_driver import ROLE_COMBO, ROLE_LABEL, ROLE_TABLE, ROLE_TEXT, find, fresh, table_rows, text_of
from peers import free_port
from xsession import find_window, wait_until, xdotool


def sender(address):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((address, 0))
    return s


def width_of(obj):
    return fresh(obj).queryComponent().getExtents(pyatspi.DESKTOP_COORDS).width


def status(app, window, text):
    """The status line reading text, found as a screen reader finds it."""
    return find(window, ROLE_LABEL, text, timeout=5.0)


def test_a_larger_window_narrowed_to_one_sender_and_a_row_read_whole(lanspry):
    local_port = free_port(socket.SOCK_DGRAM)
    peer = sender("127.0.0.1")
    second = sender("127.0.0.2")
    second_peer = f"127.0.0.2:{second.getsockname()[1]}"
    app = lanspry()
    app.open_channel(1, "127.0.0.1", peer.getsockname()[1], local_port=local_port)
    for i in range(3):
        peer.sendto(f"first {i}".encode(), ("127.0.0.1", local_port))
        second.sendto(f"second {i} ".encode() + "温度".encode() + bytes(range(16)), ("127.0.0.1", local_port))
    app.wait_text("接收:", str(3 * 7 + 3 * 31))

    window = app.open_record_window()
    table = app.control(ROLE_TABLE, "通信事件:", root=window)
    wait_until(lambda: len(table_rows(table) or []) == 7, 5, what="seven rows")
    status(app, window, "共 7 条事件")

    # Made larger, the table takes the room.
    before = width_of(table)
    record = find_window(app.display, "^通信记录$")
    xdotool(app.display, "windowsize", "--sync", str(record), "1100", "700")
    wait_until(lambda: width_of(table) > before + 200, 5, what=f"the table to widen (it is {width_of(table)})")

    # The second sender typed in the peer field: its rows alone, counted against all.
    peer_field = app.control(ROLE_COMBO, "对端:", root=window)
    xdotool(app.display, "windowfocus", "--sync", str(record))
    peer_field.queryComponent().grabFocus()
    wait_until(lambda: fresh(peer_field).getState().contains(pyatspi.STATE_FOCUSED), 5, what="the peer field focused")
    app.type("127.0.0.2")
    status(app, window, "显示 3 / 7 条事件")
    rows = table_rows(table)
    assert [r[2] for r in rows] == [second_peer] * 3, rows
    assert rows[1][3] == "31"

    # A row selected: the detail beneath reads it whole.
    assert fresh(table).queryTable().addRowSelection(1)
    detail = app.control(ROLE_TEXT, "事件详情:", root=window)
    wait_until(lambda: "对端 " + second_peer in text_of(detail), 5, what=f"the detail (it reads {text_of(detail)!r})")
    lines = text_of(detail).splitlines()
    assert lines[0].startswith("收  ") and lines[0].endswith("UDP  31 字节"), lines
    assert lines[1] == "0000  73 65 63 6F 6E 64 20 31  20 E6 B8 A9 E5 BA A6 00  second 1 温度.", lines
    assert lines[2].startswith("0010  01 02 03 04 05 06 07 08  09 0A 0B 0C 0D 0E 0F"), lines

    # The field emptied: every event again.
    peer_field.queryComponent().grabFocus()
    app.keys("ctrl+a", "BackSpace")
    status(app, window, "共 7 条事件")
    wait_until(lambda: len(table_rows(table) or []) == 7, 5, what="seven rows again")

    peer.close()
    second.close()
    app.close_by_window_manager()
    assert app.wait_exit() == 0
