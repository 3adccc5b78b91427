"""The server's clients one at a time, as a person works them: three socat clients connected, the
client list opened from the system menu and read row by row, one client chosen as the target so
that 发 送 reaches it alone and the title says so, that client dropped with 断开 while the others
stay, and the sends going to every client again."""
import os

import pyatspi

from atspi_driver import ROLE_BUTTON, ROLE_TABLE, fresh, is_checked, press, table_rows
from peers import Socat, free_port
from xsession import wait_until

VERSION = os.environ.get("LANSPRY_VERSION", "1.0.0.12")
ROLE_RADIO = pyatspi.ROLE_RADIO_BUTTON


def client(port, source_port, inbox):
    """A socat client from a known port that keeps what it is sent in inbox."""
    return Socat("-b", "65536", f"TCP4:127.0.0.1:{port},bind=127.0.0.1:{source_port}",
                 f"SYSTEM:cat > {inbox}")


def rows_of(table):
    return table_rows(table) or []


def test_one_client_chosen_then_dropped(lanspry, tmp_path):
    port = free_port()
    app = lanspry()
    app.select_mode(3)
    app.set_address("127.0.0.1", "监听地址:")
    app.set_text("监听端口:", str(port))
    press(app.control(ROLE_BUTTON, "监 听"))
    app.wait_caption("停止监听")
    listening = f"Lanspry-{VERSION} - 监听 127.0.0.1:{port}"

    sources = [free_port() for _ in range(3)]
    inboxes = [tmp_path / f"c{i}.bin" for i in range(3)]
    clients = [client(port, sources[i], inboxes[i]) for i in range(3)]
    try:
        wait_until(lambda: app.title() == f"{listening}, 3 个客户端", 10,
                   what=f"three clients in the title (it reads {app.title()!r})")
        app.choose_from_system_menu("k")
        window = app.wait_window(pyatspi.ROLE_DIALOG, "客户端列表")
        table = app.control(ROLE_TABLE, "已连接的客户端:", root=window)
        wait_until(lambda: len(rows_of(table)) == 3, 5, what="three rows in the client list")
        rows = rows_of(table)
        assert sorted(r[0] for r in rows) == sorted(f"127.0.0.1:{p}" for p in sources), rows
        assert all(len(r[1]) == len("12:34:56") and r[2] == "0" and r[3] == "0" for r in rows), rows
        assert is_checked(app.control(ROLE_RADIO, "全部客户端(A)", root=window))

        chosen = [r[0] for r in rows].index(f"127.0.0.1:{sources[1]}")
        assert fresh(table).queryTable().addRowSelection(chosen)
        press(app.control(ROLE_RADIO, "选中的客户端(S)", root=window))
        wait_until(lambda: app.title() == f"{listening}, 3 个客户端, 发送到 127.0.0.1:{sources[1]}", 5,
                   what=f"the target in the title (it reads {app.title()!r})")
        app.send("only you")
        wait_until(lambda: inboxes[1].read_bytes() == b"only you", 5, what="the chosen client to receive")
        wait_until(lambda: rows_of(table)[chosen][3] == "8", 5, what="the row to count what it was sent")

        press(app.control(ROLE_BUTTON, "断开(D)", root=window))
        wait_until(lambda: clients[1].proc.poll() is not None, 5, what="the dropped client's socat to end")
        wait_until(lambda: app.title() == f"{listening}, 2 个客户端", 5,
                   what=f"two clients and no target in the title (it reads {app.title()!r})")
        wait_until(lambda: len(rows_of(table)) == 2, 5, what="two rows left")
        assert f"127.0.0.1:{sources[1]}" not in [r[0] for r in rows_of(table)]
        assert is_checked(app.control(ROLE_RADIO, "全部客户端(A)", root=window))

        app.send("to all")
        for i in (0, 2):
            wait_until(lambda: inboxes[i].read_bytes() == b"to all", 5,
                       what=f"client {i} to have only what went to every client")
        assert inboxes[1].read_bytes() == b"only you"
        assert app.text("发送:") == "20"
        assert clients[0].proc.poll() is None and clients[2].proc.poll() is None
    finally:
        for c in clients:
            c.end()
    press(app.control(ROLE_BUTTON, "停止监听"))
    app.wait_caption("监 听")
    wait_until(lambda: rows_of(table) == [], 5, what="the list empty once the server stops")
    app.close_by_window_manager()
    assert app.wait_exit() == 0
