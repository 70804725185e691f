#!/usr/bin/env python3
"""Runs zeq on meshes stored with a vertex per corner or per seam, as other
programs write them, and checks that welding makes them the surface they
stand for.

usage: check_split_vertices.py ZEQ_BINARY

  - realworld/assimp_mustang_split.ply (assimp: binary PLY, a vertex per
    corner, polygons) and a PLY written here from realworld/
    obj_3dsmax_mustang.obj as Blender writes PLY (a vertex per distinct
    position, normal and texture coordinate, numbered in order of first use,
    polygons kept): each is run at 50 % and 10 % against the binary STL of
    the same polygons (fanned from their first corner, positions as floats).
    STL corners are always welded; PLY vertices are by default, and read
    with --no-attributes they carry nothing else (carried, copies of a
    position with different normals or texture coordinates make a seam,
    which changes the simplification). Both number the welded vertices in
    the order their positions first appear (for these files that order is
    the same), so the runs must agree exactly: status,
    standard output apart from the name line, and every written face's
    corners as the same floats in the same order. With --no-weld the assimp
    file has no interior edge: nothing collapses and the face count stays.
    Run with their attributes, each position whose copies carry different
    values is held: it is still written, and the output has at least as
    many vertices as there are different (position, values) pairs there.
  - every agreed result on a shared mesh without repeated positions
    (tests/e2e/cases/shared-*), its records written with a vertex per corner
    in corner order, as double binary PLY with normals and texture
    coordinates and as OBJ with vt corners, read with --no-attributes (each
    vertex's values differ from its copies'): the run must print the agreed
    lines after the load and write the agreed faces, each corner printed
    with "%g" as the SMF writer prints it (the vertex numbering differs: the
    welded vertices come in order of first use).
  - realworld/off_geomview_comments.off (comments, quads, face colours)
    loads as the cube of 8 vertices and 12 triangles, and simplifies.
"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REAL = os.path.join(HERE, "realworld")
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "e2e"))
import check_equivalence as ce  # noqa: E402
import text_loads as tl  # noqa: E402


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def read_binary_ply(data):
    """Vertex positions and polygons of a binary little-endian PLY whose
    vertex properties are scalars and whose face element is one list."""
    end = data.index(b"end_header\n") + len(b"end_header\n")
    elements = []
    for line in data[:end].decode("latin-1").split("\n"):
        w = line.split()
        if w and w[0] == "element":
            elements.append((w[1], int(w[2]), []))
        elif w and w[0] == "property":
            elements[-1][2].append(w[1:])
    sizes = {"float": "f", "double": "d", "uchar": "B", "int": "i",
             "uint": "I"}
    (vname, nv, vprops), (fname, nf, fprops) = elements
    assert vname == "vertex" and fname == "face" and len(fprops) == 1
    fmt = "<" + "".join(sizes[p[0]] for p in vprops)
    names = [p[-1] for p in vprops]
    at = end
    vertices = []
    step = struct.calcsize(fmt)
    for _ in range(nv):
        rec = dict(zip(names, struct.unpack_from(fmt, data, at)))
        vertices.append((rec["x"], rec["y"], rec["z"]))
        at += step
    count_fmt, index_fmt = "<" + sizes[fprops[0][1]], sizes[fprops[0][2]]
    polygons = []
    for _ in range(nf):
        (n,) = struct.unpack_from(count_fmt, data, at)
        at += struct.calcsize(count_fmt)
        polygons.append(struct.unpack_from("<%d%s" % (n, index_fmt), data, at))
        at += struct.calcsize("<%d%s" % (n, index_fmt))
    assert at == len(data)
    return vertices, polygons


def read_obj_corners(path):
    """Positions, texture coordinates, normals and polygons of corners
    (v, vt, vn) (0-based, None when absent) of an OBJ file."""
    v, vt, vn, polygons = [], [], [], []
    with open(path, encoding="latin-1") as f:
        for line in f:
            w = line.split()
            if not w:
                continue
            if w[0] == "v":
                v.append(tuple(float(x) for x in w[1:4]))
            elif w[0] == "vt":
                vt.append(tuple(float(x) for x in w[1:3]))
            elif w[0] == "vn":
                vn.append(tuple(float(x) for x in w[1:4]))
            elif w[0] == "f":
                poly = []
                for c in w[1:]:
                    parts = (c.split("/") + ["", ""])[:3]
                    index = [int(p) - 1 if p else None for p in parts]
                    poly.append(tuple(index))
                polygons.append(poly)
    return v, vt, vn, polygons


def blender_ply(v, vt, vn, polygons):
    """Binary PLY as Blender writes it: one vertex per distinct (position,
    normal, texture coordinate) in order of first use, float x y z nx ny nz
    s t, polygons as they are."""
    index, records, faces = {}, [], []
    for poly in polygons:
        face = []
        for c in poly:
            if c not in index:
                index[c] = len(records)
                n = vn[c[2]] if c[2] is not None else (0, 0, 0)
                t = vt[c[1]] if c[1] is not None else (0, 0)
                records.append(v[c[0]] + n + t[:2])
            face.append(index[c])
        faces.append(face)
    head = ("ply\nformat binary_little_endian 1.0\n"
            "comment Created by Blender 3.6.0 - www.blender.org\n"
            "element vertex %d\nproperty float x\nproperty float y\n"
            "property float z\nproperty float nx\nproperty float ny\n"
            "property float nz\nproperty float s\nproperty float t\n"
            "element face %d\nproperty list uchar uint vertex_indices\n"
            "end_header\n" % (len(records), len(faces))).encode()
    body = b"".join(struct.pack("<8f", *r) for r in records)
    body += b"".join(struct.pack("<B%dI" % len(f), len(f), *f) for f in faces)
    return head + body


def stl_of(positions, polygons):
    """Binary STL of the polygons fanned from their first corner."""
    fan = [(p[0], p[k], p[k + 1]) for p in polygons
           for k in range(1, len(p) - 1)]
    return ce.stl_binary(positions, fan, b"written by check_split_vertices")


class Checks:
    def __init__(self, zeq, work):
        self.zeq, self.work = zeq, work
        self.count, self.failed = 0, 0

    def check(self, ok, what):
        self.count += 1
        if not ok:
            self.failed += 1
            print("FAIL: " + what)
        return ok

    def run(self, args, name, data):
        d = tempfile.mkdtemp(dir=self.work)
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)
        out_name = "out" + os.path.splitext(name)[1]
        p = subprocess.run([self.zeq] + args + [name, out_name], cwd=d,
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=300)
        self.check(p.stderr == b"", "%s %s: standard error %r"
                   % (args, name, p.stderr[:200]))
        out = None
        if os.path.exists(os.path.join(d, out_name)):
            with open(os.path.join(d, out_name), "rb") as f:
                out = f.read()
        return p.returncode, p.stdout.decode("latin-1"), out


def written_faces(kind, out):
    """Every written face as its corners' coordinates, in order."""
    if kind == "stl":
        return [tuple(tuple(c) for c in corners)
                for _, corners in ce.read_stl(out, True)[0]]
    if kind == "obj":
        vertices, faces, _ = ce.read_obj(out)
    else:
        _, _, vertices, faces, _ = ce.read_ply(out)
    return [tuple(tuple(vertices[c]) for c in f) for f in faces]


