"""scripts/release.sh in a fresh clone of the commit checked out, with the
sysroots of the cache: every artefact of the version, checksums that hold,
sources that go with the binaries, and the same bytes again when
scripts/check-release.sh builds the release from its source archive."""
import json
import os
import re
import subprocess
import tarfile
import tempfile
import unittest

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
VERSION = os.environ.get("CHARPLAY_VERSION", "")
ARTEFACTS = [f"charplay-{VERSION}-windows-x64.zip",
             f"charplay-{VERSION}-linux-x86_64.tar.xz", f"charplay-{VERSION}-linux-aarch64.tar.xz",
             f"charplay-{VERSION}-linux-armv7l.tar.xz",
             f"charplay_{VERSION}_amd64.deb", f"charplay_{VERSION}_arm64.deb",
             f"charplay_{VERSION}_armhf.deb",
             f"charplay-{VERSION}-1.x86_64.rpm", f"charplay-{VERSION}-1.aarch64.rpm",
             f"charplay-{VERSION}-sources.tar.xz", f"charplay-{VERSION}.cdx.json"]
SOURCES = f"charplay-{VERSION}-sources.tar.xz"
# Checks CycloneDX documents with the CycloneDX project's own library.
VALIDATE = """
const CDX = require("@cyclonedx/cyclonedx-library");
const validator = new CDX.Validation.JsonStrictValidator(CDX.Spec.Version.v1dot5);
(async () => {
  for (const path of process.argv.slice(1)) {
    const errors = await validator.validate(require("fs").readFileSync(path, "utf8"));
    if (errors) { console.log(path, JSON.stringify(errors)); process.exitCode = 1; }
  }
})();
"""


def run(*cmd, cwd):
    return subprocess.run(cmd, cwd=cwd, capture_output=True, text=True, timeout=1500)


def sysroot_and_sources(target):
    """The sysroot of target in the cache, and the folder of the source
    packages it was built from."""
    found = run("bash", "-c", f"source scripts/sysroot/cache.sh && sysroot_ready {target} true"
                ' >&2 && echo "$sysroot" && echo "$sources"', cwd=SOURCE)
    if found.returncode in (3, 4):
        # Says which: not built (3), or what builds it not installed (4).
        raise unittest.SkipTest(found.stderr.strip())
    if found.returncode != 0:
        raise AssertionError(found.stdout + found.stderr)
    return found.stdout.split()


def sysroot(target):
    return sysroot_and_sources(target)[0]


def read_back(line):
    """The arguments bash reads from line."""
    words = run("bash", "-c", f"eval \"set -- $0\" && printf '%s\\0' \"$@\"", line, cwd=SOURCE)
    return words.stdout.split("\0")[:-1]


