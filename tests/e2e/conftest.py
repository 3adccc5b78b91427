"""The suite's own display and accessibility bus, and a Lanspry started fresh for each test."""
import os
import tempfile

import pytest

from xsession import Display


@pytest.fixture(scope="session")
def display():
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        pytest.fail("no D-Bus session: run the suite under dbus-run-session (ctest does)", pytrace=False)
    try:
        d = Display()
    except RuntimeError as error:
        pytest.fail(f"the display server cannot start: {error}", pytrace=False)
    os.environ["DISPLAY"] = d.name
    yield d
    d.close()


@pytest.fixture(scope="session")
def accessibility(display):
    from atspi_driver import desktop
    try:
        return desktop()
    except RuntimeError as error:
        pytest.fail(str(error), pytrace=False)


@pytest.fixture
def config_dir():
    with tempfile.TemporaryDirectory(prefix="lanspry-e2e-") as d:
        yield d


@pytest.fixture
def lanspry(display, accessibility, config_dir):
    """Starts Lanspry; every one started is ended by its process id when the test is done."""
    from atspi_driver import Dialog
    started = []

    def start(config=None, exe=None, env=None):
        dialog = Dialog(display, config or config_dir, exe=exe, env=env)
        started.append(dialog)
        return dialog

    yield start
    for dialog in started:
        dialog.end()
