"""kit/sign.py on a kit of this build's programs, with a throwaway
authority made here whose key is in a PKCS#12 file and in a SoftHSM2 token,
and a time-stamping service on the loopback."""
import hashlib
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

BUILD = os.environ["QUILLET_BUILD"]
X64_BUILD = os.environ.get("QUILLET_X64_BUILD", BUILD)
SIGN = os.path.join(os.environ["QUILLET_SOURCE"], "kit", "sign.py")
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"
SIGNER = "/CN=Quillet Test Packager"
TOKEN_KEY = "pkcs11:token=packager;object=code%20signing;type=private"

# Each program we ship, from the build that makes it or, where that build
# is not there, this build's program of the same role.
OURS = {
    "Quillet.exe": ["launcher/Quillet.exe"],
    "x86/Quillet32.exe": ["updater/Quillet32.exe", "updater/Quillet64.exe"],
    "x64/Quillet64.exe": ["updater/Quillet64.exe", "updater/Quillet32.exe"],
    "Tools/QuilletCheck32.exe": ["checker/QuilletCheck32.exe", "checker/QuilletCheck64.exe"],
    "Tools/QuilletCheck64.exe": ["checker/QuilletCheck64.exe", "checker/QuilletCheck32.exe"],
}
# The maker's, here our stand-ins: programs a careless signer would sign.
MAKERS = {"Driver/TZ415FilterInst.exe": "standins/filterinst/TZ415FilterInst.exe",
          "x86/TZ415API.dll": "standins/sim/TZ415API.dll",
          "x64/TZ415API.dll": "standins/sim/TZ415API.dll"}

# The authority's extensions, `openssl ca` for the expired certificate (it
# alone takes dates), and `openssl ts` as the time-stamping service.
CONFIG = """[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[stamper]
basicConstraints = critical, CA:FALSE
extendedKeyUsage = critical, timeStamping
[ca]
default_ca = past
[past]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
x509_extensions = signer
[any]
commonName = supplied
[tsa]
default_tsa = service
[service]
serial = serial
signer_cert = stamper.pem
signer_key = stamper.key
signer_digest = sha256
digests = sha256
default_policy = 1.2.3.4.1
ess_cert_id_alg = sha256
"""


