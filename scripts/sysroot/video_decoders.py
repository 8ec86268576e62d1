#!/usr/bin/env python3
"""The video decoders an FFmpeg source tree has of its own, without an
outside library or hardware: those its registry (libavcodec/allcodecs.c)
lists, each placed by its definition, wherever under libavcodec/ that is.
Prints them, comma-separated; fails, naming each, on a decoder it cannot
place, so that none drops out of a build unseen.

  video_decoders.py SOURCE_DIR"""
import os
import re
import sys

# The files that wrap a hardware API's decoders; a decoder defined in a
# lib*.c file wraps an outside library.
HARDWARE = {"audiotoolboxdec.c", "crystalhd.c", "cuviddec.c", "mediacodecdec.c", "mmaldec.c",
            "qsvdec.c", "rkmppdec.c", "v4l2_m2m_dec.c"}

COMMENT = re.compile(r"/\*.*?\*/|//[^\n]*", re.S)
LITERAL = re.compile(r"\bFFCodec\s+ff_(\w+)_decoder\s*=\s*\{(.*?)\};", re.S)
DEFINE = re.compile(r"^\s*#\s*define\s+\w+\(([^)]*)\)((?:[^\n]*\\\n)*[^\n]*)", re.M)
TEMPLATE = re.compile(r"\bFFCodec\s+(ff_[\w\s#]*_decoder)\s*=")


def media_type(body):
    """The media type a definition's body gives first, or None."""
    found = re.search(r"\bAVMEDIA_TYPE_(\w+)", body)
    return found.group(1) if found else None


def kind(path):
    name = os.path.basename(path)
    return "library" if name.startswith("lib") else "hardware" if name in HARDWARE else "native"


def definitions(libavcodec):
    """Each C file under libavcodec but the registry, by its path, without
    its comments."""
    for folder, folders, names in os.walk(libavcodec):
        folders.sort()
        for name in sorted(names):
            path = os.path.join(folder, name)
            if name.endswith(".c") and path != os.path.join(libavcodec, "allcodecs.c"):
                with open(path, encoding="latin-1") as f:
                    yield path, COMMENT.sub("", f.read())


def templates(text):
    """A file's macros that define decoders: for each, a pattern of the names
    it makes (a parameter stands for any word) and the media type it gives."""
    for parameters, body in DEFINE.findall(text):
        made = TEMPLATE.search(body)
        if not made:
            continue
        names = {p.strip() for p in parameters.split(",")}
        pieces = re.sub(r"\s", "", made.group(1)).split("##")
        pattern = "".join(r"(\w+)" if piece in names else re.escape(piece) for piece in pieces)
        yield re.compile(pattern), media_type(body)


def placed(source_dir):
    """Each decoder of the registry, by name, with what its definitions
    make of it: a set of (media type, kind) pairs; empty where none was found."""
    libavcodec = os.path.join(source_dir, "libavcodec")
    with open(os.path.join(libavcodec, "allcodecs.c"), encoding="latin-1") as f:
        registry = COMMENT.sub("", f.read())
    listed = sorted(set(re.findall(r"\bff_(\w+)_decoder\b", registry)))
    literal, made = {}, {}
    for path, text in definitions(libavcodec):
        for name, body in LITERAL.findall(text):
            literal.setdefault(name, set()).add((media_type(body), kind(path)))
        words = set(re.findall(r"\w+", text))
        for pattern, media in templates(text):
            for name in listed:
                # An invocation names each part a parameter stands for.
                match = pattern.fullmatch(f"ff_{name}_decoder")
                if match and all(part in words for part in match.groups()):
                    made.setdefault(name, set()).add((media, kind(path)))
    return {name: literal.get(name) or made.get(name, set()) for name in listed}


def unplaced(found):
    """Why a decoder with these placings cannot be placed, or None."""
    if not found:
        return "no definition found"
    if len(found) > 1 or None in next(iter(found)):
        return "defined as " + ", ".join(sorted(f"{media} {kind}" for media, kind in found))
    return None


def native_video_decoders(source_dir):
    """The registry's native video decoders, sorted; raises ValueError
    naming each decoder that cannot be placed."""
    places = placed(source_dir)
    faults = [f"{name} ({unplaced(found)})" for name, found in places.items() if unplaced(found)]
    if faults:
        raise ValueError("cannot tell what these decoders are: " + "; ".join(faults))
    return sorted(name for name, found in places.items() if found == {("VIDEO", "native")})


if __name__ == "__main__":
    try:
        print(",".join(native_video_decoders(sys.argv[1])))
    except ValueError as e:
        sys.exit(f"video_decoders.py: {e}")
