"""scripts/release.sh in a fresh clone of the commit checked out, with the
sysroots of the cache: every artefact of the version, checksums that hold,
sources that go with the binaries, bills of materials that packageurl's and
CycloneDX's own libraries accept, and the same bytes again when it is made
on a tmpfs in a hostile environment, and when scripts/check-release.sh
builds the release from its source archive, here with a newer FFmpeg
installed and in a fresh Debian 12 root."""
import glob
import json
import os
import re
import shutil
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
RECORD = f"charplay-{VERSION}.buildinfo"
# What a builder's environment may hold that changes what compilers, build
# systems and packers make: none of it may reach a release or a library.
HOSTILE = {"TAR_OPTIONS": "--format=posix", "XZ_OPT": "-1e", "XZ_DEFAULTS": "--check=sha256",
           "GZIP": "--rsyncable", "ZIPOPT": "-0", "CFLAGS": "-O0 -g", "CXXFLAGS": "-O0 -g",
           "LDFLAGS": "-Wl,--hash-style=sysv", "CC": "/bin/false", "CXX": "/bin/false",
           "CROSS_COMPILE": "/nonexistent/", "MAKEFLAGS": "CFLAGS=-O0 CXXFLAGS=-O0",
           "CMAKE_GENERATOR": "Ninja", "PKG_CONFIG_PATH": "/usr/lib/x86_64-linux-gnu/pkgconfig",
           "DPKG_DEB_COMPRESSOR_LEVEL": "1"}
# A home whose ~/.rpmmacros changes the RPM's payload.
RPMMACROS = "%_binary_payload w1.gzdio\n"


