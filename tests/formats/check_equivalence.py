#!/usr/bin/env python3
"""Runs zeq on the real meshes written as PLY, OBJ and STL and checks that
each run gives the same result as the run on the same records written as SMF.

usage: check_equivalence.py ZEQ_BINARY MESH [MESH ...]
       (MESH: a file name in tests/e2e/meshes, e.g. bunny.smf)

For each mesh this script writes, with the standard library only:
  - PLY with double x, y, z: binary little-endian, binary big-endian, text
    (text coordinates written with repr, which reads back exactly);
  - PLY as scanners write it: other vertex properties (normals, colours, a
    list) before, between and after x y z, elements before and after the
    vertices and faces, comment and obj_info lines, face properties before
    and after the corner list, polygons of four and five corners, other
    count and index types;
  - PLY with float coordinates (little-endian, big-endian, text);
  - OBJ as exporters write it: mtllib, o, g, s and usemtl lines, vt and vn
    lines between the v lines, corners i/t/n, i//n, i/t and i, negative
    (relative) indices, w and colour numbers after x y z, comments, polygons;
  - STL, text with exact doubles, and binary (floats).
Next to each it writes the SMF file of the same records (the reference):
  - polygons (c0, c1, ..., cn-1) are listed as the triangles (c0, ck, ck+1);
  - float files list each coordinate rounded to single precision, written
    with repr of that value, which reads back as exactly that double;
  - STL lists corners, not vertices: its reference is the welded mesh, the
    distinct corner positions numbered in order of first appearance (equal
    as numbers, so 0 and -0 are one position; the first one seen is kept).
It then runs zeq on both with the same -N target and checks:
  - equal exit status (0) and equal standard output apart from the
    "Original mesh:" line (times masked) and a scanner form's note lines,
    nothing on standard error;
  - the output is written in the input's format, encoding and coordinate
    type (PLY format line and property types, STL text or binary with a
    facet count that matches the size, OBJ text);
  - the output, decoded here, is the SMF run's output: for the exact forms
    (double PLY, text PLY, OBJ, text STL) every coordinate printed with "%g"
    and the faces in the SMF writer's layout give exactly the bytes of the
    SMF run's file (for STL, facet by facet); for the float forms, where the
    SMF file's six digits are all there is to compare, the faces exactly and
    each coordinate within a relative 1e-5;
  - exactly, bit for bit: every output made from the same reference holds
    the same doubles as a binary double PLY run of that reference (the
    anchor), and every float output the single-precision rounding of them;
  - text coordinates are the shortest form that reads back to the same
    number of their type;
  - the scanner PLY forms carry their other values (none makes a seam:
    their texture coordinates are one constant, no face names a material,
    welding joins no records), so the geometry is still the SMF run's, and
    beyond it: standard output holds exactly the note lines for what the
    input has that is dropped (vertex and face lists other than the corners
    and texcoord, elements naming vertices), right after the load's counts;
    the header holds "comment ZEQ 1.22a", the input's comment and obj_info
    lines, the kept elements in input order, the vertex and face scalars
    with their types, texcoord, and every other element with its property
    lines and records copied as they were; colour and real values lie
    within the input's range, other integers and face values are input
    values, texcoord the input's constant (six a triangle), a normal is
    unit length unless its vertex's record is an input record (untouched),
    text reals are in shortest form and NaN is "nan". With --no-attributes
    each gives the SMF run's standard output and the bytes of the plain
    PLY run of the same records (the old behaviour);
  - every STL facet's normal is the unit normal of its triangle as written,
    computed in double precision and rounded to single precision (0 0 0 for
    a triangle of no area);
  - where the repository holds an agreed result for the same mesh and
    target (tests/e2e/cases/shared-*), the decoded output of every format
    made from the unchanged records equals that result's mesh, and its
    standard output that result's standard output.
"""

import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
MESHES = os.path.join(TESTS, "e2e", "meshes")
CASES = os.path.join(TESTS, "e2e", "cases")

# Targets per mesh: (faces, timed). The first entry of each mesh runs every
# form; the others run the forms listed in SUBSET. The agreed results in
# tests/e2e/cases/shared-* are found by mesh and target.
TARGETS = {
    "bunny.smf": [(1837, False), (0, False), (367, True)],
    "fandisk.smf": [(1294, False), (6473, False)],
    "blobby_shuffled.smf": [(1012, False)],
    "elephant.off": [(55, False), (2779, False)],
    "elephant_with_holes.off": [(446, False)],
    "bones.off": [(2102, True), (420, False)],
}
SUBSET = ("ply-le-double", "ply-ascii-double", "obj", "stl-binary")


# ---------------------------------------------------------------------------
# Numbers

