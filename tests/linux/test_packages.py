"""The packages of the portable Linux archives: what each declares, the
amd64 .deb installed, played from PATH and purged in bare Debian 11 and 13
roots, the x86_64 .rpm installed into a bare root's copy, and the ARM ones
unpacked and played under qemu-user."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from tests.harness import FIXTURES, NO_DISPLAY, SOURCE, fixture, frames, play, run, with_environment
from tests.e2e.make_fixtures import CODECS

VERSION = os.environ.get("CHARPLAY_VERSION", "")
DIST = os.path.join(SOURCE, "dist")
BARE_ROOTS = dict(entry.split("=") for entry in os.environ.get("CHARPLAY_BARE_ROOTS", "").split())
# Bare Debian 11 roots of the ARM architectures: arm64=..., armhf=...
ARM_ROOTS = dict(entry.split("=") for entry in os.environ.get("CHARPLAY_ARM_ROOTS", "").split())
IN_ROOT = os.environ.get("CHARPLAY_IN_ROOT", "")
# Debian's architecture, RPM's (none for armhf).
ARCHITECTURES = (("amd64", "x86_64"), ("arm64", "aarch64"), ("armhf", None))
# Where the program is reached, and its man page.
INSTALLED = ("/usr/bin/charplay", "/usr/share/man/man1/charplay.1.gz")
RPMLINTRC = os.path.join(SOURCE, "packaging", "rpm", "rpmlintrc")


def deb(arch):
    return os.path.join(DIST, f"charplay_{VERSION}_{arch}.deb")


def rpm(arch):
    return os.path.join(DIST, f"charplay-{VERSION}-1.{arch}.rpm")


def output(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def newest_glibc(requirements):
    """The newest glibc version that requirements name, as a tuple."""
    found = re.findall(r"GLIBC_([0-9.]+)|libc6 \(>= ([0-9.]+)\)", requirements)
    return max(tuple(map(int, (a or b).split("."))) for a, b in found)


class Metadata(unittest.TestCase):
    def assert_needs_only_the_system(self, requirements):
        self.assertNotRegex(requirements, r"(?i)opencv|libav|libsw|ffmpeg|gtk|gdk")
        self.assertLessEqual(newest_glibc(requirements), (2, 31))

    def test_each_package_declares_its_architecture_and_what_it_needs(self):
        for debian, machine in ARCHITECTURES:
            with self.subTest(debian):
                fields = output("dpkg-deb", "-f", deb(debian), "Architecture", "Recommends")
                self.assertEqual(fields, f"Architecture: {debian}\nRecommends: libgtk-3-0\n")
                self.assert_needs_only_the_system(output("dpkg-deb", "-f", deb(debian), "Depends"))
                files = output("dpkg-deb", "-c", deb(debian))
                for path in INSTALLED:
                    self.assertRegex(files, f" \\.{path}( ->|\n)")
            if not machine:
                continue
            with self.subTest(machine):
                self.assertEqual(output("rpm", "-qp", "--qf", "%{ARCH}", rpm(machine)), machine)
                self.assertEqual(output("rpm", "-qp", "--recommends", rpm(machine)), "gtk3\n")
                self.assert_needs_only_the_system(output("rpm", "-qp", "--requires",
                                                         rpm(machine)))
                self.assertNotIn("opencv", output("rpm", "-qp", "--provides", rpm(machine)))
                files = output("rpm", "-qlp", rpm(machine)).split("\n")
                for path in INSTALLED:
                    self.assertIn(path, files)


    def test_lintian_and_rpmlint_find_no_error(self):
        # Each fails (status 1 or more) on an error; what a self-contained
        # package carries by design is overridden, each with its reason.
        for debian, machine in ARCHITECTURES:
            checked = subprocess.run(["lintian", deb(debian)], capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
            if not machine:
                continue
            checked = subprocess.run(["rpmlint", "-r", RPMLINTRC, rpm(machine)],
                                     capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
            self.assertIn(" 0 errors,", checked.stdout)


class Installed(unittest.TestCase):
    def copy_of(self, root):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        copy = os.path.join(folder, "root")
        subprocess.run(["cp", "-a", root, copy], check=True)
        return copy

    def inside(self, root, *args, stdin=b""):
        return run(stdin, command=[IN_ROOT, root, DIST, FIXTURES, "--", *with_environment(NO_DISPLAY),
                                   *args], env=NO_DISPLAY,
                   timeout=300)

    def assert_plays_from_path(self, root):
        for name in CODECS:
            with self.subTest(name):
                played = self.inside(root, "charplay", stdin=fixture(name).encode() + b"\n")
                self.assertEqual((played.returncode, played.stderr), (0, b""))
                self.assertEqual(played.stdout, play(fixture(name), env=NO_DISPLAY).stdout)

    def test_the_amd64_deb_installs_plays_and_purges_in_debian_11_and_13(self):
        self.assertEqual(sorted(BARE_ROOTS), ["bullseye", "trixie"])
        ours = [line.split()[5].lstrip(".") for line in
                output("dpkg-deb", "-c", deb("amd64")).splitlines()]
        ours = [path.rstrip("/") for path in ours if "charplay" in path]
        for suite, root in BARE_ROOTS.items():
            with self.subTest(suite):
                copy = self.copy_of(root)
                installed = self.inside(copy, "dpkg", "-i", deb("amd64"))
                self.assertEqual(installed.returncode, 0, installed.stderr)
                self.assert_plays_from_path(copy)
                purged = self.inside(copy, "dpkg", "--purge", "charplay")
                self.assertEqual(purged.returncode, 0, purged.stderr)
                self.assertEqual([p for p in ours if os.path.lexists(copy + p)], [])

    def test_the_x86_64_rpm_installs_and_plays(self):
        copy = self.copy_of(BARE_ROOTS["bullseye"])
        # The root has no RPM database of its own libraries.
        subprocess.run(["rpm", "--root", copy, "--initdb"], check=True)
        subprocess.run(["rpm", "--root", copy, "-i", "--nodeps", rpm("x86_64")], check=True)
        self.assert_plays_from_path(copy)


class Arm(unittest.TestCase):
    def test_the_arm_packages_play_under_qemu(self):
        def unpack_deb(arch):
            return lambda to: subprocess.run(["dpkg-deb", "-x", deb(arch), to], check=True)
        unpack = {"arm64.deb": ("qemu-aarch64", "arm64", unpack_deb("arm64")),
                  "aarch64.rpm": ("qemu-aarch64", "arm64",
                                  lambda to: subprocess.run(f"rpm2cpio {rpm('aarch64')} | cpio -idm",
                                                            shell=True, cwd=to, check=True,
                                                            capture_output=True)),
                  "armhf.deb": ("qemu-arm", "armhf", unpack_deb("armhf"))}
        # Coded in BGR: the same bytes on every CPU.
        expected = play(fixture("steps.mkv"), env=NO_DISPLAY).stdout
        self.assertTrue(frames(expected))
        for kind, (qemu, debian, unpacked) in unpack.items():
            with self.subTest(kind), tempfile.TemporaryDirectory() as folder:
                unpacked(folder)
                played = run(fixture("steps.mkv").encode() + b"\n", env=NO_DISPLAY,
                             command=[qemu, "-L", ARM_ROOTS[debian],
                                      os.path.join(folder, "usr/bin/charplay")], timeout=300)
                self.assertEqual((played.returncode, played.stderr), (0, b""))
                self.assertEqual(played.stdout, expected)


if __name__ == "__main__":
    unittest.main()
