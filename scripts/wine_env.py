"""Wine as our programs run under it: the one place that knows how Wine is
set up here. The end-to-end tests (tests/e2e/harness.py), the demo, the
benchmarks and scripts/wine-wow64 all take Wine from this tool.

QUILLET_BUILD names the build folder of the programs to run, QUILLET_BITS
their bitness (32 or 64, default 64), QUILLET_SOURCE the source tree. The
64-bit programs run under Debian's wine. The 32-bit ones run in Wine's wow64
mode, under the private tree that scripts/wine-wow64 assembles.

    wine_env.py --prepare      make the prefix, start its server, prove that
                               a program of this bitness prints
    wine_env.py --shutdown     stop the prefix's server
    wine_env.py --env          the settings as shell assignments, for scripts
    wine_env.py --wow64-tree   where the private Wine tree lives
    wine_env.py --scale-test-list FILE
                               each time limit of a ctest list (a build's
                               CTestTestfile.cmake) QUILLET_TIME_SCALE times
                               its own

QUILLET_TIME_SCALE (default 1) says how many times as long as here our
programs may take: the emulated guest of scripts/vm32 sets it, and every
time limit this tool applies or gives to a test list scales with it.
"""
import errno
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile

SOURCE = os.environ.get("QUILLET_SOURCE",
                        os.path.abspath(os.path.join(os.path.dirname(__file__), "..")))
BITS = int(os.environ.get("QUILLET_BITS") or 64)
BUILD = os.environ.get("QUILLET_BUILD") or os.path.join(SOURCE, "build", "win%d" % BITS)
BASE_PREFIX = os.path.join(BUILD, "wineprefix")
# A test module's prefix of its own (QUILLET_WINEPREFIX, set by ctest for
# each end-to-end module): its own wineserver, so its own kernel objects and
# registry, as two computers are apart. Made from the prepared one by
# own_prefix().
PREFIX = os.environ.get("QUILLET_WINEPREFIX") or BASE_PREFIX
# Where the prefix's preparation leaves its reason when programs of this
# bitness cannot run on this machine at all.
UNAVAILABLE = BASE_PREFIX + ".unavailable"
# One line for each run that Wine ended with status 1 and no output and that
# was made once more (see run()); --prepare empties it, scripts/test counts it.
RETRIES = os.path.join(BUILD, "wine-retries.log")
BITNESS_PROBE = os.path.join(BUILD, "tests", "bitness_probe.exe")

TIME_SCALE = int(os.environ.get("QUILLET_TIME_SCALE") or 1)

USB_CLASS_KEY = (r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class"
                 r"\{36FC9E60-C465-11CF-8056-444553540000}")


def wow64_tree():
    cache = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.environ.get("QUILLET_WOW64_TREE") or os.path.join(cache, "quillet", "wine-wow64")


if BITS == 32:
    WINE = os.path.join(wow64_tree(), "usr", "lib", "wine", "wine64")
    WINESERVER = os.path.join(wow64_tree(), "usr", "lib", "wine", "wineserver")
else:
    WINE, WINESERVER = "wine", "wineserver"

SETTINGS = {
    "WINEPREFIX": PREFIX,
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
}
if BITS == 32:
    # The loader that starts a program's children: the tree's, or a child
    # would find Debian's, which has no 32-bit DLLs.
    SETTINGS["WINELOADER"] = WINE


def wine_env(extra=None):
    env = dict(os.environ)
    env.update(SETTINGS)
    if extra:
        env.update(extra)
    return env


def limit(seconds):
    """A time limit set for this machine, as it holds where programs run
    TIME_SCALE times as long."""
    return seconds * TIME_SCALE


def scale_test_list(path):
    with open(path) as f:
        text = f.read()
    text = re.sub(r'TIMEOUT "(\d+)"', lambda m: 'TIMEOUT "%d"' % limit(int(m.group(1))), text)
    with open(path, "w") as f:
        f.write(text)
    return 0


def quiet(argv, **kwargs):
    return subprocess.run(argv, env=wine_env(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False,
                          **kwargs)


# ---- Preparing the prefix ---------------------------------------------------

def wow64_probe():
    """A 64-bit Linux program that does what Wine's wow64 mode needs of the
    kernel: it jumps into the kernel's 32-bit code segment and, from there,
    ends itself with status 42 through int 0x80, the 32-bit system call."""
    base = 0x400000
    entry = base + 64 + 56
    far_pointer, code32 = entry + 7, entry + 13
    code = (bytes([0xFF, 0x2C, 0x25]) + struct.pack("<I", far_pointer)  # jmp far [far_pointer]
            + struct.pack("<IH", code32, 0x23)                          # 32-bit user code
            + bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80]))  # exit(42)
    ident = b"\x7fELF" + bytes([2, 1, 1]) + bytes(9)
    elf = ident + struct.pack("<HHIQQQIHHHHHH", 2, 62, 1, entry, 64, 0, 0, 64, 56, 1, 0, 0, 0)
    size = entry - base + len(code)
    elf += struct.pack("<IIQQQQQQ", 1, 5, 0, base, base, size, size, 0x1000)
    return elf + code


