#!/usr/bin/env python3
"""zeq-tiles on meshes that carry values besides their positions.

  attributes.py ZEQ_TILES ZEQ MESHES_DIR

1. A bunny whose vertices carry qx qy qz (doubles equal to x y z), a colour
   and a label (its input number), and whose faces carry their input number,
   run through zeq-tiles with a count. A collapse puts the kept vertex at the
   midpoint and averages qx qy qz the same way, so every vertex of the
   result must still carry its own position, to the bit: a record that lost
   its vertex anywhere on the way (split, the tiles' runs, merge, the last
   run) shows. Labels are kept, never averaged, so no two vertices and no two
   faces may share one; and zeq --origins on the same input names, vertex
   by vertex, the input vertex each label says it was kept from.
2. Copies the input kept apart on purpose stay apart through split and
   merge: an SMF sheet stored twice over the same positions (two surfaces),
   and a PLY grid whose middle column is stored twice with different u (a
   texture seam), cut across by the tiles.
3. The textured cylinder (OBJ with vt, vn, two materials) runs through
   zeq-tiles and keeps its material library, both materials and a texture
   coordinate and normal at every corner.
"""
import os
import struct
import subprocess
import sys
import tempfile

tiles, zeq, meshes = sys.argv[1:4]
here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(os.path.dirname(os.path.dirname(here)))
env = dict(os.environ, ZEQ_TILES_ZEQ=zeq)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def run(*args):
    r = subprocess.run(list(args), env=env, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("%s failed (%d):\n%s%s" % (" ".join(args), r.returncode, r.stdout, r.stderr))
    return r.stdout


def read_smf(path):
    pos, faces = [], []
    for line in open(path):
        w = line.split()
        if w and w[0] == "v":
            pos.append(tuple(float(x) for x in w[1:4]))
        elif w and w[0] == "f":
            faces.append(tuple(int(x) - 1 for x in w[1:4]))
    return pos, faces


TYPES = {"char": "b", "uchar": "B", "short": "h", "ushort": "H", "int": "i", "uint": "I",
         "float": "f", "double": "d", "int8": "b", "uint8": "B", "int16": "h", "uint16": "H",
         "int32": "i", "uint32": "I", "float32": "f", "float64": "d"}


def read_ply(path):
    """Binary little-endian PLY: {element: [dict per record]}; face lists as
    the key 'vertex_indices'."""
    data = open(path, "rb").read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    elements = []
    for line in data[:end].decode().split("\n"):
        w = line.split()
        if w[:1] == ["element"]:
            elements.append((w[1], int(w[2]), []))
        elif w[:1] == ["property"]:
            elements[-1][2].append(w[1:])
    at = end
    out = {}
    for name, count, props in elements:
        records = []
        for _ in range(count):
            r = {}
            for p in props:
                if p[0] == "list":
                    n = struct.unpack_from("<" + TYPES[p[1]], data, at)[0]
                    at += struct.calcsize(TYPES[p[1]])
                    r[p[3]] = struct.unpack_from("<%d%s" % (n, TYPES[p[2]]), data, at)
                    at += n * struct.calcsize(TYPES[p[2]])
                else:
                    r[p[1]] = struct.unpack_from("<" + TYPES[p[0]], data, at)[0]
                    at += struct.calcsize(TYPES[p[0]])
            records.append(r)
        out[name] = records
    return out


def write_ply(path, vertex_props, vertices, face_props, faces):
    """vertex_props / face_props: [(type, name)]; records as tuples in that
    order, a face's corners first."""
    head = ["ply", "format binary_little_endian 1.0", "element vertex %d" % len(vertices)]
    head += ["property %s %s" % p for p in vertex_props]
    head += ["element face %d" % len(faces), "property list uchar int vertex_indices"]
    head += ["property %s %s" % p for p in face_props]
    with open(path, "wb") as f:
        f.write(("\n".join(head) + "\nend_header\n").encode())
        vfmt = "<" + "".join(TYPES[t] for t, _ in vertex_props)
        for v in vertices:
            f.write(struct.pack(vfmt, *v))
        ffmt = "<B3i" + "".join(TYPES[t] for t, _ in face_props)
        for c, *rest in faces:
            f.write(struct.pack(ffmt, 3, *c, *rest))


def grid(n, x0=0.0):
    """(n+1) x (n+1) vertices over [x0, x0+1] x [0, 1], two faces a cell."""
    pos = [(x0 + i / n, j / n, 0.0) for j in range(n + 1) for i in range(n + 1)]
    faces = []
    for j in range(n):
        for i in range(n):
            a = j * (n + 1) + i
            faces += [(a, a + 1, a + n + 2), (a, a + n + 2, a + n + 1)]
    return pos, faces


with tempfile.TemporaryDirectory() as tmp:
    os.chdir(tmp)

    # --- 1. values follow their vertices --------------------------------
    pos, faces = read_smf(os.path.join(meshes, "bunny.smf"))
    vprops = [("double", "x"), ("double", "y"), ("double", "z"), ("double", "qx"), ("double", "qy"),
              ("double", "qz"), ("uchar", "red"), ("uchar", "green"), ("uchar", "blue"), ("int", "label")]
    verts = [p + p + (i % 256, (7 * i) % 256, 255, i) for i, p in enumerate(pos)]
    write_ply("bunny.ply", vprops, verts, [("int", "number")], [(f, i) for i, f in enumerate(faces)])
    target = len(faces) // 4
    said = run(tiles, "run", "-N", str(target), "-j", "2", "--faces-per-tile", "600", "bunny.ply", "out.ply")
    check("split: " in said and "merge: " in said, "1: progress lines")
    out = read_ply("out.ply")
    vs, fs = out["vertex"], out["face"]
    check(len(fs) == target, "1: %d faces for %d" % (len(fs), target))
    check(all((v["qx"], v["qy"], v["qz"]) == (v["x"], v["y"], v["z"]) for v in vs),
          "1: a vertex does not carry its own position")
    labels = [v["label"] for v in vs]
    check(len(set(labels)) == len(labels) and all(0 <= l < len(pos) for l in labels),
          "1: vertex labels repeated or out of range")
    numbers = [f["number"] for f in fs]
    check(len(set(numbers)) == len(numbers) and all(0 <= n < len(faces) for n in numbers),
          "1: face numbers repeated or out of range")
    print("1: %d vertices, %d faces, every vertex carries its position" % (len(vs), len(fs)))
    # zeq --origins names, for each written vertex, the input vertex it was
    # kept from: the same one the kept label names.
    run(zeq, "--origins", "single.origins", "-N", str(target), "bunny.ply", "single.ply")
    origins = [int(line) for line in open("single.origins")]
    check(origins == [v["label"] for v in read_ply("single.ply")["vertex"]], "1: origins differ from labels")

    # --- 2. copies kept apart stay apart ----------------------------------
    # Two sheets over the same positions, the second wound the other way.
    pos, faces = grid(12)
    n = len(pos)
    with open("double.smf", "w") as f:
        for p in pos + pos:
            f.write("v %r %r %r\n" % p)
        for a, b, c in faces:
            f.write("f %d %d %d\n" % (a + 1, b + 1, c + 1))
        for a, b, c in faces:
            f.write("f %d %d %d\n" % (a + n + 1, c + n + 1, b + n + 1))
    run(tiles, "split", "--faces-per-tile", "60", "double.smf", "d")
    for name in os.listdir("d"):
        if name.endswith(".smf"):
            os.link(os.path.join("d", name), os.path.join("d", "simplified", name))
    said = run(tiles, "merge", "d", "double_back.smf")
    back_v, back_f = read_smf("double_back.smf")
    check(len(back_v) == 2 * n and len(back_f) == 2 * len(faces),
          "2: the two sheets came back as %d vertices, %d faces (%d, %d)" % (len(back_v), len(back_f), 2 * n,
                                                                             2 * len(faces)))
    # A texture seam: the middle column stored twice, u = 1 on the left
    # faces' side and u = 0 on the right's.
    pos, faces = grid(12)
    mid = 6
    verts = [p + (p[0],) for p in pos]
    seam = {}
    for k, p in enumerate(pos):
        if k % 13 == mid:
            seam[k] = len(verts)
            verts.append(p + (0.0,))
    verts = [v[:3] + (1.0 if k in seam else v[3],) for k, v in enumerate(verts[:len(pos)])] + verts[len(pos):]
    split_faces = []
    for f in faces:
        right = min(k % 13 for k in f) >= mid
        split_faces.append((tuple(seam[k] if right and k in seam else k for k in f),))
    vprops = [("double", "x"), ("double", "y"), ("double", "z"), ("double", "u")]
    write_ply("seam.ply", vprops, verts, [], split_faces)
    run(tiles, "split", "--faces-per-tile", "40", "seam.ply", "s")
    for name in os.listdir("s"):
        if name.endswith(".ply"):
            os.link(os.path.join("s", name), os.path.join("s", "simplified", name))
    run(tiles, "merge", "s", "seam_back.ply")
    back = read_ply("seam_back.ply")

    def corners(mesh_vertices, mesh_faces):
        out = []
        for f in mesh_faces:
            out.append(tuple(sorted(tuple(mesh_vertices[k][c] for c in ("x", "y", "z", "u"))
                                    for k in f["vertex_indices"])))
        return sorted(out)

    given = [dict(zip(("x", "y", "z", "u"), v)) for v in verts]
    check(len(back["vertex"]) == len(verts), "2: the seam came back as %d vertex records, not %d" %
          (len(back["vertex"]), len(verts)))
    check(corners(back["vertex"], back["face"]) == corners(given, [{"vertex_indices": f[0]} for f in split_faces]),
          "2: a corner lost its u across the seam")
    print("2: two sheets %d vertices, seam %d vertex records" % (len(back_v), len(back["vertex"])))

    # --- 3. a textured OBJ ------------------------------------------------
    subprocess.run([sys.executable, os.path.join(root, "data", "make_attributed.py"), "textured-cylinder",
                    "cylinder.obj"], check=True, capture_output=True)
    total = sum(1 for line in open("cylinder.obj") if line.startswith("f "))
    run(tiles, "run", "-N", str(total // 5), "--faces-per-tile", "1000", "cylinder.obj", "cyl_out.obj")
    lines = open("cyl_out.obj").read().split("\n")
    given = open("cylinder.obj").read().split("\n")
    check([l for l in lines if l.startswith("mtllib")] == [l for l in given if l.startswith("mtllib")],
          "3: mtllib lines")
    check({l for l in lines if l.startswith("usemtl")} == {l for l in given if l.startswith("usemtl")},
          "3: materials")
    corner_ok = all(len(c.split("/")) == 3 and all(c.split("/")) for l in lines if l.startswith("f ")
                    for c in l.split()[1:])
    check(corner_ok, "3: a corner without its texture coordinate or normal")
    faces_out = sum(1 for l in lines if l.startswith("f "))
    print("3: cylinder %d faces to %d (target %d)" % (total, faces_out, total // 5))

sys.exit(1 if failures else 0)
