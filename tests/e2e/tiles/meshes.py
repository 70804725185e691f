#!/usr/bin/env python3
"""Mesh checks for the zeq-tiles end-to-end test.

  meshes.py to-ply IN.(smf|off) OUT.ply     binary little-endian PLY, doubles
  meshes.py same-faces A B                  equal multisets of faces
  meshes.py tiles-cover INPUT DIR           every face in exactly one tile
  meshes.py same-boundary INPUT MERGED      equal boundary edges
  meshes.py grid N OUT.ply                  a wavy open N x N grid (2 N^2 faces)

Faces are compared as triples of corner positions, corners in their order;
edges as unordered pairs of positions. SMF written by zeq holds coordinates
as printf's %g writes them, so for an SMF or OFF pair the input's positions
are taken through %g when the other file's are.
"""
import collections
import glob
import os
import struct
import sys


def read(path):
    if path.lower().endswith(".ply"):
        return read_ply(path)
    with open(path) as f:
        words = f.read().split()
    if path.lower().endswith("off"):
        nv, nf = int(words[1]), int(words[2])
        at = 4
        pos = [tuple(float(w) for w in words[at + 3 * i: at + 3 * i + 3]) for i in range(nv)]
        at += 3 * nv
        faces = []
        for _ in range(nf):
            faces.append(tuple(int(w) for w in words[at + 1: at + 4]))
            at += 4
        return pos, faces
    pos, faces = [], []
    with open(path) as f:
        for line in f:
            w = line.split()
            if not w:
                continue
            if w[0] == "v":
                pos.append(tuple(float(x) for x in w[1:4]))
            elif w[0] == "f":
                faces.append(tuple(int(x) - 1 for x in w[1:4]))
    return pos, faces


def read_ply(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    header = data[:end].decode().split("\n")
    nv = nf = 0
    vtype = "d"
    for line in header:
        w = line.split()
        if w[:2] == ["element", "vertex"]:
            nv = int(w[2])
        elif w[:2] == ["element", "face"]:
            nf = int(w[2])
        elif w[:2] == ["property", "float"]:
            vtype = "f"
    assert "format binary_little_endian 1.0" in header
    size = struct.calcsize("<" + vtype)
    pos = [struct.unpack_from("<3" + vtype, data, end + 3 * size * i) for i in range(nv)]
    at = end + 3 * size * nv
    faces = []
    for _ in range(nf):
        assert data[at] == 3
        faces.append(struct.unpack_from("<3i", data, at + 1))
        at += 13
    return pos, faces


def write_ply(path, pos, faces):
    with open(path, "wb") as f:
        f.write(("ply\nformat binary_little_endian 1.0\nelement vertex %d\nproperty double x\n"
                 "property double y\nproperty double z\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n" % (len(pos), len(faces))).encode())
        for p in pos:
            f.write(struct.pack("<3d", *p))
        for c in faces:
            f.write(struct.pack("<B3i", 3, *c))


def write_grid(path, n):
    """A height field over the unit square, rows of n cells, each cell split
    along alternating diagonals: an open surface whose boundary is the
    square's rim."""
    import math
    pos = [(i / n, j / n, 0.05 * math.sin(7.0 * i / n) * math.cos(5.0 * j / n))
           for j in range(n + 1) for i in range(n + 1)]
    faces = []
    for j in range(n):
        for i in range(n):
            a, b = j * (n + 1) + i, j * (n + 1) + i + 1
            c, d = a + n + 1, b + n + 1
            if (i + j) % 2 == 0:
                faces += [(a, b, d), (a, d, c)]
            else:
                faces += [(a, b, c), (b, d, c)]
    write_ply(path, pos, faces)


def rounded(p):
    return tuple(float("%g" % x) for x in p)


def face_set(path, through_g=False):
    pos, faces = read(path)
    if through_g:
        pos = [rounded(p) for p in pos]
    return collections.Counter(tuple(pos[c] for c in f) for f in faces)


def boundary(path, through_g=False):
    pos, faces = read(path)
    if through_g:
        pos = [rounded(p) for p in pos]
    count = collections.Counter()
    for f in faces:
        for k in range(3):
            a, b = pos[f[k]], pos[f[(k + 1) % 3]]
            count[(min(a, b), max(a, b))] += 1
    return {e for e, n in count.items() if n == 1}


def main():
    cmd = sys.argv[1]
    if cmd == "to-ply":
        pos, faces = read(sys.argv[2])
        write_ply(sys.argv[3], pos, faces)
    elif cmd == "same-faces":
        a, b = face_set(sys.argv[2]), face_set(sys.argv[3])
        if a != b:
            sys.exit("faces differ: %d against %d" % (sum(a.values()), sum(b.values())))
    elif cmd == "tiles-cover":
        inp = face_set(sys.argv[2])
        ext = os.path.splitext(sys.argv[2])[1]
        tiles = collections.Counter()
        for t in sorted(glob.glob(os.path.join(sys.argv[3], "tile-*" + ext))):
            tiles += face_set(t)
        if tiles != inp:
            sys.exit("tiles hold %d faces, input %d, or other faces" % (sum(tiles.values()), sum(inp.values())))
    elif cmd == "same-boundary":
        text = not sys.argv[2].lower().endswith(".ply")
        a, b = boundary(sys.argv[2], through_g=text), boundary(sys.argv[3])
        if a != b:
            sys.exit("boundary edges differ: input %d, merged %d, %d only in the merged mesh"
                     % (len(a), len(b), len(b - a)))
        print("boundary edges: %d" % len(a))
    elif cmd == "grid":
        write_grid(sys.argv[3], int(sys.argv[2]))
    else:
        sys.exit("unknown command " + cmd)


main()
