"""Real key events: the hex filter of the send box, and Alt chords that type nothing."""
from atspi_driver import ROLE_TEXT


def test_hex_sending_takes_only_hex_digits(lanspry):
    app = lanspry()
    box = app.control(ROLE_TEXT, "发送")
    app.set_check("16进制发送", True)
    app.focus(box)
    app.type("G,f0 gA")
    app.wait_text("发送", "f0 A")
    app.keys("alt+b", "BackSpace")
    app.wait_text("发送", "f0 ")
    app.set_check("16进制发送", False)
    app.focus(box)
    app.type("G,")
    app.wait_text("发送", "f0 G,")
