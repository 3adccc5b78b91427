"""Started where no dialog can be shown: a plain word on stderr and status 1, never an abort."""
import os
import pathlib
import subprocess

import pytest

EXE = os.environ.get("LANSPRY_EXE", "lanspry")


def unused_display():
    n = 97
    while pathlib.Path(f"/tmp/.X11-unix/X{n}").exists() or pathlib.Path(f"/tmp/.X{n}-lock").exists():
        n += 1
    return f":{n}"


def run(env, tmp_path):
    base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    base["XDG_CONFIG_HOME"] = str(tmp_path)
    return subprocess.run([EXE], env={**base, **env}, capture_output=True, text=True, timeout=30)


@pytest.mark.parametrize("env, says", [
    ({}, "no display to show the dialog on (DISPLAY is not set)"),
    ({"DISPLAY": "stale"}, "cannot open the display {DISPLAY} to show the dialog on."),
])
def test_no_display_is_said_plainly(env, says, tmp_path):
    env = {k: unused_display() if v == "stale" else v for k, v in env.items()}
    result = run(env, tmp_path)
    assert result.returncode == 1, (result.returncode, result.stderr)
    assert says.format(**env) in result.stderr
    assert "Reinstalling" not in result.stderr
    assert "platform plugin" not in result.stderr
