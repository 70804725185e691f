#!/usr/bin/env python3
"""Writes the PLY, STL and OBJ end-to-end cases of zeq:
tests/e2e/cases/hostile-ply-*, hostile-stl-* and hostile-obj-*.

Most are inputs that must be refused: binary files cut short anywhere,
counts larger than the file could hold, list counts of 255 or below zero,
corners out of range, unknown types and format lines, NaN and infinite
coordinates, STL facet counts that disagree with the size, OBJ faces naming
vertices that do not exist (yet). A few are small meshes loaded, simplified
(nothing can collapse) and written back, their output files worked out byte
for byte below.

Nothing here runs zeq. Every expected standard output is put together from
the program's fixed message texts (taken from make_cases.py) and the rules
of the readers (io/ply_reader.h, io/stl_reader.h, io/obj_reader.h):
  - a read failure prints the banner, "Original mesh: <NAME> ", then
    "Reading <NAME>: " and the status text, then "ZEQ exit!"; the PLY, STL
    and OBJ readers print their count lines only after a complete load, so
    nothing of theirs comes before the failure; exit status 1 and no output
    file;
  - statuses: 1 cannot be opened, 2 no characters at all, 3 header, 4 vertex
    record, 5 face record (each reader's header says which is which; the
    derivation is in the comment above each case);
  - a complete load prints " V <Vertices>", " E <Edges>", " F <Faces>"
    together, the SMF reader's three lines.

Run it from anywhere: python3 tests/e2e/tools/make_format_cases.py
It rewrites the hostile-ply-*, hostile-stl-* and hostile-obj-* case
directories and touches nothing else.

Where the readers' rules leave something open, the cases take it as follows:
  - A text STL whose facet has a corner that is not a finite number gives 4
    (a coordinate), even though it is also a facet "not of the form above".
  - A binary STL file cut short inside a facet no longer has the size its
    facet count gives: 3 (the size is checked before any facet is read;
    status 5 for a cut facet can only come from an input of unknown size,
    such as a pipe).
  - A text PLY coordinate of type float whose value is finite as a double
    but beyond the float range (1e39) is not a finite float coordinate: 4.
  - An OBJ file with no v line but with an f line gives 5 (its first face
    names a vertex outside the vertices read); status 3 is for a file with
    no v line and no face, checked with comments and vt/vn lines only.
  - The writers' texts naming the program (PLY comment line, OBJ comment
    line, binary STL header) use kProducerName, "ZEQ 1.22a", as
    io/mesh_format.h gives it: "comment ZEQ 1.22a" for PLY, "# ZEQ 1.22a:
    V vertices, F faces" for OBJ, and "ZEQ 1.22a" followed by NUL bytes up
    to 80 bytes for binary STL.
"""

import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

import make_cases as mc  # noqa: E402  (message texts)

CASES = mc.CASES
PREFIXES = ("hostile-ply-", "hostile-stl-", "hostile-obj-")

BANNER = mc.BANNER
EXIT_LINE = mc.EXIT_LINE
END_LINE = mc.END_LINE
LOADING = mc.LOADING
ORIENTING = mc.ORIENTING
WRITING = mc.WRITING
REFUSED = mc.SHORT_USAGE + EXIT_LINE
input_line = mc.input_line
read_failure = mc.read_failure
stalled_run = mc.stalled_run


def counts(v, e, f):
    """The new readers' count lines, printed together after a load."""
    return " %d <Vertices>\n %d <Edges>\n %d <Faces>\n" % (v, e, f)


written = []


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def make_case(name, args, stdout, status, inputs=None, outputs=None):
    assert name.startswith(PREFIXES), name
    assert name not in written, name
    d = os.path.join(CASES, name)
    if os.path.exists(d):
        shutil.rmtree(d)
    os.makedirs(d)
    write_file(os.path.join(d, "args"), args + "\n")
    write_file(os.path.join(d, "stdout"), stdout)
    write_file(os.path.join(d, "status"), "%d\n" % status)
    for fname, data in (inputs or {}).items():
        write_file(os.path.join(d, "in", fname), data)
    for fname, data in (outputs or {}).items():
        write_file(os.path.join(d, "out", fname), data)
    written.append(name)


def read_fail(name, in_name, data, status):
    """A run that ends in the reader; data None: no input file at all."""
    ext = in_name.rsplit(".", 1)[1]
    make_case(name, "-N 1 %s out.%s" % (in_name, ext),
              BANNER + input_line(in_name) + read_failure(in_name, status)
              + EXIT_LINE, 1,
              inputs={in_name: data} if data is not None else None)


def full_run(name, count, in_name, data, loaded, threshold, out_data,
             timed=False, notes=""):
    """A run that loads (counts `loaded`, then the load's `notes` on what it
    does not carry), orients, simplifies (nothing can collapse: the face
    count never changes) and writes out.<ext>."""
    ext = in_name.rsplit(".", 1)[1]
    out_name = "out." + ext
    stdout = BANNER + input_line(in_name) + counts(*loaded) + notes
    if timed:
        stdout += LOADING + ORIENTING
    stdout += stalled_run(threshold, timed, loaded[0], loaded[1], loaded[2],
                          int(count))
    if timed:
        stdout += WRITING + END_LINE
    make_case(name, "-N %s %s%s %s" % (count, "-D " if timed else "",
                                       in_name, out_name),
              stdout, 0, inputs={in_name: data},
              outputs={out_name: out_data})


