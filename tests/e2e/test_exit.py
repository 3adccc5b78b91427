"""The built program ends cleanly, with status 0, however the person closes it."""
import pytest

from xsession import Display, Lanspry, find_window, request_close, xdotool


@pytest.fixture
def display():
    d = Display()
    yield d
    d.close()


def close_by_window_manager(display, window):
    request_close(display, window)


def close_by_system_menu(display, window):
    xdotool(display, "windowfocus", "--sync", str(window))
    xdotool(display, "key", "--clearmodifiers", "alt+space")
    xdotool(display, "key", "c")


@pytest.mark.parametrize("close", [close_by_window_manager, close_by_system_menu])
def test_closing_exits_with_status_0(display, close):
    app = Lanspry(display)
    try:
        window = find_window(display, "^Lanspry-")
        close(display, window)
        status = app.wait_exit()
        assert status == 0, app.output()
    finally:
        app.end()
