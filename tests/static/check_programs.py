"""Checks what our Windows programs carry for a bare Windows: the machine
type, imports limited to system DLLs and TZ415API.dll, the asInvoker
manifest naming no supported operating systems, and the version resource;
and what a release may not carry: a debug section, a path of the build
machine, a time stamp other than SOURCE_DATE_EPOCH.

Usage: check_programs.py --objdump OBJDUMP --bits 32|64 --version VERSION
                         --epoch SECONDS BUILD_DIR
"""
import argparse
import os
import re
import struct
import subprocess
import sys

SOURCE = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# The programs we ship; each is checked when its build has made it.
PROGRAMS = {
    "updater": ["Quillet{bits}.exe"],
    "launcher": ["Quillet.exe"],
    "standins/filterinst": ["TZ415FilterInst.exe"],
    # Only reads a kit: it must run where TZ415API.dll is missing.
    "checker": ["QuilletCheck{bits}.exe"],
}
REQUIRED = {"Quillet{bits}.exe", "QuilletCheck{bits}.exe"}

SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "advapi32.dll", "user32.dll"}
MAKER_DLLS = {"tz415api.dll"}
# The checker's bundle names each program's signature and its signer.
CHECKER_DLLS = {"wintrust.dll", "crypt32.dll"}

# The roots a path of a build machine starts from: the toolchain's headers,
# a distribution's build folder, a home or temporary folder.
MACHINE_PATH = re.compile(
    rb"(?<![\w.~-])/(?:usr|build|builds|home|tmp|root|opt|var|srv|mnt)/[\w.+-][\w.+/-]*")


def objdump(tool, *args):
    return subprocess.run([tool, *args], check=True, stdout=subprocess.PIPE,
                          text=True).stdout


def resource_bytes(tool, path):
    data = bytearray()
    for line in objdump(tool, "-s", "-j", ".rsrc", path).splitlines():
        m = re.match(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if m:
            data += bytes.fromhex(m.group(1).replace(" ", ""))
    return bytes(data)


def pe_time_stamp(data):
    """The COFF header's TimeDateStamp, after the "PE\\0\\0" signature."""
    at = struct.unpack_from("<I", data, 0x3c)[0]
    return struct.unpack_from("<I", data, at + 8)[0]


def folder_forms(folder):
    """A folder as a program could carry it: as text, in UTF-16 as Windows
    keeps text, and as dlltool makes a symbol of it (every character but a
    letter or digit an underscore)."""
    text = folder.encode()
    return {text, folder.encode("utf-16-le"), re.sub(rb"[^A-Za-z0-9]", b"_", text)}


def release_problems(tool, path, epoch, folders):
    problems = []
    sections = re.findall(r"^\s*\d+ (\S+)", objdump(tool, "-h", path), re.M)
    debug = [name for name in sections if name.startswith((".debug", ".zdebug"))]
    if debug:
        problems.append("carries debug sections: " + " ".join(debug))
    with open(path, "rb") as f:
        data = f.read()
    # Removing an Authenticode signature leaves the program padded to 8.
    if len(data) % 8:
        problems.append("%d bytes, not a multiple of 8: unsigned again, it would not be "
                        "the program built" % len(data))
    if pe_time_stamp(data) != epoch:
        problems.append("time stamp %d, not SOURCE_DATE_EPOCH %d" % (pe_time_stamp(data), epoch))
    for folder in folders:
        if any(form in data for form in folder_forms(folder)):
            problems.append("carries the path " + folder)
    for found in sorted(set(MACHINE_PATH.findall(data))):
        problems.append("carries a path of the build machine: " + found.decode())
    return problems


def check(tool, bits, path, may_import_maker, version, may_import=frozenset()):
    problems = []
    headers = objdump(tool, "-p", path)
    fmt = "pei-i386" if bits == 32 else "pei-x86-64"
    if "file format " + fmt not in headers:
        problems.append("not a %s program" % fmt)
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
    allowed = SYSTEM_DLLS | (MAKER_DLLS if may_import_maker else set()) | may_import
    for dll in sorted(imports - allowed):
        problems.append("imports " + dll)
    rsrc = resource_bytes(tool, path)
    manifest = re.search(rb"<assembly.*?</assembly>", rsrc, re.S)
    if not manifest:
        problems.append("no manifest")
    else:
        text = manifest.group(0)
        if not re.search(rb'requestedExecutionLevel\s+level="asInvoker"\s+uiAccess="false"', text):
            problems.append("manifest does not ask for asInvoker without uiAccess")
        if b"supportedOS" in text:
            problems.append("manifest names supported operating systems")
    for key, value in (("ProductName", "Quillet"), ("ProductVersion", version)):
        wide = (key + "\0").encode("utf-16-le")
        at = rsrc.find(wide)
        if at < 0:
            problems.append("version resource lacks " + key)
            continue
        tail = rsrc[at + len(wide):at + len(wide) + 64]
        if (value + "\0").encode("utf-16-le") not in tail:
            problems.append("%s is not %s" % (key, value))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    parser.add_argument("--version", required=True, help="the project version, as project() gives it")
    parser.add_argument("--epoch", type=int, required=True,
                        help="the SOURCE_DATE_EPOCH the build stamps its programs with")
    parser.add_argument("build")
    args = parser.parse_args()
    folders = sorted({SOURCE, os.path.realpath(args.build)})
    failed = False
    for folder, names in PROGRAMS.items():
        for pattern in names:
            name = pattern.format(bits=args.bits)
            path = os.path.join(args.build, folder, name)
            if not os.path.exists(path):
                if pattern in REQUIRED:
                    print("MISSING %s" % path)
                    failed = True
                continue
            problems = check(args.objdump, args.bits, path, folder == "updater", args.version,
                             CHECKER_DLLS if folder == "checker" else frozenset())
            problems += release_problems(args.objdump, path, args.epoch, folders)
            print("%s %s%s" % ("FAIL" if problems else "ok", name,
                               "".join("\n  - " + p for p in problems)))
            failed |= bool(problems)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