def refused_after_load(name, in_name, data, loaded):
    make_case(name, "-N 0 %s out.%s" % (in_name, in_name.rsplit(".", 1)[1]),
              BANNER + input_line(in_name) + counts(*loaded) + REFUSED, 1,
              inputs={in_name: data})


# --------------------------------------------------------------------------
# The meshes.
#
# SQUARE: v0 v1 v2 v3 around a square, faces (v0,v1,v2) and (v0,v2,v3).
# make_cases.py works it out: loaded as 4 vertices, 5 edges, 2 faces; every
# vertex is on the boundary, so no edge is ever a candidate and nothing
# collapses; the orientation pass keeps both windings, and the writer gives
# the corners v0 v1 v2 and v0 v2 v3 (0-based). With -N 1 the ratio is 50:
# threshold 60; with -N 0 it is 0: threshold 10.
# FLIPPED: the same with the second face written (v0,v3,v2);
# make_hostile_cases.py works it out: the orientation pass turns it round,
# and the written faces are again v0 v1 v2 and v0 v2 v3.
# A quad v0 v1 v2 v3 is split into (c0,c1,c2), (c0,c2,c3): SQUARE's faces in
# SQUARE's order, so it loads and comes out as SQUARE does.
#
# The coordinates, each with its exact output text (the shortest form that
# reads back as the same double; std::to_chars writes -0.0 as "-0" and
# integral values without a point):
#   v0 (-0.0, 0.2, 0.30000000000000004)  "-0 0.2 0.30000000000000004"
#   v1 ( 1.1, 0.2, 0.30000000000000004)  "1.1 0.2 0.30000000000000004"
#   v2 ( 1.1, 1.2, 0.30000000000000004)  "1.1 1.2 0.30000000000000004"
#   v3 (   0, 1.2, 0.30000000000000004)  "0 1.2 0.30000000000000004"
SQ_V = [(-0.0, 0.2, 0.30000000000000004), (1.1, 0.2, 0.30000000000000004),
        (1.1, 1.2, 0.30000000000000004), (0.0, 1.2, 0.30000000000000004)]
SQ_TEXT = ["-0 0.2 0.30000000000000004", "1.1 0.2 0.30000000000000004",
           "1.1 1.2 0.30000000000000004", "0 1.2 0.30000000000000004"]
SQ_F = [(0, 1, 2), (0, 2, 3)]
FLIPPED_F = [(0, 1, 2), (0, 3, 2)]
# Coordinates that floats hold exactly (binary STL, float PLY): binary
# output is the same bits, since float -> double -> float changes nothing.
SQ_FLOAT_V = [(0.0, 0.0, 0.5), (1.5, 0.0, 0.5), (1.5, 1.25, 0.5),
              (0.0, 1.25, 0.5)]


def ply_header(fmt, vertex_props, nv, face_props, nf, extra=""):
    return ("ply\nformat %s 1.0\nelement vertex %d\n%s"
            "element face %d\n%s%send_header\n"
            % (fmt, nv, "".join("property %s\n" % p for p in vertex_props),
               nf, "".join("property %s\n" % p for p in face_props), extra))


XYZ_FLOAT = ["float x", "float y", "float z"]
XYZ_DOUBLE = ["double x", "double y", "double z"]
CORNERS = ["list uchar int vertex_indices"]


def binary_square(order="<", coord="f", vertices=SQ_FLOAT_V, faces=SQ_F):
    """The body of a binary PLY of the square: x y z, then count + corners."""
    body = b"".join(struct.pack(order + "3" + coord, *v) for v in vertices)
    body += b"".join(struct.pack(order + "B3i", 3, *f) for f in faces)
    return body


BIN_SQ_HEADER = ply_header("binary_little_endian", XYZ_FLOAT, 4, CORNERS, 2)
BIN_SQ = BIN_SQ_HEADER.encode() + binary_square()
# Where things are in BIN_SQ: header H bytes, then 4 vertex records of 12
# bytes (H .. H+48), then 2 face records of 13 bytes: count at H+48, corners
# H+49 .. H+61, count at H+61, corners H+62 .. H+74 = the end.
H = len(BIN_SQ_HEADER)
assert len(BIN_SQ) == H + 48 + 26

