#!/usr/bin/env python3
"""Checks that programs written elsewhere read every PLY, STL and OBJ file
zeq writes, with the vertex and face counts zeq printed.

usage: check_readers.py ZEQ_BINARY

The readers are meshio (Debian: python3-meshio) and assimp's command-line
tool (Debian: assimp-utils). When either is missing and this runs as root,
it runs "apt-get update" once and installs both; when they still cannot be
had, the test fails: a reader check that silently does nothing proves
nothing.

zeq simplifies the bunny (3,674 faces) to 1,837 faces from each input
flavour: PLY text, binary little-endian and binary big-endian, each with
float and with double coordinates; STL text and binary; OBJ. The input is
written by check_equivalence.py's writers. For each output:
  - meshio: points and triangles equal zeq's printed vertex and face counts.
    Its STL reader merges corners with equal coordinates, as zeq's does, so
    it finds the vertices too (this file checks first that no two of them
    share a position, which would make that count smaller).
  - assimp info (with its default post-processing, which joins identical
    vertices): faces equal zeq's count; vertices equal it for PLY and OBJ.
    For STL assimp reports three vertices per face: its STL importer gives
    every facet its own three corners, each carrying the facet normal, and
    joining merges only vertices whose every attribute is equal, so corners
    of neighbouring facets (different normals) stay apart.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

import check_equivalence as eq  # noqa: E402  (the input writers)

MESH = "bunny.smf"
TARGET = 1837
MESHIO_SCRIPT = r"""
import sys, meshio
for name in sys.argv[1:]:
    m = meshio.read(name)
    kinds = sorted(set(c.type for c in m.cells))
    faces = sum(len(c.data) for c in m.cells if c.type == "triangle")
    print(name, len(m.points), faces, ",".join(kinds))
