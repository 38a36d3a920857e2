"""Runs the Windows programs under Wine for the end-to-end tests.

The build directory of the 64-bit programs comes from QUILLET_BUILD, the
source tree from QUILLET_SOURCE. Every run gets its own folder, laid out the
way an end user's would be, so tests can run side by side.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("QUILLET_SOURCE",
                        os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("QUILLET_BUILD", os.path.join(SOURCE, "build", "win64"))
PREFIX = os.path.join(BUILD, "wineprefix")

UPDATER = os.path.join(BUILD, "updater", "Quillet64.exe")
SIM_DLL = os.path.join(BUILD, "sim", "TZ415API.dll")
INSTALLER = os.path.join(BUILD, "filterinst", "TZ415FilterInst.exe")
LAUNCHER = os.path.join(BUILD, "launcher", "Quillet.exe")
SEND_CTRL = os.path.join(BUILD, "tests", "send_ctrl.exe")
MAKE_IMAGE = os.path.join(SOURCE, "imagemaker", "make_image.py")

USB_CLASS_KEY = (r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class"
                 r"\{36FC9E60-C465-11CF-8056-444553540000}")


def wine_env(extra=None):
    env = dict(os.environ)
    env.update({
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        "WINEPREFIX": PREFIX,
    })
    if extra:
        env.update(extra)
    return env


def prepare():
    """Creates the prefix once and keeps a wineserver running for it."""
    env = wine_env()
    # A persistent server left by an interrupted run would never end by
    # itself, so end it and start afresh.
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    subprocess.run(["wineserver", "-w"], env=env, check=False, timeout=120)
    subprocess.Popen(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                     start_new_session=True)
    # The prefix's services start with the first program and outlive it; they
    # must not inherit a test's pipes, or reading its output never ends.
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   start_new_session=True, check=False)


def shutdown():
    subprocess.run(["wineserver", "-k"], env=wine_env(), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)


def run(program, args=(), cwd=None, env=None, stdin=b"", timeout=120):
    """Runs a Windows program; returns (exit status, stdout bytes, stderr bytes)."""
    result = subprocess.run(["wine", program, *args], cwd=cwd, env=wine_env(env),
                            input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=timeout)
    return result.returncode, result.stdout, result.stderr


def run_on_console(program, args=(), cwd=None, env=None, keys=b"\r", timeout=180):
    """Runs a Windows program on a console of its own (a pseudo-terminal), as
    console control events need one. `keys` wait in the console's input for
    whoever reads it (a final PAUSE). Returns (exit status, the screen's text:
    cursor moves to the right as blanks, other terminal sequences and
    carriage returns removed)."""
    # A wide terminal, so that no line of ours is wrapped.
    command = "stty cols 400; " + " ".join(shlex.quote(a) for a in ["wine", program, *args])
    result = subprocess.run(["script", "-qec", command, "/dev/null"], cwd=cwd,
                            env=wine_env(env), input=keys,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
    text = result.stdout.decode("latin-1")
    text = re.sub(r"\x1b\[(\d*)C", lambda m: " " * int(m.group(1) or 1), text)
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07", "", text).replace("\r", "")
    return result.returncode, text


def make_image(directory, name, description):
    """Writes directory/NAME.BIN from an image description."""
    os.makedirs(directory, exist_ok=True)
    source = os.path.join(directory, name + ".image")
    with open(source, "w") as f:
        f.write(description)
    subprocess.run([sys.executable, MAKE_IMAGE, "-o", directory, source], check=True)
    os.remove(source)
    return os.path.join(directory, name + ".BIN")


def reg(*args):
    """Runs Wine's reg.exe in the shared prefix."""
    return subprocess.run(["wine", "reg", *args], env=wine_env(), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, check=False)


USB_CLASS_KEY_NAME = "UpperFilters"


def set_upper_filters(filters):
    """Writes the USB class's UpperFilters; None deletes the value."""
    if filters is None:
        reg("delete", USB_CLASS_KEY, "/v", USB_CLASS_KEY_NAME, "/f")
    else:
        result = reg("add", USB_CLASS_KEY, "/v", USB_CLASS_KEY_NAME, "/t", "REG_MULTI_SZ",
                     "/d", "\\0".join(filters), "/f")
        # A test must not go on from a state it failed to stage.
        if result.returncode != 0:
            raise RuntimeError("reg add failed (%d): %r" % (result.returncode,
                                                           result.stdout + result.stderr))


def register_driver():
    """The state most tests start from: tz415filter registered."""
    set_upper_filters(["tz415filter"])


def crlf(text):
    """What the C runtime's text-mode stdout makes of a program's text."""
    return text.replace("\n", "\r\n").encode("latin-1")


class UpdaterFolder:
    """A working folder holding the updater and the simulator library."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="quillet-e2e-")
        shutil.copy(UPDATER, self.path)
        shutil.copy(SIM_DLL, self.path)

    def write(self, name, data):
        full = os.path.join(self.path, *name.replace("\\", "/").split("/"))
        os.makedirs(os.path.dirname(full), exist_ok=True)
        mode = "wb" if isinstance(data, bytes) else "w"
        with open(full, mode, newline="" if mode == "w" else None) as f:
            f.write(data)
        return full

    def run(self, args=("QRZ",), env=None, stdin=b""):
        return run(os.path.join(self.path, "Quillet64.exe"), args, cwd=self.path, env=env,
                   stdin=stdin)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class WineTestCase(unittest.TestCase):
    def folder(self):
        f = UpdaterFolder()
        self.addCleanup(f.remove)
        return f


if __name__ == "__main__":
    {"--prepare": prepare, "--shutdown": shutdown}[sys.argv[1]]()
