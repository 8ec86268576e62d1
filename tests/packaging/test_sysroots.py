"""The FFmpeg of each sysroot in the cache registers every video decoder
that FFmpeg's own source has without an outside library or hardware,
compared by the source's own names, not by the names decoders go by; and,
run on its own (an hour: the label rebuild), each sysroot built again
elsewhere gives the same libraries."""
import filecmp
import glob
import os
import re
import subprocess
import tarfile
import tempfile
import unittest

from tests.packaging.test_release import SOURCE, run, sysroot_and_sources

NM = {"windows": "x86_64-w64-mingw32-nm", "linux": "nm", "linux-aarch64": "nm",
      "linux-armhf": "nm"}


def native_video_decoders(orig_tarball):
    """The decoders allcodecs.c lists whose definition is of video, less
    those of outside libraries (lib*); hardware ones are defined through
    macros, which this does not read."""
    texts = {}
    with tarfile.open(orig_tarball) as tar:
        for member in tar:
            if re.fullmatch(r"[^/]+/libavcodec/[^/]+\.c", member.name):
                texts[member.name.split("/", 1)[1]] = tar.extractfile(member).read().decode("latin-1")
    listed = set(re.findall(r"\bff_(\w+)_decoder;", texts["libavcodec/allcodecs.c"]))
    video = set()
    for text in texts.values():
        for name, body in re.findall(r"^const FFCodec ff_(\w+)_decoder\s*=\s*\{(.*?)^\};", text,
                                     re.M | re.S):
            kind = re.search(r"AVMEDIA_TYPE_(\w+)", body)
            if kind and kind.group(1) == "VIDEO":
                video.add(name)
    return {name for name in listed & video if not name.startswith("lib")}


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
        native = native_video_decoders(glob.glob(f"{sources}/ffmpeg_*.orig.tar.xz")[0])
        self.assertGreater(len(native), 250)
        registered = registered_decoders(NM[target], f"{sysroot}/lib/libavcodec.a")
        self.assertEqual(sorted(native - registered), [])
        self.assertIn("libdav1d", registered)


def built_again(target, sources, cache, clone):
    """The sysroot of target built in cache by clone, with the source packages
    in sources and the Debian roots of this machine's cache."""
    for root in glob.glob(os.path.join(os.path.dirname(sources), "root-*")):
        os.symlink(root, os.path.join(cache, os.path.basename(root)))
    env = dict(os.environ, CHARPLAY_CACHE=cache, CHARPLAY_SOURCE_PACKAGES=sources,
               TZ="Pacific/Auckland", LC_ALL="C")
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
    and umask: the same libraries, byte for byte."""
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
