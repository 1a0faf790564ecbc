"""Signs copies of both built programs as scripts/release.sh --sign does (scripts/sign.sh),
with a throw-away self-signed code-signing certificate made by openssl for the test, and
checks the signatures with osslsigncode.
    signing_test.py SCRIPTS PROGRAM...
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

SCRIPTS, *PROGRAMS = sys.argv[1:]
SIGN = os.path.join(SCRIPTS, "sign.sh")
RELEASE = os.path.join(SCRIPTS, "release.sh")
PASSWORD = "throw-away password"


def make_key(folder, name):
    """A self-signed code-signing certificate and its key: (KEY.pfx protected by PASSWORD, certificate PEM)."""
    key, certificate, pfx = (os.path.join(folder, name + suffix) for suffix in (".key", ".pem", ".pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                    "-days", "2", "-subj", f"/CN={name}", "-addext", "keyUsage=critical,digitalSignature",
                    "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate, "-out", pfx,
                    "-passout", "env:SIGN_PASSWORD"], env=dict(os.environ, SIGN_PASSWORD=PASSWORD), check=True,
                   capture_output=True)
    return pfx, certificate


def read(path):
    with open(path, "rb") as file:
        return file.read()


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="cc-signing-")
        cls.key, cls.certificate = make_key(cls.folder, "Throw-away signer")
        _, cls.other_certificate = make_key(cls.folder, "Another signer")
        # Within the certificate's validity, which begins now.
        cls.epoch = int(time.time()) + 60

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def copies(self, label):
        folder = os.path.join(self.folder, label)
        os.makedirs(folder)
        return [shutil.copy(program, folder) for program in PROGRAMS]

    def sign(self, programs, password=PASSWORD, epoch=None):
        environment = dict(os.environ, SIGN_PASSWORD=password)
        return subprocess.run([SIGN, self.key, str(epoch or self.epoch), *programs], env=environment,
                              capture_output=True, text=True)

    def verify(self, program, certificate):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", program],
                              capture_output=True, text=True)

    def test_both_programs_verify_against_the_signing_certificate_only(self):
        programs = self.copies("verified")
        done = self.sign(programs)
        self.assertEqual(done.returncode, 0, done.stderr)
        for program in programs:
            with self.subTest(program=os.path.basename(program)):
                checked = self.verify(program, self.certificate)
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                self.assertRegex(checked.stdout, r"Message digest algorithm\s*:\s*SHA256")
                signing_time = re.search(r"Signing time: (.+)", checked.stdout).group(1).strip()
                self.assertEqual(time.strptime(signing_time, "%b %d %H:%M:%S %Y %Z")[:6],
                                 time.gmtime(self.epoch)[:6])
                self.assertNotEqual(self.verify(program, self.other_certificate).returncode, 0)

    def test_the_same_programs_signed_with_the_same_key_and_time_are_the_same_bytes(self):
        first, second = self.copies("first"), self.copies("second")
        for programs in (first, second):
            done = self.sign(programs)
            self.assertEqual(done.returncode, 0, done.stderr)
        for one, other, unsigned in zip(first, second, PROGRAMS):
            self.assertNotEqual(read(one), read(unsigned))
            self.assertEqual(read(one), read(other))

    def test_a_wrong_password_signs_nothing_and_leaves_the_programs_as_they_were(self):
        programs = self.copies("refused")
        done = self.sign(programs, password="not the password")
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("could not be signed", done.stderr)
        for program, unsigned in zip(programs, PROGRAMS):
            self.assertEqual(read(program), read(unsigned))
        self.assertEqual(sorted(os.listdir(os.path.dirname(programs[0]))),
                         sorted(os.path.basename(program) for program in PROGRAMS))

    def test_release_refuses_a_missing_key_or_an_unknown_option_before_building(self):
        for arguments, complaint in ((("--sign", os.path.join(self.folder, "no-such.pfx")), "no key file"),
                                     (("--timestamp", "http://127.0.0.1:9/"), "goes with --sign"),
                                     (("--password", PASSWORD), "usage"),
                                     (("--sign",), "usage")):
            with self.subTest(arguments=arguments):
                done = subprocess.run(["sh", RELEASE, *arguments], capture_output=True, text=True, timeout=30)
                self.assertEqual(done.returncode, 2, done.stdout + done.stderr)
                self.assertIn(complaint, done.stderr)
                self.assertEqual(done.stdout, "")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
