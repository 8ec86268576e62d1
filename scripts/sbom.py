#!/usr/bin/env python3
"""Writes the bill of materials (CycloneDX 1.5, JSON) of one artefact, or
of a whole release, from what its build used.

  sbom.py artefact OUT NAME VERSION SOURCES DISTRO SYSROOT PACKAGE... [-- DEB...]
      NAME: the artefact (charplay-0.2.0-linux-x86_64); SOURCES: the folder
      of the Debian source packages the sysroot was built from, those of
      DISTRO (debian-12); SYSROOT: the sysroot (its FFmpeg configure line
      says FFmpeg's licence); PACKAGE: a source package built into it
      (ffmpeg, dav1d, ...), with its patches from
      scripts/sysroot/PACKAGE-*.patch; DEB: a Debian binary package it was
      built with, as SCOPE/DISTRO/PACKAGE/ARCH/VERSION/SOURCE/SOURCE_VERSION
      (dpkg-query's fields), SCOPE being "linked" (inside it), "required"
      (loaded from the system) or "optional" (loaded where it is there).
  sbom.py release OUT VERSION FILE...
      the release: each FILE, its hash, and its components, as the bill of
      materials inside the zip or archive (of a package's architecture)
      says, or, for the source archive, everything built in.

Times come from SOURCE_DATE_EPOCH, so that the same build gives the same
bytes.
"""
import datetime
import glob
import hashlib
import json
import os
import re
import sys
import tarfile
import urllib.parse
import uuid
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
# What each source package is under, as charplay builds, links or loads it.
LICENCES = {
    "dav1d": "BSD-2-Clause",
    "opencv": "Apache-2.0",
    "openssl": "Apache-2.0",
    "zlib": "Zlib",
    "libz-mingw-w64": "Zlib",
    "mingw-w64": "ZPL-2.1 AND MIT AND BSD-3-Clause",
    "gcc-mingw-w64": "GPL-3.0-or-later WITH GCC-exception-3.1",
    "gcc-10": "GPL-3.0-or-later WITH GCC-exception-3.1",
    "glibc": "LGPL-2.1-or-later",
    "gtk+3.0": "LGPL-2.1-or-later",
    "glib2.0": "LGPL-2.1-or-later",
    "gdk-pixbuf": "LGPL-2.1-or-later",
    "cairo": "LGPL-2.1-only OR MPL-1.1",
}
# What the sysroots build from Debian's sources, which the source archive carries.
BUILT = ("ffmpeg", "dav1d", "opencv", "openssl")
SCOPES = {"linked": ("inside", None), "required": ("from the system", "required"),
          "optional": ("from the system, where it is there", "optional")}


def quoted(text, safe):
    """text percent-encoded, but for letters, digits and safe."""
    return urllib.parse.quote(text, safe=safe)


def purl(name, version, arch, distro):
    """A Debian package's purl, in the canonical form of packageurl's own
    libraries (packageurl-js): the name as encodeURIComponent leaves it,
    ':' and '+' kept in the version, the qualifiers sorted and
    form-encoded."""
    qualifiers = "&".join(f"{key}={quoted(value, '*-._')}" for key, value
                          in sorted({"arch": arch, "distro": distro}.items()))
    return (f"pkg:deb/debian/{quoted(name.lower(), '-_.!~*()' + chr(39))}"
            f"@{quoted(version, '-_.!~*()+:' + chr(39))}?{qualifiers}")


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def ffmpeg_licence(sysroot):
    with open(os.path.join(sysroot, "share", "charplay", "ffmpeg-configure.txt")) as f:
        line = f.read()
    if "--enable-gpl" in line or "--enable-nonfree" in line:
        sys.exit("sbom.py: FFmpeg is not built under the LGPL")
    return "LGPL-3.0-or-later" if "--enable-version3" in line else "LGPL-2.1-or-later"


def dsc_version(dsc):
    """The version a .dsc file names, epoch included (its file name has none)."""
    with open(dsc) as f:
        (version,) = re.findall(r"^Version: (\S+)$", f.read(), re.M)
    return version


def built(package, sources, distro, sysroot):
    (dsc,) = glob.glob(os.path.join(sources, f"{package}_*.dsc"))
    version = dsc_version(dsc)
    licence = ffmpeg_licence(sysroot) if package == "ffmpeg" else LICENCES[package]
    reference = purl(package, version, "source", distro)
    component = {"type": "library", "bom-ref": reference, "name": package, "version": version,
                 "licenses": [{"expression": licence}], "purl": reference,
                 "properties": [{"name": "charplay:linked", "value": "inside"}]}
    patches = sorted(glob.glob(os.path.join(HERE, "sysroot", f"{package}-*.patch")))
    if patches:
        component["pedigree"] = {"patches": [
            {"type": "unofficial", "diff": {"url": f"scripts/sysroot/{os.path.basename(p)}"}}
            for p in patches]}
        component["properties"] += [
            {"name": "charplay:patch", "value": f"{os.path.basename(p)} sha256:{sha256(p)}"}
            for p in patches]
    return component


