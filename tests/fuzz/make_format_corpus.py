#!/usr/bin/env python3
"""Writes the PLY, STL and OBJ seed corpora of the fuzz drivers.

Connected patches are cut out of the shared test meshes (tests/e2e/meshes)
and written in every encoding and style the readers take: PLY text and
binary in both byte orders with float and double coordinates, extra
properties and elements, polygons; STL binary and text; OBJ with texture
coordinates, normals, groups, materials, slashed and negative corners,
polygons. Hand-made broken files follow: inputs cut short, counts beyond
the input, bad list counts, corners out of range, unknown types and format
lines, NaN and infinite coordinates, lying STL facet counts.

Standard library only. Every seed stays under the drivers' -max_len.
  tests/fuzz/make_format_corpus.py          # rewrites corpus/ply, stl, obj
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
MESHES = os.path.join(ROOT, "tests", "e2e", "meshes")
MAX_SEED = 65536


# ---- meshes -----------------------------------------------------------------

def read_mesh(name):
    """Vertices (tuples of floats) and triangles (0-based) of an SMF or OFF file."""
    with open(os.path.join(MESHES, name)) as f:
        lines = f.read().split("\n")
    verts, faces = [], []
    if name.endswith(".off"):
        words = " ".join(l for l in lines[1:] if not l.startswith("#")).split()
        nv, nf = int(words[0]), int(words[1])
        at = 3
        for _ in range(nv):
            verts.append(tuple(float(w) for w in words[at:at + 3]))
            at += 3
        for _ in range(nf):
            n = int(words[at])
            faces.append(tuple(int(w) for w in words[at + 1:at + 1 + n]))
            at += 1 + n
    else:
        for l in lines:
            w = l.split()
            if not w:
                continue
            if w[0] == "v":
                verts.append(tuple(float(x) for x in w[1:4]))
            elif w[0] == "f":
                faces.append(tuple(int(x) - 1 for x in w[1:4]))
    return verts, faces


def patch(mesh, count, start=0):
    """A connected patch of about `count` faces grown from face `start`,
    renumbered in order of first use."""
    verts, faces = mesh
    at_vertex = {}
    for i, f in enumerate(faces):
        for v in f:
            at_vertex.setdefault(v, []).append(i)
    seen, order, queue = {start}, [], [start]
    while queue and len(order) < count:
        i = queue.pop(0)
        order.append(i)
        for v in faces[i]:
            for j in at_vertex[v]:
                if j not in seen:
                    seen.add(j)
                    queue.append(j)
    order.sort()
    number = {}
    out_faces = []
    for i in order:
        out_faces.append(tuple(number.setdefault(v, len(number)) for v in faces[i]))
    out_verts = [None] * len(number)
    for old, new in number.items():
        out_verts[new] = verts[old]
    return out_verts, out_faces


def with_quads(mesh):
    """Neighbouring triangles of the list merged into quads where they share
    an edge the other way round; the rest stay triangles."""
    verts, faces = mesh
    out, i = [], 0
    while i < len(faces):
        if i + 1 < len(faces):
            t, u = faces[i], faces[i + 1]
            merged = None
            for r in range(3):
                a, b, c = t[r], t[(r + 1) % 3], t[(r + 2) % 3]
                for s in range(3):
                    if u[s] == b and u[(s + 1) % 3] == a:
                        d = u[(s + 2) % 3]
                        if d not in t:
                            merged = (a, d, b, c)
                if merged:
                    break
            if merged:
                out.append(merged)
                i += 2
                continue
        out.append(faces[i])
        i += 1
    return verts, out


def grid(n, polygon=4):
    """An n by n sheet of quads (or, with polygon 5, of pentagons with an extra
    corner in the middle of each lower edge)."""
    verts, faces = [], []
    def at(i, j):
        return i * (n + 1) + j
    for i in range(n + 1):
        for j in range(n + 1):
            verts.append((float(j), float(i), 0.125 * ((i * j) % 3)))
    for i in range(n):
        for j in range(n):
            a, b, c, d = at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)
            if polygon == 5:
                verts.append((j + 0.5, float(i), 0.0))
                faces.append((a, len(verts) - 1, b, c, d))
            else:
                faces.append((a, b, c, d))
    return verts, faces


def fmt(x):
    return repr(float(x)) if x != int(x) else str(int(x)) if abs(x) < 1e15 else repr(float(x))


# ---- PLY ----------------------------------------------------------------------

TYPE_CODES = {"char": "b", "int8": "b", "uchar": "B", "uint8": "B", "short": "h", "int16": "h",
              "ushort": "H", "uint16": "H", "int": "i", "int32": "i", "uint": "I", "uint32": "I",
              "float": "f", "float32": "f", "double": "d", "float64": "d"}


def ply(mesh, encoding="ascii", coord="float", vertex_extra=(), xyz_at=0, face_extra=(),
        count_type="uchar", index_type="int", corner_name="vertex_indices", before=(), after=(),
        comments=("made from a shared test mesh",), line_end="\n"):
    """PLY bytes. vertex_extra: (type, name, value_fn(i)) scalars, or
    ("list", count_type, item_type, name, items_fn(i)); the x, y, z come in
    at position xyz_at among them. face_extra: the same for faces, after the
    corner list. before/after: other elements (name, count, properties,
    record_fn(i) -> list of values per property)."""
    verts, faces = mesh
    big = encoding == "binary_big_endian"
    endian = ">" if big else "<"

    def prop_lines(props):
        out = []
        for p in props:
            if p[0] == "list":
                out.append("property list %s %s %s" % (p[1], p[2], p[3]))
            else:
                out.append("property %s %s" % (p[0], p[1]))
        return out

    vprops = list(vertex_extra)
    xyz = [(coord, "x", None), (coord, "y", None), (coord, "z", None)]
    vprops[xyz_at:xyz_at] = xyz
    fprops = [("list", count_type, index_type, corner_name, None)] + list(face_extra)

    head = ["ply", "format %s 1.0" % encoding] + ["comment " + c for c in comments]
    head.append("obj_info fuzz seed")
    elements = []
    for name, count, props, record in before:
        elements.append((name, count, props, record))
    elements.append(("vertex", len(verts), vprops, None))
    elements.append(("face", len(faces), fprops, None))
    for name, count, props, record in after:
        elements.append((name, count, props, record))
    for name, count, props, _ in elements:
        head.append("element %s %d" % (name, count))
        head += prop_lines(props)
    head.append("end_header")
    out = bytearray((line_end.join(head) + line_end).encode())

    def values(name, props, i):
        vals = []
        for p in props:
            if p[-1] is None:  # x, y, z or the corners
                if name == "vertex":
                    vals.append(verts[i]["xyz".index(p[1])])
                else:
                    vals.append(list(faces[i]))
            else:
                vals.append(p[-1](i))
        return vals

    for name, count, props, record in elements:
        for i in range(count):
            vals = record(i) if record else values(name, props, i)
            if encoding == "ascii":
                words = []
                for p, v in zip(props, vals):
                    if p[0] == "list":
                        words.append(str(len(v)))
                        words += [fmt(x) for x in v]
                    else:
                        words.append(fmt(v))
                out += (" ".join(words) + line_end).encode()
            else:
                for p, v in zip(props, vals):
                    if p[0] == "list":
                        out += struct.pack(endian + TYPE_CODES[p[1]], len(v))
                        for x in v:
                            out += struct.pack(endian + TYPE_CODES[p[2]], x)
                    else:
                        out += struct.pack(endian + TYPE_CODES[p[0]], v)
    return bytes(out)


def split(mesh):
    """The same faces with a vertex of their own at every corner, as assimp
    writes every PLY."""
    verts, faces = mesh
    return [verts[c] for f in faces for c in f], [(3 * i, 3 * i + 1, 3 * i + 2) for i in range(len(faces))]


def ply_seeds(bunny, elephant, bones, blob, fandisk):
    s = {}
    s["bunny_patch80_split_le.ply"] = ply(split(patch(bunny, 80)), "binary_little_endian",
                                          vertex_extra=[("float", "nx", lambda i: 0.0), ("float", "s", lambda i: i / 9.0)],
                                          xyz_at=0, corner_name="vertex_index")
    s["tristrips_only.ply"] = (b"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                               b"property float z\nelement tristrips 1\nproperty list int int vertex_indices\n"
                               b"end_header\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2 -1\n")
    small = patch(bunny, 60)
    s["bunny_patch150_ascii.ply"] = ply(patch(bunny, 150))
    s["bunny_patch150_ascii_double.ply"] = ply(patch(bunny, 150), coord="double")
    s["elephant_patch200_le_float.ply"] = ply(patch(elephant, 200), "binary_little_endian")
    s["elephant_patch200_le_double.ply"] = ply(patch(elephant, 200), "binary_little_endian", "double")
    s["bones_patch200_be_float.ply"] = ply(patch(bones, 200), "binary_big_endian")
    s["bones_patch200_be_double.ply"] = ply(patch(bones, 200), "binary_big_endian", "double")
    s["blob_patch120_le_mixed.ply"] = ply(patch(blob, 120), "binary_little_endian", "float",
                                          vertex_extra=[("double", "confidence", lambda i: i / 7.0)])
    # Scanner-like vertices: normals, colour and intensity around x, y, z.
    scanner = [("float", "nx", lambda i: 0.0), ("float", "ny", lambda i: 1.0), ("float", "nz", lambda i: 0.0),
               ("uchar", "red", lambda i: i % 256), ("uchar", "green", lambda i: 7), ("uchar", "blue", lambda i: 9),
               ("ushort", "intensity", lambda i: 1000 + i)]
    for enc, tag in (("ascii", "ascii"), ("binary_little_endian", "le"), ("binary_big_endian", "be")):
        s["fandisk_patch100_scanner_%s.ply" % tag] = ply(patch(fandisk, 100), enc, "float", scanner, xyz_at=3)
    # A list inside the vertex records: their size varies.
    vlist = [("list", "uchar", "int", "neighbours", lambda i: list(range(i % 4))),
             ("char", "flag", lambda i: -1)]
    s["small_vertex_list_le.ply"] = ply(small, "binary_little_endian", "double", vlist, xyz_at=1)
    s["small_vertex_list_ascii.ply"] = ply(small, "ascii", "double", vlist, xyz_at=2)
    # Faces with other properties and other count and index types.
    fextra = [("list", "uchar", "float", "texcoord", lambda i: [0.0, 0.5, 1.0, 0.5, 0.25, 0.75]),
              ("int", "flags", lambda i: i), ("uchar", "material", lambda i: 2)]
    for ct, it in (("uchar", "int"), ("ushort", "uint"), ("int", "short"), ("uint8", "uint16"),
                   ("char", "int32")):
        s["small_faces_%s_%s_le.ply" % (ct, it)] = ply(small, "binary_little_endian", "float",
                                                       count_type=ct, index_type=it, face_extra=fextra)
    s["small_faces_uint_int_be.ply"] = ply(small, "binary_big_endian", "double", count_type="uint",
                                           index_type="int", face_extra=fextra, corner_name="vertex_index")
    s["small_vertex_index_ascii.ply"] = ply(small, corner_name="vertex_index", face_extra=fextra)
    # Other elements before, between and after.
    material = ("material", 2, [("float", "ambient", lambda i: 0.5), ("uchar", "shine", lambda i: 3)], None)
    edge = ("edge", 3, [("int", "vertex1", lambda i: i), ("int", "vertex2", lambda i: i + 1),
                        ("list", "uchar", "float", "weights", lambda i: [1.0] * i)], None)
    s["small_other_elements_ascii.ply"] = ply(small, before=[material], after=[edge])
    s["small_other_elements_be.ply"] = ply(small, "binary_big_endian", after=[edge, material])
    s["small_other_elements_le.ply"] = ply(small, "binary_little_endian", "double", before=[edge])
    # Polygons.
    s["bunny_quads_ascii.ply"] = ply(with_quads(patch(bunny, 120)))
    s["bunny_quads_le.ply"] = ply(with_quads(patch(bunny, 120)), "binary_little_endian")
    s["grid6_quads_be_double.ply"] = ply(grid(6), "binary_big_endian", "double")
    s["grid4_pentagons_ascii.ply"] = ply(grid(4, 5))
    s["tetra_crlf.ply"] = ply(patch(bunny, 4), line_end="\r\n")
    s["no_faces.ply"] = b"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n" \
                        b"property float z\nend_header\n0 0 0\n1 0 0\n0 1 0\n"
    s["zero_vertices.ply"] = b"ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\n" \
                             b"property float z\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n"
    s["types_int8_float64.ply"] = ply(small, "binary_little_endian", "float64", count_type="uint8",
                                      index_type="int32")

    # ---- broken ----
    good_le = ply(patch(bunny, 30), "binary_little_endian")
    good_be_double = ply(patch(bunny, 30), "binary_big_endian", "double")
    header_end = good_le.index(b"end_header\n") + len(b"end_header\n")
    s["cut_in_vertices_le.ply"] = good_le[:header_end + 50]
    s["cut_in_faces_le.ply"] = good_le[:len(good_le) - 7]
    s["cut_in_faces_be.ply"] = good_be_double[:len(good_be_double) - 20]
    s["cut_in_header.ply"] = good_le[:header_end - 8]
    s["cut_ascii.ply"] = ply(patch(bunny, 30))[:-15]
    tri_head = "ply\nformat %s 1.0\nelement vertex %s\nproperty float x\nproperty float y\nproperty float z\n" \
               "element face %s\nproperty list uchar int vertex_indices\nend_header\n"
    tri_ascii = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"
    tri_le = struct.pack("<9f", 0, 0, 0, 1, 0, 0, 0, 1, 0) + struct.pack("<B3i", 3, 0, 1, 2)
    s["count_4e9.ply"] = (tri_head % ("ascii", "4000000000", "1")).encode() + tri_ascii.encode()
    s["count_int_max_le.ply"] = (tri_head % ("binary_little_endian", "2147483647", "1")).encode() + tri_le
    s["count_int_max_plus1.ply"] = (tri_head % ("ascii", "2147483648", "1")).encode() + tri_ascii.encode()
    s["face_count_huge_le.ply"] = (tri_head % ("binary_little_endian", "3", "2000000000")).encode() + tri_le
    s["count_negative.ply"] = (tri_head % ("ascii", "-3", "1")).encode() + tri_ascii.encode()
    s["list_count_255_le.ply"] = (tri_head % ("binary_little_endian", "3", "1")).encode() + tri_le[:36] + \
        struct.pack("<B3i", 255, 0, 1, 2)
    s["list_count_negative_char.ply"] = (tri_head % ("binary_little_endian", "3", "1")).replace(
        "list uchar int", "list char int").encode() + tri_le[:36] + struct.pack("<b3i", -1, 0, 1, 2)
    s["list_count_negative_ascii.ply"] = (tri_head % ("ascii", "3", "1")).encode() + b"0 0 0\n1 0 0\n0 1 0\n-3 0 1 2\n"
    s["list_count_two.ply"] = (tri_head % ("ascii", "3", "1")).encode() + b"0 0 0\n1 0 0\n0 1 0\n2 0 1\n"
    s["index_out_of_range.ply"] = (tri_head % ("ascii", "3", "1")).encode() + b"0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n"
    s["index_negative_le.ply"] = (tri_head % ("binary_little_endian", "3", "1")).encode() + tri_le[:36] + \
        struct.pack("<B3i", 3, 0, -1, 2)
    s["index_float_type.ply"] = (tri_head % ("ascii", "3", "1")).replace("uchar int", "uchar float").encode() + \
        tri_ascii.encode()
    s["unknown_type.ply"] = (tri_head % ("ascii", "3", "1")).replace("float z", "float128 z").encode() + \
        tri_ascii.encode()
    s["unknown_format.ply"] = (tri_head % ("binary_middle_endian", "3", "1")).encode() + tri_le
    s["format_version_2.ply"] = (tri_head % ("ascii", "3", "1")).replace("1.0", "2.0").encode() + tri_ascii.encode()
    s["no_format.ply"] = (tri_head % ("ascii", "3", "1")).replace("format ascii 1.0\n", "").encode() + \
        tri_ascii.encode()
    s["no_z.ply"] = (tri_head % ("ascii", "3", "1")).replace("property float z\n", "").encode() + \
        b"0 0\n1 0\n0 1\n3 0 1 2\n"
    s["int_coordinates.ply"] = (tri_head % ("ascii", "3", "1")).replace("float", "int").encode() + tri_ascii.encode()
    s["face_before_vertex.ply"] = b"ply\nformat ascii 1.0\nelement face 1\nproperty list uchar int vertex_indices\n" \
        b"element vertex 3\nproperty float x\nproperty float y\nproperty float z\nend_header\n3 0 1 2\n" \
        b"0 0 0\n1 0 0\n0 1 0\n"
    s["no_end_header.ply"] = (tri_head % ("ascii", "3", "1")).replace("end_header\n", "").encode()
    s["only_ply.ply"] = b"ply\n"
    s["nan_le.ply"] = (tri_head % ("binary_little_endian", "3", "1")).encode() + \
        struct.pack("<9f", 0, 0, 0, math.nan, 0, 0, 0, 1, 0) + struct.pack("<B3i", 3, 0, 1, 2)
    s["inf_be_double.ply"] = (tri_head % ("binary_big_endian", "3", "1")).replace("float", "double").encode() + \
        struct.pack(">9d", 0, 0, 0, 1, 0, 0, 0, math.inf, 0) + struct.pack(">B3i", 3, 0, 1, 2)
    s["nan_ascii.ply"] = (tri_head % ("ascii", "3", "1")).encode() + b"0 0 0\nnan 0 0\n0 1 inf\n3 0 1 2\n"
    s["float_overflow_ascii.ply"] = (tri_head % ("ascii", "3", "1")).encode() + b"0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n"
    s["trailing_bytes_le.ply"] = good_le + b"\0\0\0junk"
    s["duplicate_element.ply"] = (tri_head % ("ascii", "3", "1")).replace(
        "end_header", "element vertex 1\nproperty float x\nend_header").encode() + tri_ascii.encode()
    s["property_before_element.ply"] = b"ply\nformat ascii 1.0\nproperty float x\n" + \
        (tri_head % ("ascii", "3", "1")).encode()[len("ply\nformat ascii 1.0\n"):] + tri_ascii.encode()
    return s


# ---- STL ----------------------------------------------------------------------

def normal(a, b, c):
    u = [b[i] - a[i] for i in range(3)]
    v = [c[i] - a[i] for i in range(3)]
    n = [u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]]
    l = math.sqrt(sum(x * x for x in n)) or 1.0
    return [x / l for x in n]


def stl_binary(mesh, header=b"binary seed cut from a shared test mesh", count=None, attribute=0):
    verts, faces = mesh
    out = bytearray(header.ljust(80, b" ")[:80])
    tris = [(f[0], f[k], f[k + 1]) for f in faces for k in range(1, len(f) - 1)]
    out += struct.pack("<I", len(tris) if count is None else count)
    for t in tris:
        p = [verts[i] for i in t]
        out += struct.pack("<3f", *normal(*p))
        for q in p:
            out += struct.pack("<3f", *q)
        out += struct.pack("<H", attribute)
    return bytes(out)


def stl_text(mesh, name="seed", line_end="\n", polygons=False, indent="  "):
    verts, faces = mesh
    out = ["solid " + name]
    for f in faces:
        loops = [f] if polygons else [(f[0], f[k], f[k + 1]) for k in range(1, len(f) - 1)]
        for t in loops:
            p = [verts[i] for i in t]
            out.append(indent + "facet normal %s %s %s" % tuple(fmt(x) for x in normal(p[0], p[1], p[2])))
            out.append(indent * 2 + "outer loop")
            for q in p:
                out.append(indent * 3 + "vertex %s %s %s" % tuple(fmt(x) for x in q))
            out.append(indent * 2 + "endloop")
            out.append(indent + "endfacet")
    out.append("endsolid " + name)
    return (line_end.join(out) + line_end).encode()


def stl_seeds(bunny, elephant, bones, blob, fandisk):
    s = {}
    s["bunny_patch200_binary.stl"] = stl_binary(patch(bunny, 200))
    s["fandisk_patch200_binary.stl"] = stl_binary(patch(fandisk, 200), attribute=0x7fff)
    s["elephant_patch120_text.stl"] = stl_text(patch(elephant, 120), "elephant")
    s["bones_patch100_text_crlf.stl"] = stl_text(patch(bones, 100), "bones", "\r\n")
    s["blob_patch80_text_tabs.stl"] = stl_text(patch(blob, 80), "", indent="\t")
    # Binary whose header starts like text.
    s["binary_header_solid.stl"] = stl_binary(patch(bunny, 40), b"solid exported by a CAD tool")
    s["binary_header_solid_facet.stl"] = stl_binary(patch(bunny, 12), b"solid x\nfacet normal 0 0 1\n")
    two = stl_text(patch(bunny, 20), "first") + stl_text(patch(elephant, 20), "second")
    s["two_solids.stl"] = two
    s["quad_loops_text.stl"] = stl_text(grid(3), "quads", polygons=True)
    s["pentagon_loops_text.stl"] = stl_text(grid(2, 5), "pentagons", polygons=True)
    s["empty_binary.stl"] = stl_binary(([], []))
    s["empty_solid.stl"] = b"solid empty\nendsolid empty\n"
    s["solid_only_line.stl"] = b"solid lonely"
    s["weld_negative_zero.stl"] = b"solid z\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n" \
        b"vertex 0 1 0\nendloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex -0 -0 -0\nvertex 0 1 0\n" \
        b"vertex 1 0 0\nendloop\nendfacet\nendsolid z\n"
    s["degenerate_facets.stl"] = stl_binary(([(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)],
                                             [(0, 0, 1), (0, 1, 2), (2, 2, 2), (0, 2, 1)]))
    # ---- broken ----
    good = stl_binary(patch(bunny, 20))
    s["count_larger.stl"] = stl_binary(patch(bunny, 20), count=21)
    s["count_smaller.stl"] = stl_binary(patch(bunny, 20), count=19)
    s["count_huge.stl"] = stl_binary(patch(bunny, 5), count=0xFFFFFFFF)
    s["cut_binary.stl"] = good[:len(good) - 13]
    s["cut_header.stl"] = good[:60]
    s["nan_binary.stl"] = stl_binary(([(0.0, 0.0, 0.0), (math.nan, 0.0, 0.0), (0.0, 1.0, 0.0)], [(0, 1, 2)]))
    s["inf_binary.stl"] = stl_binary(([(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, math.inf, 0.0)], [(0, 1, 2)]))
    t = stl_text(patch(bunny, 10), "cut")
    s["cut_text.stl"] = t[:len(t) // 2]
    s["no_endsolid.stl"] = t[:t.rindex(b"endsolid")]
    s["nan_text.stl"] = t.replace(b"vertex ", b"vertex nan ", 1)
    s["inf_text.stl"] = t.replace(b"vertex ", b"vertex 1e999 ", 1)
    s["two_corner_loop.stl"] = b"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\n" \
        b"endfacet\nendsolid x\n"
    s["missing_endloop.stl"] = t.replace(b"endloop", b"", 1)
    s["missing_normal_word.stl"] = t.replace(b"facet normal", b"facet", 1)
    s["garbage_after_endsolid.stl"] = t + b"facet normal 0 0 1\n"
    return s


# ---- OBJ ----------------------------------------------------------------------

def obj(mesh, corners="i", negative=False, extras=True, groups=0, line_end="\n", interleave=False,
        vertex_tail=""):
    """OBJ text; corners is one of i, i/t, i//n, i/t/n, or 'mixed'."""
    verts, faces = mesh
    out = ["# seed cut from a shared test mesh"]
    if extras:
        out += ["mtllib seed.mtl", "o patch"]
    lines_v = ["v %s %s %s%s" % (fmt(p[0]), fmt(p[1]), fmt(p[2]), vertex_tail) for p in verts]
    written = 0
    if not interleave:
        out += lines_v
        written = len(verts)
    if extras:
        out += ["vt %s %s" % (fmt(p[0] * 0.1), fmt(p[1] * 0.1)) for p in verts[:8]]
        out += ["vn 0 0 1", "vn 0 1 0", "vn 1 0 0"]
    styles = ["i", "i/t", "i//n", "i/t/n"]
    for k, f in enumerate(faces):
        if interleave:
            need = max(f) + 1
            while written < need:
                out.append(lines_v[written])
                written += 1
        if groups and k % max(1, len(faces) // groups) == 0:
            out += ["g part%d" % k, "s %d" % (k % 3) if k % 2 else "s off", "usemtl m%d" % (k % 2)]
        words = []
        for c, v in enumerate(f):
            i = v - written if negative else v + 1
            style = styles[(k + c) % 4] if corners == "mixed" else corners
            t, n = (c % 8) + 1, (c % 3) + 1
            words.append({"i": "%d" % i, "i/t": "%d/%d" % (i, t), "i//n": "%d//%d" % (i, n),
                          "i/t/n": "%d/%d/%d" % (i, t, n)}[style])
        out.append("f " + " ".join(words))
    return (line_end.join(out) + line_end).encode()


def obj_seeds(bunny, elephant, bones, blob, fandisk):
    s = {}
    s["bunny_patch60_split.obj"] = obj(split(patch(bunny, 60)), "i/t/n")
    s["continued_lines.obj"] = (b"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 \\\n1\nf 1 2 \\\n 3\nf 1 \\\n2 4\n"
                                b"# C:\\models\\\nf 1 3 4 \\\n")
    s["bunny_patch200.obj"] = obj(patch(bunny, 200), extras=False)
    s["elephant_patch150_groups.obj"] = obj(patch(elephant, 150), "i/t/n", groups=5)
    s["bones_patch150_normals.obj"] = obj(patch(bones, 150), "i//n", groups=2)
    s["blob_patch100_texcoords.obj"] = obj(patch(blob, 100), "i/t", groups=3)
    s["fandisk_patch120_mixed_negative.obj"] = obj(patch(fandisk, 120), "mixed", negative=True, groups=4)
    s["bunny_patch80_interleaved_negative.obj"] = obj(patch(bunny, 80), "i", negative=True, interleave=True)
    s["bunny_patch60_interleaved.obj"] = obj(patch(bunny, 60), "i/t/n", interleave=True, groups=2)
    s["bunny_quads.obj"] = obj(with_quads(patch(bunny, 100)), "mixed", groups=2)
    s["grid5_quads.obj"] = obj(grid(5), "i", extras=False)
    s["grid3_pentagons_negative.obj"] = obj(grid(3, 5), "i//n", negative=True)
    s["vertex_w_and_colour.obj"] = obj(patch(elephant, 30), vertex_tail=" 1.0 0.5 0.25 0.125")
    s["crlf.obj"] = obj(patch(bones, 30), "i/t", line_end="\r\n", groups=2)
    s["comments_everywhere.obj"] = b"# cube corner\nv 0 0 0 # origin\nv 1 0 0\nv 0 1 0#tight\nv 0 0 1\n" \
        b"l 1 2\np 3\nf 1 3 2 # back\nf 1 2 4\n\n\t\nf 1 4 3\n  f 2 3 4  \n"
    s["no_faces.obj"] = b"v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    s["one_triangle_no_newline.obj"] = b"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3"
    # ---- broken ----
    tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    s["index_zero.obj"] = (tri + "f 0 1 2\n").encode()
    s["index_too_big.obj"] = (tri + "f 1 2 4\n").encode()
    s["index_negative_too_far.obj"] = (tri + "f -1 -2 -4\n").encode()
    s["index_huge.obj"] = (tri + "f 1 2 99999999999999999999\n").encode()
    s["index_int_min.obj"] = (tri + "f 1 2 -9223372036854775808\n").encode()
    s["two_corners.obj"] = (tri + "f 1 2\n").encode()
    s["face_letters.obj"] = (tri + "f a b c\n").encode()
    s["slash_first.obj"] = (tri + "f /1 2 3\n").encode()
    s["two_coordinates.obj"] = b"v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
    s["nan_inf.obj"] = (tri + "v nan 0 inf\nf 1 2 3\n").encode()
    s["bad_vertex_after_faces.obj"] = (tri + "f 1 2 3\nv 1 1\n").encode()
    s["face_before_vertices.obj"] = b"f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
    s["only_groups.obj"] = b"g a\ns 1\nusemtl m\nvn 0 0 1\nvt 0 0\n"
    s["huge_coordinates.obj"] = (tri + "v 1e308 -1e308 4.9e-324\nv 1e999 0 0\nf 1 2 4\n").encode()
    return s


# ---- all ----------------------------------------------------------------------

def main():
    bunny = read_mesh("bunny.smf")
    elephant = read_mesh("elephant.off")
    bones = read_mesh("bones.off")
    bones = (bones[0], bones[1][1500:] + bones[1][:1500])  # start the patches in a large part
    blob = read_mesh("blobby_shuffled.smf")
    fandisk = read_mesh("fandisk.smf")
    total = 0
    for kind, make in (("ply", ply_seeds), ("stl", stl_seeds), ("obj", obj_seeds)):
        folder = os.path.join(HERE, "corpus", kind)
        os.makedirs(folder, exist_ok=True)
        for old in os.listdir(folder):
            os.remove(os.path.join(folder, old))
        for name, data in sorted(make(bunny, elephant, bones, blob, fandisk).items()):
            if len(data) > MAX_SEED:
                sys.exit("%s: %d bytes, more than %d" % (name, len(data), MAX_SEED))
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            total += len(data)
    print("%d bytes of seeds" % total)


if __name__ == "__main__":
    main()
