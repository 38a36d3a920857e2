"""A whole updater run with 16 hubs and 1,000 images under Wine: the
updater's own time (the run less the 3000 ms settle wait and the time spent
inside the library, which the simulator logs) against the whole run, and
the updater's peak resident memory.

Usage: whole_run.py BUILD_DIR WORK_DIR [write ms per hub, default 2000] [images, default 1000]
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

# Wine's settings and the prefix's state come from the Wine tool.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))

HUBS = 16
IMAGES = 1000
SETTLE_MS = 3000


def image(image_id, version):
    data = bytearray(b"\xff" * 28801)  # short layout, exact size
    data[0:4] = bytes([image_id >> 8, image_id & 0xFF, 0x00, 0x00])
    struct.pack_into("<H", data, 8044, version)
    return bytes(data)


def high_water_marks(program, cwd):
    """VmHWM of the processes running `program` in `cwd`: Wine does not
    report a process's peak working set to Windows programs, so Linux is
    asked."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink("/proc/%s/cwd" % pid) != cwd:
                continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                first = f.read().split(b"\0")[0].decode("latin-1")
            if first.replace("\\", "/").split("/")[-1].lower() != program.lower():
                continue
            with open("/proc/%s/status" % pid) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        yield int(line.split()[1])
        except OSError:
            continue


def lay_out(build, work, write_ms, images):
    shutil.rmtree(work, ignore_errors=True)
    binfile = os.path.join(work, "Binfile")
    os.makedirs(binfile)
    shutil.copy(os.path.join(build, "updater", "Quillet64.exe"), work)
    shutil.copy(os.path.join(build, "standins", "sim", "TZ415API.dll"), work)
    shutil.copy(os.path.join(build, "bench", "run_measured.exe"), work)
    with open(os.path.join(work, "SpiFlash.ini"), "w") as f:
        f.write("[TargetID_U3]\n1A2B0D12=0D12\n[HUBName]\nWantuUpdateHUBName=Bench Hub\n"
                "[HUBFWCheck]\nCheckHUBFW=1\n")
    with open(os.path.join(work, "TZ415Sim.ini"), "w") as f:
        for n in range(1, HUBS + 1):
            f.write("[Hub%d]\nVendorId=1A2B\nProductId=0D12\nFirmwareVersion=0001\n"
                    "ChipRevision=10\nChipOptions=00\nDepth=%d\nUpdateMilliseconds=%d\n"
                    % (n, 1 + n % 5, write_ms))
    rejected = image(0x0D13, 0x0100)  # another chip family
    for i in range(images - 1):
        with open(os.path.join(binfile, "IMG%04d.BIN" % i), "wb") as f:
            f.write(rejected)
    # The only image that fits, last in the order the directory is read.
    last = (os.listdir(binfile) or ["FW.BIN"])[-1]
    with open(os.path.join(binfile, last), "wb") as f:
        f.write(image(0x0D12, 0x0100))


def main():
    build, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.environ["QUILLET_BUILD"] = build
    import wine_env
    write_ms = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
    images = int(sys.argv[4]) if len(sys.argv) > 4 else IMAGES
    lay_out(build, work, write_ms, images)
    log = os.path.join(work, "calls.log")
    env = wine_env.wine_env({"TZ415SIM_LOG": log})
    # The updater stops at once without the filter driver, and nothing else
    # may have registered it in this prefix.
    wine_env.register_driver()
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        process = subprocess.Popen([wine_env.WINE, "run_measured.exe", "Quillet64.exe", "QRZ"],
                                   cwd=work, env=env, stdout=stdout, stderr=stderr)
        peak_kb = 0
        while process.poll() is None:
            peak_kb = max([peak_kb] + list(high_water_marks("Quillet64.exe", work)))
            time.sleep(0.02)
        stdout.seek(0)
        stderr.seek(0)
        out = stdout.read().decode("latin-1")
        err = stderr.read().decode("latin-1")
    measured = re.search(r"wall_ms=([\d.]+)", err)
    if not measured or out.count("Updata FW => SUCCESS") != HUBS:
        sys.stderr.write(out[-2000:] + err)
        sys.exit("the bench run did not program every hub")
    wall = float(measured.group(1))
    with open(log) as f:
        library = sum(int(m) for m in re.findall(r" ms=(\d+)$", f.read(), re.M))
    own = wall - SETTLE_MS - library
    print("whole run: %d hubs, %d images, writes of %d ms per hub" % (HUBS, images, write_ms))
    print("run %.0f ms = settle %d ms + library %d ms + updater's own %.0f ms"
          % (wall, SETTLE_MS, library, own))
    print("ratio own/run: %.4f = %.2f%% (goal < 1%%)" % (own / wall, 100 * own / wall))
    print("peak resident memory of the updater's process: %d KiB (Wine's own libraries included)"
          % peak_kb)


if __name__ == "__main__":
    main()