"""


def meshio_python():
    """An interpreter that can import meshio: Debian's package installs it
    for the system python3, which need not be the first one on the path."""
    candidates = ["/usr/bin/python3", sys.executable, shutil.which("python3")]
    for python in candidates:
        if python and os.path.exists(python) and subprocess.run(
                [python, "-c", "import meshio"], stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL).returncode == 0:
            return python
    return None


def ensure_readers():
    python, assimp = meshio_python(), shutil.which("assimp")
    if python and assimp:
        return python, assimp
    if os.geteuid() != 0 or not shutil.which("apt-get"):
        print("FAIL: meshio and assimp are needed (Debian: python3-meshio "
              "assimp-utils) and cannot be installed here (not root or no "
              "apt-get)")
        return None, None
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    for cmd in (["apt-get", "update", "-qq"],
                ["apt-get", "install", "-y", "-qq", "--no-install-recommends",
                 "python3-meshio", "assimp-utils"]):
        p = subprocess.run(cmd, env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT)
        if p.returncode != 0:
            print("FAIL: %s exited with %d:\n%s" % (" ".join(cmd),
                                                     p.returncode,
                                                     p.stdout.decode()[-2000:]))
            return None, None
    python, assimp = meshio_python(), shutil.which("assimp")
    if not (python and assimp):
        print("FAIL: meshio or assimp still missing after installing them")
        return None, None
    return python, assimp


def printed_counts(stdout):
    """The simplified counts zeq printed: (vertices, faces)."""
    m = re.search(r"Simplified Mesh: \n (-?\d+) <Vertices>\n (-?\d+) <Edges>"
                  r"\n (-?\d+) <Faces>\n", stdout)
    return (int(m.group(1)), int(m.group(3))) if m else None


def inputs():
    vertices, faces = eq.load_mesh(os.path.join(eq.MESHES, MESH))
    fv = [tuple(eq.f32(c) for c in v) for v in vertices]
    out = {}
    for enc, tag in (("ascii", "ascii"), ("binary_little_endian", "le"),
                     ("binary_big_endian", "be")):
        out["%s-double.ply" % tag] = eq.plain_ply(enc, "double", vertices,
                                                  faces)
        out["%s-float.ply" % tag] = eq.plain_ply(enc, "float", fv, faces)
    out["text.stl"] = eq.stl_text("bunny", vertices, faces)
    out["binary.stl"] = eq.stl_binary(fv, faces, b"binary STL of the bunny")
    out["exported.obj"] = eq.obj_text("bunny", vertices, faces)
    return out


def distinct_stl_positions(data):
    if data.startswith(b"solid"):
        positions = re.findall(rb"vertex (\S+) (\S+) (\S+)", data)
        return len(set(tuple(float(x) for x in p) for p in positions))
    (n,) = struct.unpack("<I", data[80:84])
    positions = set()
    for k in range(n):
        rec = struct.unpack("<12f", data[84 + 50 * k:132 + 50 * k])
        positions.update((rec[3:6], rec[6:9], rec[9:12]))
    return len(positions)


def main():
    if len(sys.argv) != 2:
        print("usage: check_readers.py ZEQ_BINARY")
        return 2
    zeq = os.path.abspath(sys.argv[1])
    python, assimp = ensure_readers()
    if not python:
        return 1
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)
            print("FAIL: " + what)

    work = tempfile.mkdtemp(prefix="zeq-readers-")
    try:
        expected = {}
        for name, data in inputs().items():
            with open(os.path.join(work, "in-" + name), "wb") as f:
                f.write(data)
            out = "out-" + name
            # The exporter-style OBJ's texture coordinates, normals and
            # materials are carried into its output by default, and the
            # readers would count its corners' distinct values; the counts
            # checked here are those of positions alone.
            carry = ["--no-attributes"] if name.endswith(".obj") else []
            p = subprocess.run([zeq] + carry + ["-N", str(TARGET), "in-" + name, out],
                               cwd=work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            counts = printed_counts(p.stdout.decode("latin-1"))
            check(p.returncode == 0 and counts is not None and
                  os.path.exists(os.path.join(work, out)),
                  "%s: zeq exited with %d:\n%s%s" % (
                      name, p.returncode, p.stdout.decode("latin-1"),
                      p.stderr.decode("latin-1")))
            if counts is None or not os.path.exists(os.path.join(work, out)):
                continue
            expected[out] = counts
            if name.endswith(".stl"):
                with open(os.path.join(work, out), "rb") as f:
                    check(distinct_stl_positions(f.read()) == counts[0],
                          "%s: two written vertices share a position; the "
                          "merged count cannot be compared" % out)

        names = sorted(expected)
        p = subprocess.run([python, "-c", MESHIO_SCRIPT] + names, cwd=work,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        check(p.returncode == 0, "meshio failed:\n%s" % p.stderr.decode())
        seen = set()
        for line in p.stdout.decode().splitlines():
            name, points, faces, kinds = line.split(" ")
            seen.add(name)
            v, f = expected[name]
            check((int(points), int(faces), kinds) == (v, f, "triangle"),
                  "meshio reads %s as %s points, %s triangles (cells: %s); "
                  "zeq printed %d vertices, %d faces"
                  % (name, points, faces, kinds, v, f))
        check(seen == set(names), "meshio read only %s of %s"
              % (sorted(seen), names))

        for name in names:
            p = subprocess.run([assimp, "info", name], cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            text = p.stdout.decode("latin-1")
            got_v = re.search(r"^Vertices:\s+(\d+)$", text, re.M)
            got_f = re.search(r"^Faces:\s+(\d+)$", text, re.M)
            v, f = expected[name]
            want_v = 3 * f if name.endswith(".stl") else v
            check(p.returncode == 0 and got_v and got_f and
                  (int(got_v.group(1)), int(got_f.group(1))) == (want_v, f),
                  "assimp info %s: %s vertices, %s faces; expected %d, %d "
                  "(zeq printed %d vertices)\n%s" % (
                      name, got_v and got_v.group(1), got_f and got_f.group(1),
                      want_v, f, v, (text + p.stderr.decode())[-1500:]))
        check(len(names) == 9, "only %d outputs were written" % len(names))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d outputs read by meshio and assimp, %d failures"
          % (len(expected), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
