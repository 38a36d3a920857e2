#!/usr/bin/env python3
"""Signs the programs we ship in a laid-out release kit with the packager's
key (Authenticode, through osslsigncode), and verifies every signature
before any program in the kit is replaced.

Usage: sign.py [options] KIT

KIT is the release kit's root folder. Its five programs (PROGRAMS below)
are signed; the maker's library, installer and images are theirs and are
never touched. The key is named by options or by the environment variables
beside them (an option wins); docs/packaging.md has examples:

  --pkcs12 FILE          QUILLET_SIGN_PKCS12         a PKCS#12 file: key and certificates
  --password-file FILE   QUILLET_SIGN_PASSWORD_FILE  its password, the file's first line
  --password-env NAME    QUILLET_SIGN_PASSWORD_ENV   the environment variable holding it
  --pkcs11-module LIB    QUILLET_SIGN_PKCS11_MODULE  a token's PKCS#11 library
  --key-uri URI          QUILLET_SIGN_KEY_URI        the key's pkcs11: URI on that token
  --cert FILE            QUILLET_SIGN_CERT           the token key's certificate and chain, PEM
  --pin-file FILE        QUILLET_SIGN_PIN_FILE       the token's PIN, the file's first line
  --pin-env NAME         QUILLET_SIGN_PIN_ENV        the environment variable holding it
  --timestamp-url URL    QUILLET_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping service
  --ca-file FILE         QUILLET_SIGN_CA_FILE        what verification trusts, for the
                                                     signer and the time stamp (default:
                                                     osslsigncode's, the system's roots)

A password or PIN never appears on a command line, ours or osslsigncode's,
where the process list shows it: osslsigncode reads the file itself, or
its standard input from the variable. SOURCE_DATE_EPOCH, when set, is the
signatures' signing time, so that an RSA key signs the same bytes twice
alike.

Exit status: 0 when all five programs are signed and verify, or when no key
is named (nothing is signed); 1 when the key cannot be used or a signature
does not verify, and then no program in the kit has changed; 2 when the
options are wrong. Either way it prints one line: on standard output what
it did, on standard error why it stopped.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

PROGRAMS = ("Quillet.exe", "x86/Quillet32.exe", "x64/Quillet64.exe",
            "Tools/QuilletCheck32.exe", "Tools/QuilletCheck64.exe")

# (option, environment variable): each setting's two names.
SETTINGS = (("pkcs12", "PKCS12"), ("password-file", "PASSWORD_FILE"),
            ("password-env", "PASSWORD_ENV"), ("pkcs11-module", "PKCS11_MODULE"),
            ("key-uri", "KEY_URI"), ("cert", "CERT"), ("pin-file", "PIN_FILE"),
            ("pin-env", "PIN_ENV"), ("timestamp-url", "TIMESTAMP_URL"), ("ca-file", "CA_FILE"))

# Each kind of key: what it is called, the settings it needs, and the
# settings that are its alone, any of which names it.
KINDS = {
    "pkcs12": ("a PKCS#12 key", ("pkcs12",), ("pkcs12", "password-file", "password-env")),
    "token": ("a token key", ("pkcs11-module", "key-uri", "cert"),
              ("pkcs11-module", "key-uri", "cert", "pin-file", "pin-env")),
}


class Stop(Exception):
    """Why signing stops, and the exit status that says so."""

    def __init__(self, status, why):
        super().__init__(why)
        self.status = status


class Parser(argparse.ArgumentParser):
    """Wrong options stop in one line too, not with the usage before it."""

    def error(self, message):
        raise Stop(2, message)


def read_settings(argv, environ):
    parser = Parser(prog="sign.py", description=__doc__.split("\n")[0])
    for option, _ in SETTINGS:
        parser.add_argument("--" + option)
    parser.add_argument("kit")
    args = parser.parse_args(argv)
    settings = {}
    for option, variable in SETTINGS:
        value = getattr(args, option.replace("-", "_"))
        if value is None:
            value = environ.get("QUILLET_SIGN_" + variable, "")
        if value:
            settings[option] = value
    return args.kit, settings


def key_kind(settings):
    """The kind of key the settings name (None for no key), once they are
    found to name one key and all it needs."""
    named = [kind for kind, (_, _, own) in KINDS.items() if any(n in settings for n in own)]
    if not named:
        if settings:
            raise Stop(2, "--%s names no key to sign with: name --pkcs12, or --pkcs11-module "
                          "with --key-uri" % sorted(settings)[0])
        return None
    if len(named) > 1:
        raise Stop(2, "a PKCS#12 file and a token are both named: name one key")
    kind = named[0]
    called, needed, own = KINDS[kind]
    missing = [n for n in needed if n not in settings]
    if missing:
        raise Stop(2, "%s needs --%s too" % (called, missing[0]))
    secrets = [n for n in own if n.endswith(("-file", "-env")) and n in settings]
    if len(secrets) > 1:
        raise Stop(2, "--%s and --%s both name the secret: name one" % tuple(secrets))
    return kind


def secret_input(settings, environ):
    """osslsigncode's -readpass argument and what its standard input is."""
    for option in ("password-file", "pin-file"):
        if option in settings:
            return ["-readpass", settings[option]], None
    for option in ("password-env", "pin-env"):
        if option in settings:
            name = settings[option]
            if name not in environ:
                raise Stop(1, "--%s names %s, which is not set" % (option, name))
            return ["-readpass", "-"], environ[name] + "\n"
    return [], None