def f32(x):
    """x rounded to single precision (round to nearest), as a double."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def bits(x):
    return struct.pack("<d", x)


def significant_digits(token):
    """The significant digits of a decimal number written in any form."""
    t = token.lstrip("+-").lower()
    mantissa = t.split("e")[0].replace(".", "")
    return mantissa.strip("0") or "0"


def shortest_double(token):
    """True when token has no more digits than the shortest decimal that
    reads back as the same double (Python's repr is that shortest form)."""
    return significant_digits(token) == significant_digits(repr(float(token)))


def shortest_float(token):
    """True when token, read as a double and rounded to single precision,
    gives the float it denotes with no more digits than needed: no decimal
    of fewer digits rounds to the same float."""
    value = f32(float(token))
    for p in range(1, 10):
        if f32(float("%.*g" % (p, value))) == value:
            return len(significant_digits(token)) <= p and f32(float(token)) == value
    return False


# ---------------------------------------------------------------------------
# The source meshes

def load_mesh(path):
    """Vertices (as the readers take them: the correctly rounded doubles)
    and faces (0-based) of a shared SMF or OFF mesh."""
    with open(path) as f:
        text = f.read()
    vertices, faces = [], []
    if path.lower().endswith("off"):
        t = text.split()
        nv, nf = int(t[1]), int(t[2])
        i = 4
        for _ in range(nv):
            vertices.append(tuple(float(x) for x in t[i:i + 3]))
            i += 3
        for _ in range(nf):
            n = int(t[i])
            faces.append(tuple(int(x) for x in t[i + 1:i + 1 + n]))
            i += n + 1
    else:
        for line in text.splitlines():
            w = line.split()
            if w and w[0] == "v":
                vertices.append(tuple(float(x) for x in w[1:4]))
            elif w and w[0] == "f":
                faces.append(tuple(int(x) - 1 for x in w[1:4]))
    assert all(len(f) == 3 for f in faces), path
    return vertices, faces


def has_repeated_positions(vertices):
    """True when two vertices share a position, as doubles or once rounded
    to single precision (0 and -0 alike)."""
    rounded = [tuple(f32(c) for c in v) for v in vertices]
    return (len(set(vertices)) != len(vertices)
            or len(set(rounded)) != len(rounded))


def weld(vertices, faces):
    """STL's view of a mesh: corners with equal coordinates are one vertex,
    numbered in order of first appearance; unused vertices disappear."""
    index, out_v, out_f = {}, [], []
    for face in faces:
        corners = []
        for c in face:
            key = vertices[c]          # tuple equality: 0.0 == -0.0
            if key not in index:
                index[key] = len(out_v)
                out_v.append(vertices[c])
            corners.append(index[key])
        out_f.append(tuple(corners))
    return out_v, out_f


def polygons(faces):
    """Joins runs of consecutive triangles into polygons of up to five
    corners where the next triangle, turned to start at the polygon's first
    corner, continues it across its closing edge: (p0, ..., pn-1) and
    (p0, pn-1, t) make (p0, ..., pn-1, t). Returns the polygons (triangles
    turned as needed) and their fans (c0, ck, ck+1), which list the same
    triangles with the same windings."""
    def turned(face, first):
        k = face.index(first)
        return face[k:] + face[:k]

    out, i = [], 0
    while i < len(faces):
        poly = None
        if i % 3 == 0 and i + 1 < len(faces):
            a, b = faces[i], faces[i + 1]
            for r in range(3):
                a_r = a[r:] + a[:r]
                if a_r[0] in b:
                    b_r = turned(b, a_r[0])
                    if b_r[1] == a_r[2] and b_r[2] not in a_r:
                        poly = list(a_r) + [b_r[2]]
                        break
        if poly is None:
            out.append(tuple(faces[i]))
            i += 1
            continue
        i += 2
        if i < len(faces) and len(out) % 2 == 0 and poly[0] in faces[i]:
            c_r = turned(faces[i], poly[0])
            if c_r[1] == poly[-1] and c_r[2] not in poly:
                poly.append(c_r[2])
                i += 1
        out.append(tuple(poly))
    fan = [(p[0], p[k], p[k + 1]) for p in out for k in range(1, len(p) - 1)]
    return out, fan


# ---------------------------------------------------------------------------
# Writers of the inputs

def smf_text(vertices, faces):
    return ("#SMF\n"
            + "".join("v %r %r %r\n" % v for v in vertices)
            + "".join("f %d %d %d\n" % (a + 1, b + 1, c + 1)
                      for a, b, c in faces)).encode()


PACK = {"char": "b", "int8": "b", "uchar": "B", "uint8": "B",
        "short": "h", "int16": "h", "ushort": "H", "uint16": "H",
        "int": "i", "int32": "i", "uint": "I", "uint32": "I",
        "float": "f", "float32": "f", "double": "d", "float64": "d"}
FLOATING = ("float", "float32", "double", "float64")


def ply_bytes(fmt, elements, comments=()):
    """A PLY file. elements: (name, properties, rows); a property is
    (name, type) or (name, "list", count type, item type); a row holds one
    value per property (a list for a list property)."""
    head = ["ply", "format %s 1.0" % fmt]
    head += list(comments)
    for name, props, rows in elements:
        head.append("element %s %d" % (name, len(rows)))
        for p in props:
            if p[1] == "list":
                head.append("property list %s %s %s" % (p[2], p[3], p[0]))
            else:
                head.append("property %s %s" % (p[1], p[0]))
    head.append("end_header")
    out = ("\n".join(head) + "\n").encode()
    if fmt == "ascii":
        def word(value, t):
            if t in ("float", "float32"):
                return repr(f32(value))
            if t in FLOATING:
                return repr(float(value))
            return "%d" % value
        lines = []
        for name, props, rows in elements:
            for row in rows:
                w = []
                for p, value in zip(props, row):
                    if p[1] == "list":
                        w.append("%d" % len(value))
                        w += [word(x, p[3]) for x in value]
                    else:
                        w.append(word(value, p[1]))
                lines.append(" ".join(w) + "\n")
        return out + "".join(lines).encode()
    order = "<" if fmt == "binary_little_endian" else ">"
    body = []
    for name, props, rows in elements:
        for row in rows:
            for p, value in zip(props, row):
                if p[1] == "list":
                    body.append(struct.pack(order + PACK[p[2]], len(value)))
                    body.append(struct.pack(order + PACK[p[3]] * len(value),
                                            *value))
                else:
                    body.append(struct.pack(order + PACK[p[1]], value))
    return out + b"".join(body)


def plain_ply(fmt, coord, vertices, faces):
    return ply_bytes(fmt, [
        ("vertex", [("x", coord), ("y", coord), ("z", coord)], vertices),
        ("face", [("vertex_indices", "list", "uchar", "int")],
         [(list(f),) for f in faces]),
    ])


def apart(polys, step):
    """Every step-th vertex but those sharing a face with one taken
    before: no merge of two of them can happen before one merges with
    another vertex."""
    near = {}
    for p in polys:
        for c in p:
            near.setdefault(c, set()).update(p)
    taken = set()
    for i in range(0, max(near) + 1, step):
        if not near.get(i, set()) & taken:
            taken.add(i)
    return taken


def scanner_ply(style, vertices, polys):
    """PLY with the extras real files carry; the corners are `polys`."""
    nan = float("nan")
    nv = len(vertices)
    edges = [(i, (i + 1) % nv) for i in range(0, min(nv, 30), 3)]
    if style == "le":
        # Double coordinates among normals (not unit length, some with a
        # NaN, no two of those on one face), colours and a list; a material
        # element before the vertices; face flags before the corner list
        # and texture coordinates after it; an edge element at the end.
        vprops = [("nx", "float"), ("ny", "float"), ("nz", "float"),
                  ("red", "uchar"), ("x", "double"), ("green", "uchar"),
                  ("confidence", "list", "uchar", "short"),
                  ("y", "double"), ("z", "double"), ("blue", "uchar")]
        lost = apart(polys, 97)
        vrows = [(nan if i in lost else 0.25, -0.5, 1.0, i % 256, v[0],
                  (3 * i) % 256, [i % 7] * (i % 3), v[1], v[2], 200)
                 for i, v in enumerate(vertices)]
        fprops = [("flags", "uchar"),
                  ("vertex_index", "list", "ushort", "uint"),
                  ("texcoord", "list", "uchar", "float")]
        frows = [(k % 4, list(p), [0.5] * (2 * len(p)))
                 for k, p in enumerate(polys)]
        return ply_bytes("binary_little_endian", [
            ("material", [("ambient_red", "uchar"), ("shininess", "float")],
             [(10, 0.5), (20, 0.75)]),
            ("vertex", vprops, vrows),
            ("face", fprops, frows),
            ("edge", [("vertex1", "int"), ("vertex2", "int"),
                      ("red", "uchar")], [(a, b, 9) for a, b in edges]),
        ], comments=["comment written by a scanner", "obj_info scan 7",
                     "comment the vertex element comes second"])
    if style == "ascii":
        vprops = [("red", "uchar"), ("green", "uchar"), ("blue", "uchar"),
                  ("x", "float64"), ("nx", "float"), ("y", "float64"),
                  ("ny", "float"), ("z", "float64"), ("nz", "float")]
        lost = apart(polys, 89)
        vrows = [(i % 256, 7, 255, v[0], 0.5, v[1], nan if i in lost
                  else -0.125, v[2], 1.0) for i, v in enumerate(vertices)]
        fprops = [("vertex_indices", "list", "char", "int16"),
                  ("flags", "uchar"),
                  ("texcoord", "list", "uchar", "float")]
        frows = [(list(p), 1, [0.25] * (2 * len(p))) for p in polys]
        return ply_bytes("ascii", [
            ("vertex", vprops, vrows),
            ("face", fprops, frows),
            ("edge", [("vertex1", "int"), ("vertex2", "int")], edges),
        ], comments=["comment exported by a viewer", "obj_info text body"])
    # "be-float": float coordinates under their other names, then normals
    # and a confidence; corners with an int8 count and int32 indices.
    vprops = [("x", "float32"), ("y", "float32"), ("z", "float32"),
              ("nx", "float32"), ("ny", "float32"), ("nz", "float32"),
              ("confidence", "uint8")]
    vrows = [(v[0], v[1], v[2], 0.0, 1.0, 0.0, 255) for v in vertices]
    fprops = [("vertex_indices", "list", "int8", "int32"),
              ("flags", "uint16")]
    frows = [(list(p), 3) for p in polys]
    return ply_bytes("binary_big_endian", [
        ("vertex", vprops, vrows),
        ("face", fprops, frows),
        ("edge", [("vertex1", "int32"), ("vertex2", "int32")], edges),
    ], comments=["comment big-endian floats"])


def obj_text(name, vertices, polys):
    """OBJ as exporters write it. Each v line comes just before the first
    face that needs it (so faces can use negative indices, counted back
    from the last v line read), each followed by its vt and vn lines.
    Corner forms cycle through i/t/n, i//n, i/t and i; every fifth face
    uses negative indices throughout."""
    out = ["# exported for a test", "# %d vertices" % len(vertices),
           "mtllib %s.mtl" % name, "o %s" % name, ""]
    written = 0

    def vertex_line(i):
        x, y, z = vertices[i]
        if i % 11 == 0:
            return "v %r %r %r 1.0" % (x, y, z)           # w
        if i % 13 == 0:
            return "v %r %r %r 0.8 0.2 0.1" % (x, y, z)   # a colour
        return "v %r %r %r" % (x, y, z)

    for k, poly in enumerate(polys):
        if k == len(polys) // 3:
            out += ["g second_part", "usemtl skin", "s 1"]
        if k == 2 * len(polys) // 3:
            out += ["o another_object", "g third_part", "s off",
                    "usemtl bone", "l 1 2"]
        while written <= max(poly):
            out.append(vertex_line(written))
            out.append("vt %r %r" % (0.5, (written % 100) / 100.0))
            out.append("vn 0 0 1")
            written += 1
        corners = []
        for j, c in enumerate(poly):
            i = c + 1 if k % 5 else c - written    # 1-based, or counted back
            form = (k + j) % 4
            if form == 0:
                corners.append("%d/%d/%d" % (i, i, i))
            elif form == 1:
                corners.append("%d//%d" % (i, i))
            elif form == 2:
                corners.append("%d/%d" % (i, i))
            else:
                corners.append("%d" % i)
        line = "f " + " ".join(corners)
        if k % 17 == 0:
            line += "  # a comment after the corners"
        out.append(line)
    while written < len(vertices):
        out.append(vertex_line(written))
        written += 1
    return ("\n".join(out) + "\n").encode()


def stl_text(name, vertices, faces):
    """Text STL, corners written with repr; the normals are not read, so
    they are left as an exporter that does not compute them leaves them."""
    out = ["solid %s" % name]
    for f in faces:
        out.append("  facet normal 0.000000e+00 0.000000e+00 0.000000e+00")
        out.append("    outer loop")
        for c in f:
            out.append("      vertex %r %r %r" % vertices[c])
        out.append("    endloop")
        out.append("  endfacet")
    out.append("endsolid %s" % name)
    return ("\n".join(out) + "\n").encode()


def stl_binary(vertices, faces, header):
    out = [header.ljust(80, b" "), struct.pack("<I", len(faces))]
    for f in faces:
        out.append(struct.pack("<3f", 0.0, 0.0, 1.0))
        for c in f:
            out.append(struct.pack("<3f", *vertices[c]))
        out.append(b"\0\0")
    return b"".join(out)


# ---------------------------------------------------------------------------
# Decoders of zeq's outputs, written from the file formats alone

class Bad(Exception):
    pass


def read_ply(data):
    """(format, {element: properties}, vertices, faces, coordinate type)."""
    end = data.find(b"end_header\n")
    if not data.startswith(b"ply\n") or end < 0:
        raise Bad("not a PLY file")
    head = data[:end].decode("ascii").split("\n")[:-1]
    body = data[end + len("end_header\n"):]
    fmt, elements = None, []
    for line in head[1:]:
        w = line.split()
        if w[0] == "format":
            if w[2] != "1.0":
                raise Bad("format version %s" % w[2])
            fmt = w[1]
        elif w[0] == "element":
            elements.append((w[1], int(w[2]), []))
        elif w[0] == "property":
            elements[-1][2].append(tuple(w[1:]))
        elif w[0] not in ("comment", "obj_info"):
            raise Bad("header line %r" % line)
    names = [e[0] for e in elements]
    if names != ["vertex", "face"]:
        raise Bad("elements %s" % names)
    vprops = elements[0][2]
    if [p[-1] for p in vprops] != ["x", "y", "z"] or \
            len(set(p[0] for p in vprops)) != 1:
        raise Bad("vertex properties %s" % vprops)
    coord = vprops[0][0]
    if elements[1][2] != [("list", "uchar", "int", "vertex_indices")]:
        raise Bad("face properties %s" % elements[1][2])
    nv, nf = elements[0][1], elements[1][1]
    vertices, faces, tokens = [], [], []
    if fmt == "ascii":
        lines = body.decode("ascii").split("\n")
        if lines[-1] != "":
            raise Bad("text body does not end with a line end")
        lines = lines[:-1]
        if len(lines) != nv + nf:
            raise Bad("%d body lines for %d records" % (len(lines), nv + nf))
        # A float is written as the shortest decimal that rounds to it.
        value = (lambda t: f32(float(t))) if coord == "float" else float
        for line in lines[:nv]:
            w = line.split(" ")
            if len(w) != 3:
                raise Bad("vertex line %r" % line)
            tokens += w
            vertices.append(tuple(value(x) for x in w))
        for line in lines[nv:]:
            w = line.split(" ")
            if len(w) != 4 or w[0] != "3":
                raise Bad("face line %r" % line)
            faces.append(tuple(int(x) for x in w[1:]))
    elif fmt in ("binary_little_endian", "binary_big_endian"):
        order = "<" if fmt == "binary_little_endian" else ">"
        size = 8 if coord == "double" else 4
        if len(body) != nv * 3 * size + nf * 13:
            raise Bad("binary body of %d bytes for %d vertices, %d faces"
                      % (len(body), nv, nf))
        vertices = list(struct.iter_unpack(order + ("3d" if size == 8
                                                    else "3f"),
                                           body[:nv * 3 * size]))
        for rec in struct.iter_unpack(order + "B3i", body[nv * 3 * size:]):
            if rec[0] != 3:
                raise Bad("face of %d corners" % rec[0])
            faces.append(rec[1:])
    else:
        raise Bad("format %s" % fmt)
    for f in faces:
        for c in f:
            if not 0 <= c < nv:
                raise Bad("corner %d of %d vertices" % (c, nv))
    return fmt, coord, vertices, faces, tokens


CANONICAL = {"int8": "char", "uint8": "uchar", "int16": "short",
             "uint16": "ushort", "int32": "int", "uint32": "uint",
             "float32": "float", "float64": "double"}


def canonical(t):
    return CANONICAL.get(t, t)


class Element:
    """One element of a PLY file as read by read_ply_any."""
    def __init__(self, name, count):
        self.name, self.count = name, count
        self.props, self.lines = [], []     # as ply_bytes takes them; text
        self.records = []      # a value per property (a list for a list)
        self.texts = []        # text bodies: the tokens, shaped as records
        self.raw = b""         # binary bodies: the element's bytes

    def column(self, name):
        k = [p[0] for p in self.props].index(name)
        return [r[k] for r in self.records]


def read_ply_any(data):
    """(format, comment and obj_info lines, elements) of any PLY file:
    every element, scalar and list properties of any type, text or binary
    of either byte order. A text record is one line, its values separated
    by single blanks; a binary body holds nothing after the records."""
    end = data.find(b"end_header\n")
    if not data.startswith(b"ply\n") or end < 0:
        raise Bad("not a PLY file")
    head = data[:end].decode("ascii").split("\n")[1:-1]
    body = data[end + len("end_header\n"):]
    fmt, comments, elements = None, [], []
    for line in head:
        w = line.split()
        if w[0] == "format" and w[2] == "1.0" and fmt is None:
            fmt = w[1]
        elif w[0] in ("comment", "obj_info"):
            comments.append(line)
        elif w[0] == "element" and len(w) == 3:
            elements.append(Element(w[1], int(w[2])))
        elif w[0] == "property" and elements and \
                all(t in PACK for t in w[2:-1] if t != "list"):
            elements[-1].props.append(
                (w[-1], "list", w[2], w[3]) if w[1] == "list"
                else (w[2], w[1]))
            elements[-1].lines.append(line)
        else:
            raise Bad("header line %r" % line)
    if fmt == "ascii":
        lines = body.decode("ascii").split("\n")
        if lines[-1] != "" or len(lines) - 1 != sum(e.count for e in elements):
            raise Bad("%d text lines for %s records" % (
                len(lines) - 1, [(e.name, e.count) for e in elements]))
        at = 0
        for e in elements:
            for line in lines[at:at + e.count]:
                words, record, texts = line.split(" "), [], []
                for p in e.props:
                    if p[1] == "list":
                        n = text_value(words.pop(0) if words else "", p[2])
                        items = words[:n]
                        if len(items) != n:
                            raise Bad("%s line %r" % (e.name, line))
                        del words[:n]
                        record.append([text_value(t, p[3]) for t in items])
                        texts.append(items)
                    else:
                        t = words.pop(0) if words else ""
                        record.append(text_value(t, p[1]))
                        texts.append(t)
                if words:
                    raise Bad("%s line %r" % (e.name, line))
                e.records.append(record)
                e.texts.append(texts)
            at += e.count
    elif fmt in ("binary_little_endian", "binary_big_endian"):
        order = "<" if fmt == "binary_little_endian" else ">"
        at = 0
        try:
            for e in elements:
                start = at
                for _ in range(e.count):
                    record = []
                    for p in e.props:
                        if p[1] == "list":
                            (n,) = struct.unpack_from(order + PACK[p[2]], body,
                                                      at)
                            at += struct.calcsize(PACK[p[2]])
                            f = order + "%d%s" % (n, PACK[p[3]])
                            record.append(list(struct.unpack_from(f, body,
                                                                  at)))
                        else:
                            f = order + PACK[p[1]]
                            record.append(struct.unpack_from(f, body, at)[0])
                        at += struct.calcsize(f)
                    e.records.append(record)
                e.raw = body[start:at]
        except struct.error as err:
            raise Bad("binary body ends early: %s" % err)
        if at != len(body):
            raise Bad("%d bytes after the records" % (len(body) - at))
    else:
        raise Bad("format %s" % fmt)
    return fmt, comments, elements


def text_value(token, t):
    try:
        if t in FLOATING:
            return f32(float(token)) if canonical(t) == "float" \
                else float(token)
        if not re.fullmatch(r"-?[0-9]+", token):
            raise ValueError
        return int(token)
    except ValueError:
        raise Bad("value %r of type %s" % (token, t))


def read_obj(data):
    lines = data.decode("ascii").split("\n")
    if lines[-1] != "":
        raise Bad("does not end with a line end")
    lines = lines[:-1]
    if not lines or not lines[0].startswith("# "):
        raise Bad("first line is not a comment")
    vertices, faces, tokens = [], [], []
    for line in lines[1:]:
        w = line.split(" ")
        if w[0] == "v" and len(w) == 4 and not faces:
            tokens += w[1:]
            vertices.append(tuple(float(x) for x in w[1:]))
        elif w[0] == "f" and len(w) == 4:
            faces.append(tuple(int(x) - 1 for x in w[1:]))
        else:
            raise Bad("line %r" % line)
    counts = [int(x) for x in re.findall(r"\d+", lines[0].split(":")[-1])]
    if counts != [len(vertices), len(faces)]:
        raise Bad("comment line %r for %d vertices, %d faces"
                  % (lines[0], len(vertices), len(faces)))
    for f in faces:
        for c in f:
            if not 0 <= c < len(vertices):
                raise Bad("corner %d of %d vertices" % (c + 1, len(vertices)))
    return vertices, faces, tokens


def read_stl(data, binary):
    """Facets as (normal, corners), normal and corners as doubles; the
    normal tokens and coordinate tokens of a text file."""
    facets, ntokens, ctokens = [], [], []
    if binary:
        if len(data) < 84 or data.startswith(b"solid"):
            raise Bad("binary STL header")
        (n,) = struct.unpack("<I", data[80:84])
        if len(data) != 84 + 50 * n:
            raise Bad("%d bytes for %d facets" % (len(data), n))
        for k in range(n):
            rec = struct.unpack("<12fH", data[84 + 50 * k:134 + 50 * k])
            if rec[12] != 0:
                raise Bad("attribute %d" % rec[12])
            facets.append((rec[0:3], [rec[3:6], rec[6:9], rec[9:12]]))
        return facets, ntokens, ctokens
    lines = data.decode("ascii").split("\n")
    if lines[0] != "solid zeq" or lines[-2:] != ["endsolid zeq", ""]:
        raise Bad("text STL first or last line")
    body = lines[1:-2]
    if len(body) % 7:
        raise Bad("text STL body of %d lines" % len(body))
    for k in range(0, len(body), 7):
        b = body[k:k + 7]
        w = b[0].split(" ")
        if w[:4] != ["", "", "facet", "normal"] or len(w) != 7 or \
                b[1] != "    outer loop" or b[5] != "    endloop" or \
                b[6] != "  endfacet":
            raise Bad("facet lines %r" % b)
        ntokens += w[4:]
        corners = []
        for line in b[2:5]:
            v = line.split(" ")
            if v[:7] != [""] * 6 + ["vertex"] or len(v) != 10:
                raise Bad("vertex line %r" % line)
            ctokens += v[7:]
            corners.append(tuple(float(x) for x in v[7:]))
        facets.append((tuple(float(x) for x in w[4:]), corners))
    return facets, ntokens, ctokens


def read_smf_output(data):
    """Vertex texts and faces (0-based) of zeq's SMF output."""
    lines = data.decode("ascii").split("\n")
    assert lines[0] == "#SMF" and lines[-1] == ""
    vtext, faces = [], []
    for line in lines[1:-1]:
        if line.startswith("v "):
            vtext.append(tuple(line[2:].split(" ")))
        else:
            faces.append(tuple(int(x) - 1 for x in line[2:].split()))
    return vtext, faces


def smf_layout(vertices, faces):
    """Decoded vertices and faces in the SMF writer's layout, with "%g"."""
    return ("#SMF\n"
            + "".join("v %g %g %g\n" % tuple(v) for v in vertices)
            + "".join("f %d %d %d \n" % (a + 1, b + 1, c + 1)
                      for a, b, c in faces)).encode()


def off_as_smf(data):
    """An OFF output of zeq in the SMF writer's layout: the same "%g"
    coordinates, corners counted from 1."""
    lines = data.decode("ascii").split("\n")
    nv, nf, _ = (int(x) for x in lines[1].split())
    out = ["#SMF"]
    out += ["v " + line for line in lines[2:2 + nv]]
    for line in lines[2 + nv:2 + nv + nf]:
        w = line.split()
        assert w[0] == "3" and len(w) == 4
        out.append("f %d %d %d " % tuple(int(x) + 1 for x in w[1:]))
    assert lines[2 + nv + nf:] == [""]
    return ("\n".join(out) + "\n").encode()


def unit_normal(p):
    """The STL writer's facet normal: the cross product of the edges from
    the first corner, divided by its length, in double precision, rounded
    to single precision; 0 0 0 when the length is 0 or not finite."""
    ux, uy, uz = (p[1][i] - p[0][i] for i in range(3))
    vx, vy, vz = (p[2][i] - p[0][i] for i in range(3))
    nx = uy * vz - uz * vy
    ny = uz * vx - ux * vz
    nz = ux * vy - uy * vx
    length = math.sqrt(nx * nx + ny * ny + nz * nz)
    if not length > 0 or math.isinf(length):
        return (0.0, 0.0, 0.0)
    return (f32(nx / length), f32(ny / length), f32(nz / length))


COLOURS = ("red", "green", "blue", "alpha", "r", "g", "b", "a")
NORMAL = ("nx", "ny", "nz")
CORNER_LISTS = ("vertex_indices", "vertex_index")


def nan_key(values):
    return tuple("nan" if x != x else x for x in values)


def corner_list(face):
    return [p[0] for p in face.props
            if p[1] == "list" and p[0] in CORNER_LISTS][0]


def carried_plan(elements):
    """(the elements zeq keeps of an input PLY, the note lines it prints
    for what it drops: vertex and face lists other than the corners and
    texcoord, elements with a property named vertex...)."""
    kept, notes = [], []
    for e in elements:
        if e.name in ("vertex", "face"):
            kept.append(e)
            notes += ["Note: list property <%s> of <%s> is not carried to "
                      "the output!\n" % (p[0], e.name) for p in e.props
                      if p[1] == "list" and
                      p[0] not in CORNER_LISTS + ("texcoord",)]
        elif any(p[0].startswith("vertex") for p in e.props):
            notes.append("Note: element <%s> names vertices and is not "
                         "carried to the output!\n" % e.name)
        else:
            kept.append(e)
    return kept, notes


def carried_properties(e):
    """The properties zeq writes for an input's vertex or face element:
    its scalars in order with their types (x, y, z all double if one is),
    the corner list as uchar int, texcoord with its item type."""
    double = any(canonical(p[1]) == "double" for p in e.props
                 if p[0] in ("x", "y", "z"))
    out = []
    for p in e.props:
        if p[1] != "list":
            out.append((p[0], ("double" if double else "float")
                        if p[0] in ("x", "y", "z") and e.name == "vertex"
                        else canonical(p[1])))
        elif p[0] in CORNER_LISTS and e.name == "face":
            out.append((p[0], "list", "uchar", "int"))
        elif p[0] == "texcoord" and e.name == "face":
            out.append((p[0], "list", "uchar", canonical(p[3])))
    return out


# ---------------------------------------------------------------------------
# Runs

def normalized(stdout):
    """Standard output without the line naming the input, times masked."""
    text = re.sub(r"(time = )[0-9.]+", r"\1X", stdout)
    return "".join(line for line in text.splitlines(True)
                   if not line.startswith("Original mesh: "))


class Checker:
    def __init__(self, zeq, work):
        self.zeq = zeq
        self.work = work
        self.failures = []
        self.checks = 0
        self.smf_runs = {}
        self.anchors = {}
        # PLY and OBJ vertices with equal positions are welded by default;
        # the references here are the records as they stand, so a mesh with
        # repeated positions is read with --no-weld.
        self.no_weld = False

    def check(self, ok, what):
        self.checks += 1
        if not ok:
            self.failures.append(what)
            print("FAIL: " + what)
        return ok

    def run(self, in_name, data, target, timed, options=()):
        """Runs zeq on `data` named in_name; (status, stdout, output bytes
        or None)."""
        d = tempfile.mkdtemp(dir=self.work)
        with open(os.path.join(d, in_name), "wb") as f:
            f.write(data)
        out_name = "out" + os.path.splitext(in_name)[1]
        args = [self.zeq] + list(options) + ["-N", str(target)] \
            + (["-D"] if timed else []) + [in_name, out_name]
        if self.no_weld and in_name.endswith((".ply", ".obj")):
            args.insert(1, "--no-weld")
        # The exporter-style OBJ's corners alternate between naming texture
        # coordinates and normals and not, which makes nearly every vertex a
        # seam once they are carried: its runs compare positions alone.
        if in_name.endswith(".obj"):
            args.insert(1, "--no-attributes")
        p = subprocess.run(args, cwd=d, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=300)
        self.check(p.stderr == b"", "%s: standard error %r"
                   % (in_name, p.stderr[:300]))
        out = None
        if os.path.exists(os.path.join(d, out_name)):
            with open(os.path.join(d, out_name), "rb") as f:
                out = f.read()
        shutil.rmtree(d)
        return p.returncode, p.stdout.decode("latin-1"), out

    def smf_run(self, ref, target, timed):
        key = (ref.name, target, timed)
        if key not in self.smf_runs:
            status, stdout, out = self.run(ref.name + ".smf", ref.smf,
                                           target, timed)
            self.check(status == 0 and out is not None,
                       "%s.smf -N %d: status %d" % (ref.name, target, status))
            self.smf_runs[key] = (status, stdout, out,
                                  read_smf_output(out) if out else ([], []))
        return self.smf_runs[key]

    def anchor(self, ref, target, timed):
        """The decoded output of the binary double PLY of `ref`, itself
        checked against the SMF run like any other form."""
        key = (ref.name, target, timed)
        if key not in self.anchors:
            self.anchors[key] = None
            form = Form("anchor-" + ref.name, ref, "ply",
                        lambda: plain_ply("binary_little_endian", "double",
                                          ref.vertices, ref.faces),
                        exact=True, encoding="binary_little_endian",
                        coord="double")
            self.check_form(form, target, timed, None)
        return self.anchors[key]

    def check_form(self, form, target, timed, expected):
        """Runs one form against its SMF reference; returns the decoded
        output (vertices, faces) of an indexed form, or None."""
        label = "%s -N %d%s" % (form.name, target, " -D" if timed else "")
        ref_status, ref_stdout, ref_out, (ref_vtext, ref_faces) = \
            self.smf_run(form.ref, target, timed)
        data = form.make()
        status, stdout, out = self.run("in." + form.kind, data, target,
                                       timed)
        if form.scanner:
            stdout = self.without_notes(form, label, stdout)
        self.check(status == ref_status, "%s: exit status %d, SMF run %d"
                   % (label, status, ref_status))
        self.check(normalized(stdout) == normalized(ref_stdout),
                   "%s: standard output differs from the SMF run's:\n%s\n---\n%s"
                   % (label, normalized(stdout), normalized(ref_stdout)))
        if not self.check(out is not None and ref_out is not None,
                          "%s: no output file" % label):
            return None
        try:
            if form.kind == "stl":
                self.check_stl(form, label, out, ref_vtext, ref_faces,
                               target, timed)
                decoded = None
            else:
                decoded = self.check_indexed(form, label, out, ref_out,
                                             ref_vtext, ref_faces, target,
                                             timed)
        except Bad as e:
            self.check(False, "%s: output cannot be decoded: %s" % (label, e))
            return None
        if decoded and form.scanner:
            self.check_no_attributes(form, label, target, timed, ref_stdout,
                                     decoded)
        if decoded and expected is not None:
            exp_out, exp_stdout = expected
            self.check(smf_layout(*decoded) == exp_out,
                       "%s: output differs from the agreed result" % label)
            if exp_stdout is not None:
                self.check(normalized(stdout) == normalized(exp_stdout),
                           "%s: standard output differs from the agreed "
                           "result's" % label)
        return decoded

    def check_indexed(self, form, label, out, ref_out, ref_vtext, ref_faces,
                      target, timed):
        if form.kind == "obj":
            vertices, faces, tokens = read_obj(out)
            coord = "double"
        else:
            fmt, coord, vertices, faces, tokens = (
                self.check_carried(form, label, out) if form.scanner
                else read_ply(out))
            self.check(fmt == form.encoding, "%s: output format %s, input %s"
                       % (label, fmt, form.encoding))
            self.check(coord == form.coord,
                       "%s: output coordinates %s, input %s"
                       % (label, coord, form.coord))
        shortest = shortest_double if coord == "double" else shortest_float
        bad = [t for t in tokens if not shortest(t)]
        self.check(not bad, "%s: coordinates not in their shortest form: %s"
                   % (label, bad[:5]))
        if form.exact:
            self.check(smf_layout(vertices, faces) == ref_out,
                       "%s: output printed with %%g differs from the SMF "
                       "run's output" % label)
        else:
            self.check(faces == ref_faces and len(vertices) == len(ref_vtext),
                       "%s: faces differ from the SMF run's" % label)
            # The SMF file gives six significant digits; a float holds
            # about seven. Nothing finer than a relative 1e-5 can be told
            # from it (the exact comparison is against the anchor below).
            far = [(v, t) for v, t in zip(vertices, ref_vtext)
                   if any(abs(a - float(b)) > 1e-5 * abs(float(b)) + 1e-30
                          for a, b in zip(v, t))]
            self.check(not far, "%s: coordinates differ from the SMF run's: %s"
                       % (label, far[:3]))
        if form.name.startswith("anchor-") or form.name == form.ref.anchor_form:
            self.anchors[(form.ref.name, target, timed)] = (vertices, faces)
            return vertices, faces
        anchor = self.anchor(form.ref, target, timed)
        if anchor is not None:
            av, af = anchor
            want = [tuple(bits(c if form.exact else f32(c)) for c in v)
                    for v in av]
            got = [tuple(bits(c) for c in v) for v in vertices]
            self.check(faces == af and got == want,
                       "%s: output is not bit for bit the %s of the double "
                       "PLY run's" % (label, "copy" if form.exact
                                      else "float rounding"))
        return vertices, faces

    # A scanner form carries other vertex and face values, which never
    # change the geometry where no vertex has corners of different values
    # (a seam): their texture coordinates are one constant, no face names a
    # material, and welding joins no records (a mesh with repeated
    # positions is read with --no-weld). So the geometry must still be the
    # SMF run's, and the carried values only those the rules allow.

    def scanner_input(self, form):
        if form.input is None:
            form.input = read_ply_any(form.make())
        return form.input

    def without_notes(self, form, label, stdout):
        """Checks that the notes of what the load drops are exactly those
        the input calls for, right after the load's count lines; returns
        stdout without them."""
        _, notes = carried_plan(self.scanner_input(form)[2])
        lines = stdout.splitlines(True)
        at = [k for k, line in enumerate(lines) if line.startswith("Note: ")]
        placed = not at or (at == list(range(at[0], at[0] + len(at)))
                            and lines[at[0] - 1].endswith(" <Faces>\n"))
        self.check(placed and sorted(lines[k] for k in at) == sorted(notes),
                   "%s: note lines %r, expected %r after the load's counts"
                   % (label, [lines[k] for k in at], notes))
        return "".join(lines[k] for k in range(len(lines)) if k not in at)

    def check_carried(self, form, label, out):
        """Checks what an output carries against its scanner input; returns
        what read_ply returns for a plain one."""
        fmt, comments, elements = read_ply_any(out)
        _, in_comments, inputs = self.scanner_input(form)
        kept, _ = carried_plan(inputs)
        self.check(comments == ["comment ZEQ 1.22a"] + in_comments,
                   "%s: comment lines %r" % (label, comments))
        if not self.check([e.name for e in elements] ==
                          [e.name for e in kept], "%s: elements %s, input's "
                          "kept %s" % (label, [e.name for e in elements],
                                       [e.name for e in kept])):
            raise Bad("elements")
        coord = "float"
        for e, i in zip(elements, kept):
            if e.name in ("vertex", "face"):
                want = carried_properties(i)
                coord = dict(p[:2] for p in want).get("x", coord)
                if not self.check(e.props == want, "%s: %s properties %s, "
                                  "expected %s" % (label, e.name, e.props,
                                                   want)):
                    raise Bad("%s properties" % e.name)
            else:
                self.check(e.lines == i.lines and e.count == i.count and
                           e.texts == i.texts and e.raw == i.raw,
                           "%s: element %s not copied as it was"
                           % (label, e.name))
        vert, face = (elements[[e.name for e in elements].index(n)]
                      for n in ("vertex", "face"))
        in_vert, in_face = (kept[[e.name for e in kept].index(n)]
                            for n in ("vertex", "face"))
        names = [p[0] for p in vert.props]
        xyz = [names.index(c) for c in "xyz"]
        vertices = [tuple(r[k] for k in xyz) for r in vert.records]
        tokens = [t[k] for t in vert.texts for k in xyz]
        faces = [tuple(c) for c in face.column(corner_list(face))]
        if any(len(f) != 3 or not all(0 <= c < len(vertices) for c in f)
               for f in faces):
            raise Bad("faces that are not triangles of the vertices")
        # The values: colours and reals are averages of the input's,
        # normals unit length where averaged, other integers and face
        # values kept from the input, texcoord (the one list) six values a
        # triangle, each the input's constant.
        wrong = {}
        normals = all(n in names for n in NORMAL)
        for e, i in ((vert, in_vert), (face, in_face)):
            for p in e.props:
                if p[0] in ("x", "y", "z") + CORNER_LISTS or \
                        e is vert and p[0] in NORMAL and normals:
                    continue
                got, had = e.column(p[0]), i.column(p[0])
                if p[1] == "list":
                    got = [x for r in got if len(r) == 6 for x in r] + \
                        ["%d values" % len(r) for r in got if len(r) != 6]
                    had = [x for r in had for x in r]
                    if len(set(had)) != 1:
                        wrong[p[0]] = "input not constant"
                numbers = [x for x in had if x == x]
                if e is vert and (p[0] in COLOURS or p[1] in FLOATING
                                  or p[0].startswith("diffuse_")):
                    bad = [x for x in got if not (
                        min(numbers, default=math.nan) <= x <=
                        max(numbers, default=math.nan) if x == x
                        else len(numbers) < len(had))]
                else:
                    bad = [x for x in got if x not in had]
                if bad:
                    wrong[p[0]] = bad[:5]
        if normals:
            # A merge leaves a unit normal: the renormalised average, a NaN
            # component taking the other end's. Some inputs' normals are not
            # unit length or hold a NaN: any other triple is an
            # untouched vertex's, its whole record an input record. (A NaN
            # survives a merge only with another NaN, and no face of the
            # input holds two vertices with NaN normals.)
            at = [[p[0] for p in in_vert.props].index(n) for n in names]
            untouched = {nan_key(r[k] for k in at) for r in in_vert.records}
            bad = [r for r in vert.records
                   if not abs(math.sqrt(sum(r[names.index(n)] ** 2
                                            for n in NORMAL)) - 1) <= 1e-6
                   and nan_key(r) not in untouched]
            if bad:
                wrong["normal"] = bad[:3]
        self.check(not wrong, "%s: values the input does not allow: %s"
                   % (label, wrong))
        # Text values: integers as digits (read_ply_any checks that),
        # reals in their shortest form, NaN as nan.
        shortest = {"float": shortest_float, "double": shortest_double}
        bad = [t for e in (vert, face)
               for rec, texts in zip(e.records, e.texts)
               for p, value, text in zip(e.props, rec, texts)
               for v, t in (zip(value, text) if p[1] == "list"
                            else [(value, text)])
               if canonical(p[-1]) in shortest and
               not (t == "nan" if v != v else shortest[canonical(p[-1])](t))]
        self.check(not bad, "%s: reals not in their shortest form: %s"
                   % (label, bad[:5]))
        return fmt, coord, vertices, faces, tokens

    def check_no_attributes(self, form, label, target, timed, ref_stdout,
                            decoded):
        """With --no-attributes a scanner form gives what it gave before
        attributes were carried: the SMF run's standard output, and the
        bytes of the plain PLY of the same records."""
        label += " --no-attributes"
        status, stdout, out = self.run("in.ply", form.make(), target, timed,
                                       ["--no-attributes"])
        _, _, plain = self.run("in.ply", plain_ply(
            form.encoding, form.coord, form.ref.vertices, form.ref.faces),
            target, timed)
        self.check(status == 0 and normalized(stdout) ==
                   normalized(ref_stdout), "%s: status %d, standard output "
                   "differs from the SMF run's:\n%s" % (label, status, stdout))
        self.check(out is not None and out == plain, "%s: output differs "
                   "from the plain PLY run's" % label)
        try:
            fmt, coord, vertices, faces, _ = read_ply(out or b"")
        except Bad as e:
            self.check(False, "%s: output cannot be decoded: %s" % (label, e))
            return
        self.check(fmt == form.encoding and coord == form.coord and
                   [tuple(map(bits, v)) for v in vertices] ==
                   [tuple(map(bits, v)) for v in decoded[0]] and
                   faces == decoded[1], "%s: geometry differs from the run "
                   "with attributes" % label)

    def check_stl(self, form, label, out, ref_vtext, ref_faces, target,
                  timed):
        binary = form.encoding != "ascii"
        self.check(out.startswith(b"solid zeq\n") != binary,
                   "%s: output is %s, input %s" % (
                       label, "text" if out.startswith(b"solid") else
                       "binary", form.encoding))
        facets, ntokens, ctokens = read_stl(out, binary)
        bad = [t for t in ctokens if not shortest_double(t)]
        bad += [t for t in ntokens if not shortest_float(t)]
        self.check(not bad, "%s: numbers not in their shortest form: %s"
                   % (label, bad[:5]))
        self.check(len(facets) == len(ref_faces),
                   "%s: %d facets, SMF run %d faces"
                   % (label, len(facets), len(ref_faces)))
        wrong_normal, differ = [], []
        for k, (normal, corners) in enumerate(facets):
            if tuple(f32(n) for n in normal) != unit_normal(corners) or \
                    (binary and normal != unit_normal(corners)):
                wrong_normal.append((k, normal, unit_normal(corners)))
            if k >= len(ref_faces):
                continue
            want = [ref_vtext[c] for c in ref_faces[k]]
            if binary:
                if any(abs(a - float(b)) > 1e-5 * abs(float(b)) + 1e-30
                       for p, q in zip(corners, want) for a, b in zip(p, q)):
                    differ.append((k, corners, want))
            elif [tuple("%g" % x for x in p) for p in corners] != want:
                differ.append((k, corners, want))
        self.check(not wrong_normal, "%s: facet normals are not the unit "
                   "normals of the triangles: %s" % (label, wrong_normal[:3]))
        self.check(not differ, "%s: facets differ from the SMF run's faces: "
                   "%s" % (label, differ[:3]))
        anchor = self.anchor(form.ref, target, timed)
        if anchor is not None:
            av, af = anchor
            want = [[tuple(bits(c if not binary else f32(c)) for c in av[i])
                     for i in f] for f in af]
            got = [[tuple(bits(c) for c in p) for p in corners]
                   for _, corners in facets]
            self.check(got == want, "%s: facets are not bit for bit those of "
                       "the double PLY run" % label)


class Ref:
    """Records written as SMF: the reference of one or more forms."""
    def __init__(self, name, vertices, faces):
        self.name = name
        self.vertices = vertices
        self.faces = faces
        self.smf = smf_text(vertices, faces)
        self.anchor_form = None


class Form:
    def __init__(self, name, ref, kind, make, exact, encoding, coord,
                 original=False, scanner=None):
        self.name = name
        self.ref = ref
        self.kind = kind
        self.make = make
        self.exact = exact
        self.encoding = encoding
        self.coord = coord
        self.original = original     # the unchanged records of the mesh
        self.scanner = scanner       # the scanner_ply style, if one
        self.input = None            # read_ply_any of the input, once read


def forms_of(mesh, vertices, faces):
    base = os.path.splitext(mesh)[0]
    orig = Ref(base, vertices, faces)
    polys, fan = polygons(faces)
    # Every mesh gives dozens of quads; all but blobby some pentagons too.
    assert sum(len(p) > 3 for p in polys) >= 20, "too few polygons"
    poly_ref = Ref(base + "-fans", vertices, fan)
    fv = [tuple(f32(c) for c in v) for v in vertices]
    float_ref = Ref(base + "-float", fv, faces)
    float_poly_ref = Ref(base + "-float-fans", fv, fan)
    welded_ref = Ref(base + "-welded", *weld(vertices, faces))
    welded_float_ref = Ref(base + "-float-welded", *weld(fv, faces))
    # Some exporters start a binary STL's header with "solid" too; the size
    # tells it from text.
    stl_header = (b"solid " + base.encode() if base.startswith("elephant")
                  else b"binary STL of " + base.encode())
    forms = []
    for enc, tag in (("binary_little_endian", "le"),
                     ("binary_big_endian", "be"), ("ascii", "ascii")):
        forms.append(Form("ply-%s-double" % tag, orig, "ply",
                          (lambda e: lambda: plain_ply(e, "double", vertices,
                                                       faces))(enc),
                          True, enc, "double", original=True))
        forms.append(Form("ply-%s-float" % tag, float_ref, "ply",
                          (lambda e: lambda: plain_ply(e, "float", fv,
                                                       faces))(enc),
                          False, enc, "float"))
    orig.anchor_form = "ply-le-double"
    forms += [
        Form("ply-scanner-le", poly_ref, "ply",
             lambda: scanner_ply("le", vertices, polys), True,
             "binary_little_endian", "double", scanner="le"),
        Form("ply-scanner-ascii", poly_ref, "ply",
             lambda: scanner_ply("ascii", vertices, polys), True, "ascii",
             "double", scanner="ascii"),
        Form("ply-scanner-be-float", float_poly_ref, "ply",
             lambda: scanner_ply("be-float", fv, polys), False,
             "binary_big_endian", "float", scanner="be-float"),
        Form("obj", orig, "obj",
             lambda: obj_text(base, vertices, [tuple(f) for f in faces]),
             True, "ascii", "double", original=True),
        Form("obj-polygons", poly_ref, "obj",
             lambda: obj_text(base, vertices, polys), True, "ascii",
             "double"),
        Form("stl-ascii", welded_ref, "stl",
             lambda: stl_text(base, vertices, faces), True, "ascii",
             "double"),
        Form("stl-binary", welded_float_ref, "stl",
             lambda: stl_binary(fv, faces, stl_header), False,
             "binary_little_endian", "float"),
    ]
    return forms


def agreed_results():
    """{(mesh source, target, timed): (output in SMF layout, stdout or None
    when the result is OFF, whose console lines differ)}."""
    found = {}
    if not os.path.isdir(CASES):
        return found
    for case in sorted(os.listdir(CASES)):
        if not case.startswith("shared-"):
            continue
        d = os.path.join(CASES, case)
        with open(os.path.join(d, "args")) as f:
            args = f.read().split()
        with open(os.path.join(d, "mesh")) as f:
            names = dict(line.split() for line in f if line.strip())
        timed = "-D" in args
        in_name, out_name = args[-2], args[-1]
        with open(os.path.join(d, "out", out_name), "rb") as f:
            out = f.read()
        with open(os.path.join(d, "stdout")) as f:
            stdout = f.read()
        off = in_name.lower().endswith("off")
        found[(names[in_name], int(args[1]), timed)] = (
            off_as_smf(out) if off else out, None if off else stdout)
    return found


def main():
    if len(sys.argv) < 3:
        print(__doc__.split("\n\n")[1])
        return 2
    zeq = os.path.abspath(sys.argv[1])
    agreed = agreed_results()
    work = tempfile.mkdtemp(prefix="zeq-formats-")
    checker = Checker(zeq, work)
    compared_with_agreed = 0
    try:
        for mesh in sys.argv[2:]:
            vertices, faces = load_mesh(os.path.join(MESHES, mesh))
            checker.no_weld = has_repeated_positions(vertices)
            forms = forms_of(mesh, vertices, faces)
            for n, (target, timed) in enumerate(TARGETS[mesh]):
                expected = agreed.get((mesh, target, timed))
                for form in forms:
                    if n > 0 and form.name not in SUBSET:
                        continue
                    use = expected if form.original else None
                    if use is not None:
                        compared_with_agreed += 1
                    checker.check_form(form, target, timed, use)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d checks, %d against agreed results, %d failed"
          % (checker.checks, compared_with_agreed, len(checker.failures)))
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
