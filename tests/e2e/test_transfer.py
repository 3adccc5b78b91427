"""Round trips through real echo peers, in both display modes, and a TCP peer going away."""
from atspi_driver import ROLE_BUTTON, ROLE_COMBO, ROLE_TEXT, is_enabled, press
from peers import tcp_echo, udp_echo


def test_udp_text_and_hex_round_trip(lanspry):
    echo = udp_echo()
    try:
        app = lanspry()
        app.open_channel(1, "127.0.0.1", echo.port)
        app.send("hello")
        app.wait_text("接收", "hello")
        assert app.text("发送:") == "5"
        app.wait_text("接收:", "5")
        app.send(" 41 42 ", hex_mode=True)
        app.wait_text("接收", "helloAB")
        assert app.text("发送") == "41 42"  # trimmed and put back
        assert app.text("发送:") == "7"
        app.wait_text("接收:", "7")
        app.set_check("16进制接收", True)
        app.wait_text("接收", "68 65 6C 6C 6F 41 42 ")
        app.set_check("16进制接收", False)
        app.wait_text("接收", "helloAB")
        press(app.control(ROLE_BUTTON, "关 闭"))
        app.wait_caption("创 建")
    finally:
        echo.end()


def test_tcp_round_trip_and_the_peer_closing(lanspry):
    echo = tcp_echo()
    try:
        app = lanspry()
        app.open_channel(0, "127.0.0.1", echo.port)
        assert is_enabled(app.control(ROLE_BUTTON, "发 送"))
        assert not is_enabled(app.control(ROLE_COMBO, "类型:"))
        app.send("ping")
        app.wait_text("接收", "ping")
        app.wait_text("接收:", "4")
        assert app.text("发送:") == "4"
    finally:
        echo.end()
    app.wait_caption("连 接")
    assert not is_enabled(app.control(ROLE_BUTTON, "发 送"))
    assert is_enabled(app.control(ROLE_TEXT, "目标端口:"))
    assert is_enabled(app.control(ROLE_COMBO, "类型:"))
    assert app.text("接收") == "ping"