def kernel_runs_32_bit_code():
    """Wine 8's wow64 mode needs the kernel's 32-bit emulation: its ntdll.so
    asks for the 32-bit thread area through int 0x80, and the 32-bit code
    segment is the kernel's. A kernel without it ends the probe with a
    fault. The probe is a 64-bit program, as Wine's loader is: a 32-bit one
    would also run where an emulator is registered for 32-bit programs
    (binfmt_misc), which Wine cannot use."""
    with tempfile.TemporaryDirectory(prefix="quillet-wow64-") as d:
        path = os.path.join(d, "probe")
        with open(path, "wb") as f:
            f.write(wow64_probe())
        os.chmod(path, 0o755)
        try:
            return subprocess.run([path], check=False).returncode == 42
        except OSError as e:
            if e.errno == errno.ENOEXEC:
                return False
            raise


def make_prefix():
    """A prefix made by the loader of this bitness: the 32-bit programs
    need its syswow64, which a prefix made without the 32-bit DLLs lacks."""
    syswow64 = os.path.join(PREFIX, "drive_c", "windows", "syswow64")
    if BITS == 32 and os.path.isdir(PREFIX) and not (os.path.isdir(syswow64)
                                                     and os.listdir(syswow64)):
        shutil.rmtree(PREFIX)
    quiet([WINE, "wineboot", "-i"])
    quiet([WINESERVER, "-w"], timeout=limit(120))


def prove_bitness():
    """Runs a small program of this bitness and checks what it prints: a
    Wine that cannot run a program does not always end it with a failing
    status, so only the text shows that it ran."""
    expected = b"pointer bits %d, wow64 %d\r\n" % (BITS, 1 if BITS == 32 else 0)
    status, out, err = run(BITNESS_PROBE)
    if out != expected:
        return ("a %d-bit program does not run under %s (it printed %r, status %d; "
                "stderr %r)" % (BITS, WINE, out[:80], status, err[-200:]))
    return None


def prepare():
    """Creates the prefix once, keeps a wineserver running for it, and
    proves that a program of this bitness runs and prints."""
    for stale in (UNAVAILABLE, RETRIES):
        if os.path.exists(stale):
            os.remove(stale)
    if BITS == 32:
        if not kernel_runs_32_bit_code():
            reason = ("32-bit Windows programs cannot run here: this kernel has no 32-bit "
                      "emulation, which Wine's wow64 mode needs")
            os.makedirs(BUILD, exist_ok=True)
            with open(UNAVAILABLE, "w") as f:
                f.write(reason + "\n")
            print(reason)
            return 0
        # Assembled by scripts/install-deps, never here: a tree that has lost
        # its 32-bit DLLs must fail the tests, not be mended under them.
        if not os.path.exists(WINE):
            print("wine_env: no Wine tree for 32-bit programs in %s: run scripts/install-deps"
                  % wow64_tree(), file=sys.stderr)
            return 1
    # A persistent server left by an interrupted run would never end by
    # itself, so end it and start afresh.
    quiet([WINESERVER, "-k"])
    make_prefix()
    quiet([WINESERVER, "-p"], start_new_session=True)
    # The prefix's services start with the first program and outlive it; they
    # must not inherit a test's pipes, or reading its output never ends.
    quiet([WINE, "cmd", "/c", "exit"], start_new_session=True)
    problem = prove_bitness() if os.path.exists(BITNESS_PROBE) else (
        "no %s: build the %d-bit programs first" % (BITNESS_PROBE, BITS))
    if problem:
        print("wine_env: proving the prefix failed: " + problem, file=sys.stderr)
        return 1
    return 0


def shutdown():
    quiet([WINESERVER, "-k"])
    return 0


def own_prefix():
    """Makes PREFIX, when it is a module's own, afresh from the prepared
    prefix, and stops its server when the module ends. The copy is made of
    hard links, which costs next to nothing: Wine writes a prefix's files by
    replacing them, all but its registry files, which are copied."""
    if PREFIX == BASE_PREFIX or not os.path.isdir(BASE_PREFIX):
        return
    import atexit
    shutil.rmtree(PREFIX, ignore_errors=True)
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    subprocess.run(["cp", "-al", BASE_PREFIX, PREFIX], check=True)
    for name in os.listdir(PREFIX):
        if name.endswith(".reg"):
            os.remove(os.path.join(PREFIX, name))
            shutil.copy2(os.path.join(BASE_PREFIX, name), os.path.join(PREFIX, name))
    # A server that stays, as the prepared prefix's does: one that ended
    # after each program would start again, with the prefix's services,
    # for the next one.
    quiet([WINESERVER, "-p"], start_new_session=True)
    quiet([WINE, "cmd", "/c", "exit"], start_new_session=True)
    atexit.register(shutdown)


