"""Checks what our Windows programs carry for a bare Windows: the machine
type, imports limited to system DLLs and TZ415API.dll, the asInvoker
manifest naming no supported operating systems, and the version resource.

Usage: check_programs.py --objdump OBJDUMP --bits 32|64 BUILD_DIR
"""
import argparse
import os
import re
import subprocess
import sys

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


def check(tool, bits, path, may_import_maker, version):
    problems = []
    headers = objdump(tool, "-p", path)
    fmt = "pei-i386" if bits == 32 else "pei-x86-64"
    if "file format " + fmt not in headers:
        problems.append("not a %s program" % fmt)
    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
    allowed = SYSTEM_DLLS | (MAKER_DLLS if may_import_maker else set())
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
    parser.add_argument("build")
    args = parser.parse_args()
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
            problems = check(args.objdump, args.bits, path, folder == "updater", args.version)
            print("%s %s%s" % ("FAIL" if problems else "ok", name,
                               "".join("\n  - " + p for p in problems)))
            failed |= bool(problems)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