def against_stl(checks, label, ply, positions, polygons):
    stl = stl_of([tuple(f32(c) for c in p) for p in positions], polygons)
    triangles = sum(len(p) - 2 for p in polygons)
    for percent in (50, 10):
        target = ["-N", str(triangles * percent // 100)]
        a = checks.run(["--no-attributes"] + target, "in.ply", ply)
        b = checks.run(target, "in.stl", stl)
        what = "%s -N %s" % (label, target[1])
        checks.check(a[0] == b[0] == 0, "%s: status %d, STL %d"
                     % (what, a[0], b[0]))
        checks.check(tl.split_stdout(a[1])[1:] == tl.split_stdout(b[1])[1:],
                     "%s: standard output differs from the STL run's:\n%s\n"
                     "---\n%s" % (what, a[1], b[1]))
        if checks.check(a[2] is not None and b[2] is not None,
                        "%s: no output" % what):
            checks.check(written_faces("ply", a[2]) ==
                         written_faces("stl", b[2]),
                         "%s: written faces differ from the STL run's" % what)
        held_seams(checks, what, ply, target)


def held_seams(checks, what, ply, target):
    """With its attributes carried, a position whose copies carry different
    values is a seam: the vertex there is held (never moves) and is written
    once per different set of values."""
    status, _, out = checks.run(target, "in.ply", ply)
    if not checks.check(status == 0 and out is not None, "%s with "
                        "attributes: status %d" % (what, status)):
        return
    held = {p: set(v) for p, v in values_at(ply).items() if len(set(v)) > 1}
    written = values_at(out)
    count = sum(map(len, held.values()))
    checks.check(len(held) > 0 and all(p in written for p in held) and
                 sum(map(len, written.values())) >= count,
                 "%s with attributes: of %d held positions (%d with their "
                 "values), %d are written, as %d vertices in all" % (
                     what, len(held), count, sum(p in written for p in held),
                     sum(map(len, written.values()))))


def values_at(ply):
    """{position: the other values of each vertex there} of a PLY."""
    vertex = [e for e in ce.read_ply_any(ply)[2] if e.name == "vertex"][0]
    names = [p[0] for p in vertex.props]
    xyz = [names.index(c) for c in "xyz"]
    found = {}
    for r in vertex.records:
        found.setdefault(tuple(r[k] for k in xyz), []).append(
            tuple(v for k, v in enumerate(r) if k not in xyz))
    return found


def real_exports(checks):
    with open(os.path.join(REAL, "assimp_mustang_split.ply"), "rb") as f:
        assimp = f.read()
    positions, polygons = read_binary_ply(assimp)
    against_stl(checks, "assimp PLY", assimp, positions, polygons)
    # Not welded, every edge is a boundary edge: nothing collapses.
    triangles = sum(len(p) - 2 for p in polygons)
    status, stdout, _ = checks.run(["--no-weld", "-N", str(triangles // 10)],
                                   "in.ply", assimp)
    checks.check(status == 0 and ("simplified mesh with %d Faces!"
                                  % triangles) in stdout,
                 "assimp PLY --no-weld: %d faces should stay:\n%s"
                 % (triangles, stdout))

    v, vt, vn, polygons = read_obj_corners(
        os.path.join(REAL, "obj_3dsmax_mustang.obj"))
    ply = blender_ply(v, vt, vn, polygons)
    against_stl(checks, "Blender-style PLY", ply, v,
                [[c[0] for c in p] for p in polygons])

    with open(os.path.join(REAL, "off_geomview_comments.off"), "rb") as f:
        geomview = f.read()
    status, stdout, out = checks.run(["-N", "6"], "in.off", geomview)
    checks.check(status == 0 and " #Vertices = 8\n" in stdout and
                 "\n 6 <Faces>\n" in stdout and out is not None and
                 out.startswith(b"OFF\n"),
                 "Geomview cube: loads and simplifies to 6 faces:\n" + stdout)


def split_forms(vertices, faces, name):
    """(kind, bytes) of the records with a vertex per corner."""
    corners = [vertices[c] for f in faces for c in f]
    head = ("ply\nformat binary_little_endian 1.0\n"
            "comment Created by Open Asset Import Library\n"
            "element vertex %d\nproperty double x\nproperty double y\n"
            "property double z\nproperty float nx\nproperty float ny\n"
            "property float nz\nproperty float s\nproperty float t\n"
            "element face %d\nproperty list uchar int vertex_index\n"
            "end_header\n" % (len(corners), len(faces))).encode()
    body = b"".join(struct.pack("<3d5f", *p, 0, 0, 1, k % 2, k % 3)
                    for k, p in enumerate(corners))
    body += b"".join(struct.pack("<B3i", 3, 3 * i, 3 * i + 1, 3 * i + 2)
                     for i in range(len(faces)))
    obj = ["# %s, a vertex per corner\n" % name]
    obj += ["v %r %r %r\n" % p for p in corners]
    obj += ["vt 0 0\nvt 1 0\nvt 0 1\n"]
    obj += ["f %d/1 %d/2 %d/3\n" % (3 * i + 1, 3 * i + 2, 3 * i + 3)
            for i in range(len(faces))]
    return [("ply", head + body), ("obj", "".join(obj).encode())]


def agreed_meshes(checks):
    compared = 0
    for case in tl.agreed_cases():
        name, args, source, in_name, out, stdout, status = case
        vertices, faces = ce.load_mesh(os.path.join(tl.MESHES, source))
        if ce.has_repeated_positions(vertices):
            continue
        want = ce.off_as_smf(out) if in_name.lower().endswith("off") else out
        want_vtext, want_faces = ce.read_smf_output(want)
        want_corners = [tuple(want_vtext[c] for c in f) for f in want_faces]
        for kind, data in split_forms(vertices, faces, source):
            label = "%s as split-vertex %s" % (name, kind.upper())
            got_status, got_stdout, got_out = checks.run(
                ["--no-attributes"] + args[:-2], "in." + kind, data)
            checks.check(got_status == status, "%s: status %d, agreed %d"
                         % (label, got_status, status))
            checks.check(tl.split_stdout(got_stdout)[2] ==
                         tl.split_stdout(stdout)[2],
                         "%s: standard output after the load differs from "
                         "the agreed one:\n%s" % (label, got_stdout))
            if not checks.check(got_out is not None, label + ": no output"):
                continue
            got = [tuple(tuple("%g" % x for x in c) for c in f)
                   for f in written_faces(kind, got_out)]
            checks.check(got == want_corners, "%s: written faces differ "
                         "from the agreed ones" % label)
            compared += 1
    checks.check(compared >= 10, "only %d split-vertex runs compared with "
                 "agreed results" % compared)


def main():
    if len(sys.argv) != 2:
        print(__doc__.split("\n\n")[1])
        return 2
    checks = Checks(os.path.abspath(sys.argv[1]),
                    tempfile.mkdtemp(prefix="zeq-split-"))
    try:
        real_exports(checks)
        agreed_meshes(checks)
    finally:
        subprocess.run(["rm", "-rf", checks.work])
    print("%d checks, %d failed" % (checks.count, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
