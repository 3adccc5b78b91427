"""Floods through the real program: a screen reader hears of new text once a display frame at most,
never once per datagram, and a flood paced to fit the socket's buffer is counted whole."""
import socket
import time

import pyatspi
from gi.repository import GLib

from atspi_driver import ROLE_TEXT
from peers import free_port

FRAME = 0.016
DATAGRAMS = 3000


def pump(seconds):
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        time.sleep(0.002)


def settled_count(app):
    """The received counter once it has stopped moving."""
    last = -1
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        pump(0.1)
        now = int(app.text("接收:") or 0)
        if now == last and now > 0:
            return now
        last = now
    raise AssertionError("the received counter never settled")


def open_udp_channel(lanspry):
    """The program with a UDP channel open on a local port of its own: the program and the port."""
    app = lanspry()
    local = free_port(socket.SOCK_DGRAM)
    app.open_channel(1, "127.0.0.1", free_port(socket.SOCK_DGRAM), local_port=local)
    pump(0.2)
    return app, local


def test_text_changes_are_told_once_a_frame_at_most(lanspry):
    inserts = []

    def on_text_changed(event):
        if event.source is not None and event.source.getRole() == ROLE_TEXT and event.source.name == "接收":
            inserts.append(time.monotonic())

    pyatspi.Registry.registerEventListener(on_text_changed, "object:text-changed:insert")
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        app, local = open_udp_channel(lanspry)
        inserts.clear()
        for i in range(DATAGRAMS):
            sender.sendto(b"0123456789abcdef", ("127.0.0.1", local))
            if i % 50 == 49:
                pump(0.003)
        received = settled_count(app) // 16
        pump(0.3)
    finally:
        pyatspi.Registry.deregisterEventListener(on_text_changed, "object:text-changed:insert")
        sender.close()
    assert received >= DATAGRAMS // 2, f"only {received} of {DATAGRAMS} datagrams arrived"
    assert inserts, "no text change was told"
    # Times are taken as the events arrive here, a few milliseconds late and not all equally.
    span = inserts[-1] - inserts[0]
    assert len(inserts) <= span / FRAME + 2, f"{len(inserts)} text changes in {span:.3f} s"
    assert len(inserts) < received / 4, f"{len(inserts)} text changes for {received} datagrams"


def wait_count_at_least(app, count):
    deadline = time.monotonic() + 10
    while int(app.text("接收:") or 0) < count:
        if time.monotonic() > deadline:
            raise AssertionError(f"the received counter stays below {count}")
        pump(0.005)


def test_a_flood_is_counted_whole_and_ends_on_screen(lanspry):
    """Datagrams back to back, paced only so that the socket's buffer never overflows (at most 50
    unread, however slow a sanitized build on a busy machine reads): every one is counted, and the
    last of them, which nothing follows, is on screen."""
    count = 3000
    ahead = 50
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        app, local = open_udp_channel(lanspry)
        for i in range(count):
            sender.sendto(b"%015d|" % i, ("127.0.0.1", local))
            if i % 10 == 9:
                time.sleep(0.001)
            if i % 25 == 24 and i >= ahead:
                wait_count_at_least(app, 16 * (i + 1 - ahead))
        assert settled_count(app) == 16 * count
        assert app.text("接收").endswith("%015d|" % (count - 1))
    finally:
        sender.close()