TEXT_SQ = (ply_header("ascii", XYZ_DOUBLE, 4, CORNERS, 2)
           + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n")


def stl_facet(corners, normal="0 0 1"):
    return ("  facet normal %s\n    outer loop\n" % normal
            + "".join("      vertex %s\n" % c for c in corners)
            + "    endloop\n  endfacet\n")


STL_SQ_CORNERS = [["0 0 0", "1 0 0", "1 1 0"], ["0 0 0", "1 1 0", "0 1 0"]]
TEXT_STL_SQ = ("solid square\n" + "".join(stl_facet(c) for c in STL_SQ_CORNERS)
               + "endsolid square\n")


def binary_stl(facets, count=None, header=b"binary square", attributes=None):
    """facets: lists of three (x, y, z); count: the announced number;
    attributes: each facet's attribute bytes (0 when not given)."""
    out = header.ljust(80, b"\0")
    out += struct.pack("<I", len(facets) if count is None else count)
    for k, f in enumerate(facets):
        out += struct.pack("<3f", 0, 0, 1)
        for c in f:
            out += struct.pack("<3f", *c)
        out += struct.pack("<H", attributes[k] if attributes else 0)
    return out


BIN_STL_SQ_FACETS = [[SQ_FLOAT_V[i] for i in f] for f in SQ_F]

OBJ_SQ_V = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"


def main():
    os.makedirs(CASES, exist_ok=True)
    for entry in os.listdir(CASES):
        if entry.startswith(PREFIXES):
            shutil.rmtree(os.path.join(CASES, entry))

    # ======================= PLY: refused ===============================
    # Cannot be opened: 1. No characters: 2.
    read_fail("hostile-ply-missing-file", "in.ply", None, 1)
    read_fail("hostile-ply-empty", "in.ply", b"", 2)

    # ---- binary cut short ----------------------------------------------
    # Inside the header: no end_header line: 3.
    read_fail("hostile-ply-binary-cut-in-header", "in.ply",
              BIN_SQ[:H - 20], 3)
    # Right after end_header, and inside the third vertex record: a vertex
    # record cut short: 4.
    read_fail("hostile-ply-binary-cut-after-header", "in.ply", BIN_SQ[:H], 4)
    read_fail("hostile-ply-binary-cut-in-vertices", "in.ply",
              BIN_SQ[:H + 30], 4)
    # One byte short of the last vertex: 4.
    read_fail("hostile-ply-binary-cut-in-last-vertex", "in.ply",
              BIN_SQ[:H + 47], 4)
    # Vertices complete, faces: none at all, cut after the first count,
    # inside the first face's corners, after the second count, one byte
    # short of the end: a face record cut short: 5.
    for label, cut in (("before-faces", 48), ("after-first-count", 49),
                       ("in-first-face", 55), ("after-second-count", 62),
                       ("in-last-byte", 73)):
        read_fail("hostile-ply-binary-cut-%s" % label, "in.ply",
                  BIN_SQ[:H + cut], 5)

    # ---- counts beyond the file -----------------------------------------
    def one_kb(header, fill=b"\0"):
        data = header.encode()
        return data + fill * (1024 - len(data))
    # 4000000000 is beyond 2147483647: a header count out of range: 3.
    read_fail("hostile-ply-vertex-count-4000000000", "in.ply",
              one_kb(ply_header("binary_little_endian", XYZ_FLOAT,
                                4000000000, CORNERS, 1)), 3)
    # The first count beyond the range, 2147483648: 3.
    read_fail("hostile-ply-vertex-count-2147483648", "in.ply",
              one_kb(ply_header("binary_little_endian", XYZ_FLOAT,
                                2147483648, CORNERS, 1)), 3)
    read_fail("hostile-ply-vertex-count-negative", "in.ply",
              ply_header("ascii", XYZ_FLOAT, -1, CORNERS, 0), 3)
    # 2000000000 float vertices announced, about 1 KB of zeros present: the
    # header is good; the vertex records run out after about 80 of them: 4.
    read_fail("hostile-ply-vertex-count-2000000000", "in.ply",
              one_kb(ply_header("binary_little_endian", XYZ_FLOAT,
                                2000000000, CORNERS, 1)), 4)
    # The largest count accepted, on a text file of one vertex: 4.
    read_fail("hostile-ply-vertex-count-2147483647-text", "in.ply",
              ply_header("ascii", XYZ_FLOAT, 2147483647, CORNERS, 1)
              + "0 0 0\n", 4)
    # The square's four vertices, then 2000000000 faces announced and two
    # present: the third face record is cut short: 5.
    read_fail("hostile-ply-face-count-2000000000", "in.ply",
              ply_header("binary_little_endian", XYZ_FLOAT, 4, CORNERS,
                         2000000000).encode() + binary_square(), 5)

    # ---- list counts ------------------------------------------------------
    vbody = binary_square()[:48]
    # A count of 255 followed by three indices and the end: cut short: 5.
    read_fail("hostile-ply-list-count-255", "in.ply",
              BIN_SQ_HEADER.encode() + vbody + b"\xff"
              + struct.pack("<3i", 0, 1, 2), 5)
    # Count type char, the byte 0xff: -1 corners, fewer than three: 5.
    read_fail("hostile-ply-list-count-negative", "in.ply",
              ply_header("binary_little_endian", XYZ_FLOAT, 4,
                         ["list char int vertex_indices"], 2).encode()
              + vbody + b"\xff" + struct.pack("<3i", 0, 1, 2)
              + b"\x03" + struct.pack("<3i", 0, 2, 3), 5)
    # Text, a count of -3: 5.
    read_fail("hostile-ply-text-list-count-negative", "in.ply",
              TEXT_SQ.replace("3 0 1 2\n", "-3 0 1 2\n"), 5)
    # Count type float: the count must be an integer type: 3.
    read_fail("hostile-ply-list-count-type-float", "in.ply",
              TEXT_SQ.replace("list uchar int", "list float int"), 3)
    # Index type double: the indices must be an integer type: 3.
    read_fail("hostile-ply-list-index-type-double", "in.ply",
              TEXT_SQ.replace("list uchar int", "list uchar double"), 3)
    # vertex_indices a scalar, not a list: 3.
    read_fail("hostile-ply-corners-not-a-list", "in.ply",
              TEXT_SQ.replace("list uchar int vertex_indices",
                              "int vertex_indices"), 3)

    # ---- corners ------------------------------------------------------------
    # 4 is one past the last of the four vertices: 5.
    read_fail("hostile-ply-corner-equal-to-vertex-count", "in.ply",
              BIN_SQ_HEADER.encode() + vbody
              + struct.pack("<B3iB3i", 3, 0, 1, 2, 3, 0, 2, 4), 5)
    read_fail("hostile-ply-corner-negative", "in.ply",
              BIN_SQ_HEADER.encode() + vbody
              + struct.pack("<B3iB3i", 3, 0, 1, 2, 3, 0, -1, 3), 5)
    # uint indices: 4294967295 is no vertex either: 5.
    read_fail("hostile-ply-corner-uint-max", "in.ply",
              ply_header("binary_big_endian", XYZ_FLOAT, 4,
                         ["list uchar uint vertex_indices"], 1).encode()
              + binary_square(">")[:48] + struct.pack(">B3I", 3, 0, 1,
                                                       4294967295), 5)
    read_fail("hostile-ply-text-corner-out-of-range", "in.ply",
              TEXT_SQ.replace("3 0 2 3\n", "3 0 2 7\n"), 5)
    # Faces of two corners and of none: fewer than three: 5.
    read_fail("hostile-ply-face-of-two-corners", "in.ply",
              TEXT_SQ.replace("3 0 2 3\n", "2 0 2\n"), 5)
    read_fail("hostile-ply-binary-face-of-no-corners", "in.ply",
              BIN_SQ_HEADER.encode() + vbody
              + struct.pack("<B3iB", 3, 0, 1, 2, 0), 5)
    # A corner that is not a number: 5.
    read_fail("hostile-ply-text-corner-not-a-number", "in.ply",
              TEXT_SQ.replace("3 0 2 3\n", "3 0 two 3\n"), 5)

    # ---- header ---------------------------------------------------------------
    read_fail("hostile-ply-unknown-property-type", "in.ply",
              TEXT_SQ.replace("element face", "property half confidence\n"
                              "element face"), 3)
    read_fail("hostile-ply-unknown-format", "in.ply",
              TEXT_SQ.replace("format ascii", "format binary_middle_endian"),
              3)
    read_fail("hostile-ply-format-version-2", "in.ply",
              BIN_SQ.replace(b"binary_little_endian 1.0",
                             b"binary_little_endian 2.0"), 3)
    read_fail("hostile-ply-no-format-line", "in.ply",
              TEXT_SQ.replace("format ascii 1.0\n", ""), 3)
    read_fail("hostile-ply-unknown-header-keyword", "in.ply",
              TEXT_SQ.replace("end_header", "units mm\nend_header"), 3)
    read_fail("hostile-ply-magic-in-capitals", "in.ply",
              "PLY" + TEXT_SQ[3:], 3)
    # The header goes straight on into the data: no end_header: 3.
    read_fail("hostile-ply-missing-end-header", "in.ply",
              TEXT_SQ.replace("end_header\n", ""), 3)
    read_fail("hostile-ply-no-vertex-element", "in.ply",
              "ply\nformat ascii 1.0\nelement face 1\n"
              "property list uchar int vertex_indices\nend_header\n"
              "3 0 1 2\n", 3)
    # Faces before the vertices they name: a header problem, printed with
    # its reason (status 7 in make_cases.READ_FAILURE).
    read_fail("hostile-ply-face-element-before-vertex-element", "in.ply",
              "ply\nformat ascii 1.0\nelement face 2\n"
              "property list uchar int vertex_indices\n"
              "element vertex 4\nproperty double x\nproperty double y\n"
              "property double z\nend_header\n"
              "3 0 1 2\n3 0 2 3\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n", 7)
    read_fail("hostile-ply-vertex-without-z", "in.ply",
              TEXT_SQ.replace("property double z\n", ""), 3)
    # x, y, z must be float or double: 3.
    read_fail("hostile-ply-integer-coordinates", "in.ply",
              TEXT_SQ.replace("double", "int"), 3)
    read_fail("hostile-ply-face-without-corner-list", "in.ply",
              TEXT_SQ.replace("vertex_indices", "corner_ids"), 3)

    # ---- coordinates that are not finite -------------------------------------
    def bin_with_vertex(order, coord, value):
        v = list(SQ_FLOAT_V)
        v[2] = (1.5, value, 0.5)
        fmt = "binary_little_endian" if order == "<" else "binary_big_endian"
        xyz = XYZ_FLOAT if coord == "f" else XYZ_DOUBLE
        return (ply_header(fmt, xyz, 4, CORNERS, 2).encode()
                + binary_square(order, coord, v))
    read_fail("hostile-ply-binary-nan-float", "in.ply",
              bin_with_vertex("<", "f", float("nan")), 4)
    read_fail("hostile-ply-binary-infinite-double", "in.ply",
              bin_with_vertex(">", "d", float("inf")), 4)
    read_fail("hostile-ply-binary-minus-infinite-float", "in.ply",
              bin_with_vertex(">", "f", float("-inf")), 4)
    read_fail("hostile-ply-text-nan", "in.ply",
              TEXT_SQ.replace("1 1 0\n", "1 nan 0\n"), 4)
    read_fail("hostile-ply-text-infinite", "in.ply",
              TEXT_SQ.replace("1 1 0\n", "1 1 inf\n"), 4)
    read_fail("hostile-ply-text-1e999", "in.ply",
              TEXT_SQ.replace("1 1 0\n", "1e999 1 0\n"), 4)
    # Finite as a double, infinite once rounded to the float it must be: 4.
    read_fail("hostile-ply-text-float-beyond-float-range", "in.ply",
              TEXT_SQ.replace("double", "float").replace("1 1 0\n",
                                                         "1 1e39 0\n"), 4)
    read_fail("hostile-ply-text-coordinate-a-word", "in.ply",
              TEXT_SQ.replace("1 1 0\n", "1 one 0\n"), 4)
    # Text cut short inside the vertices: 4.
    read_fail("hostile-ply-text-cut-in-vertices", "in.ply",
              TEXT_SQ[:TEXT_SQ.index("1 1 0\n") + 2], 4)

    # ---- other elements cut short --------------------------------------------
    # An element before the vertices ends the file: 4 (the vertices are not
    # complete). One after the vertices and faces: 5.
    material = "element material 2\nproperty uchar red\nproperty float s\n"
    read_fail("hostile-ply-cut-in-element-before-vertices", "in.ply",
              TEXT_SQ.replace("element vertex", material + "element vertex")
              .split("end_header\n")[0] + "end_header\n7 0.5\n8\n", 4)
    read_fail("hostile-ply-cut-in-element-after-faces", "in.ply",
              TEXT_SQ.replace("end_header", "element edge 3\n"
                              "property int vertex1\nproperty int vertex2\n"
                              "end_header") + "0 1\n1 2\n2\n", 5)

    # ======================= PLY: loaded and written ======================
    # Text, double coordinates written in other forms of the same numbers
    # (a leading +, trailing zeros, an exponent), extra vertex properties
    # before and between x y z, comment and obj_info lines, a material
    # element before the vertices, one quad with a flags property after its
    # corner list, and an edge element at the end. The quad loads as SQUARE.
    ply_text_in = (
        "ply\nformat ascii 1.0\ncomment scanned\nobj_info hand made\n"
        "element material 1\nproperty uchar red\n"
        "element vertex 4\nproperty uchar red\nproperty double x\n"
        "property float nx\nproperty double y\nproperty double z\n"
        "element face 1\nproperty list uchar int vertex_indices\n"
        "property uchar flags\n"
        "element edge 2\nproperty int vertex1\nproperty int vertex2\n"
        "end_header\n"
        "255\n"
        "1 -0.0 nan 2e-1 0.30000000000000004\n"
        "2 +1.10 0.5 0.20 3.0000000000000004e-1\n"
        "3 1.1 0.5 1.2 0.30000000000000004\n"
        "4 0 -0.5 1.2000 0.30000000000000004\n"
        "4 0 1 2 3 7\n"
        "0 1\n1 2\n")
    # Everything but the edge element is carried: the edge element names
    # vertices (a note says it is dropped). Written: text, our comment then
    # the file's two lines, the material element copied first, the vertex
    # element with red and nx where they stood (x y z double: the file's
    # type), the face element with its flags; the quad's two triangles take
    # its flags 7. Values in the shortest form that reads back: -0.0 as -0,
    # nan as nan, the uchar red as 1..4; coordinates as in SQ_TEXT; faces
    # "3 0 1 2", "3 0 2 3" as SQUARE's. Nothing collapses, so no value is
    # blended.
    ply_text_out = (
        "ply\nformat ascii 1.0\ncomment ZEQ 1.22a\ncomment scanned\n"
        "obj_info hand made\nelement material 1\nproperty uchar red\n"
        "element vertex 4\nproperty uchar red\nproperty double x\n"
        "property float nx\nproperty double y\nproperty double z\n"
        "element face 2\nproperty list uchar int vertex_indices\n"
        "property uchar flags\nend_header\n255\n"
        + "".join("%d %s %s %s %s\n" % (i + 1, t.split()[0], nx,
                                         t.split()[1], t.split()[2])
                  for i, (t, nx) in enumerate(zip(SQ_TEXT, ["nan", "0.5", "0.5", "-0.5"])))
        + "3 0 1 2 7\n3 0 2 3 7\n")
    full_run("hostile-ply-text-quad-with-extras", "1", "in.ply", ply_text_in,
             (4, 5, 2), 60, ply_text_out,
             notes="Note: element <edge> names vertices and is not carried "
                   "to the output!\n")

    # Binary big-endian, float coordinates after a uchar property, FLIPPED
    # faces with a ushort count and int indices, -N 0 (threshold 10),
    # timed. The floats come back as the same floats, each after its
    # quality byte 9 (carried); the faces as SQUARE's; the writer's face
    # list is uchar int, big-endian.
    be_in = ply_header("binary_big_endian",
                       ["uchar quality"] + XYZ_FLOAT, 4,
                       ["list ushort int vertex_indices"], 2).encode()
    be_in += b"".join(struct.pack(">B3f", 9, *v) for v in SQ_FLOAT_V)
    be_in += b"".join(struct.pack(">H3i", 3, *f) for f in FLIPPED_F)
    be_out = ("ply\nformat binary_big_endian 1.0\ncomment ZEQ 1.22a\n"
              "element vertex 4\nproperty uchar quality\nproperty float x\n"
              "property float y\nproperty float z\nelement face 2\n"
              "property list uchar int vertex_indices\nend_header\n").encode()
    be_out += b"".join(struct.pack(">B3f", 9, *v) for v in SQ_FLOAT_V)
    be_out += b"".join(struct.pack(">B3i", 3, *f) for f in SQ_F)
    full_run("hostile-ply-binary-big-endian-float-flipped", "0", "in.ply",
             be_in, (4, 5, 2), 10, be_out, timed=True)

    # Binary little-endian, double coordinates, one triangle with uint
    # indices under an int8 count (make_hostile_cases.py: one triangle loads
    # as 3 vertices, 3 edges, 1 face and is written as read), -N 0.
    tri_v = [(0.1, 0.2, 0.3), (1e-05, 123456.75, -2.5), (0.0, 1.0, 0.0)]
    le_in = ply_header("binary_little_endian", XYZ_DOUBLE, 3,
                       ["list int8 uint vertex_index"], 1).encode()
    le_in += b"".join(struct.pack("<3d", *v) for v in tri_v)
    le_in += struct.pack("<b3I", 3, 0, 1, 2)
    le_out = ("ply\nformat binary_little_endian 1.0\ncomment ZEQ 1.22a\n"
              "element vertex 3\nproperty double x\nproperty double y\n"
              "property double z\nelement face 1\n"
              "property list uchar int vertex_indices\nend_header\n").encode()
    le_out += b"".join(struct.pack("<3d", *v) for v in tri_v)
    le_out += struct.pack("<B3i", 3, 0, 1, 2)
    full_run("hostile-ply-binary-double-triangle", "0", "in.ply", le_in,
             (3, 3, 1), 10, le_out)
    # The same records after a header with CR LF line ends and comments
    # between its lines, and followed by bytes that belong to no element:
    # nothing after the last element is read, so the run is the one above.
    crlf_in = ply_header("binary_little_endian", XYZ_DOUBLE, 3,
                         ["list int8 uint vertex_index"], 1)
    crlf_in = crlf_in.replace("element vertex", "comment scanned\nelement vertex")
    crlf_in = crlf_in.replace("\n", "\r\n").encode()
    crlf_in += b"".join(struct.pack("<3d", *v) for v in tri_v)
    crlf_in += struct.pack("<b3I", 3, 0, 1, 2) + b"trailing bytes\n"
    full_run("hostile-ply-crlf-header-and-trailing-bytes", "0", "in.ply",
             crlf_in, (3, 3, 1), 10, le_out)

    # ======================= STL: refused ===============================
    read_fail("hostile-stl-missing-file", "in.stl", None, 1)
    read_fail("hostile-stl-empty", "in.stl", b"", 2)
    bin_sq = binary_stl(BIN_STL_SQ_FACETS)
    # Binary: the facet count says 3 (size would be 234) or 1 (134), the
    # file is 184 bytes: 3 either way.
    read_fail("hostile-stl-facet-count-larger-than-size", "in.stl",
              binary_stl(BIN_STL_SQ_FACETS, 3), 3)
    read_fail("hostile-stl-facet-count-smaller-than-size", "in.stl",
              binary_stl(BIN_STL_SQ_FACETS, 1), 3)
    read_fail("hostile-stl-facet-count-4294967295", "in.stl",
              binary_stl(BIN_STL_SQ_FACETS, 4294967295), 3)
    # Cut inside the second facet: the size no longer matches the count: 3.
    read_fail("hostile-stl-binary-cut-in-facet", "in.stl", bin_sq[:160], 3)
    # Fewer than the 84 bytes of header and count: 3.
    read_fail("hostile-stl-binary-cut-in-header", "in.stl", bin_sq[:50], 3)
    read_fail("hostile-stl-binary-cut-in-count", "in.stl", bin_sq[:82], 3)
    # A corner coordinate NaN or infinite: 4.
    nan_facets = [list(f) for f in BIN_STL_SQ_FACETS]
    nan_facets[1][2] = (0.0, float("nan"), 0.5)
    read_fail("hostile-stl-binary-nan", "in.stl", binary_stl(nan_facets), 4)
    inf_facets = [list(f) for f in BIN_STL_SQ_FACETS]
    inf_facets[0][0] = (float("-inf"), 0.0, 0.5)
    read_fail("hostile-stl-binary-infinite", "in.stl",
              binary_stl(inf_facets), 4)
    # Text: cut inside the second facet, after one corner: 5.
    read_fail("hostile-stl-text-cut-in-facet", "in.stl",
              TEXT_STL_SQ[:TEXT_STL_SQ.rindex("      vertex 1 1 0")], 5)
    # Text without endsolid (the file ends after the last facet): 5.
    read_fail("hostile-stl-text-without-endsolid", "in.stl",
              TEXT_STL_SQ.replace("endsolid square\n", ""), 5)
    read_fail("hostile-stl-text-nan", "in.stl",
              TEXT_STL_SQ.replace("vertex 0 1 0", "vertex 0 nan 0"), 4)
    read_fail("hostile-stl-text-infinite", "in.stl",
              TEXT_STL_SQ.replace("vertex 0 1 0", "vertex 0 1 -inf"), 4)
    read_fail("hostile-stl-text-1e999", "in.stl",
              TEXT_STL_SQ.replace("vertex 0 1 0", "vertex 1e999 1 0"), 4)
    # A loop of two corners: 5.
    read_fail("hostile-stl-text-facet-of-two-corners", "in.stl",
              TEXT_STL_SQ.replace("      vertex 0 1 0\n", ""), 5)
    # Not of the form: "outer" missing, a word in place of "vertex": 5.
    read_fail("hostile-stl-text-without-outer-loop", "in.stl",
              TEXT_STL_SQ.replace("    outer loop\n", "", 1), 5)
    read_fail("hostile-stl-text-word-for-vertex", "in.stl",
              TEXT_STL_SQ.replace("vertex 0 1 0", "point 0 1 0"), 5)

    # ======================= STL: loaded and written ========================
    # Text, two facets in two solids; corners welded in order of first
    # appearance: (0,0,0) v0, (1,0,0) v1, (1,1,0) v2, (0,1,0) v3; facets
    # (v0,v1,v2), (v0,v2,v3): SQUARE. -N 1: threshold 60. The normals in
    # the file are nonsense and are not read.
    stl_in = ("solid first\n" + stl_facet(STL_SQ_CORNERS[0], "9 9 9")
              + "endsolid first\nsolid second\n"
              + stl_facet(STL_SQ_CORNERS[1], "-1 0 0") + "endsolid second\n")
    # Written: the faces of the two solids keep their solids' names, a
    # "solid" and "endsolid" line around each run of faces from one solid;
    # the facets in SQUARE's written corner order (the first from solid
    # first, the second from solid second), the corners as the shortest
    # doubles ("0", "1"). Normals,
    # with u = c1 - c0, v = c2 - c0, n = (uy vz - uz vy, uz vx - ux vz,
    # ux vy - uy vx):
    #   (v0,v1,v2): u = (1,0,0), v = (1,1,0): n = (0*0 - 0*1, 0*1 - 1*0,
    #     1*1 - 0*1) = (0 - 0, 0 - 0, 1) = (+0, +0, 1), length 1: "0 0 1".
    #   (v0,v2,v3): u = (1,1,0), v = (0,1,0): n = (1*0 - 0*1, 0*0 - 1*0,
    #     1*1 - 1*0) = (+0, +0, 1): "0 0 1".
    # (Every product is of non-negative numbers, so no -0 appears.)
    stl_out = ("solid first\n" + stl_facet(STL_SQ_CORNERS[0])
               + "endsolid first\nsolid second\n"
               + stl_facet(STL_SQ_CORNERS[1]) + "endsolid second\n")
    full_run("hostile-stl-text-two-solids", "1", "in.stl", stl_in, (4, 5, 2),
             60, stl_out)

    # Binary whose 80-byte header starts with "solid" (some exporters do
    # that): its size is 84 + 50 * 2 with the count 2 at byte 80, so it is
    # binary. Corners welded: SQ_FLOAT_V in order; SQUARE; -N 0: threshold
    # 10. Written: the 80-byte header "ZEQ 1.22a" and NUL bytes, count 2,
    # each facet its normal, its corners as the same floats, attribute 0.
    # Normals: (v0,v1,v2): u = (1.5,0,0), v = (1.5,1.25,0): n = (0*0 - 0*1.25,
    # 0*1.5 - 1.5*0, 1.5*1.25 - 0*1.5) = (+0, +0, 1.875), unit (0, 0, 1);
    # (v0,v2,v3): u = (1.5,1.25,0), v = (0,1.25,0): n = (1.25*0 - 0*1.25,
    # 0*0 - 1.5*0, 1.5*1.25 - 1.25*0) = (+0, +0, 1.875): (0, 0, 1).
    stl_bin_in = binary_stl(BIN_STL_SQ_FACETS,
                            header=b"solid square, though binary")
    stl_bin_out = binary_stl(BIN_STL_SQ_FACETS, header=b"ZEQ 1.22a")
    full_run("hostile-stl-binary-header-starting-with-solid", "0", "in.stl",
             stl_bin_in, (4, 5, 2), 10, stl_bin_out)

    # Binary with a default colour in the header (the bytes after "COLOR=")
    # and a 15-bit colour in each facet's attribute bytes: both carried. The
    # header becomes "ZEQ 1.22a COLOR=" and the same four bytes; each facet
    # keeps its attribute (SQUARE's faces are written in the file's order).
    # Normals as in the case above.
    colours = [0x801F, 0x7C00]
    stl_colour_in = binary_stl(BIN_STL_SQ_FACETS, attributes=colours,
                               header=b"exported COLOR=\xa0\xb0\xc0\xff MATERIAL=")
    stl_colour_out = binary_stl(BIN_STL_SQ_FACETS, attributes=colours,
                                header=b"ZEQ 1.22a COLOR=\xa0\xb0\xc0\xff")
    full_run("hostile-stl-binary-facet-colours", "0", "in.stl",
             stl_colour_in, (4, 5, 2), 10, stl_colour_out)
    # With --no-attributes the attribute bytes are 0 and the header our own.
    make_case("hostile-stl-binary-facet-colours-positions-only",
              "--no-attributes -N 0 in.stl out.stl",
              BANNER + input_line("in.stl") + counts(4, 5, 2)
              + stalled_run(10, False, 4, 5, 2, 0), 0,
              inputs={"in.stl": stl_colour_in},
              outputs={"out.stl": binary_stl(BIN_STL_SQ_FACETS, header=b"ZEQ 1.22a")})

    # Binary with no facet: nothing to load, an empty mesh; every count is
    # refused for it (0 is not below 0 faces).
    refused_after_load("hostile-stl-binary-no-facets", "in.stl",
                       binary_stl([]), (0, 0, 0))

    # ======================= OBJ: refused ===============================
    read_fail("hostile-obj-missing-file", "in.obj", None, 1)
    read_fail("hostile-obj-empty", "in.obj", b"", 2)
    read_fail("hostile-obj-corner-zero", "in.obj",
              OBJ_SQ_V + "f 1 2 3\nf 0 3 4\n", 5)
    read_fail("hostile-obj-corner-beyond-vertices", "in.obj",
              OBJ_SQ_V + "f 1 2 3\nf 1 3 5\n", 5)
    # -5 counts back past the first of four vertices: 5.
    read_fail("hostile-obj-relative-corner-before-first-vertex", "in.obj",
              OBJ_SQ_V + "f -4 -3 -2\nf -5 -2 -1\n", 5)
    # v4 is defined only after the face that names it: 5.
    read_fail("hostile-obj-forward-reference", "in.obj",
              "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nf 1 3 4\nv 0 1 0\n", 5)
    read_fail("hostile-obj-face-of-two-corners", "in.obj",
              OBJ_SQ_V + "f 1 2 3\nf 1 3\n", 5)
    read_fail("hostile-obj-corner-not-a-number", "in.obj",
              OBJ_SQ_V + "f 1 2 3\nf 1/1/1 x/2/2 4/3/3\n", 5)
    read_fail("hostile-obj-vertex-of-two-numbers", "in.obj",
              "v 0 0 0\nv 1 0\nv 1 1 0\nf 1 2 3\n", 4)
    read_fail("hostile-obj-vertex-nan", "in.obj",
              OBJ_SQ_V.replace("v 1 1 0", "v 1 nan 0") + "f 1 2 3\n", 4)
    read_fail("hostile-obj-vertex-infinite", "in.obj",
              OBJ_SQ_V.replace("v 1 1 0", "v 1 1 inf") + "f 1 2 3\n", 4)
    read_fail("hostile-obj-vertex-1e999", "in.obj",
              OBJ_SQ_V.replace("v 1 1 0", "v -1e999 1 0") + "f 1 2 3\n", 4)
    # Not one v line: 3.
    read_fail("hostile-obj-no-vertex-line", "in.obj",
              "# nothing but\nvt 0 0\nvn 0 0 1\ng empty\n", 3)

    # ======================= OBJ: loaded and written ========================
    # An exporter's square: mtllib, o, g, s, usemtl, vt and vn lines, v lines
    # with w and with a colour, one quad with corners i/t/n, i//n, i/t, i,
    # and a comment after it. The quad is split into (v0,v1,v2), (v0,v2,v3):
    # SQUARE; -N 1: threshold 60. What the lines carry is kept: each vertex's
    # corners name the same values in both triangles (v0 1/1, v1 //1, v2 3,
    # v3 none), so nothing is held; nothing collapses anyway. Written: the
    # comment line, the mtllib line, the v lines with SQ_TEXT and a colour
    # (v1's 0.5 0.5 0.5; the others have none and are white, 1 1 1; the w
    # after v0 is no colour), then the values the corners use, numbered in
    # order of first use: vt (0,0) of v0 is 1, vt (1,1) of v2 is 2 (two
    # numbers, as every vt line gave), vn 1; then the statements in the order
    # o, g, s, usemtl before the first face, and the faces with their
    # corners' values.
    obj_in = ("# exported\nmtllib square.mtl\no square\n"
              "v -0.0 0.2 0.30000000000000004 1.0\nvt 0 0\n"
              "v 1.10 2e-1 0.30000000000000004 0.5 0.5 0.5\nvt 1 0\n"
              "v 1.1 1.2 3.0000000000000004e-1\nvt 1 1\n"
              "v 0 1.20 0.30000000000000004\nvt 0 1\nvn 0 0 1\n"
              "g side\nusemtl paint\ns 1\n"
              "f 1/1/1 2//1 3/3 4 # one quad\n")
    obj_out = ("# ZEQ 1.22a: 4 vertices, 2 faces\nmtllib square.mtl\n"
               + "".join("v %s %s\n" % (t, c) for t, c in
                         zip(SQ_TEXT, ["1 1 1", "0.5 0.5 0.5", "1 1 1", "1 1 1"]))
               + "vt 0 0\nvt 1 1\nvn 0 0 1\no square\ng side\ns 1\n"
               "usemtl paint\nf 1/1/1 2//1 3/2\nf 1/1/1 3/2 4\n")
    full_run("hostile-obj-exporter-quad", "1", "in.obj", obj_in, (4, 5, 2),
             60, obj_out)
    # Negative (relative) corners naming FLIPPED's faces, the second face
    # after a fifth vertex that no face uses. After four v lines -4..-1 are
    # v0..v3: "f -4 -3 -2" is (v0,v1,v2). After the fifth, -5 -2 -3 are v0,
    # v3, v2: (v0,v3,v2). Loaded: 5 vertices, 5 edges, 2 faces; v4 has no
    # edge and is not written, but the simplified count still holds it
    # (5 vertices, nothing collapses). Written as FLIPPED is: "f 1 2 3",
    # "f 1 3 4". -N 0 -D: threshold 10, timed.
    obj_rel_in = (OBJ_SQ_V + "f -4 -3 -2\nv 5 5 5\nf -5 -2 -3\n")
    obj_rel_out = ("# ZEQ 1.22a: 4 vertices, 2 faces\n" + OBJ_SQ_V
                   + "f 1 2 3\nf 1 3 4\n")
    full_run("hostile-obj-relative-corners", "0", "in.obj", obj_rel_in,
             (5, 5, 2), 10, obj_rel_out, timed=True)
    # Vertices and no face: loaded (4, 0, 0), then refused: 0 is not below
    # 0 faces.
    refused_after_load("hostile-obj-vertices-without-faces", "in.obj",
                       OBJ_SQ_V, (4, 0, 0))

    print("%d cases written" % len(written))


if __name__ == "__main__":
    main()
