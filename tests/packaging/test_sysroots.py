"""The FFmpeg of each sysroot in the cache registers every video decoder
that FFmpeg's own source has without an outside library or hardware,
compared by the source's own names, not by the names decoders go by; and,
run on its own (an hour: the label rebuild), each sysroot built again
elsewhere gives the same libraries."""
import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest

from tests.packaging.test_release import SOURCE, hostile_environment, run, sysroot_and_sources

sys.path.insert(0, os.path.join(SOURCE, "scripts", "sysroot"))
from video_decoders import native_video_decoders  # noqa: E402 (the build's own)

NM = {"windows": "x86_64-w64-mingw32-nm", "linux": "nm", "linux-aarch64": "nm",
      "linux-armhf": "nm"}


def ffmpeg_tree(sources, folder):
    """FFmpeg's source tree from the orig tarball in sources, unpacked in
    folder; the tree's path."""
    with tarfile.open(glob.glob(f"{sources}/ffmpeg_*.orig.tar.xz")[0]) as tar:
        tar.extractall(folder, [member for member in tar
                                if re.match(r"[^/]+/libavcodec/", member.name)])
    (tree,) = glob.glob(os.path.join(folder, "ffmpeg-*"))
    return tree


def fetched_sources():
    """The folder of the source packages this machine builds, once fetched."""
    found = run("bash", "-c", "source scripts/sysroot/cache.sh && versions=$(source_versions) &&"
                ' sources_ready "$versions" true && echo "$sources"', cwd=SOURCE)
    if found.returncode == 3:
        raise unittest.SkipTest("the source packages are not fetched: scripts/sysroot/prefetch.sh")
    if found.returncode != 0:
        raise AssertionError(found.stdout + found.stderr)
    return found.stdout.strip()


def registered_decoders(nm, library):
    """The decoders FFmpeg's list of codecs (allcodecs.o) refers to."""
    symbols = subprocess.run([nm, "-A", library], capture_output=True, text=True)
    # nm fails on members without symbols, such as NASM's objects of x86-32-only code
    errors = [line for line in symbols.stderr.splitlines() if not line.endswith(": no symbols")]
    if symbols.returncode != 0 and (errors or not symbols.stdout):
        raise AssertionError(f"{nm} {library}: {symbols.stderr}")
    return set(re.findall(r"allcodecs\.o:\s+U ff_(\w+)_decoder$", symbols.stdout, re.M))


class EachTarget:
    """A test a target, so that ctest runs and reports each on its own:
    each calls check(target)."""
    def test_windows(self):
        self.check("windows")

    def test_linux(self):
        self.check("linux")

    def test_linux_aarch64(self):
        self.check("linux-aarch64")

    def test_linux_armhf(self):
        self.check("linux-armhf")


class Decoders(EachTarget, unittest.TestCase):
    def check(self, target):
        sysroot, sources = sysroot_and_sources(target)
        with tempfile.TemporaryDirectory() as folder:
            native = set(native_video_decoders(ffmpeg_tree(sources, folder)))
        self.assertGreater(len(native), 250)
        registered = registered_decoders(NM[target], f"{sysroot}/lib/libavcodec.a")
        self.assertEqual(sorted(native - registered), [])
        self.assertIn("libdav1d", registered)


class DecoderList(unittest.TestCase):
    """The build's list of decoders in FFmpeg's tree as newer versions lay
    it out, and where FFmpeg's registry names what it cannot place."""
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.tree = ffmpeg_tree(fetched_sources(), folder.name)
        self.libavcodec = os.path.join(self.tree, "libavcodec")
        self.native = native_video_decoders(self.tree)

    def test_a_decoder_defined_in_a_subfolder_is_found(self):
        # As FFmpeg 7.1 keeps HEVC's.
        os.mkdir(os.path.join(self.libavcodec, "hevc"))
        shutil.move(os.path.join(self.libavcodec, "hevcdec.c"),
                    os.path.join(self.libavcodec, "hevc", "hevcdec.c"))
        self.assertIn("hevc", self.native)
        self.assertEqual(native_video_decoders(self.tree), self.native)

    def test_a_decoder_it_cannot_place_fails_the_list(self):
        with open(os.path.join(self.libavcodec, "allcodecs.c"), "a") as f:
            f.write("extern const FFCodec ff_vvc_decoder;\n")
        with open(os.path.join(self.libavcodec, "pcm.c"), "a") as f:
            f.write("const FFCodec ff_hevc_decoder = { .p.type = AVMEDIA_TYPE_AUDIO };\n")
        with self.assertRaisesRegex(ValueError, r"^cannot tell what these decoders are: "
                                    r"hevc \(defined as AUDIO native, VIDEO native\); "
                                    r"vvc \(no definition found\)$"):
            native_video_decoders(self.tree)


def built_again(target, sources, cache, clone):
    """The sysroot of target built in cache by clone, with the source packages
    in sources and the Debian roots of this machine's cache."""
    for root in glob.glob(os.path.join(os.path.dirname(sources), "root-*")):
        os.symlink(root, os.path.join(cache, os.path.basename(root)))
    # Every variable that could change what compilers and build systems
    # make is set to something that would.
    env = dict(hostile_environment(os.path.join(cache, "home")), CHARPLAY_CACHE=cache,
               CHARPLAY_SOURCE_PACKAGES=sources, TZ="Pacific/Auckland", LC_ALL="C")
    built = subprocess.run(["bash", "-c", f'source scripts/sysroot/cache.sh && umask 002 &&'
                            f' sysroot_ready {target} false >&2 && echo "$sysroot"'],
                           cwd=clone, env=env, capture_output=True, text=True, timeout=5400)
    if built.returncode != 0:
        raise AssertionError(built.stdout + built.stderr[-3000:])
    return built.stdout.strip()


def differing(first, second):
    """The files of two sysroots that differ, or are in one alone, but for
    what pkg-config and CMake read, which names where each sysroot is."""
    names = set()
    for top in (first, second):
        for folder, _, files in os.walk(top):
            names.update(os.path.relpath(os.path.join(folder, name), top) for name in files)
    return sorted(name for name in names
                  if not name.endswith((".pc", ".cmake")) and
                  not (os.path.isfile(os.path.join(first, name)) and
                       os.path.isfile(os.path.join(second, name)) and
                       filecmp.cmp(os.path.join(first, name), os.path.join(second, name),
                                   shallow=False)))


class BuiltAgain(EachTarget, unittest.TestCase):
    """Another cache folder, another clone, another time, time zone, locale
    and umask, and a hostile environment: the same libraries, byte for
    byte."""
    def check(self, target):
        sysroot, sources = sysroot_and_sources(target)
        with tempfile.TemporaryDirectory() as folder:
            clone, cache = os.path.join(folder, "clone"), os.path.join(folder, "cache")
            os.mkdir(cache)
            run("git", "clone", "-q", SOURCE, clone, cwd=folder)
            again = built_again(target, sources, cache, clone)
            different = differing(sysroot, again)
            if different:
                shown = run("diffoscope", "--text", "-", os.path.join(sysroot, different[0]),
                            os.path.join(again, different[0]), cwd=folder)
                self.fail("\n".join(different + shown.stdout.splitlines()[:60]))


if __name__ == "__main__":
    unittest.main()
