"""Real peers on free ports of 127.0.0.1, made with socat; each ended by its process id."""
import errno
import shutil
import socket
import subprocess

from xsession import end_process, wait_until


def free_port(kind=socket.SOCK_STREAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def port_taken(port, kind):
    with socket.socket(socket.AF_INET, kind) as s:
        try:
            s.bind(("127.0.0.1", port))
        except OSError as error:
            return error.errno == errno.EADDRINUSE
        return False


def can_connect(port):
    """Whether something accepts TCP connections on the loopback port now."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


class Socat:
    def __init__(self, *addresses, kind=socket.SOCK_STREAM, port=None):
        if not shutil.which("socat"):
            raise RuntimeError("socat is not installed (Debian package socat); run 'make deps'")
        self.port = port
        self.proc = subprocess.Popen(["socat", *addresses], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if port is not None:
            wait_until(lambda: port_taken(port, kind) or self.proc.poll() is not None, 5,
                       what=f"socat to listen on port {port}")
            assert self.proc.poll() is None, self.proc.stderr.read().decode(errors="replace")

    def end(self):
        end_process(self.proc)


def udp_echo():
    port = free_port(socket.SOCK_DGRAM)
    return Socat(f"UDP4-RECVFROM:{port},bind=127.0.0.1,fork", "PIPE", kind=socket.SOCK_DGRAM, port=port)


def tcp_echo():
    port = free_port()
    return Socat(f"TCP4-LISTEN:{port},bind=127.0.0.1,reuseaddr", "PIPE", port=port)
