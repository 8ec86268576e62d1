"""The FFmpeg of each sysroot in the cache registers every video decoder
that FFmpeg's own source has without an outside library or hardware,
compared by the source's own names, not by the names decoders go by."""
import glob
import re
import subprocess
import tarfile
import unittest

from tests.packaging.test_release import sysroot_and_sources

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
    symbols = subprocess.run([nm, "-A", library], capture_output=True, text=True, check=True)
    return set(re.findall(r"allcodecs\.o:\s+U ff_(\w+)_decoder$", symbols.stdout, re.M))


class Decoders(unittest.TestCase):
    def test_every_native_video_decoder_is_in_every_sysroot(self):
        for target, nm in NM.items():
            with self.subTest(target):
                sysroot, sources = sysroot_and_sources(target)
                native = native_video_decoders(glob.glob(f"{sources}/ffmpeg_*.orig.tar.xz")[0])
                self.assertGreater(len(native), 250)
                registered = registered_decoders(nm, f"{sysroot}/lib/libavcodec.a")
                self.assertEqual(sorted(native - registered), [])
                self.assertIn("libdav1d", registered)


if __name__ == "__main__":
    unittest.main()