class ConfigureLines(unittest.TestCase):
    def test_a_recorded_line_reads_back_as_the_arguments(self):
        arguments = ["cmake", "-DRPATH=$ORIGIN", "two words", "it's", 'a "b"', "*", "x\\y", "", "a,b"]
        with tempfile.TemporaryDirectory() as folder:
            line = os.path.join(folder, "line.txt")
            run("bash", "-c", 'source scripts/sysroot/common.sh && record "$@"', "-", line,
                *arguments, cwd=SOURCE)
            with open(line) as f:
                self.assertEqual(read_back(f.read()), arguments)

    def test_the_linux_libraries_have_the_run_path_their_line_reads_back_as(self):
        root = sysroot("linux")
        with open(os.path.join(root, "share", "charplay", "opencv-configure.txt")) as f:
            self.assertIn("-DCMAKE_INSTALL_RPATH=$ORIGIN", read_back(f.read()))
        dynamic = run("readelf", "-d", os.path.join(root, "lib", "libopencv_core.so"), cwd=root)
        self.assertRegex(dynamic.stdout, r"R(UN)?PATH.*\[\$ORIGIN\]")


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sysroots = {target: sysroot(target) for target in ("windows", "linux", "linux-aarch64",
                                                            "linux-armhf")}
        cls.folder = tempfile.TemporaryDirectory()
        cls.clone = os.path.join(cls.folder.name, "charplay")
        run("git", "clone", "-q", SOURCE, cls.clone, cwd=cls.folder.name)
        cls.dist = os.path.join(cls.clone, "dist")
        # An older release beside it does not count.
        os.makedirs(cls.dist)
        open(os.path.join(cls.dist, "charplay-0.0.1-windows-x64.zip"), "w").close()
        cls.untested = run("scripts/release.sh", cwd=cls.clone)
        # What scripts/test.sh --all records where both tiers pass.
        commit = run("git", "rev-parse", "HEAD", cwd=cls.clone).stdout.strip()
        run("scripts/tested.sh", "record", commit, cwd=cls.clone)
        cls.released = run("scripts/release.sh", cwd=cls.clone)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_the_release_built_again_from_its_source_archive_gives_the_same_bytes(self):
        # From the published files alone, in another folder, with another
        # time zone, locale and umask, minutes later.
        again = os.path.join(self.folder.name, "again")
        varied = dict(os.environ, TZ="Pacific/Auckland", LC_ALL="C")
        checked = subprocess.run(
            ["bash", "-c", 'umask 002 && exec "$0" "$1" "$2"',
             os.path.join(self.clone, "scripts", "check-release.sh"), self.dist, again],
            env=varied, capture_output=True, text=True, timeout=1500)
        if not os.path.isdir(again):
            self.fail(checked.stdout + checked.stderr)
        for name in ARTEFACTS + ["SHA256SUMS"]:
            first, second = (os.path.join(folder, name) for folder in (self.dist, again))
            with self.subTest(name), open(first, "rb") as a, open(second, "rb") as b:
                if a.read() != b.read():
                    differences = run("diffoscope", "--text", "-", first, second, cwd=SOURCE)
                    self.fail("\n".join(differences.stdout.splitlines()[:60]))
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_a_commit_that_has_not_passed_every_test_is_not_released(self):
        self.assertEqual(self.untested.returncode, 1)
        self.assertRegex(self.untested.stdout,
                         r"^release\.sh: [0-9a-f]{40} has not passed scripts/test\.sh --all")

    def test_every_artefact_of_the_version_with_its_checksum(self):
        self.assertEqual(self.released.returncode, 0, self.released.stdout + self.released.stderr)
        with open(os.path.join(self.dist, "SHA256SUMS")) as f:
            self.assertEqual([line.split()[1] for line in f], ARTEFACTS)
        checked = run("sha256sum", "-c", "--strict", "SHA256SUMS", cwd=self.dist)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_the_sources_go_with_the_binaries(self):
        with tarfile.open(os.path.join(self.dist, SOURCES)) as archive:
            names = archive.getnames()
            top = f"charplay-{VERSION}-sources"
            rebuild = archive.extractfile(f"{top}/REBUILD.txt").read().decode()
        self.assertTrue([n for n in names if re.fullmatch(rf"{top}/debian/ffmpeg_[^/]*\.dsc", n)])
        self.assertTrue([n for n in names if re.fullmatch(rf"{top}/debian/ffmpeg_[^/]*\.orig\.tar\.xz", n)])
        self.assertIn(f"{top}/charplay-{VERSION}/src/main.cpp", names)
        for target, root in self.sysroots.items():
            with open(os.path.join(root, "share", "charplay", "ffmpeg-configure.txt")) as f:
                line = f.read().strip()
            with self.subTest(target):
                self.assertIn(f"\n    {line}\n", rebuild)

    def carried_boms(self, folder):
        """The bill of materials in each artefact, written into folder."""
        boms = {}
        for name in ARTEFACTS[:-2]:
            path, out = os.path.join(self.dist, name), os.path.join(folder, name + ".cdx.json")
            inside = f"charplay-{VERSION}-*/charplay.cdx.json"
            if name.endswith(".zip"):
                command = f"unzip -p '{path}' '{inside}'"
            elif name.endswith(".tar.xz"):
                command = f"tar -xOJf '{path}' --wildcards '{inside}'"
            elif name.endswith(".deb"):
                command = f"dpkg-deb --fsys-tarfile '{path}' | tar -xO ./usr/share/doc/charplay/charplay.cdx.json"
            else:
                command = f"rpm2cpio '{path}' | cpio -i --quiet --to-stdout ./usr/share/doc/charplay/charplay.cdx.json"
            run("sh", "-c", f"{command} > '{out}'", cwd=folder)
            boms[name] = out
        return boms

    def test_every_bill_of_materials_is_valid_and_names_the_sources_it_was_built_from(self):
        with tempfile.TemporaryDirectory() as folder:
            installed = run("npm", "install", "--prefix", folder, "--no-audit", "--no-fund",
                            "--ignore-scripts", "--omit=optional", "@cyclonedx/cyclonedx-library@7",
                            "ajv@8", "ajv-formats@3", "ajv-formats-draft2019@1", cwd=folder)
            self.assertEqual(installed.returncode, 0, installed.stderr)
            boms = self.carried_boms(folder)
            release = os.path.join(self.dist, ARTEFACTS[-1])
            valid = run("node", "-e", VALIDATE, release, *boms.values(), cwd=folder)
            self.assertEqual((valid.returncode, valid.stdout), (0, ""))
            with tarfile.open(os.path.join(self.dist, SOURCES)) as archive:
                versions = dict(re.fullmatch(r".*/debian/([^_/]+)_(.*)\.dsc", n).groups()
                                for n in archive.getnames() if n.endswith(".dsc"))
            for name, path in boms.items():
                with open(path) as f:
                    components = json.load(f)["components"]
                built = {c["name"]: c["version"] for c in components if c["name"] in versions}
                expected = {"ffmpeg", "dav1d", "opencv"} | (set() if ".zip" in name else {"openssl"})
                with self.subTest(name):
                    self.assertEqual(built, {package: versions[package] for package in expected})
                    for c in components:
                        self.assertRegex(c["purl"], rf"^pkg:deb/debian/[^@]+@[^?]+\?arch=source$")
            with open(release) as f:
                files = {c["name"]: c for c in json.load(f)["components"]}
            self.assertEqual(sorted(files), sorted(ARTEFACTS[:-1]))
            self.assertEqual(files[SOURCES]["hashes"][0]["content"],
                             run("sha256sum", os.path.join(self.dist, SOURCES), cwd=folder).stdout.split()[0])

    def test_ffmpeg_is_lgpl_3_in_the_built_libraries(self):
        for target, root in self.sysroots.items():
            strings = run("strings", os.path.join(root, "lib", "libavcodec.a"), cwd=root).stdout
            (configuration,) = {line for line in strings.splitlines() if "--prefix=" in line}
            with self.subTest(target):
                self.assertIn("--enable-version3", configuration)
                self.assertNotRegex(configuration, r"--enable-(gpl|nonfree)\b")

    def test_refuses_changes_not_committed_and_a_version_without_changelog(self):
        with open(os.path.join(self.clone, "README.md"), "a") as f:
            f.write("\n")
        refused = run("scripts/release.sh", cwd=self.clone)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("not committed", refused.stdout)
        run("git", "checkout", "README.md", cwd=self.clone)
        run("sed", "-i", "s/^project(charplay VERSION [0-9.]*/project(charplay VERSION 9.9.9/",
            "CMakeLists.txt", cwd=self.clone)
        run("git", "-c", "user.name=t", "-c", "user.email=t@example.org", "commit", "-q", "-am", "a version without an entry", cwd=self.clone)
        refused = run("scripts/release.sh", cwd=self.clone)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("no entry for 9.9.9", refused.stdout)


if __name__ == "__main__":
    unittest.main()
