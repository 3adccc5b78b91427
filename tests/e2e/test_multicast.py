"""Multicast loop-back, only inside the private network namespace that tests/in_netns.sh makes, so
no group traffic ever leaves this machine's own namespace."""
import os
import pathlib
import socket

import pytest

from atspi_driver import ROLE_BUTTON, press
from peers import free_port
from xsession import wait_until

GROUP = "239.1.2.3"
GROUP_IN_IGMP = "030201EF"  # as /proc/net/igmp prints 239.1.2.3


def in_private_namespace():
    if os.environ.get("LANSPRY_NETNS") != "1":
        return False
    lines = pathlib.Path("/proc/net/dev").read_text().strip().splitlines()
    return len(lines) == 3 and lines[2].strip().startswith("lo:")


pytestmark = pytest.mark.skipif(not in_private_namespace(),
                                reason="needs the private network namespace of tests/in_netns.sh (ctest e2e_multicast)")


def joined():
    return GROUP_IN_IGMP in pathlib.Path("/proc/net/igmp").read_text()


def test_multicast_datagrams_loop_back_to_the_dialog(lanspry):
    app = lanspry()
    port = free_port(socket.SOCK_DGRAM)
    app.open_channel(2, GROUP, port, local_port=port)
    assert joined()
    app.send("group hello")
    app.wait_text("接收", "group hello")
    app.wait_text("接收:", "11")
    assert app.text("发送:") == "11"
    press(app.control(ROLE_BUTTON, "关 闭"))
    app.wait_caption("创 建")
    wait_until(lambda: not joined(), 5, what="the group to be left")
