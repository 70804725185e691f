#!/usr/bin/env python3
"""Writes the end-to-end cases of files as other programs write them:
tests/e2e/cases/foreign-*.

OFF with polygons, '#' comments (meshio, Geomview), face colours and the
vertex count glued to the keyword (ModelNet); PLY and OBJ that store a vertex
per corner (assimp, exporters of split normals and texture seams), welded by
default and kept apart with --no-weld; PLY files with no face element; OBJ
lines continued with a backslash (Rhino); and the --weld and --no-weld
options on the command line.

Nothing here runs zeq. The standard outputs are put together from the
program's message texts (make_cases.py), and the written meshes are worked
out below from the rules of the readers (io/off_reader.h, io/ply_reader.h,
io/obj_reader.h), the orientation pass and the writers:

  - Every mesh here is the SQUARE of make_cases.py / make_format_cases.py
    (faces (v0,v1,v2), (v0,v2,v3)) or two separate triangles. Every vertex is
    on the boundary, so nothing collapses: the run is a stalled run
    (make_cases.stalled_run), and with -N 1 of 2 faces the ratio is 50,
    threshold 60.
  - A quad "4 a b c d" is split into (a,b,c), (a,c,d): SQUARE's faces in
    SQUARE's order.
  - Welding numbers the distinct positions in order of first appearance
    among the vertex records, so a square stored with a vertex per corner,
    v0 v1 v2 | v0 v2 v3, welds to v0 v1 v2 v3 with faces (0,1,2), (0,2,3):
    SQUARE again, 4 vertices, 5 edges. The counts printed are those of the
    welded mesh (as for STL), except OFF's header line, which prints the
    file's own counts as always.
  - Not welded, the same file is two triangles (0,1,2) and (3,4,5) that share
    no vertex: 6 vertices, 6 edges, 2 faces. The orientation pass keeps the
    first face's winding (first seed entered from its first edge's end2 to
    end1: winding P Q R), but every later component is seeded the other way
    round (from end1 to end2), so the second triangle's first edge (3,4) is
    walked 3 -> 4 and the face gets the winding 4 3 5. Its edge list becomes
    K = (3,4), E = (5,3) (its other edge at 3), T = (4,5); the writers read
    the corners from the first two edges: (3,4) and (5,3) share 3, so the
    corners are 4, 3, then 5. Written: "0 1 2" and "4 3 5".

Run it from anywhere: python3 tests/e2e/tools/make_foreign_cases.py
It rewrites the foreign-* case directories and touches nothing else.
"""

import os
import shutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_cases as mc  # noqa: E402
import make_format_cases as mfc  # noqa: E402

PREFIX = "foreign-"
written = []


def make_case(name, args, stdout, status, inputs=None, outputs=None):
    assert name.startswith(PREFIX) and name not in written, name
    d = os.path.join(mc.CASES, name)
    if os.path.exists(d):
        shutil.rmtree(d)
    os.makedirs(d)
    mfc.write_file(os.path.join(d, "args"), args + "\n")
    mfc.write_file(os.path.join(d, "stdout"), stdout)
    mfc.write_file(os.path.join(d, "status"), "%d\n" % status)
    for fname, data in (inputs or {}).items():
        mfc.write_file(os.path.join(d, "in", fname), data)
    for fname, data in (outputs or {}).items():
        mfc.write_file(os.path.join(d, "out", fname), data)
    written.append(name)


def stalled(loaded_lines, loaded, out_name, threshold=60, target=1, off=False):
    """The standard output of a run that loads (count lines as given), in
    which nothing collapses, and that writes out_name."""
    text = loaded_lines + mc.stalled_run(threshold, False, *loaded, target)
    return text + (mc.created(out_name) if off else "")


def head(in_name):
    return mc.BANNER + mc.input_line(in_name)


def read_fail(name, args, in_name, data, status, loaded_lines=""):
    make_case(name, args, head(in_name) + loaded_lines
              + mc.read_failure(in_name, status) + mc.EXIT_LINE, 1,
              inputs={in_name: data})


# The square as OFF text: vertex lines, then the written file.
OFF_V = [mc.off_vertices([v]) for v in mc.SQUARE_V]   # one line each
SQ_OFF_OUT = mc.SQUARE_OFF_OUT

# Corner order of the square stored with a vertex per corner.
SPLIT = [0, 1, 2, 0, 2, 3]


