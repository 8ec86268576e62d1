"""What a new user meets first: the play command on a machine without the
test libraries, and the Debian package with its man page."""
import os
import subprocess
import tempfile
import unittest

from tests.harness import NO_DISPLAY, SOURCE, fixture, frame, frames, play

BUILD = os.environ.get("BUILD_DIR", "")
VERSION = os.environ.get("CHARPLAY_VERSION", "")


def run_tool(*cmd, **kwargs):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=600, **kwargs)


class PlayCommand(unittest.TestCase):
    def test_plays_the_sample_without_googletest_or_google_benchmark(self):
        with tempfile.TemporaryDirectory() as build:
            played = subprocess.run(
                [os.path.join(SOURCE, "scripts", "play.sh"),
                 "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
                 "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"],
                env=dict(NO_DISPLAY, BUILD_DIR=build), capture_output=True, timeout=600)
            self.assertEqual(played.returncode, 0, played.stderr.decode(errors="replace"))
            # Ten seconds at 25 frames a second, 160 columns.
            played_frames = frames(played.stdout)
            self.assertEqual(len(played_frames), 250)
            self.assertEqual({len(line) for line in played_frames[0].split(b"\n")[:-1]}, {160})
            # Only the program: no test or benchmark was even configured.
            self.assertFalse(os.path.exists(os.path.join(build, "tests")))
            self.assertFalse(os.path.exists(os.path.join(build, "bench")))


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        built = run_tool("cmake", "--build", BUILD, "--target", "package")
        assert built.returncode == 0, built.stdout + built.stderr
        cls.deb = os.path.join(BUILD, f"charplay_{VERSION}_amd64.deb")

    def test_holds_the_program_its_man_page_and_readme(self):
        listing = run_tool("dpkg-deb", "-c", self.deb).stdout
        files = sorted(line.split()[-1] for line in listing.splitlines()
                       if not line.startswith("d"))
        self.assertEqual(files, ["./usr/bin/charplay",
                                 "./usr/share/doc/charplay/README.md.gz",
                                 "./usr/share/doc/charplay/changelog.gz",
                                 "./usr/share/doc/charplay/copyright",
                                 "./usr/share/man/man1/charplay.1.gz"])

    def test_depends_on_the_runtime_libraries_it_uses(self):
        depends = run_tool("dpkg-deb", "-f", self.deb, "Depends").stdout
        packages = [d.split()[0] for d in depends.split(",")]
        for library in ("core", "imgproc", "videoio", "highgui"):
            self.assertTrue(any(p.startswith(f"libopencv-{library}4") for p in packages), depends)
        self.assertFalse([p for p in packages if p.endswith("-dev")], depends)

    def test_its_copyright_names_the_mit_licence(self):
        with tempfile.TemporaryDirectory() as root:
            run_tool("dpkg-deb", "-x", self.deb, root)
            with open(os.path.join(root, "usr", "share", "doc", "charplay", "copyright")) as f:
                self.assertRegex(f.read(), r"(?m)^License: MIT$")

    def test_lintian_finds_no_error(self):
        # lintian fails (status 1 or more) on an error, and when it cannot run.
        checked = run_tool("lintian", self.deb)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertNotRegex(checked.stdout, r"(?m)^E: ", checked.stdout)

    def test_the_man_page_reads_clean(self):
        page = os.path.join(BUILD, "charplay.1")
        with open(page) as f:
            self.assertIn(f'"charplay {VERSION}"', f.readline())
        self.assertEqual(run_tool("groff", "-man", "-ww", "-z", page).stderr, "")
        shown = run_tool("man", "-l", page, env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual(shown.stderr, "")
        for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "PREVIEW WINDOW", "EXIT STATUS",
                        "ENVIRONMENT", "NOTES", "EXAMPLES"):
            self.assertRegex(shown.stdout, rf"(?m)^{heading}$")
        self.assertIn("输入地址错误！！", shown.stdout)

    def test_the_packaged_program_plays(self):
        with tempfile.TemporaryDirectory() as root:
            run_tool("dpkg-deb", "-x", self.deb, root)
            played = play(fixture("greys.mkv"), env=NO_DISPLAY,
                          command=[os.path.join(root, "usr", "bin", "charplay")])
            self.assertEqual(played.returncode, 0)
            self.assertEqual(frames(played.stdout), [frame(c * 160) for c in "  .xMN"])


if __name__ == "__main__":
    unittest.main()
