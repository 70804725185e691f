#!/usr/bin/env python3
"""Writes a closed torus as binary little-endian PLY (float coordinates) or as
SMF text, by the output's name.

usage: make_torus.py N M OUT.ply|OUT.smf

N points around the tube, M around the ring: N*M vertices and 2*N*M
triangles, vertex i*M + j at tube angle 2*pi*i/N and ring angle 2*pi*j/M
(ring radius 1, tube radius 0.4), two triangles per grid cell wound the same
way. Only the size and the closed, two-manifold shape matter to the tests that
use it; the coordinates need not match any other generator's.
"""
import math
import struct
import sys


def torus(n, m):
    points = []
    for i in range(n):
        u = 2 * math.pi * i / n
        radius = 1 + 0.4 * math.cos(u)
        z = 0.4 * math.sin(u)
        for j in range(m):
            v = 2 * math.pi * j / m
            points.append((radius * math.cos(v), radius * math.sin(v), z))
    faces = []
    for i in range(n):
        i1 = (i + 1) % n
        for j in range(m):
            j1 = (j + 1) % m
            a, b, c, d = i * m + j, i * m + j1, i1 * m + j1, i1 * m + j
            faces.append((a, b, c))
            faces.append((a, c, d))
    return points, faces


def write_ply(out, points, faces):
    header = (
        "ply\n"
        "format binary_little_endian 1.0\n"
        f"element vertex {len(points)}\n"
        "property float x\n"
        "property float y\n"
        "property float z\n"
        f"element face {len(faces)}\n"
        "property list uchar int vertex_indices\n"
        "end_header\n"
    )
    vertex = struct.Struct("<fff")
    face = struct.Struct("<Biii")
    with open(out, "wb") as f:
        f.write(header.encode("ascii"))
        f.write(b"".join(vertex.pack(*p) for p in points))
        f.write(b"".join(face.pack(3, *t) for t in faces))


def write_smf(out, points, faces):
    with open(out, "w") as f:
        f.write("# a torus\n")
        f.writelines("v %.9g %.9g %.9g\n" % p for p in points)
        f.writelines("f %d %d %d\n" % (a + 1, b + 1, c + 1) for a, b, c in faces)


def main():
    if len(sys.argv) != 4 or not sys.argv[3].endswith((".ply", ".smf")):
        sys.exit("usage: make_torus.py N M OUT.ply|OUT.smf")
    n, m, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    if n < 3 or m < 3:
        sys.exit("N and M must be at least 3")
    points, faces = torus(n, m)
    (write_ply if out.endswith(".ply") else write_smf)(out, points, faces)


if __name__ == "__main__":
    main()
