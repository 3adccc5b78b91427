"""Lanspry as a desktop installs it: the files `cmake --install` and the Debian package put in
place, their validity, and the installed program starting from there."""
import os
import pathlib
import shutil
import subprocess
import tempfile

import pytest

APP_ID = "org.lanspry.Lanspry"
VERSION = os.environ.get("LANSPRY_VERSION", "1.0.0.12")
ICON_SIZES = [16, 24, 32, 48, 64, 128, 256]
INSTALLED = [
    "bin/lanspry",
    f"share/applications/{APP_ID}.desktop",
    f"share/metainfo/{APP_ID}.metainfo.xml",
    "share/man/man1/lanspry.1.gz",
    "share/doc/lanspry/copyright",
    "share/doc/lanspry/changelog.gz",
    f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    # The cue player, loaded with the first cue; this build's library folder is lib.
    "lib/lanspry/lanspry-sound.so",
] + [f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES]


def build_dir():
    path = os.environ.get("LANSPRY_BUILD_DIR")
    if not path:
        pytest.fail("LANSPRY_BUILD_DIR must name the build folder (ctest sets it)", pytrace=False)
    return pathlib.Path(path)


def run(*argv, **kwargs):
    result = subprocess.run(argv, capture_output=True, text=True, timeout=120, **kwargs)
    assert result.returncode == 0, f"{' '.join(map(str, argv))} failed:\n{result.stdout}\n{result.stderr}"
    return result.stdout


@pytest.fixture(scope="module")
def prefix():
    with tempfile.TemporaryDirectory(prefix="lanspry-install-") as d:
        run("cmake", "--install", str(build_dir()), "--prefix", d)
        yield pathlib.Path(d)


def test_install_puts_every_file_in_place(prefix):
    missing = [f for f in INSTALLED if not (prefix / f).is_file()]
    assert not missing, f"not installed: {missing}"
    assert os.access(prefix / "bin/lanspry", os.X_OK)


def test_desktop_entry_and_metadata_are_valid(prefix):
    run("desktop-file-validate", str(prefix / f"share/applications/{APP_ID}.desktop"))
    run("appstreamcli", "validate", "--no-net", str(prefix / f"share/metainfo/{APP_ID}.metainfo.xml"))
    metainfo = (prefix / f"share/metainfo/{APP_ID}.metainfo.xml").read_text()
    assert f'<release version="{VERSION}"' in metainfo


def test_installed_program_starts_and_shows_its_dialog(prefix, lanspry):
    app = lanspry(exe=str(prefix / "bin/lanspry"))
    assert app.main.name == f"Lanspry-{VERSION}"  # read from the installed program file itself
    app.close_by_window_manager()
    assert app.wait_exit() == 0


def test_debian_package_holds_everything_and_lintian_finds_no_error(tmp_path):
    run("cpack", "-G", "DEB", "-B", str(tmp_path), cwd=build_dir())
    debs = list(tmp_path.glob(f"lanspry_{VERSION}_*.deb"))
    assert len(debs) == 1, f"no package in {list(tmp_path.iterdir())}"
    listing = run("dpkg-deb", "-c", str(debs[0]))
    for f in INSTALLED:
        assert f"./usr/{f}" in listing, f"the package lacks /usr/{f}"
    fields = run("dpkg-deb", "-f", str(debs[0]), "Section", "Depends")
    assert "Section: net" in fields and "fonts-arphic-uming" in fields
    if shutil.which("lintian"):
        run("lintian", "--fail-on", "error", str(debs[0]))
    else:
        pytest.fail("lintian is not installed (Debian package lintian); run 'make deps'", pytrace=False)