def sign_command(kind, settings, environ):
    if kind == "pkcs12":
        command = ["osslsigncode", "sign", "-pkcs12", settings["pkcs12"]]
    else:
        command = ["osslsigncode", "sign", "-pkcs11module", settings["pkcs11-module"],
                   "-certs", settings["cert"], "-key", settings["key-uri"]]
    command += ["-h", "sha256"]
    if "timestamp-url" in settings:
        command += ["-ts", settings["timestamp-url"]]
    if environ.get("SOURCE_DATE_EPOCH"):
        command += ["-time", environ["SOURCE_DATE_EPOCH"]]
    return command


def osslsigncode(command, stdin=None):
    try:
        return subprocess.run(command, input=stdin, capture_output=True, text=True,
                              errors="replace")
    except OSError as e:
        raise Stop(1, "cannot run osslsigncode: %s" % e.strerror) from None


def first_line(text):
    """The first line osslsigncode prints on a failure, which names its cause."""
    for line in text.splitlines():
        line = line.strip()
        if line and not line.startswith("Engine ") and line != "Failed":
            return line
    return "osslsigncode failed without saying why"


def verify(path, settings):
    """The signer's subject once the signature at `path` verifies."""
    command = ["osslsigncode", "verify", "-in", path]
    if "ca-file" in settings:
        command += ["-CAfile", settings["ca-file"], "-TSA-CAfile", settings["ca-file"]]
    result = osslsigncode(command)
    if result.returncode != 0:
        errors = re.findall(r"^\s*Error: (.*)$", result.stdout, re.M)
        raise Stop(1, errors[0] if errors else first_line(result.stderr + result.stdout))
    signer = re.search(r"Signer #0:\s*Subject: ?(.*)", result.stdout)
    return signer.group(1).strip() if signer else "an unnamed signer"


def sign_kit(kit, kind, settings, environ):
    """Signs copies of the programs, verifies them all, and only then puts
    them in the kit, so that a failure leaves no program half signed."""
    missing = [p for p in PROGRAMS if not os.path.isfile(os.path.join(kit, p))]
    if missing:
        raise Stop(1, "%s is not in the kit %s" % (missing[0], kit))
    readpass, stdin = secret_input(settings, environ)
    command = sign_command(kind, settings, environ) + readpass
    # Beside the kit, so that a copy replaces its program in one rename,
    # and outside it, so that no copy is ever packed.
    work = tempfile.mkdtemp(prefix=".sign-", dir=os.path.dirname(os.path.abspath(kit)))
    try:
        signed = {}
        for program in PROGRAMS:
            source = os.path.join(kit, program)
            copy = os.path.join(work, program.replace("/", "_"))
            result = osslsigncode(command + ["-in", source, "-out", copy], stdin)
            if result.returncode != 0 or not os.path.isfile(copy):
                raise Stop(1, "%s cannot be signed: %s"
                           % (program, first_line(result.stderr + result.stdout)))
            # Its mode and times stay the built program's, as the kit laid them.
            shutil.copystat(source, copy)
            signed[program] = copy
        signers = set()
        for program, copy in signed.items():
            try:
                signers.add(verify(copy, settings))
            except Stop as e:
                raise Stop(1, "%s does not verify: %s" % (program, e)) from None
        for program, copy in signed.items():
            os.replace(copy, os.path.join(kit, program))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return ", ".join(sorted(signers))


def main(argv=None, environ=None):
    environ = os.environ if environ is None else environ
    try:
        kit, settings = read_settings(argv, environ)
        kind = key_kind(settings)
        if kind is None:
            print("sign.py: no key named, so the programs in %s stay unsigned" % kit)
            return 0
        signer = sign_kit(kit, kind, settings, environ)
    except Stop as e:
        print("sign.py: %s" % e, file=sys.stderr)
        return e.status
    print("sign.py: signed %d programs in %s for %s, each verified"
          % (len(PROGRAMS), kit, signer))
    return 0


if __name__ == "__main__":
    sys.exit(main())