class TimeStamping(http.server.BaseHTTPRequestHandler):
    """`openssl ts` answers RFC 3161 queries at /, and nowhere else."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        if self.path != "/":
            return self.send_error(404)
        reply = tool("openssl", "ts", "-reply", "-config", "ca.cnf", "-queryfile", "/dev/stdin",
                     "-out", "/dev/stdout", cwd=self.server.keys, stdin=query).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


def tool(*command, cwd, env=None, stdin=None):
    result = subprocess.run(command, cwd=cwd, env=env, input=stdin, capture_output=True)
    if result.returncode != 0:
        raise AssertionError("%s failed: %s" % (" ".join(command), result.stderr.decode()))
    return result


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


def digests(root):
    return {os.path.relpath(os.path.join(d, n), root):
            hashlib.sha256(read(os.path.join(d, n))).hexdigest()
            for d, _, names in os.walk(root) for n in names}


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.keys = keys = tempfile.mkdtemp(prefix="quillet-keys-")
        for name, text in (("ca.cnf", CONFIG), ("index.txt", ""), ("serial", "1000\n"),
                           ("password", "p12 secret\n"), ("pin", "token pin 4321\n")):
            write(os.path.join(keys, name), text)
        openssl = lambda *a: tool("openssl", *a, cwd=keys)  # noqa: E731
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
                "ca.pem", "-subj", "/CN=Quillet Test Authority", "-days", "2",
                "-config", "ca.cnf", "-extensions", "authority")
        for name, subject in (("signer", SIGNER), ("stamper", "/CN=Quillet Test Stamps")):
            openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key",
                    "-out", name + ".csr", "-subj", subject, "-config", "ca.cnf")
            openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-days", "2", "-extfile", "ca.cnf", "-extensions", name,
                    "-out", name + ".pem")
        # The same key, with a certificate valid for one day years ago.
        openssl("ca", "-batch", "-config", "ca.cnf", "-cert", "ca.pem", "-keyfile", "ca.key",
                "-in", "signer.csr", "-startdate", "20200101000000Z", "-enddate",
                "20200102000000Z", "-out", "expired.pem")
        for name in ("signer", "expired"):
            openssl("pkcs12", "-export", "-inkey", "signer.key", "-in", name + ".pem",
                    "-certfile", "ca.pem", "-out", name + ".p12", "-passout", "file:password")
        # A token folder of the test's own, never the machine's.
        cls.softhsm_conf = os.path.join(keys, "softhsm2.conf")
        write(cls.softhsm_conf, "directories.tokendir = %s/tokens\n" % keys)
        os.mkdir(os.path.join(keys, "tokens"))
        env = dict(os.environ, SOFTHSM2_CONF=cls.softhsm_conf)
        tool("softhsm2-util", "--init-token", "--free", "--label", "packager", "--so-pin",
             "87654321", "--pin", "token pin 4321", cwd=keys, env=env)
        tool("softhsm2-util", "--import", "signer.key", "--token", "packager", "--label",
             "code signing", "--id", "01", "--pin", "token pin 4321", cwd=keys, env=env)
        cls.tsa = http.server.HTTPServer(("127.0.0.1", 0), TimeStamping)
        cls.tsa.keys = keys
        threading.Thread(target=cls.tsa.serve_forever, daemon=True).start()
        cls.tsa_url = "http://127.0.0.1:%d/" % cls.tsa.server_address[1]
        # osslsigncode's command lines, as the process list shows them.
        write(os.path.join(keys, "watched", "osslsigncode"),
              '#!/bin/sh\necho "osslsigncode $*" >> "$COMMAND_LINES"\nexec %s "$@"\n'
              % shutil.which("osslsigncode"))
        os.chmod(os.path.join(keys, "watched", "osslsigncode"), 0o755)
        cls.unsigned = {place: cls.as_shipped(sources) for place, sources in OURS.items()}
        cls.makers = {place: read(os.path.join(BUILD, path)) for place, path in MAKERS.items()}

    @classmethod
    def as_shipped(cls, sources):
        """A program of the build: the build strips and pads it as the
        release ships it."""
        found = [os.path.join(b, s) for s in sources for b in (BUILD, X64_BUILD)
                 if os.path.isfile(os.path.join(b, s))]
        if not found:
            raise AssertionError("none of %s is built" % ", ".join(sources))
        return read(found[0])

    @classmethod
    def tearDownClass(cls):
        cls.tsa.shutdown()
        cls.tsa.server_close()
        shutil.rmtree(cls.keys, ignore_errors=True)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quillet-sign-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.kit = self.lay_kit("kit")

    def key(self, name):
        return os.path.join(self.keys, name)

    def lay_kit(self, name):
        image = {"%s/Binfile/HUB415.BIN" % arch: b"\x5a" * 4096 for arch in ("x86", "x64")}
        for place, data in dict(self.unsigned, **self.makers, **image).items():
            write(os.path.join(self.root, name, place), data)
        return os.path.join(self.root, name)

    def sign(self, env, kit=None, watched=False):
        path = os.environ["PATH"]
        if watched:
            path = self.key("watched") + os.pathsep + path
            env = dict(env, COMMAND_LINES=os.path.join(self.root, "command-lines"))
        env = dict({"PATH": path, "SOFTHSM2_CONF": self.softhsm_conf}, **env)
        # The standard library is all it needs: no site packages to load.
        return subprocess.run([sys.executable, "-S", SIGN, kit or self.kit], env=env,
                              capture_output=True, text=True)

    def pkcs12(self, name="signer.p12", **env):
        return dict({"QUILLET_SIGN_PKCS12": self.key(name),
                     "QUILLET_SIGN_PASSWORD_FILE": self.key("password"),
                     "QUILLET_SIGN_CA_FILE": self.key("ca.pem")}, **env)

    def token(self, uri=TOKEN_KEY, **env):
        return dict({"QUILLET_SIGN_PKCS11_MODULE": SOFTHSM, "QUILLET_SIGN_KEY_URI": uri,
                     "QUILLET_SIGN_CERT": self.key("signer.pem"),
                     "QUILLET_SIGN_PIN_FILE": self.key("pin"),
                     "QUILLET_SIGN_CA_FILE": self.key("ca.pem")}, **env)

    def assertSigned(self, result, secret, stamped=False):
        """Signed in one line, with no secret on osslsigncode's command
        lines; each program verifies against the test's authority alone and
        gives back the program as built once its signature is removed."""
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertOneLine(result.stdout, result, "signed 5 programs in %s for %s"
                           % (self.kit, SIGNER))
        lines = read(os.path.join(self.root, "command-lines")).decode()
        os.remove(os.path.join(self.root, "command-lines"))
        self.assertEqual(5, lines.count(" sign "), lines)
        self.assertNotIn(secret, lines)
        for place, built in self.unsigned.items():
            path = os.path.join(self.kit, place)
            verified = tool("osslsigncode", "verify", "-CAfile", self.key("ca.pem"),
                            "-TSA-CAfile", self.key("ca.pem"), "-in", path, cwd=self.root)
            self.assertIn("Subject: " + SIGNER, verified.stdout.decode(), place)
            self.assertEqual(stamped, b"Timestamp Server Signature verification: ok"
                             in verified.stdout, place)
            stripped = os.path.join(self.root, "stripped.exe")
            tool("osslsigncode", "remove-signature", "-in", path, "-out", stripped, cwd=self.root)
            self.assertEqual(built, read(stripped), place)
            os.remove(stripped)

    def assertOneLine(self, stream, result, text):
        self.assertEqual(1, len(stream.splitlines()), result.stdout + result.stderr)
        self.assertIn("sign.py: " + text, stream)

    def test_a_pkcs12_file_signs_our_five_programs_and_none_of_the_makers_files(self):
        before = digests(self.kit)
        result = self.sign(self.pkcs12(SOURCE_DATE_EPOCH="1700000000"), watched=True)
        self.assertSigned(result, "p12 secret")
        after = digests(self.kit)
        self.assertEqual(sorted(p.replace("/", os.sep) for p in OURS),
                         sorted(p for p in before if before[p] != after[p]))
        # A password from a variable signs the same bytes: the signing time
        # is the source's, and RSA signs the same data alike.
        self.kit = self.lay_kit("again")
        self.assertSigned(self.sign(self.pkcs12(
            QUILLET_SIGN_PASSWORD_FILE="", QUILLET_SIGN_PASSWORD_ENV="P12_PASSWORD",
            P12_PASSWORD="p12 secret", SOURCE_DATE_EPOCH="1700000000"), watched=True), "p12 secret")
        self.assertEqual(after, digests(self.kit))

    def test_a_token_signs_our_five_programs_with_a_time_stamp(self):
        result = self.sign(self.token(QUILLET_SIGN_TIMESTAMP_URL=self.tsa_url), watched=True)
        self.assertSigned(result, "token pin 4321", stamped=True)

    def test_without_a_usable_key_nothing_is_signed_and_one_line_says_why(self):
        before = digests(self.kit)
        for case, status, env, why in (
                ("no key", 0, {}, "no key named"),
                ("wrong password", 1, self.pkcs12(QUILLET_SIGN_PASSWORD_FILE=self.key("pin")),
                 "Quillet.exe cannot be signed: Failed to parse PKCS#12 file"),
                ("expired", 1, self.pkcs12("expired.p12"),
                 "Quillet.exe does not verify: certificate has expired"),
                ("missing token", 1, self.token("pkcs11:token=elsewhere;object=code%20signing"),
                 "Quillet.exe cannot be signed: No matching initialized token"),
                ("wrong PIN", 1, self.token(QUILLET_SIGN_PIN_FILE=self.key("password")),
                 "Quillet.exe cannot be signed: Login failed"),
                ("another authority", 1, self.token(QUILLET_SIGN_CA_FILE=self.key("signer.pem")),
                 "Quillet.exe does not verify"),
                ("time stamps refused", 1, self.pkcs12(QUILLET_SIGN_TIMESTAMP_URL=self.tsa_url
                                                       + "gone"), "Quillet.exe cannot be signed"),
                ("unset variable", 1, self.pkcs12(QUILLET_SIGN_PASSWORD_FILE="",
                                                  QUILLET_SIGN_PASSWORD_ENV="NOT_SET"),
                 "--password-env names NOT_SET, which is not set"),
                ("two keys", 2, self.token(QUILLET_SIGN_PKCS12=self.key("signer.p12")),
                 "a PKCS#12 file and a token are both named"),
                ("token without its certificate", 2, self.token(QUILLET_SIGN_CERT=""),
                 "a token key needs --cert too"),
                ("no key but a setting", 2, {"QUILLET_SIGN_TIMESTAMP_URL": self.tsa_url},
                 "--timestamp-url names no key")):
            with self.subTest(case):
                result = self.sign(env)
                self.assertEqual(status, result.returncode, result.stdout + result.stderr)
                self.assertOneLine(result.stderr if status else result.stdout, result, why)
                self.assertEqual("", result.stdout if status else result.stderr)
                self.assertEqual(before, digests(self.kit))
        self.assertEqual(["kit"], os.listdir(self.root))


if __name__ == "__main__":
    unittest.main()
