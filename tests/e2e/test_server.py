"""The server mode as a person uses it: chosen with the keyboard, three socat clients connecting,
writing and reading, one leaving, listening stopped, and the mode back at the next start."""
import os
import pathlib
import socket

from atspi_driver import ROLE_BUTTON, ROLE_TEXT, is_enabled, press
from peers import Socat, free_port
from xsession import wait_until

VERSION = os.environ.get("LANSPRY_VERSION", "1.0.0.12")


def client(port, name, inbox):
    """A socat client that writes its name once, then keeps what it is sent in inbox."""
    return Socat("-b", "65536", f"TCP4:127.0.0.1:{port}", f"SYSTEM:printf {name}; cat > {inbox}")


def can_listen(port):
    """Whether another server could listen on the port now (connections in TIME_WAIT do not count)."""
    with socket.socket() as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
            s.listen()
        except OSError:
            return False
        return True


def test_three_clients_then_one_leaves_then_listening_stops(lanspry, config_dir, tmp_path):
    port = free_port()
    app = lanspry()
    app.select_mode(3)
    app.wait_caption("监 听")
    assert not is_enabled(app.control(ROLE_TEXT, "目标端口:"))
    assert is_enabled(app.control(ROLE_TEXT, "监听端口:"))
    assert app.text("目标端口:") == ""
    app.set_address("127.0.0.1", "监听地址:")
    app.set_text("监听端口:", str(port))
    press(app.control(ROLE_BUTTON, "监 听"))
    app.wait_caption("停止监听")
    listening = f"Lanspry-{VERSION} - 监听 127.0.0.1:{port}"
    wait_until(lambda: app.title() == f"{listening}, 0 个客户端", 5, what="the listening title")

    inboxes = [tmp_path / f"c{i}.bin" for i in range(3)]
    clients = [client(port, f"c{i}", inboxes[i]) for i in range(3)]
    try:
        wait_until(lambda: app.title() == f"{listening}, 3 个客户端", 10,
                   what=f"three clients in the title (it reads {app.title()!r})")
        app.wait_text("接收:", "6")
        shown = app.text("接收")
        assert sorted(shown[i:i + 2] for i in range(0, 6, 2)) == ["c0", "c1", "c2"], shown
        app.send("to all")
        for inbox in inboxes:
            wait_until(lambda: inbox.exists() and inbox.read_bytes() == b"to all", 5,
                       what=f"{inbox.name} to hold what was sent")
        assert app.text("发送:") == "18"

        clients[0].end()
        wait_until(lambda: app.title() == f"{listening}, 2 个客户端", 5, what="two clients in the title")
        assert app.caption() == "停止监听"
        press(app.control(ROLE_BUTTON, "停止监听"))
        app.wait_caption("监 听")
        wait_until(lambda: app.title() == f"Lanspry-{VERSION}", 5, what="the versioned title back")
        for c in clients[1:]:
            wait_until(lambda: c.proc.poll() is not None, 5, what="socat to see the server close")
    finally:
        for c in clients:
            c.end()
    assert can_listen(port)
    assert not is_enabled(app.control(ROLE_BUTTON, "发 送"))
    app.end()

    again = lanspry(config=config_dir)
    assert again.mode() == "TCP服务器"
    assert again.caption() == "监 听"
    assert again.text("监听端口:") == str(port)
    assert "LastType=3" in pathlib.Path(config_dir, "lanspry.ini").read_text(encoding="utf-8")