def debian(entry):
    """A Debian binary package, named as it is installed, with the source
    package it is built from."""
    scope, distro, binary, arch, version, source, source_version = entry.split("/", 6)
    linked, required = SCOPES[scope]
    reference = purl(binary, version, arch, distro)
    component = {"type": "library", "bom-ref": reference, "name": binary, "version": version,
                 "licenses": [{"expression": LICENCES[source]}], "purl": reference,
                 "properties": [{"name": "charplay:linked", "value": linked},
                                {"name": "charplay:debian-source",
                                 "value": f"{source} {source_version}"}]}
    if required:
        component["scope"] = required
    return component


def document(version, component, components, dependencies):
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    bom = {"bomFormat": "CycloneDX", "specVersion": "1.5", "version": 1,
           "metadata": {"timestamp": datetime.datetime.fromtimestamp(
                            epoch, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
                        "component": component},
           "components": components, "dependencies": dependencies}
    # Named by its content: the same build, the same document.
    content = json.dumps(bom, sort_keys=True)
    bom["serialNumber"] = uuid.uuid5(uuid.NAMESPACE_URL, "charplay:" + content).urn
    return bom


def charplay(name, version):
    return {"type": "application", "bom-ref": "charplay", "name": "charplay", "version": version,
            "description": name, "licenses": [{"expression": "MIT"}],
            "purl": f"pkg:generic/charplay@{version}"}


def artefact(out, name, version, sources, distro, sysroot, rest):
    packages, debs = (rest[:rest.index("--")], rest[rest.index("--") + 1:]) if "--" in rest \
        else (rest, [])
    components = [built(p, sources, distro, sysroot) for p in packages] + \
        [debian(d) for d in debs]
    refs = [c["bom-ref"] for c in components]
    dependencies = [{"ref": "charplay", "dependsOn": refs}] + \
        [{"ref": ref, "dependsOn": []} for ref in refs]
    write(out, document(version, charplay(name, version), components, dependencies))


def carried(path):
    """The bill of materials inside a zip or a portable archive."""
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            (name,) = [n for n in z.namelist() if n.endswith("/charplay.cdx.json")]
            return json.loads(z.read(name))
    with tarfile.open(path) as t:
        (member,) = [m for m in t.getmembers() if m.name.endswith("/charplay.cdx.json")]
        return json.load(t.extractfile(member))


def release(out, version, files):
    """A package holds the files of the archive of its architecture; the
    source archive, the sources of everything built in."""
    archives = {re.sub(r".*-linux-(\w+)\.tar\.xz$", r"\1", f): f for f in files
                if re.search(r"-linux-\w+\.tar\.xz$", f)}
    of_package = {"amd64": "x86_64", "arm64": "aarch64", "armhf": "armv7l"}
    inside, built = {}, {}
    for path in files:
        name = os.path.basename(path)
        if name.endswith((".zip", ".tar.xz")) and not name.endswith("-sources.tar.xz"):
            inside[path] = carried(path)["components"]
            built.update({c["bom-ref"]: c for c in inside[path] if c["name"] in BUILT})
    components = []
    for path in files:
        name = os.path.basename(path)
        package = re.search(r"_(\w+)\.deb$|\.(\w+)\.rpm$", name)
        if package:
            arch = package.group(1) or package.group(2)
            nested = inside[archives[of_package.get(arch, arch)]]
        elif name.endswith("-sources.tar.xz"):
            nested = sorted(built.values(), key=lambda c: c["bom-ref"])
        else:
            nested = inside[path]
        components.append({"type": "file", "bom-ref": name, "name": name, "version": version,
                           "hashes": [{"alg": "SHA-256", "content": sha256(path)}],
                           "components": [dict(c, **{"bom-ref": f"{name}/{c['bom-ref']}"})
                                          for c in nested]})
    dependencies = [{"ref": "charplay", "dependsOn": [c["bom-ref"] for c in components]}]
    dependencies += [{"ref": c["bom-ref"], "dependsOn": []} for c in components]
    write(out, document(version, charplay(f"charplay-{version}", version), components,
                        dependencies))


def write(out, bom):
    with open(out, "w") as f:
        json.dump(bom, f, indent=2, sort_keys=True)
        f.write("\n")


if __name__ == "__main__":
    if sys.argv[1] == "artefact":
        artefact(*sys.argv[2:8], sys.argv[8:])
    elif sys.argv[1] == "release":
        release(sys.argv[2], sys.argv[3], sys.argv[4:])
    else:
        sys.exit(__doc__)
