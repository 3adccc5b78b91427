"""Under a dark desktop palette (qt6ct's "darker" scheme) the dialogs keep their own light colours
together: the edits are light like the dialog, and disabled text stays readable, at a contrast of
at least 4.5:1 measured on the screen's pixels."""
import shutil

import pyatspi
import pytest

from atspi_driver import ROLE_BUTTON, ROLE_TEXT, fresh, is_enabled
from xsession import screen_pixels

DARKER = "/usr/share/qt6ct/colors/darker.conf"


def luminance(rgb):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def pixels_of(app, obj):
    x, y, w, h = fresh(obj).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return [p for row in screen_pixels(app.display, x + 2, y + 2, w - 4, h - 4) for p in row]


def background(pixels):
    return max(set(pixels), key=pixels.count)


def text_contrast(app, obj):
    """The contrast of the control's text with its background: its most common colour against the
    colour furthest from it."""
    pixels = pixels_of(app, obj)
    back = background(pixels)
    return max(contrast(back, p) for p in pixels), back


def test_a_dark_desktop_palette_leaves_the_dialog_light_and_readable(lanspry, config_dir):
    if not shutil.which("qt6ct"):
        pytest.fail("qt6ct is not installed (Debian package qt6ct); run 'make deps'", pytrace=False)
    settings = f"{config_dir}/qt6ct"
    import os
    os.makedirs(settings, exist_ok=True)
    with open(f"{settings}/qt6ct.conf", "w", encoding="utf-8") as f:
        f.write(f"[Appearance]\ncolor_scheme_path={DARKER}\ncustom_palette=true\nstyle=Fusion\n")
    app = lanspry(env={"QT_QPA_PLATFORMTHEME": "qt6ct"})

    send = app.control(ROLE_BUTTON, "发 送")
    assert not is_enabled(send), "with no channel open 发 送 is disabled"
    ratio, back = text_contrast(app, send)


    assert ratio >= 4.5, f"disabled 发 送 reads at {ratio:.2f}:1 on {back}"

    edit = app.control(ROLE_TEXT, "发送")
    base = background(pixels_of(app, edit))
    assert luminance(base) > 0.8, f"the send box is {base}, not light like the dialog"
    app.close_by_window_manager()
    assert app.wait_exit() == 0