def ply_out(fmt, vertices, faces):
    """The PLY writer's binary output with float coordinates."""
    order = ">" if fmt == "binary_big_endian" else "<"
    out = ("ply\nformat %s 1.0\ncomment ZEQ 1.22a\nelement vertex %d\n"
           "property float x\nproperty float y\nproperty float z\n"
           "element face %d\nproperty list uchar int vertex_indices\n"
           "end_header\n" % (fmt, len(vertices), len(faces))).encode()
    out += b"".join(struct.pack(order + "3f", *v) for v in vertices)
    out += b"".join(struct.pack(order + "B3i", 3, *f) for f in faces)
    return out


def main():
    os.makedirs(mc.CASES, exist_ok=True)
    for entry in os.listdir(mc.CASES):
        if entry.startswith(PREFIX):
            shutil.rmtree(os.path.join(mc.CASES, entry))

    # ============================ OFF =======================================
    # One quad: SQUARE. The header announces 1 face; 2 are built.
    make_case("foreign-off-quad", "-N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(4, 1), (4, 5, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": "OFF\n4 1 0\n" + "".join(OFF_V)
                      + "4 0 1 2 3\n"},
              outputs={"out.off": SQ_OFF_OUT})
    # A face of two corners: status 5, after the header line.
    read_fail("foreign-off-two-corners", "-N 1 in.off out.off", "in.off",
              "OFF\n4 2 0\n" + "".join(OFF_V) + "4 0 1 2 3\n2 0 1\n", 5,
              mc.off_header(4, 2))
    # meshio: a comment line after the keyword, blank lines.
    make_case("foreign-off-meshio-comment", "-N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(4, 2), (4, 5, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": "OFF\n# Created by meshio v5.3.4\n\n4 2 0\n\n"
                      + "".join(OFF_V) + "3 0 1 2\n3 0 2 3\n"},
              outputs={"out.off": SQ_OFF_OUT})
    # Geomview: a block of comments, a comment after a vertex, and an RGBA
    # colour after each face's corners (passed over to the end of its line;
    # the last face's colour is never read).
    geomview = ("OFF\n#\n#  square.off\n#  A square.\n"
                "#  There is extra RGBA color information for the faces.\n#\n\n"
                "4 2 4\n" + OFF_V[0] + OFF_V[1].rstrip("\n")
                + " # see this vertex be weird\n" + OFF_V[2] + OFF_V[3]
                + "  3  0 1 2  1.000 0.000 0.000 0.75\n"
                "  3  0 2 3  0.300 0.400 0.000 0.75\n")
    make_case("foreign-off-geomview-comments-and-colours",
              "-N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(4, 2), (4, 5, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": geomview}, outputs={"out.off": SQ_OFF_OUT})
    # ModelNet: V glued to the keyword.
    make_case("foreign-off-modelnet-header", "-N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(4, 2), (4, 5, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": "OFF4 2 0\n" + "".join(OFF_V)
                      + "3 0 1 2\n3 0 2 3\n"},
              outputs={"out.off": SQ_OFF_OUT})
    # A vertex per corner: OFF keeps its vertices unless --weld is given.
    split_off = ("OFF\n6 2 0\n" + "".join(OFF_V[c] for c in SPLIT)
                 + "3 0 1 2\n3 3 4 5\n")
    make_case("foreign-off-split-vertices-welded", "--weld -N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(6, 2), (4, 5, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": split_off}, outputs={"out.off": SQ_OFF_OUT})
    two_off = ("OFF\n6 2 0\n" + "".join(OFF_V[c] for c in SPLIT)
               + "3  0 1 2\n3  4 3 5\n")
    make_case("foreign-off-split-vertices", "-N 1 in.off out.off",
              head("in.off") + stalled(mc.off_header(6, 2), (6, 6, 2),
                                       "out.off", off=True), 0,
              inputs={"in.off": split_off}, outputs={"out.off": two_off})

    # ============================ PLY =======================================
    # assimp: binary, a vertex per corner with its normal and texture
    # coordinates, "vertex_index". Welded by default: SQUARE, written as
    # float binary PLY in the same byte order. The copies of v0 and v2 carry
    # the same normal and texture coordinates, so no corner differs from its
    # vertex: no vertex is held, and each is written once with its values
    # (the file's properties, its comment after ours, "vertex_index").
    sq = mfc.SQ_FLOAT_V
    uv = [(0, 0), (1, 0), (1, 1), (0, 1)]
    assimp = ("ply\nformat binary_little_endian 1.0\n"
              "comment Created by Open Asset Import Library - "
              "http://assimp.sf.net (v5.2.0)\nelement vertex 6\n"
              "property float x\nproperty float y\nproperty float z\n"
              "property float nx\nproperty float ny\nproperty float nz\n"
              "property float s\nproperty float t\nelement face 2\n"
              "property list uchar int vertex_index\nend_header\n").encode()
    assimp += b"".join(struct.pack("<8f", *sq[c], 0, 0, 1, *uv[c])
                       for c in SPLIT)
    assimp += struct.pack("<B3iB3i", 3, 0, 1, 2, 3, 3, 4, 5)
    def assimp_out(corners, faces):
        out = ("ply\nformat binary_little_endian 1.0\ncomment ZEQ 1.22a\n"
               "comment Created by Open Asset Import Library - "
               "http://assimp.sf.net (v5.2.0)\nelement vertex %d\n"
               "property float x\nproperty float y\nproperty float z\n"
               "property float nx\nproperty float ny\nproperty float nz\n"
               "property float s\nproperty float t\nelement face %d\n"
               "property list uchar int vertex_index\nend_header\n"
               % (len(corners), len(faces))).encode()
        out += b"".join(struct.pack("<8f", *sq[c], 0, 0, 1, *uv[c])
                        for c in corners)
        return out + b"".join(struct.pack("<B3i", 3, *f) for f in faces)

    make_case("foreign-ply-split-vertices", "-N 1 in.ply out.ply",
              head("in.ply") + stalled(mfc.counts(4, 5, 2), (4, 5, 2),
                                       "out.ply"), 0,
              inputs={"in.ply": assimp},
              outputs={"out.ply": assimp_out(range(4), mfc.SQ_F)})
    make_case("foreign-ply-split-vertices-not-welded",
              "--no-weld -N 1 in.ply out.ply",
              head("in.ply") + stalled(mfc.counts(6, 6, 2), (6, 6, 2),
                                       "out.ply"), 0,
              inputs={"in.ply": assimp},
              outputs={"out.ply": assimp_out(SPLIT, [(0, 1, 2), (4, 3, 5)])})
    # --no-attributes: positions and triangles alone, as before.
    make_case("foreign-ply-split-vertices-positions-only",
              "--no-attributes -N 1 in.ply out.ply",
              head("in.ply") + stalled(mfc.counts(4, 5, 2), (4, 5, 2),
                                       "out.ply"), 0,
              inputs={"in.ply": assimp},
              outputs={"out.ply": ply_out("binary_little_endian", sq,
                                          mfc.SQ_F)})
    # Copies of a position with different values: a seam. The text file
    # below stores v0 twice with different s (0 and 0.75); v2's copies agree.
    # Welded: SQUARE, and v0's corner in the second face carries s = 0.75,
    # its first corner s = 0, so v0 is held (it is on the boundary anyway)
    # and written twice: once with its own values (the first corner's) in
    # its place, and once more after the live vertices, as vertex 4, for the
    # second face's corner. The vertex list property "flags" is not carried:
    # its note follows the load's counts.
    seam_in = ("ply\nformat ascii 1.0\nelement vertex 6\n"
               "property float x\nproperty float y\nproperty float z\n"
               "property float s\nproperty list uchar int flags\n"
               "element face 2\nproperty list uchar int vertex_indices\n"
               "end_header\n0 0 0 0 0\n1 0 0 0.25 1 7\n1 1 0 0.5 0\n"
               "0 0 0 0.75 0\n1 1 0 0.5 0\n0 1 0 1 0\n3 0 1 2\n3 3 4 5\n")
    seam_out = ("ply\nformat ascii 1.0\ncomment ZEQ 1.22a\nelement vertex 5\n"
                "property float x\nproperty float y\nproperty float z\n"
                "property float s\nelement face 2\n"
                "property list uchar int vertex_indices\nend_header\n"
                "0 0 0 0\n1 0 0 0.25\n1 1 0 0.5\n0 1 0 1\n0 0 0 0.75\n"
                "3 0 1 2\n3 4 2 3\n")
    make_case("foreign-ply-split-vertices-seam", "-N 1 in.ply out.ply",
              head("in.ply") + stalled(
                  mfc.counts(4, 5, 2) + "Note: list property <flags> of "
                  "<vertex> is not carried to the output!\n", (4, 5, 2),
                  "out.ply"), 0,
              inputs={"in.ply": seam_in}, outputs={"out.ply": seam_out})
    # --origins: the input vertex of each written record. Welded, records
    # 0..5 are vertices 0 1 2 0 2 3; the output's records are vertices 0 to
    # 3, then v0 again for its copy.
    make_case("foreign-ply-split-vertices-seam-origins",
              "--origins out.origins -N 1 in.ply out.ply",
              head("in.ply") + stalled(
                  mfc.counts(4, 5, 2) + "Note: list property <flags> of "
                  "<vertex> is not carried to the output!\n", (4, 5, 2),
                  "out.ply"), 0,
              inputs={"in.ply": seam_in},
              outputs={"out.ply": seam_out, "out.origins": "0\n1\n2\n3\n0\n"})
    # No face element, or faces only as triangle strips: nothing to simplify.
    vertices_only = ("ply\nformat ascii 1.0\nelement vertex 4\n"
                     "property float x\nproperty float y\nproperty float z\n"
                     "end_header\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n")
    read_fail("foreign-ply-no-face-element", "-N 1 in.ply out.ply", "in.ply",
              vertices_only, 6)
    read_fail("foreign-ply-triangle-strips", "-N 1 in.ply out.ply", "in.ply",
              vertices_only.replace(
                  "end_header", "element tristrips 1\n"
                  "property list int int vertex_indices\nend_header")
              + "5 0 1 3 2 -1\n", 6)

    # ============================ OBJ =======================================
    # Rhino: lines continued with a backslash (a vertex and a quad over
    # three lines). A comment that ends in a backslash does not continue:
    # the v line after it is read.
    rhino = ("# Rhino\n\nv 0 0 \\\n0\nv 1 0 0\nv 1 1 0\n"
             "# saved in C:\\models\\\nv 0 1 0\n"
             "f 1 2 \\\n3 \\\n4\n")
    obj_out = ("# ZEQ 1.22a: 4 vertices, 2 faces\n" + mfc.OBJ_SQ_V
               + "f 1 2 3\nf 1 3 4\n")
    make_case("foreign-obj-continued-lines", "-N 1 in.obj out.obj",
              head("in.obj") + stalled(mfc.counts(4, 5, 2), (4, 5, 2),
                                       "out.obj"), 0,
              inputs={"in.obj": rhino}, outputs={"out.obj": obj_out})
    # A vertex per corner with texture coordinates: welded by default. The
    # copies of v0 and v2 name the same vt (1 and 3), so no vertex is held.
    # The texture coordinates are written in order of first use, which is
    # the file's order here, and the corners name them.
    obj_v = mfc.OBJ_SQ_V.splitlines(True)
    split_obj = ("".join(obj_v[c] for c in SPLIT)
                 + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                 "f 1/1 2/2 3/3\nf 4/1 5/3 6/4\n")
    make_case("foreign-obj-split-vertices", "-N 1 in.obj out.obj",
              head("in.obj") + stalled(mfc.counts(4, 5, 2), (4, 5, 2),
                                       "out.obj"), 0,
              inputs={"in.obj": split_obj},
              outputs={"out.obj": "# ZEQ 1.22a: 4 vertices, 2 faces\n"
                       + mfc.OBJ_SQ_V + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                       "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n"})

    # ======================= the command line ===============================
    # SMF welds only when asked; the option may stand between -N's count and
    # the file names. The SMF reader prints the welded vertex count.
    smf_v = mc.smf_vertices(mc.SQUARE_V).splitlines(True)
    split_smf = "#SMF\n" + "".join(smf_v[c] for c in SPLIT) + \
        "f 1 2 3\nf 4 5 6\n"
    make_case("foreign-cli-weld-smf", "-N 1 --weld in.smf out.smf",
              head("in.smf") + stalled(mc.smf_counts(4, 5, 2), (4, 5, 2),
                                       "out.smf"), 0,
              inputs={"in.smf": split_smf},
              outputs={"out.smf": mc.SQUARE_SMF_OUT})
    # Twice, or both: the second stays in the arguments, which then have
    # neither form: six arguments whose third is not -D.
    make_case("foreign-cli-weld-twice", "--weld --no-weld -N 1 in.smf out.smf",
              mc.BANNER + mc.LONG_USAGE, 1,
              inputs={"in.smf": mc.SQUARE_SMF})
    # After -N an option's name is the count: "--weld" has no digits, so the
    # target is 0 (threshold 10), as it always was.
    make_case("foreign-cli-option-as-count", "-N --weld in.smf out.smf",
              head("in.smf") + stalled(mc.smf_counts(4, 5, 2), (4, 5, 2),
                                       "out.smf", threshold=10, target=0), 0,
              inputs={"in.smf": mc.SQUARE_SMF},
              outputs={"out.smf": mc.SQUARE_SMF_OUT})
    # STL corners are welded whatever is asked: --no-weld changes nothing.
    make_case("foreign-cli-no-weld-stl", "--no-weld -N 1 in.stl out.stl",
              head("in.stl") + stalled(mfc.counts(4, 5, 2), (4, 5, 2),
                                       "out.stl"), 0,
              inputs={"in.stl": mfc.binary_stl(mfc.BIN_STL_SQ_FACETS)},
              outputs={"out.stl": mfc.binary_stl(mfc.BIN_STL_SQ_FACETS,
                                                 header=b"ZEQ 1.22a")})

    print("%d cases written" % len(written))


if __name__ == "__main__":
    main()
