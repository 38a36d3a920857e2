"""Runs the Windows programs under Wine for the end-to-end tests: the
programs' places in a build, folders laid out the way an end user's would
be (every run gets its own, so tests can run side by side), a console for
control events, and the shared prefix's registry. Wine itself, its settings,
the prefix and its server, comes from scripts/wine_env.py.
"""
import hashlib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

import wine_env as wine_settings  # noqa: E402
from wine_env import BITS, BUILD, SOURCE, UNAVAILABLE, WINE, wine_env  # noqa: E402
from wine_env import run as wine_run  # noqa: E402

# The prefix's registry, which the test modules reach through this module.
PREFIX = wine_settings.PREFIX
USB_CLASS_KEY = wine_settings.USB_CLASS_KEY
reg = wine_settings.reg
register_driver = wine_settings.register_driver
set_upper_filters = wine_settings.set_upper_filters
upper_filters = wine_settings.upper_filters
upper_filters_value = wine_settings.upper_filters_value

ARCH = "x86" if BITS == 32 else "x64"
UPDATER_NAME = "Quillet%d.exe" % BITS
UPDATER = os.path.join(BUILD, "updater", UPDATER_NAME)
SIM_DLL = os.path.join(BUILD, "standins", "sim", "TZ415API.dll")
INSTALLER = os.path.join(BUILD, "standins", "filterinst", "TZ415FilterInst.exe")
LAUNCHER = os.path.join(BUILD, "launcher", "Quillet.exe")
SEND_CTRL = os.path.join(BUILD, "tests", "send_ctrl.exe")
SHA256_PROBE = os.path.join(BUILD, "tests", "sha256_probe.exe")
WIN32_COMMON_PROBE = os.path.join(BUILD, "tests", "win32_common_probe.exe")
EXIT_STATUS = os.path.join(BUILD, "tests", "exit_status.exe")
MAKE_IMAGE = os.path.join(SOURCE, "standins", "imagemaker", "make_image.py")
DEMO_KIT = os.path.join(BUILD, "kit", "demo")
DEMO_DESCRIPTION = os.path.join(SOURCE, "kit", "demo", "TZ415Sim.ini")


def require_programs():
    """Ends a test module's loading as skipped, with the reason, when the
    prefix's preparation found that this machine cannot run programs of this
    bitness at all. ctest reports such a module as skipped."""
    if os.path.exists(UNAVAILABLE):
        with open(UNAVAILABLE) as f:
            raise unittest.SkipTest(f.read().strip())


# ---- Running programs -------------------------------------------------------

# Every module runs on a prefix of its own, so modules side by side never
# meet in one another's locks or registry.
if not os.path.exists(UNAVAILABLE):
    wine_settings.own_prefix()


def run(program, args=(), cwd=None, env=None, stdin=b"", timeout=120):
    """wine_env.run."""
    return wine_run(program, args, cwd=cwd, env=env, stdin=stdin, timeout=timeout)


RECORD_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Quillet"


def forget_record():
    """Deletes what unattended runs keep under HKLM\\SOFTWARE\\Quillet."""
    reg("delete", RECORD_KEY, "/f", "/reg:64")


def run_on_console(program, args=(), cwd=None, env=None, keys=b"\r", timeout=180):
    """Runs a Windows program on a console of its own (a pseudo-terminal), as
    console control events need one. `keys` wait in the console's input for
    whoever reads it (a final PAUSE). Returns (exit status, the screen's text:
    cursor moves to the right as blanks, other terminal sequences and
    carriage returns removed)."""
    # A wide terminal, so that no line of ours is wrapped.
    command = "stty cols 400; " + " ".join(shlex.quote(a) for a in [WINE, program, *args])
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


def sha256_hex(data):
    """The digest a list names, from Python's own hash: the updater's is the
    system's, so the two are independent."""
    return hashlib.sha256(data).hexdigest()


def crlf(text):
    """What the C runtime's text-mode stdout makes of a program's text."""
    return text.replace("\n", "\r\n").encode("latin-1")


# ---- Folders to run in ------------------------------------------------------

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
        return run(os.path.join(self.path, UPDATER_NAME), args, cwd=self.path, env=env,
                   stdin=stdin)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class DemoKit:
    """A copy of this build's demo kit (build/<preset>/kit/demo) in a folder of
    its own, every simulated hub in its first state. Under Wine the launcher
    takes the x64 path, so `hubs` is the x64 folder."""

    def __init__(self):
        if not os.path.isdir(os.path.join(DEMO_KIT, "x64")):
            raise AssertionError("no x64 folder in the demo kit %s: build the kit_demo target"
                                 " (of the 64-bit build first, for a 32-bit kit)" % DEMO_KIT)
        self.root = tempfile.mkdtemp(prefix="quillet-kit-")
        self.path = os.path.join(self.root, "kit", "demo")
        shutil.copytree(DEMO_KIT, self.path)
        for arch in ("x86", "x64"):
            folder = os.path.join(self.path, arch)
            if not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                if name.endswith((".flash", ".tmp")):
                    os.remove(os.path.join(folder, name))
            shutil.copy(DEMO_DESCRIPTION, os.path.join(folder, "TZ415Sim.ini"))
        # A kit in its first state is a computer no unattended run has left
        # a record on: a record of an earlier test's run would show the
        # hubs, back in their first state, as waiting for a power cycle.
        forget_record()

    def hubs(self, *names):
        return os.path.join(self.path, "x64", *names)

    def description(self):
        return self.hubs("TZ415Sim.ini")

    def set_hub_key(self, section, key, value):
        """Adds or replaces one key of a hub's section in the description."""
        with open(self.description(), newline="") as f:
            lines = f.read().split("\n")
        out, in_section, done = [], False, False
        for line in lines:
            if line.strip().startswith("["):
                if in_section and not done:
                    out.append("%s=%s" % (key, value))
                    done = True
                in_section = line.strip() == "[%s]" % section
            elif in_section and line.split("=")[0].strip() == key:
                line, done = "%s=%s" % (key, value), True
            out.append(line)
        if in_section and not done:
            out.append("%s=%s" % (key, value))
        with open(self.description(), "w", newline="") as f:
            f.write("\n".join(out))

    def firmware_versions(self):
        """FirmwareVersion of Hub1, Hub2 and Hub3 as the description holds them."""
        versions, section = {}, None
        with open(self.description()) as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    section = line[1:-1]
                elif line.startswith("FirmwareVersion="):
                    versions[section] = line.split("=", 1)[1]
        return [versions.get("Hub%d" % i) for i in (1, 2, 3)]

    def launch(self, args=(), env=None):
        return run(os.path.join(self.path, "Quillet.exe"), args, cwd=self.path, env=env,
                   timeout=180)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class WineTestCase(unittest.TestCase):
    def folder(self):
        f = UpdaterFolder()
        self.addCleanup(f.remove)
        return f

    def kit(self):
        k = DemoKit()
        self.addCleanup(k.remove)
        return k


require_programs()