def hostile_environment(folder):
    """The environment of this process with HOSTILE in it, and a home in
    folder with a ~/.rpmmacros."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, ".rpmmacros"), "w") as f:
        f.write(RPMMACROS)
    cache = os.path.join(os.path.expanduser("~"), ".cache", "charplay")
    return dict(os.environ, **HOSTILE, HOME=folder,
                CHARPLAY_CACHE=os.environ.get("CHARPLAY_CACHE", cache))
# Checks CycloneDX documents with the CycloneDX project's own library, and
# what it leaves alone with packageurl's and SPDX's: each purl as
# packageurl prints it back, a Debian package's with its release; each
# licence an SPDX expression (the RPM's License: too, the first argument);
# bom-refs unique and every dependency's resolving. Prints each fault.
CHECK = """
const CDX = require("@cyclonedx/cyclonedx-library");
const { PackageURL } = require("packageurl-js");
const spdx = require("spdx-expression-parse");
const validator = new CDX.Validation.JsonStrictValidator(CDX.Spec.Version.v1dot5);
// As SPDX writes an expression: operators in capitals (the parser takes
// any case), brackets only where they are needed.
function printed(node, outer) {
  if (node.license)
    return node.license + (node.plus ? "+" : "") + (node.exception ? " WITH " + node.exception : "");
  const text = [printed(node.left, node.conjunction), node.conjunction.toUpperCase(),
                printed(node.right, node.conjunction)].join(" ");
  return outer && outer !== node.conjunction ? `(${text})` : text;
}
function expression(where, text) {
  let tree = null;
  try { tree = spdx(text); } catch (e) { }
  if (!tree || printed(tree) !== text) console.log(where, "not an SPDX expression:", text);
}
function walk(components, each) {
  for (const c of components || []) { each(c); walk(c.components, each); }
}
(async () => {
  expression("the RPM's License:", process.argv[1]);
  for (const path of process.argv.slice(2)) {
    const text = require("fs").readFileSync(path, "utf8");
    const errors = await validator.validate(text);
    if (errors) console.log(path, JSON.stringify(errors));
    const bom = JSON.parse(text), refs = new Set();
    walk([bom.metadata.component].concat(bom.components), (c) => {
      if (refs.has(c["bom-ref"])) console.log(path, "bom-ref twice:", c["bom-ref"]);
      refs.add(c["bom-ref"]);
      for (const l of c.licenses || []) expression(path, l.expression);
      if (!c.purl) return;
      const purl = PackageURL.fromString(c.purl);
      if (purl.toString() !== c.purl) console.log(path, "not canonical:", c.purl, purl.toString());
      if (purl.type === "deb" && !/^debian-[0-9]+$/.test((purl.qualifiers || {}).distro))
        console.log(path, "no Debian release:", c.purl);
    });
    for (const d of bom.dependencies)
      for (const ref of [d.ref].concat(d.dependsOn))
        if (!refs.has(ref)) console.log(path, "no such bom-ref:", ref);
  }
})();
"""
# What each artefact holds or loads, by its bill of materials: the
# libraries built in, and the Debian packages linked in or loaded from the
# system.
WINDOWS_COMPONENTS = {"ffmpeg", "dav1d", "opencv", "libz-mingw-w64-dev", "mingw-w64-x86-64-dev",
                      "gcc-mingw-w64-x86-64-posix", "g++-mingw-w64-x86-64-posix"}
LINUX_COMPONENTS = {"ffmpeg", "dav1d", "opencv", "openssl",
                    "libc6", "libgcc-s1", "libstdc++6", "zlib1g",
                    "libgtk-3-0", "libcairo2", "libgdk-pixbuf-2.0-0", "libglib2.0-0"}
# What Windows itself has, which the exe alone may load.
WINDOWS_DLLS = {"advapi32.dll", "bcrypt.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
                "kernel32.dll", "msvcrt.dll", "secur32.dll", "user32.dll", "ws2_32.dll"}


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

    def assert_the_same_release(self, folder):
        """Every file of the release in folder the same as in dist."""
        for name in ARTEFACTS + ["SHA256SUMS"]:
            first, second = (os.path.join(f, name) for f in (self.dist, folder))
            with self.subTest(name):
                if not os.path.isfile(second):
                    self.fail(f"{second} is missing")
                with open(first, "rb") as a, open(second, "rb") as b:
                    if a.read() != b.read():
                        differences = run("diffoscope", "--text", "-", first, second, cwd=SOURCE)
                        self.fail("\n".join(differences.stdout.splitlines()[:60]))

    def test_a_release_made_on_a_tmpfs_in_a_hostile_environment_is_the_same(self):
        # Another clone, on a tmpfs, with every variable of HOSTILE set, a
        # ~/.rpmmacros, another time zone, locale and umask.
        folder, tmpfs = (os.path.join(self.folder.name, f) for f in ("hostile", "hostile-tmpfs"))
        os.mkdir(tmpfs)
        made = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             'mount -t tmpfs tmpfs "$1" && git clone -q "$2" "$1/charplay" && cd "$1/charplay" &&'
             ' scripts/tested.sh record "$(git rev-parse HEAD)" && umask 077 &&'
             ' scripts/release.sh && cp -r dist "$3"', "sh",
             tmpfs, SOURCE, folder],
            env=dict(hostile_environment(os.path.join(self.folder.name, "home")),
                     TZ="Pacific/Auckland", LC_ALL="C"),
            capture_output=True, text=True, timeout=1500)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr[-3000:])
        self.assert_the_same_release(folder)

    def test_the_release_built_again_from_its_source_archive_gives_the_same_bytes(self):
        # From the published files alone, in another folder, with another
        # time zone, locale and umask, minutes later, with a newer FFmpeg
        # installed than the one the release was built from.
        again = os.path.join(self.folder.name, "again")
        status = os.path.join(self.folder.name, "status")
        with open("/var/lib/dpkg/status") as f:
            newer = re.sub(r"(\nPackage: libavcodec-dev\n(?:.+\n)*?Version: )\S+",
                           r"\g<1>7:5.1.99-0+deb12u9", f.read())
        with open(status, "w") as f:
            f.write(newer)
        checked = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             'mount --bind "$1" /var/lib/dpkg/status && umask 002 &&'
             ' dpkg-query -W -f "\\${Version}\n" libavcodec-dev && exec "$2" "$3" "$4"', "sh",
             status, os.path.join(self.clone, "scripts", "check-release.sh"), self.dist, again],
            env=dict(os.environ, TZ="Pacific/Auckland", LC_ALL="C"),
            capture_output=True, text=True, timeout=1500)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr[-3000:])
        self.assertEqual(checked.stdout.splitlines(), [
            "7:5.1.99-0+deb12u9", f"Every file {self.dist}/SHA256SUMS names is as published",
            "The tools and the Debian root here are those the release was built with",
            f"Built again from {SOURCES}: every file the same as in {self.dist}/SHA256SUMS"])
        self.assert_the_same_release(again)

    def test_a_release_built_again_in_a_fresh_debian_12_root_is_the_same(self):
        # A machine that has Debian 12's minimal installation alone: the
        # scripts install what they need. The cache (sysroots, the Debian
        # 11 root) is this one's.
        made = run("bash", "-c", "source scripts/sysroot/cache.sh && root_ready rebuilder bookworm"
                   ' amd64 false >&2 && echo "$root" && echo "$cache"', cwd=SOURCE)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        root, cache = made.stdout.split()
        folder = os.path.join(self.folder.name, "elsewhere")
        layers = [os.path.join(folder, layer) for layer in ("upper", "work", "merged", "again")]
        for layer in layers:
            os.makedirs(layer)
        with tarfile.open(os.path.join(self.dist, SOURCES)) as archive:
            archive.extractall(folder)
        tree = os.path.join(folder, f"charplay-{VERSION}-sources", f"charplay-{VERSION}")
        checked = subprocess.run(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             'mount -t overlay overlay -o "lowerdir=$1,upperdir=$2,workdir=$3" "$4" &&'
             ' cp /etc/resolv.conf "$4/etc/" && shift 4 && exec "$@"', "sh", root, *layers[:3],
             os.path.join(SOURCE, "scripts", "sysroot", "in-root.sh"), layers[2], cache,
             self.dist, tree, layers[3], "--",
             os.path.join(tree, "scripts", "check-release.sh"), self.dist, layers[3]],
            env=dict(os.environ, CHARPLAY_CACHE=cache), capture_output=True, text=True,
            timeout=3000)
        self.assertEqual(checked.returncode, 0, checked.stdout[-3000:] + checked.stderr[-3000:])
        self.assert_the_same_release(layers[3])

    def test_the_checker_names_what_was_changed_and_refuses_bad_input_in_a_line(self):
        published = os.path.join(self.folder.name, "published")
        shutil.copytree(self.dist, published, copy_function=os.link)
        sums = os.path.join(published, "SHA256SUMS")
        check = os.path.join(self.clone, "scripts", "check-release.sh")

        def refused(*arguments, status=1):
            checked = run(check, *arguments, cwd=self.folder.name)
            self.assertEqual((checked.returncode, checked.stdout), (status, ""), checked.stderr)
            self.assertEqual(len(checked.stderr.splitlines()), 1, checked.stderr)
            return checked.stderr.strip()

        def replaced(name, content):
            os.remove(os.path.join(published, name))
            with open(os.path.join(published, name), "wb") as f:
                f.write(content)

        with open(os.path.join(self.dist, ARTEFACTS[4]), "rb") as f:
            deb = bytearray(f.read())
        deb[len(deb) // 2] ^= 1
        replaced(ARTEFACTS[4], bytes(deb))
        self.assertRegex(refused(published), rf"changed since they were published\): {ARTEFACTS[4]}$")
        os.remove(os.path.join(published, ARTEFACTS[4]))
        os.link(os.path.join(self.dist, ARTEFACTS[4]), os.path.join(published, ARTEFACTS[4]))
        self.assertEqual(refused(status=2), "usage: check-release.sh DIR [OUT]")
        with open(sums) as f:
            lines = f.read().splitlines()
        replaced("SHA256SUMS", "\n".join(lines[:2] + [lines[2].replace("  ", " ")] + lines[3:]).encode())
        self.assertEqual(refused(published), f"check-release.sh: line 3 of {sums} is not a SHA-256"
                         " checksum and a file name")
        replaced("SHA256SUMS", "\n".join(lines[1:]).encode() + b"\n")
        self.assertEqual(refused(published), f"check-release.sh: {published} has {ARTEFACTS[0]},"
                         f" which {sums} does not name")
        os.remove(os.path.join(published, ARTEFACTS[0]))
        replaced("SHA256SUMS", "\n".join(lines).encode() + b"\n")
        self.assertEqual(refused(published), f"check-release.sh: {sums} names {ARTEFACTS[0]},"
                         f" which {published} does not have")
        os.remove(sums)
        self.assertEqual(refused(published), f"check-release.sh: {published} has no SHA256SUMS")

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
        # What built it is in the build record, not in what it ships.
        self.assertNotIn("libstdc++-10-dev", rebuild)
        with open(os.path.join(self.dist, RECORD)) as f:
            record = f.read()
        self.assertRegex(record, r"\nRoot-Packages:\n(?: \S+:\S+ \S+\n)* libstdc\+\+-10-dev:amd64 ")
        self.assertRegex(record, r"\nHost-Tools:\n(?: \S+:\S+ \S+\n)* xz-utils:amd64 ")
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

    def test_every_bill_of_materials_is_valid_and_lists_what_is_built_in_linked_or_loaded(self):
        with tempfile.TemporaryDirectory() as folder:
            installed = run("npm", "install", "--prefix", folder, "--no-audit", "--no-fund",
                            "--ignore-scripts", "--omit=optional", "@cyclonedx/cyclonedx-library@7",
                            "ajv@8", "ajv-formats@3", "ajv-formats-draft2019@1", "packageurl-js@2",
                            "spdx-expression-parse@4", cwd=folder)
            self.assertEqual(installed.returncode, 0, installed.stderr)
            boms = self.carried_boms(folder)
            release = os.path.join(self.dist, ARTEFACTS[-1])
            licence = run("rpm", "-qp", "--qf", "%{LICENSE}",
                          os.path.join(self.dist, ARTEFACTS[7]), cwd=folder).stdout
            checked = run("node", "-e", CHECK, licence, release, *boms.values(), cwd=folder)
            self.assertEqual((checked.returncode, checked.stdout), (0, ""), checked.stderr)
            with tarfile.open(os.path.join(self.dist, SOURCES)) as archive:
                versions = {}
                for member in archive.getmembers():
                    if member.name.endswith(".dsc"):
                        text = archive.extractfile(member).read().decode()
                        (version,) = re.findall(r"^Version: (\S+)$", text, re.M)
                        versions[re.search(r"/debian/([^_/]+)_", member.name)[1]] = version
            self.assertEqual(versions["ffmpeg"].split(":")[0], "7")
            for name, path in boms.items():
                with open(path) as f:
                    components = {c["name"]: c for c in json.load(f)["components"]}
                with self.subTest(name):
                    self.assertEqual(set(components),
                                     WINDOWS_COMPONENTS if ".zip" in name else LINUX_COMPONENTS)
                    self.assertEqual({n: c["version"] for n, c in components.items() if n in versions},
                                     {n: v for n, v in versions.items() if n in components})
            with open(release) as f:
                files = {c["name"]: c for c in json.load(f)["components"]}
            self.assertEqual(sorted(files), sorted(ARTEFACTS[:-1]))
            self.assertEqual(files[SOURCES]["hashes"][0]["content"],
                             run("sha256sum", os.path.join(self.dist, SOURCES), cwd=folder).stdout.split()[0])

    def test_the_exe_loads_nothing_but_windows_own_libraries(self):
        # Everything else it needs is linked in, and so listed in its bill.
        with tempfile.TemporaryDirectory() as folder:
            run("unzip", "-q", os.path.join(self.dist, ARTEFACTS[0]), cwd=folder)
            (exe,) = glob.glob(os.path.join(folder, "*", "charplay.exe"))
            dump = run("x86_64-w64-mingw32-objdump", "-p", exe, cwd=folder).stdout
        loaded = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(loaded)
        self.assertLessEqual(loaded, WINDOWS_DLLS)

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