# ---- Running programs -------------------------------------------------------

def _once_more_if_not_started(command, **kwargs):
    """subprocess.run with both outputs captured, made once more when Wine
    ends the program with status 1 and no output at all (see run)."""
    for attempt in (1, 2):
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                check=False, **kwargs)
        if result.returncode != 1 or result.stdout or result.stderr or attempt == 2:
            break
        what = "%s %s" % (os.path.basename(command[1]), " ".join(command[2:]))
        print("wine_env: Wine ended %s with status 1 and no output, as when it cannot "
              "start a program; running it once more" % what, file=sys.stderr)
        # Kept where scripts/test counts it, as stderr is seen only when a
        # test fails: a count that grows is a change to look into.
        with open(RETRIES, "a") as f:
            f.write(what.rstrip() + "\n")
    return result


def run(program, args=(), cwd=None, env=None, stdin=b"", timeout=120):
    """Runs a Windows program; returns (exit status, stdout bytes, stderr bytes).

    None of our programs ends with status 1 having printed nothing: the
    updater always ends with 0, the launcher ends with 1 only under
    --unattended and then always after a line of its own, and the installer
    and the probe print whenever they fail. Wine 8 now and then ends a
    program that way all the same. What is known: it struck TZ415FilterInst.exe in our
    suite, and once Quillet64.exe with missing settings (where the updater
    prints before anything can fail) in well over a thousand starts of
    another run, so it is no one program's doing; it did not come back when
    that run was repeated, nor in 14 full runs of the 64-bit end-to-end
    suite in a loop, about 950 starts, most of them with Wine's process and
    exception traces on. Its cause is not known, and nothing points at our
    code. So such a run is named on stderr, kept as a line in RETRIES for
    scripts/test to count, and made once more, so that Wine's fault is not
    taken for ours. A launcher's own child cannot be made again this way: a
    launcher test meets it as a failure."""
    result = _once_more_if_not_started([WINE, program, *args], cwd=cwd, env=wine_env(env),
                                       input=stdin, timeout=limit(timeout))
    return result.returncode, result.stdout, result.stderr


# ---- The registry -----------------------------------------------------------

def reg(*args):
    """Runs Wine's reg.exe in the shared prefix."""
    # reg prints a line whenever it fails, so a silent status 1 is Wine's.
    return _once_more_if_not_started([WINE, "reg", *args], env=wine_env())


def upper_filters_value():
    """The USB class's UpperFilters as (type, [strings]), or None when absent."""
    out = reg("query", USB_CLASS_KEY, "/v", "UpperFilters").stdout.decode("latin-1")
    m = re.search(r"UpperFilters\s+(REG_\w+)\s*(.*?)\r?\n", out)
    if not m:
        return None
    return m.group(1), [s for s in m.group(2).split("\\0") if s]


def upper_filters():
    """The USB class's UpperFilters as a list, or None when absent."""
    value = upper_filters_value()
    return value[1] if value else None


def set_upper_filters(filters):
    """Writes the USB class's UpperFilters; None deletes the value."""
    if filters is None:
        reg("delete", USB_CLASS_KEY, "/v", "UpperFilters", "/f")
    else:
        result = reg("add", USB_CLASS_KEY, "/v", "UpperFilters", "/t", "REG_MULTI_SZ",
                     "/d", "\\0".join(filters), "/f")
        # A test must not go on from a state it failed to stage.
        if result.returncode != 0:
            raise RuntimeError("reg add failed (%d): %r" % (result.returncode,
                                                           result.stdout + result.stderr))


def register_driver():
    """The state most runs start from: tz415filter registered."""
    set_upper_filters(["tz415filter"])


def shell_settings():
    names = dict(SETTINGS, QUILLET_WINE=WINE, QUILLET_WINESERVER=WINESERVER)
    return "".join("export %s=%s\n" % (k, shlex.quote(v)) for k, v in names.items())


if __name__ == "__main__":
    actions = {
        "--prepare": prepare,
        "--shutdown": shutdown,
        "--env": lambda: print(shell_settings(), end="") or 0,
        "--wow64-tree": lambda: print(wow64_tree()) or 0,
        "--scale-test-list": lambda: scale_test_list(sys.argv[2]),
    }
    sys.exit(actions[sys.argv[1]]())
