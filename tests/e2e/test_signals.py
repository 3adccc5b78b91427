"""Ended from outside as closing the window ends it: SIGTERM with a log file whose last lines still
wait in memory, SIGHUP while a modal box is up, SIGINT while listening with a client; each time
the exit status is 0, the log whole and the connections closed."""
import signal
import socket

import pyatspi

from atspi_driver import ROLE_BUTTON, press
from peers import can_connect, free_port
from xsession import wait_until


def test_sigterm_writes_out_the_log_lines_that_waited(lanspry, tmp_path):
    local_port = free_port(socket.SOCK_DGRAM)
    peer = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    peer.bind(("127.0.0.1", 0))
    app = lanspry()
    app.open_channel(1, "127.0.0.1", peer.getsockname()[1], local_port=local_port)
    window = app.open_record_window()
    log = tmp_path / "traffic.log"
    press(app.control(ROLE_BUTTON, "记录到文件(L)...", root=window))
    app.choose_file(log)
    app.control(ROLE_BUTTON, "停止记录(L)", root=window)

    for i in range(200):
        peer.sendto(f"line {i}".encode(), ("127.0.0.1", local_port))
    app.wait_text("接收:", str(sum(len(f"line {i}") for i in range(200))))
    # The log takes what waits once a second; the signal comes well before that.
    app.app.proc.send_signal(signal.SIGTERM)
    assert app.wait_exit() == 0
    received = [line.split("\t") for line in log.read_text(encoding="utf-8").splitlines()]
    payloads = [bytes.fromhex(f[4].replace(" ", "")) for f in received if f[1] == "收"]
    assert payloads == [f"line {i}".encode() for i in range(200)]
    assert "lost" not in app.app.output()
    peer.close()


def test_sighup_ends_it_with_a_modal_box_up(lanspry):
    app = lanspry()
    app.choose_from_system_menu("a")
    app.wait_window(pyatspi.ROLE_DIALOG, "关于 Quorvin")
    app.app.proc.send_signal(signal.SIGHUP)
    assert app.wait_exit() == 0


def test_sigint_closes_the_clients_and_the_listener(lanspry):
    port = free_port()
    app = lanspry()
    app.select_mode(3)
    app.set_address("127.0.0.1", "监听地址:")
    app.set_text("监听端口:", str(port))
    press(app.control(ROLE_BUTTON, "监 听"))
    app.wait_caption("停止监听")
    client = socket.create_connection(("127.0.0.1", port), timeout=5)
    wait_until(lambda: app.title().endswith("1 个客户端"), 5, what="the client in the title")
    app.app.proc.send_signal(signal.SIGINT)
    assert app.wait_exit() == 0
    assert client.recv(10) == b""
    assert not can_connect(port)
    client.close()
