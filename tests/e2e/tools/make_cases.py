#!/usr/bin/env python3
"""Writes the hand-worked end-to-end cases of zeq under tests/e2e/cases/ and
the generated strip meshes under tests/e2e/meshes/.

Nothing here runs zeq. Every expected standard output is put together from the
program's fixed message texts (typed in below), and every expected output mesh
is either written out literally (small meshes, worked through face by face in
the comments) or produced from a rule worked out by hand for a regular strip
(see the comments on the strip functions). Cases whose names start with
"shared-" (the shared results), "hostile-" (written by make_hostile_cases.py
and make_format_cases.py) or "foreign-" (make_foreign_cases.py) are not
written by this script and are left alone.

Run it from anywhere: python3 tests/e2e/tools/make_cases.py
"""

import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.dirname(HERE)
CASES = os.path.join(E2E, "cases")
MESHES = os.path.join(E2E, "meshes")

# --------------------------------------------------------------------------
# Console messages, exactly as the program prints them ("time = " numbers are
# masked as X by the harness).

BANNER = ("\nZEQ version 1.22a released Jul 23 2008 \n"
          "It supports *.SMF and *.OFF file formats only.\n\n")
LONG_USAGE = ("Usage: ZEQ.exe -N NumberOfFaces -D "
              "InputFilename.[smf||off] OutputFilename.[smf||off]\n")
SHORT_USAGE = ("Usage: ZEQ.exe -N NumberOfFaces -D "
               "InputFilename.smf OutputFilename.smf\n")
EXIT_LINE = "\nZEQ exit!\n"
END_LINE = "\nZEQ end. \n"
LOADING = "\nLoading time = X seconds\n"
ORIENTING = "\nOrienting time = X seconds\n"
WRITING = "\nWriting time = X seconds\n"
SIMPLIFICATION = "\nSimplification time = X seconds  \n"

READ_FAILURE = {
    1: " File not found!\n",
    2: " File empty!\n",
    3: " Problem reading header of the file!\n",
    4: " Problem reading the vertices coordinates!\n",
    5: " Problem reading faces definition!\n",
    # Refinements of the reader's statuses (io/read_status.h): a PLY with
    # no face element, and a header problem with its reason.
    6: " No faces to simplify!\n",
    7: " Problem reading header of the file (faces before vertices)!\n",
}


def input_line(name):
    return "Original mesh: <%s> \n" % name


def read_failure(name, status):
    return "Reading <%s>: " % name + READ_FAILURE[status]


def smf_counts(vertices, edges=None, faces=None):
    """The SMF reader's count lines; the edge and face lines only when the
    file ended inside the face records."""
    text = " %d <Vertices>\n" % vertices
    if edges is not None:
        text += " %d <Edges>\n %d <Faces>\n" % (edges, faces)
    return text


def off_header(vertices, faces):
    return " #Vertices = %d\n #Edges = ??\n #Faces = %d\n" % (vertices, faces)


def off_totals(edges, faces, name):
    return ("Total Arestas= %d\nTotal Faces= %d\n"
            "Fim da leitura do ficheiro -> %s\n" % (edges, faces, name))


def simplified(vertices, edges, faces):
    return ("\n\nSimplified Mesh: \n %d <Vertices>\n %d <Edges>\n %d <Faces>\n"
            % (vertices, edges, faces))


def missed(faces):
    return "\nThe ZEQ generate a simplified mesh with %d Faces!\n" % faces


def created(name):
    return "Ficheiro -> %s  criado\n" % name


# Passes made when no collapse is ever possible, by starting threshold. Every
# pass stalls, so the threshold walks the schedule 100, 90, ..., 30 (minus 10
# while above 20), then 20, 18, ..., 2, 0 (minus 2), and the pass made at 0
# ends the run:
#   100: 100 90 80 70 60 50 40 30 | 20 18 16 14 12 10 8 6 4 2 0  -> 8 + 11 = 19
#    80: 80 70 60 50 40 30 | 11                                   -> 17
#    60: 60 50 40 30 | 11                                         -> 15
#    40: 40 30 | 11                                               -> 13
#    30: 30 | 11                                                  -> 12
#    20: 20 18 ... 2 0                                            -> 11
#    10: 10 8 6 4 2 0                                             ->  6
STALLED_PASSES = {100: 19, 80: 17, 60: 15, 40: 13, 30: 12, 20: 11, 10: 6}


def stalled_run(threshold, timed, vertices, edges, faces, target):
    """From the driver on, for a run in which nothing can collapse: the
    per-pass times (timed) or the one total time, the unchanged counts and the
    missed-target line (the face count never reaches the target)."""
    text = SIMPLIFICATION * (STALLED_PASSES[threshold] if timed else 1)
    text += simplified(vertices, edges, faces)
    if faces != target:
        text += missed(faces)
    return text


# --------------------------------------------------------------------------
# Writing cases.

written_cases = []


def write_file(path, data, mode="w"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, mode, newline="") as f:
        f.write(data)


def make_case(name, args, stdout, status, inputs=None, meshes=None,
              outputs=None, setup=None, extra=None):
    assert not name.startswith("shared-")
    d = os.path.join(CASES, name)
    if os.path.exists(d):
        shutil.rmtree(d)
    os.makedirs(d)
    write_file(os.path.join(d, "args"), (args + "\n") if args else "")
    write_file(os.path.join(d, "stdout"), stdout)
    write_file(os.path.join(d, "status"), "%d\n" % status)
    for fname, data in (inputs or {}).items():
        write_file(os.path.join(d, "in", fname), data)
    if meshes:
        write_file(os.path.join(d, "mesh"),
                   "".join("%s %s\n" % (n, s) for n, s in meshes.items()))
    for fname, data in (outputs or {}).items():
        write_file(os.path.join(d, "out", fname), data)
    if setup:
        write_file(os.path.join(d, "setup"), setup)
    if extra:
        write_file(os.path.join(d, "extra"), "".join(e + "\n" for e in extra))
    written_cases.append(name)


def g(x):
    """A coordinate as the writers print it: %g, six significant digits."""
    return "%g" % x


# --------------------------------------------------------------------------
# Small hand-made meshes.
#
# SQUARE: four corners of the unit square, two triangles over the diagonal
# 1-3, both counter-clockwise seen from +z.
#   4 ---- 3
#   |    / |
#   |  /   |
#   1 ---- 2
# Load (0-based vertices v0..v3):
#   f 1 2 3: edges e0 = (v0,v1), e1 = (v1,v2), e2 = (v2,v0); face A = [e0,e1,e2]
#   f 1 3 4: v0's edges [e0,e2]: e2 reaches v2 (PQ); nothing reaches v3.
#            new e3 = (v2,v3), e4 = (v3,v0); face B = [e2,e3,e4]
#   -> 4 vertices, 5 edges, 2 faces. Every vertex lies on the boundary (each
#   has an edge of one face), so no edge is ever a candidate.
# Orientation:
#   seed A entered along e0 from end2 to end1: item (A, a=v1, b=v0, K=e0);
#   E = e1 (A's other edge at v1), f = v2; A keeps [e0,e1,e2] and the winding
#   v0 v1 v2; the walk queues B across e2 with (tail v2, head v0, K = e2).
#   B: a = v2, b = v0; E = e3 (B's other edge at v2), f = v3; B's list becomes
#   [K, E, T] = [e2, e3, e4], winding v0 -> v2 -> v3.
# Writer: A: e0 = (v0,v1), e1 = (v1,v2) share v1 = e0.end2 -> corners
#   v0 v1 v2. B: e2 = (v2,v0), e3 = (v2,v3) share v2 = e0.end1 -> corners
#   (e0.end2, e0.end1, R) = v0 v2 v3.
SQUARE_V = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]


def smf_vertices(vs):
    return "".join("v %s %s %s\n" % tuple(g(c) for c in v) for v in vs)


def off_vertices(vs):
    return "".join("%s %s %s\n" % tuple(g(c) for c in v) for v in vs)


SQUARE_SMF = "#SMF\n" + smf_vertices(SQUARE_V) + "f 1 2 3\nf 1 3 4\n"
SQUARE_SMF_OUT = "#SMF\n" + smf_vertices(SQUARE_V) + "f 1 2 3 \nf 1 3 4 \n"
SQUARE_OFF = "OFF\n4 2 0\n" + off_vertices(SQUARE_V) + "3 0 1 2\n3 0 2 3\n"
SQUARE_OFF_OUT = ("OFF\n4 2 0\n" + off_vertices(SQUARE_V)
                  + "3  0 1 2\n3  0 2 3\n")


def square_run(name, args_tail, timed, target, threshold, in_name="in.smf",
               out_name="out.smf", in_text=SQUARE_SMF, out_text=SQUARE_SMF_OUT,
               off=False, reader_lines=None, vertices=4, out_written=True,
               setup=None, extra=None, out_files=None):
    """A run on a square-like mesh of 2 faces and 5 edges. With out_written
    False the output cannot be written: the run ends with the write failure
    line and the refusal end line, status 1, and leaves no output file."""
    args = "-N %s %s%s %s" % (args_tail, "-D " if timed else "", in_name,
                              out_name)
    if reader_lines is None:
        reader_lines = (off_header(4, 2) if off else smf_counts(4, 5, 2))
    stdout = BANNER + input_line(in_name) + reader_lines
    if timed:
        stdout += LOADING + ORIENTING
    stdout += stalled_run(threshold, timed, vertices, 5, 2, target)
    if off and out_written:
        stdout += created(out_name)
    status = 0
    if not out_written:
        stdout += "Writing <%s>: Cannot write the file!\n" % out_name + EXIT_LINE
        status = 1
    elif timed:
        stdout += WRITING + END_LINE
    outputs = {}
    if out_written:
        outputs = {out_name: out_text}
    if out_files is not None:
        outputs = out_files
    make_case(name, args, stdout, status, inputs={in_name: in_text},
              outputs=outputs, setup=setup, extra=extra)


# --------------------------------------------------------------------------
# Strips. Vertices v0, v1, v2, ... zigzag between two rows: v(2i) on the lower
# row at column i, v(2i+1) on the upper row at column i. Face k (k = 0..N-1)
# has the corners v(k), v(k+1), v(k+2). Every vertex has a row edge that
# belongs to one face only, so every vertex is on the boundary and no edge is
# ever a candidate: every pass stalls and the mesh written is the mesh after
# the orientation pass. A strip of N faces has N+2 vertices and 2N+1 edges
# (3 for the first face, 2 new ones for each further face).
#
# Three ways of writing the faces of the same strip:
#
# (1) "zigzag" (SMF): face k is written v(k) v(k+1) v(k+2) for every k, so
#     consecutive faces are wound opposite ways.
#     Load: face 0 = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)]; face k >= 1 =
#     [e(2k-1)=(vk,vk+1), e(2k+1)=(vk+1,vk+2), e(2k+2)=(vk+2,vk)], where
#     e(2k-1) was made by face k-1 and e(2k+1) is shared with face k+1.
#     Orientation (one item in the queue at a time, face k queues face k+1):
#       face 0: item (a=v1, b=v0, K=e0), list stays [e0,e1,e2].
#       odd k:  item (a=vk, b=vk+1, K=e(2k-1)); E = e(2k+2) (its end1 is
#               vk+2, so f = vk+2); list becomes [e(2k-1), e(2k+2), e(2k+1)];
#               queues face k+1 with (tail vk+2, head vk+1, K=e(2k+1)).
#       even k: item (a=vk+1, b=vk, K=e(2k-1)); E = e(2k+1), f = vk+2; list
#               stays; queues face k+1 with (tail vk+1, head vk+2, K=e(2k+1)).
#     Writer (corners from the first two edges):
#       face 0 and even k: (vk,vk+1) then (vk+1,vk+2) share e0.end2
#               -> vk vk+1 vk+2
#       odd k:  (vk,vk+1) then (vk+2,vk) share e0.end1 -> vk+1 vk vk+2
#
# (2) "wound" (SMF): even k written v(k) v(k+1) v(k+2), odd k written
#     v(k+1) v(k) v(k+2): one consistent winding.
#     Load: face 0 as above; odd k = [(vk,vk+1), (vk,vk+2), (vk+2,vk+1)];
#     even k >= 2 = [(vk+1,vk), (vk+1,vk+2), (vk+2,vk)].
#     Orientation: odd k item (a=vk, b=vk+1) gives E = (vk,vk+2), even k item
#     (a=vk+1, b=vk) gives E = (vk+1,vk+2): in both the entry edge is already
#     first and E second, so no list changes.
#     Writer: odd k: (vk,vk+1), (vk,vk+2) share e0.end1 -> vk+1 vk vk+2;
#     even k: (vk+1,vk), (vk+1,vk+2) share e0.end1 -> vk vk+1 vk+2. The faces
#     come out exactly as they were written.
#
# (3) "rotated" (OFF): face k written v(k+1) v(k+2) v(k) for every k (the
#     zigzag order turned by one place).
#     Load: face 0 = [e0=(v1,v2), e1=(v2,v0), e2=(v0,v1)];
#     face k >= 1 = [Dk=(vk+1,vk+2), Bk=(vk+2,vk), Dk-1=(vk,vk+1)] with
#     D0 = e0; Dk-1 is found through vk+1's edge list as PR.
#     Orientation:
#       face 0: item (a=v2, b=v1, K=e0); E = e1; list stays [e0,e1,e2];
#               queues face 1 with (tail v1, head v2, K=e0).
#       odd k:  item (a=vk, b=vk+1, K=Dk-1); E = Bk (f = vk+2), T = Dk; list
#               becomes [Dk-1, Bk, Dk]; queues face k+1 with
#               (tail vk+2, head vk+1, K=Dk).
#       even k: item (a=vk+1, b=vk, K=Dk-1); E = Dk (f = vk+2), T = Bk; list
#               becomes [Dk-1, Dk, Bk]; queues face k+1 with
#               (tail vk+1, head vk+2, K=Dk).
#     Writer:
#       face 0: (v1,v2), (v2,v0) share e0.end2 -> v1 v2 v0 (as written)
#       odd k:  (vk,vk+1), (vk+2,vk) share e0.end1 -> vk+1 vk vk+2
#       even k: (vk,vk+1), (vk+1,vk+2) share e0.end2 -> vk vk+1 vk+2


def strip_vertex(n, kind):
    i, row = divmod(n, 2)
    if kind == "smf":
        return (i, row, 0)
    return (0.5 * i, 2.0 * row, -1.0)


def strip_input_vertex_text(n, kind):
    x, y, z = strip_vertex(n, kind)
    if kind == "smf":
        return "v %.6f %.6f %.6f\n" % (x, y, z)
    return "%.2f %.2f %.2f\n" % (x, y, z)


def strip_file_corners(k, layout):
    if layout == "zigzag":
        return (k, k + 1, k + 2)
    if layout == "wound":
        return (k, k + 1, k + 2) if k % 2 == 0 else (k + 1, k, k + 2)
    if layout == "rotated":
        return (k + 1, k + 2, k)
    raise ValueError(layout)


def strip_written_corners(k, layout):
    """Corner order after orientation, from the derivation above."""
    if layout == "rotated" and k == 0:
        return (1, 2, 0)
    if k % 2 == 0:
        return (k, k + 1, k + 2)
    return (k + 1, k, k + 2)


def strip_smf(n_faces, layout):
    text = "#SMF\n"
    text += "".join(strip_input_vertex_text(n, "smf")
                    for n in range(n_faces + 2))
    for k in range(n_faces):
        text += "f %d %d %d\n" % tuple(c + 1
                                       for c in strip_file_corners(k, layout))
    return text


def strip_smf_out(n_faces, layout):
    text = "#SMF\n"
    for n in range(n_faces + 2):
        text += "v %s %s %s\n" % tuple(g(c) for c in strip_vertex(n, "smf"))
    for k in range(n_faces):
        text += "f %d %d %d \n" % tuple(
            c + 1 for c in strip_written_corners(k, layout))
    return text


def strip_off(n_faces, layout):
    text = "OFF\n%d %d 0\n" % (n_faces + 2, n_faces)
    text += "".join(strip_input_vertex_text(n, "off")
                    for n in range(n_faces + 2))
    for k in range(n_faces):
        text += "3 %d %d %d\n" % strip_file_corners(k, layout)
    return text


def strip_off_out(n_faces, layout):
    text = "OFF\n%d %d 0\n" % (n_faces + 2, n_faces)
    for n in range(n_faces + 2):
        text += "%s %s %s\n" % tuple(g(c) for c in strip_vertex(n, "off"))
    for k in range(n_faces):
        text += "3  %d %d %d\n" % strip_written_corners(k, layout)
    return text


# The two lines that end a run told how far by a ratio or a bound, for a run
# in which nothing collapsed: no face has tilted, no surface has moved.
UNMOVED_REPORT = ("\nLargest face tilt = 0.0000 degrees\n"
                  "\nDistance bound = 0 of the diagonal\n")


def strip_run(name, count, timed, threshold, target, n_faces, layout, fmt,
              source, in_name=None, out_name=None, how_far=None,
              passes=None, more_levels=None):
    """With `how_far` (options that say how far, in place of -N COUNT) the
    run ends with the report lines; `passes` overrides the number of passes
    the threshold schedule gives (a bound that stops it early). With
    `more_levels` (more -N options), the run asks for levels: the first is
    written to OUTPUT's name with -1, and since a strip never reaches its
    target, the run ends there."""
    in_name = in_name or ("in." + fmt)
    out_name = out_name or ("out." + fmt)
    V, E, F = n_faces + 2, 2 * n_faces + 1, n_faces
    asked = how_far if how_far is not None else "-N %s" % count
    if more_levels is not None:
        asked += " " + more_levels
    args = "%s %s%s %s" % (asked, "-D " if timed else "", in_name, out_name)
    if more_levels is not None:
        out_name = out_name.replace(".", "-1.", 1)
    stdout = BANNER + input_line(in_name)
    stdout += smf_counts(V, E, F) if fmt == "smf" else off_header(V, F)
    if timed:
        stdout += LOADING + ORIENTING
    if passes is not None:
        stdout += SIMPLIFICATION * passes + simplified(V, E, F)
        if F != target:
            stdout += missed(F)
    else:
        stdout += stalled_run(threshold, timed, V, E, F, target)
    if how_far is not None:
        stdout += UNMOVED_REPORT
    if fmt == "off":
        stdout += created(out_name)
        out_text = strip_off_out(n_faces, layout)
    else:
        out_text = strip_smf_out(n_faces, layout)
    if timed:
        stdout += WRITING + END_LINE
    make_case(name, args, stdout, 0, meshes={in_name: source},
              outputs={out_name: out_text})


# --------------------------------------------------------------------------

def main():
    os.makedirs(CASES, exist_ok=True)
    for entry in os.listdir(CASES):
        if not entry.startswith(("shared-", "hostile-", "foreign-")):
            shutil.rmtree(os.path.join(CASES, entry))

    # Strip meshes used by several cases.
    write_file(os.path.join(MESHES, "strip1000_zigzag.smf"),
               strip_smf(1000, "zigzag"))
    write_file(os.path.join(MESHES, "strip1000_wound.smf"),
               strip_smf(1000, "wound"))
    write_file(os.path.join(MESHES, "strip1000_rotated.off"),
               strip_off(1000, "rotated"))
    write_file(os.path.join(MESHES, "strip10_zigzag.smf"),
               strip_smf(10, "zigzag"))
    write_file(os.path.join(MESHES, "strip10_rotated.off"),
               strip_off(10, "rotated"))

    # ---- argument count and form ----------------------------------------
    make_case("cli-no-arguments", "", LONG_USAGE, 1)
    make_case("cli-three-arguments", "-N 1 in.smf", LONG_USAGE, 1,
              inputs={"in.smf": SQUARE_SMF})
    make_case("cli-seven-arguments", "-N 1 -D in.smf out.smf extra",
              LONG_USAGE, 1, inputs={"in.smf": SQUARE_SMF})
    make_case("cli-lowercase-d", "-N 500 -d in.smf out.smf",
              BANNER + LONG_USAGE, 1, inputs={"in.smf": SQUARE_SMF})
    make_case("cli-six-arguments-d-misplaced", "-N 1 in.smf -D out.smf",
              BANNER + LONG_USAGE, 1, inputs={"in.smf": SQUARE_SMF})
    # Four arguments after the program name are the five-argument form: the
    # input name is "-D" (no such file) and the output name is in.smf, which
    # must stay untouched.
    make_case("cli-four-arguments-input-named-D", "-N 1 -D in.smf",
              BANNER + input_line("-D") + read_failure("-D", 1) + EXIT_LINE,
              1, inputs={"in.smf": SQUARE_SMF})

    # ---- refusals after loading ------------------------------------------
    strip10_counts = smf_counts(12, 21, 10)
    refused = SHORT_USAGE + EXIT_LINE
    make_case("cli-wrong-switch",
              "-X 5 in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-wrong-switch-lowercase-n",
              "-n 5 in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-wrong-switch-timed",
              "-X 5 -D in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + LOADING
              + ORIENTING + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-count-negative",
              "-N -5 in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-count-equal-to-faces",
              "-N 10 in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-count-above-faces",
              "-N 11 in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-count-equal-to-faces-timed",
              "-N 10 -D in.smf out.smf",
              BANNER + input_line("in.smf") + strip10_counts + LOADING
              + ORIENTING + refused, 1,
              meshes={"in.smf": "strip10_zigzag.smf"})
    make_case("cli-count-negative-off-timed",
              "-N -5 -D in.off out.off",
              BANNER + input_line("in.off") + off_header(12, 10) + LOADING
              + ORIENTING + refused, 1,
              meshes={"in.off": "strip10_rotated.off"})

    # ---- missing input -----------------------------------------------------
    make_case("cli-missing-input",
              "-N 5 nofile.smf out.smf",
              BANNER + input_line("nofile.smf")
              + read_failure("nofile.smf", 1) + EXIT_LINE, 1)
    make_case("cli-missing-input-off",
              "-N 5 nofile.off out.off",
              BANNER + input_line("nofile.off")
              + read_failure("nofile.off", 1) + EXIT_LINE, 1)
    make_case("cli-missing-input-timed",
              "-N 5 -D nofile.smf out.smf",
              BANNER + input_line("nofile.smf")
              + read_failure("nofile.smf", 1) + EXIT_LINE, 1)

    # ---- SMF reader failures ---------------------------------------------
    def smf_fail(name, text, status, counts=""):
        make_case(name, "-N 1 in.smf out.smf",
                  BANNER + input_line("in.smf") + counts
                  + read_failure("in.smf", status) + EXIT_LINE, 1,
                  inputs={"in.smf": text})

    smf_fail("smf-empty-file", "", 2)
    smf_fail("smf-only-blank-lines", "\n\n\n", 3)
    smf_fail("smf-only-blank-and-space-lines", "  \n\t\n \n", 3)
    smf_fail("smf-no-vertex-line", "#SMF\n# nothing here\n", 3)
    # A v that is not the first character of its line does not end the header.
    smf_fail("smf-indented-vertex-lines",
             " v 0 0 0\n v 1 0 0\n v 1 1 0\n f 1 2 3\n", 3)
    header90 = "#" + "x" * 89
    assert len(header90) == 90
    smf_fail("smf-header-line-90-characters",
             header90 + "\n" + SQUARE_SMF[len("#SMF\n"):], 3)
    vline90 = "v 0 0" + " " * 84 + "0"
    assert len(vline90) == 90
    smf_fail("smf-first-vertex-line-90-characters",
             "#SMF\n" + vline90 + "\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", 3)
    smf_fail("smf-vertices-then-nothing",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", 4)
    smf_fail("smf-vertices-then-blank-lines",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\n\n\n", 4)
    smf_fail("smf-vertex-with-two-numbers",
             "#SMF\nv 0 0 0\nv 1 0\nv 1 1 0\nf 1 2 3\n", 4)
    smf_fail("smf-comment-between-vertices",
             "#SMF\nv 0 0 0\nv 1 0 0\n# a comment\nv 1 1 0\nf 1 2 3\n", 4)
    smf_fail("smf-face-with-slashes",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1/1 2/2 3/3\n", 5,
             smf_counts(3))
    make_case("smf-face-with-slashes-timed", "-N 1 -D in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(3)
              + read_failure("in.smf", 5) + EXIT_LINE, 1,
              inputs={"in.smf": "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                      "f 1/1 2/2 3/3\n"})
    smf_fail("smf-face-with-letter",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 x 4\n",
             5, smf_counts(4))
    smf_fail("smf-face-corner-zero",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 0 3 4\n",
             5, smf_counts(4))
    smf_fail("smf-face-corner-negative",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 -3 4\n",
             5, smf_counts(4))
    smf_fail("smf-face-corner-too-large",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 5\n",
             5, smf_counts(4))
    smf_fail("smf-first-face-corner-too-large",
             "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 4\n", 5, smf_counts(3))

    # ---- SMF reader, accepted forms -----------------------------------------
    header89 = "#" + "y" * 88
    assert len(header89) == 89
    square_run("smf-header-line-89-characters", "1", False, 1, 60,
               in_text="# two header lines\n" + header89 + "\n"
               + SQUARE_SMF[len("#SMF\n"):])
    vline89 = "v 0 0" + " " * 83 + "0"
    assert len(vline89) == 89
    square_run("smf-first-vertex-line-89-characters", "1", False, 1, 60,
               in_text="#SMF\n" + vline89 + "\nv 1 0 0\nv 1 1 0\n"
               "v 0 1 0\nf 1 2 3\nf 1 3 4\n")
    square_run("smf-no-header", "1", False, 1, 60,
               in_text=SQUARE_SMF[len("#SMF\n"):])
    square_run("smf-no-final-line-end", "1", False, 1, 60,
               in_text=SQUARE_SMF.rstrip("\n"))
    square_run("smf-items-spread-over-lines", "0", False, 0, 10,
               in_text="#SMF\nv 0\n0 0 v\t1 0 0\nv 1 1\n\n0 v 0 1 0 f 1\n"
               "2 3 f 1 3 4")
    # A face record cut short by the end of the file is dropped; the counts
    # are printed and the load succeeds.
    square_run("smf-last-face-cut-short", "1", False, 1, 60,
               in_text=SQUARE_SMF + "f 2 3\n")
    # The comment after the last face ends the face records quietly: only
    # the vertex count is printed.
    square_run("smf-comment-after-faces", "1", False, 1, 60,
               in_text=SQUARE_SMF + "# end of faces\nf 1 1 1\n",
               reader_lines=smf_counts(4))
    # A quad: its first three numbers make the face, its fourth ends the face
    # records (everything after it is ignored), only the vertex count is
    # printed. One face over v1 v2 v3; v4 belongs to no face and is not
    # written, but it still counts among the simplified vertices (the count
    # is the list size minus the collapses).
    make_case("smf-quad-face", "-N 0 in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(4)
              + stalled_run(10, False, 4, 3, 1, 0), 0,
              inputs={"in.smf": "#SMF\n" + smf_vertices(SQUARE_V)
                      + "f 1 2 3 4\nf 1 3 4\n"},
              outputs={"out.smf": "#SMF\n" + smf_vertices(SQUARE_V[:3])
                       + "f 1 2 3 \n"})
    # The first vertex is used by no face: it is left out of the file and the
    # others are renumbered, but the simplified vertex count still holds it.
    square_run("smf-unused-vertex", "1", False, 1, 60,
               in_text="#SMF\nv 9 9 9\n" + smf_vertices(SQUARE_V)
               + "f 2 3 4\nf 2 4 5\n",
               reader_lines=smf_counts(5, 5, 2), vertices=5)
    # Second face wound the other way (1 4 3). Load: A as usual; B: v0's
    # edges [e0,e2]: no edge to v3, e2 reaches v2 (PR); new e3 = (v0,v3),
    # e4 = (v3,v2); B = [e3, e4, e2]. B is entered across e2 with a = v2,
    # b = v0; E = e4 (first of B's edges at v2 other than e2), f = e4.end1 =
    # v3; B becomes [e2, e4, e3]. Writer: e2 = (v2,v0), e4 = (v3,v2): e4.end1
    # is not on e2, so S = e4.end2 = v2 = e2.end1, R = v3 -> v0 v2 v3.
    square_run("smf-flipped-face-rewound", "1", False, 1, 60,
               in_text="#SMF\n" + smf_vertices(SQUARE_V)
               + "f 1 2 3\nf 1 4 3\n")
    # Second face written turned by one place (4 1 3). Load: B: v3 has no
    # edges; new e3 = (v3,v0); QR = e2 (found from v0 to v2); new e4 =
    # (v2,v3); B = [e3, e2, e4]. Entered across e2 with a = v2, b = v0:
    # E = e4, f = v3; B becomes [e2, e4, e3]. Writer: e2 = (v2,v0), e4 =
    # (v2,v3): S = v2 = e2.end1, R = v3 -> v0 v2 v3, written 1 3 4.
    square_run("smf-turned-face-reordered", "1", False, 1, 60,
               in_text="#SMF\n" + smf_vertices(SQUARE_V)
               + "f 1 2 3\nf 4 1 3\n")
    # Two separate triangles. The first keeps its winding; the second is
    # seeded from its first edge e3 = (v3,v4) entered from end1 to end2:
    # a = v3, b = v4, E = e5 = (v5,v3), f = v5, list [e3, e5, e4], winding
    # v4 v3 v5. Writer: e3 = (v3,v4), e5 = (v5,v3): S = v3 = e3.end1, R = v5
    # -> v4 v3 v5, written 5 4 6.
    two_v = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (5, 0, 1), (6, 0, 1), (5, 1, 1)]
    make_case("smf-two-components", "-N 1 in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(6, 6, 2)
              + stalled_run(60, False, 6, 6, 2, 1), 0,
              inputs={"in.smf": "#SMF\n" + smf_vertices(two_v)
                      + "f 1 2 3\nf 4 5 6\n"},
              outputs={"out.smf": "#SMF\n" + smf_vertices(two_v)
                       + "f 1 2 3 \nf 5 4 6 \n"})
    make_case("off-two-components", "-N 1 in.off out.off",
              BANNER + input_line("in.off") + off_header(6, 2)
              + stalled_run(60, False, 6, 6, 2, 1) + created("out.off"), 0,
              inputs={"in.off": "OFF\n6 2 0\n" + off_vertices(two_v)
                      + "3 0 1 2\n3 3 4 5\n"},
              outputs={"out.off": "OFF\n6 2 0\n" + off_vertices(two_v)
                       + "3  0 1 2\n3  4 3 5\n"})
    # Number forms on input and %g on output. Two triangles over the
    # diagonal 1-3 (same structure as the square): faces come out as 1 2 3
    # and 1 3 4.
    #   1234567 -> 1.23457e+06, 5e-1 -> 0.5, 0.00001 -> 1e-05,
    #   3.14159265 -> 3.14159, 1e5 -> 100000, 0.0001 -> 0.0001,
    #   +1e6 -> 1e+06, 2. -> 2, 123456.75 -> 123457,
    #   -0.000123456789 -> -0.000123457, 999999.5 -> 1e+06
    make_case("smf-number-forms", "-N 0 in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(4, 5, 2)
              + stalled_run(10, False, 4, 5, 2, 0), 0,
              inputs={"in.smf": "#SMF\nv1234567 5e-1 -2.5\n"
                      "v\t0.00001\t3.14159265 1e5\n"
                      "v 0.0001 +1e6 2.\n"
                      "v 123456.75 -0.000123456789 999999.5\n"
                      "f 1 2 3\nf 1 3 4\n"},
              outputs={"out.smf": "#SMF\n"
                       "v 1.23457e+06 0.5 -2.5\n"
                       "v 1e-05 3.14159 100000\n"
                       "v 0.0001 1e+06 2\n"
                       "v 123457 -0.000123457 1e+06\n"
                       "f 1 2 3 \nf 1 3 4 \n"})
    # Vertices and a bare f: the face records end at once, all counts are
    # printed (0 edges, 0 faces), and an empty mesh is always refused.
    make_case("smf-empty-mesh-refused", "-N 0 in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(3, 0, 0) + refused,
              1, inputs={"in.smf": "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf\n"})
    square_run("smf-timed-run", "1", True, 1, 60)
    square_run("smf-count-with-trailing-letters", "1abc", False, 1, 60)
    square_run("smf-overwrites-existing-output", "1", False, 1, 60,
               setup="printf 'old contents\\nmore old contents\\n' > out.smf\n")
    # The output cannot be opened (a directory has its name): the run reports
    # the write failure, ends with the refusal end line and status 1, and
    # leaves no file behind.
    square_run("smf-output-cannot-be-opened", "1", True, 1, 60,
               out_written=False, setup="mkdir out.smf\n")

    # ---- OFF reader failures ----------------------------------------------
    def off_fail(name, text, status, header=""):
        make_case(name, "-N 1 in.off out.off",
                  BANNER + input_line("in.off") + header
                  + read_failure("in.off", status) + EXIT_LINE, 1,
                  inputs={"in.off": text})

    sq_v = off_vertices(SQUARE_V)
    off_fail("off-empty-file", "", 2)
    off_fail("off-vertex-with-letter",
             "OFF\n4 2 0\n0 0 0\n1 x 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n", 4,
             off_header(4, 2))
    off_fail("off-vertices-cut-short", "OFF\n4 2 0\n0 0 0\n1 0 0\n1 1\n", 4,
             off_header(4, 2))
    off_fail("off-face-with-letter",
             "OFF\n4 2 0\n" + sq_v + "3 0 1 2\n3 0 a 3\n", 5,
             off_header(4, 2))
    off_fail("off-face-with-slashes",
             "OFF\n4 2 0\n" + sq_v + "3 0/0 1/1 2/2\n3 0 2 3\n", 5,
             off_header(4, 2))
    off_fail("off-face-corner-too-large",
             "OFF\n4 2 0\n" + sq_v + "3 0 1 2\n3 0 2 4\n", 5,
             off_header(4, 2))
    off_fail("off-face-corner-negative",
             "OFF\n4 2 0\n" + sq_v + "3 0 1 2\n3 0 -1 3\n", 5,
             off_header(4, 2))

    # ---- OFF reader, accepted forms -----------------------------------------
    square_run("off-square", "1", False, 1, 60, in_name="in.off",
               out_name="out.off", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("off-timed-run", "1", True, 1, 60, in_name="in.off",
               out_name="out.off", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    # The file ends inside the face records: the totals and the
    # end-of-reading line are printed.
    square_run("off-no-final-line-end", "1", False, 1, 60, in_name="in.off",
               out_name="out.off", in_text=SQUARE_OFF.rstrip("\n"),
               out_text=SQUARE_OFF_OUT, off=True,
               reader_lines=off_header(4, 2) + off_totals(5, 2, "in.off"))
    # Three faces announced, two present: the header line shows 3, the
    # totals show what was built, and the written counts line reads 4 2 0.
    square_run("off-fewer-faces-than-announced", "1", False, 1, 60,
               in_name="in.off", out_name="out.off",
               in_text="OFF\n4 3 0\n" + sq_v + "3 0 1 2\n3 0 2 3\n",
               out_text=SQUARE_OFF_OUT, off=True,
               reader_lines=off_header(4, 3) + off_totals(5, 2, "in.off"))
    square_run("off-last-face-cut-short", "1", False, 1, 60,
               in_name="in.off", out_name="out.off",
               in_text="OFF\n4 3 0\n" + sq_v + "3 0 1 2\n3 0 2 3\n3 1 2\n",
               out_text=SQUARE_OFF_OUT, off=True,
               reader_lines=off_header(4, 3) + off_totals(5, 2, "in.off"))
    # Any keyword; records spread over lines in any way. Whatever follows
    # the last announced face is not read.
    square_run("off-other-keyword-and-layout", "1", False, 1, 60,
               in_name="in.off", out_name="out.off",
               in_text="MESH 4\n2\n\n7 0 0 0 1 0\n0 1 1 0 0 1 0 3 0 1 2 3 0 "
               "2\n3\nthis is not read\n",
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("off-everything-on-one-line", "1", False, 1, 60,
               in_name="in.off", out_name="out.off",
               in_text="OFF 4 2 0 0 0 0 1 0 0 1 1 0 0 1 0 3 0 1 2 3 0 2 3\n",
               out_text=SQUARE_OFF_OUT, off=True)
    # An unused vertex: not written and not counted in the counts line
    # (4 2 0), yet counted among the simplified vertices (5 - 0).
    square_run("off-unused-vertex", "1", False, 1, 60, in_name="in.off",
               out_name="out.off",
               in_text="OFF\n5 2 0\n9 9 9\n" + sq_v + "3 1 2 3\n3 1 3 4\n",
               out_text=SQUARE_OFF_OUT, off=True,
               reader_lines=off_header(5, 2), vertices=5)
    make_case("off-empty-mesh-refused", "-N 0 in.off out.off",
              BANNER + input_line("in.off") + off_header(0, 0) + refused, 1,
              inputs={"in.off": "OFF\n0 0 0\n"})
    square_run("off-output-cannot-be-opened", "1", False, 1, 60,
               in_name="in.off", out_name="out.off", in_text=SQUARE_OFF,
               off=True, out_written=False, setup="mkdir out.off\n")
    square_run("off-output-cannot-be-opened-timed", "1", True, 1, 60,
               in_name="in.off", out_name="out.off", in_text=SQUARE_OFF,
               off=True, out_written=False, setup="mkdir out.off\n")

    # ---- format chosen by the input name ------------------------------------
    square_run("name-input-Off", "1", False, 1, 60, in_name="in.Off",
               out_name="out.Off", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("name-input-OFF-output-txt", "1", False, 1, 60,
               in_name="in.OFF", out_name="out.txt", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("name-input-oFf", "1", False, 1, 60, in_name="in.oFf",
               out_name="result", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("name-input-off-without-dot", "1", False, 1, 60,
               in_name="squareoff", out_name="out.smf", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("name-input-smf-output-off", "1", False, 1, 60,
               in_name="in.smf", out_name="out.off")
    square_run("name-input-off-output-smf", "1", False, 1, 60,
               in_name="in.off", out_name="out.smf", in_text=SQUARE_OFF,
               out_text=SQUARE_OFF_OUT, off=True)
    square_run("name-input-txt-read-as-smf", "1", False, 1, 60,
               in_name="in.txt", out_name="out.txt")
    # OFF text under names that do not end in off is read as SMF: no line
    # starts with v, so the header problem is reported.
    make_case("name-short-input-read-as-smf", "-N 1 of out",
              BANNER + input_line("of") + read_failure("of", 3) + EXIT_LINE,
              1, inputs={"of": SQUARE_OFF})
    make_case("name-input-off-smf-read-as-smf", "-N 1 in.off.smf out.off",
              BANNER + input_line("in.off.smf")
              + read_failure("in.off.smf", 3) + EXIT_LINE, 1,
              inputs={"in.off.smf": SQUARE_OFF})

    # ---- strips: threshold schedule and the oriented mesh -------------------
    # 1000 faces: ratio 80 -> 100; 79.9 -> 80; 20 -> 20; 19.9 -> 10.
    strip_run("strip-smf-1000-target-800-timed", "800", True, 100, 800, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-800", "800", False, 100, 800, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-799-timed", "799", True, 80, 799, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-200-timed", "200", True, 20, 200, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-199-timed", "199", True, 10, 199, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-0-timed", "0", True, 10, 0, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-target-abc", "abc", False, 10, 0, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf")
    strip_run("strip-smf-1000-wound-target-500", "500", False, 60, 500, 1000,
              "wound", "smf", "strip1000_wound.smf")
    strip_run("strip-off-1000-target-800-timed", "800", True, 100, 800, 1000,
              "rotated", "off", "strip1000_rotated.off")
    strip_run("strip-off-1000-target-0", "0", False, 10, 0, 1000,
              "rotated", "off", "strip1000_rotated.off")
    # A ratio keeps the floor of its share of the faces: 0.8 of 1000 is 800
    # (threshold 100), 0.7999 is 799.9, so 799 (threshold 80, more passes).
    strip_run("strip-smf-1000-ratio-0.8", None, False, 100, 800, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf", how_far="--ratio 0.8")
    strip_run("strip-smf-1000-ratio-0.7999-timed", None, True, 80, 799, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf",
              how_far="--ratio 0.7999")
    # Levels: -N 500 (threshold 60) then -N 100. The strip cannot lose a
    # face, so the first level misses its target: it is written as out-1.smf
    # with the missed-target line, and the run ends there with status 0,
    # writing no second level.
    strip_run("strip-smf-1000-levels-missed", "500", False, 60, 500, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf", more_levels="-N 100")
    # An angle bound of 5 degrees, no count: the target is 0 (threshold 10,
    # already past the bound, which then holds the tolerance); the first
    # pass stalls, and the next step (8: 28.96 degrees) is beyond the bound,
    # so the run stops after one pass.
    strip_run("strip-smf-1000-max-angle-5-timed", None, True, 10, 0, 1000,
              "zigzag", "smf", "strip1000_zigzag.smf",
              how_far="--max-angle 5", passes=1)
    # The octahedron: a closed mesh whose every edge lies on a crease.
    # Collapsing an edge, say +x +y, to its midpoint (0.5, 0.5, 0) turns each
    # of the four faces around its ends that survive, such as (-y, +x, +z),
    # from normal (1, -1, 1) to (1.5, -0.5, 0.5): cosine 2.5 / (sqrt(3) *
    # sqrt(2.75)) = 0.8704, 29.49 degrees. So every candidate fails up to
    # threshold 8 (28.96 degrees) and passes at 6 (33.56 degrees).
    octahedron_v = [(1, 0, 0), (-1, 0, 0), (0, 1, 0), (0, -1, 0), (0, 0, 1),
                    (0, 0, -1)]
    octahedron_f = [(1, 3, 5), (3, 2, 5), (2, 4, 5), (4, 1, 5), (3, 1, 6),
                    (2, 3, 6), (4, 2, 6), (1, 4, 6)]
    octahedron_in = "#SMF\n" + smf_vertices(octahedron_v) + "".join(
        "f %d %d %d\n" % f for f in octahedron_f)
    # Written as the orientation leaves the faces: each face F handled from
    # the item (tail a, head b) is written b a f. The seed (face 1 3 5,
    # entered along its first edge 1-3 from 3 to 1) queues 3 1 6 across 1-3,
    # 4 1 5 across 5-1 (tail 5, head 1) and 3 2 5 across 3-5 (tail 3, head
    # 5); 3 1 6 queues 2 3 6 (tail 6, head 3) and 1 4 6 (tail 1, head 6); 4 1
    # 5 queues 2 4 5 (tail 5, head 4); 2 3 6 queues 4 2 6 (tail 6, head 2).
    octahedron_written = [(1, 3, 5), (5, 3, 2), (4, 5, 2), (1, 5, 4),
                          (3, 1, 6), (3, 6, 2), (2, 6, 4), (6, 1, 4)]
    octahedron_out = "#SMF\n" + smf_vertices(octahedron_v) + "".join(
        "f %d %d %d \n" % f for f in octahedron_written)
    # --max-angle 25 with -N 6 (75 %: threshold 80): the passes at 80, 70,
    # 60, 50, 40, 30, 20, 18, 16, 14 and 12 (23.56 degrees) stall; the next
    # step, 10, tolerates 25.84 degrees, beyond the bound, so the run stops
    # there, on the creases, short of the count.
    make_case("octahedron-max-angle-25-timed",
              "--max-angle 25 -N 6 -D in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(6, 12, 8) + LOADING +
              ORIENTING + SIMPLIFICATION * 11 + simplified(6, 12, 8) +
              missed(8) + UNMOVED_REPORT + WRITING + END_LINE, 0,
              inputs={"in.smf": octahedron_in},
              outputs={"out.smf": octahedron_out})
    # --max-error 0, no count (target 0: threshold 10): the angle lets the
    # collapses through from threshold 6 on, but each would move the
    # surface, so none happens; the schedule runs 10, 8, 6, 4, 2, 0 and
    # stops at the stall at 0.
    make_case("octahedron-max-error-0-timed", "-D --max-error 0 in.smf out.smf",
              BANNER + input_line("in.smf") + smf_counts(6, 12, 8) + LOADING +
              ORIENTING + SIMPLIFICATION * 6 + simplified(6, 12, 8) +
              missed(8) + UNMOVED_REPORT + WRITING + END_LINE, 0,
              inputs={"in.smf": octahedron_in},
              outputs={"out.smf": octahedron_out})
    # 10 faces: 6 -> 60 -> 80; 5 -> 50 -> 60; 4 -> 40; 3 -> 30; 0 and abc -> 10.
    strip_run("strip-smf-10-target-6-timed", "6", True, 80, 6, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-smf-10-target-5-timed", "5", True, 60, 5, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-smf-10-target-4-timed", "4", True, 40, 4, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-smf-10-target-3-timed", "3", True, 30, 3, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-smf-10-target-0-timed", "0", True, 10, 0, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-smf-10-target-abc-timed", "abc", True, 10, 0, 10,
              "zigzag", "smf", "strip10_zigzag.smf")
    strip_run("strip-off-10-target-3-timed", "3", True, 30, 3, 10,
              "rotated", "off", "strip10_rotated.off")
    strip_run("strip-off-10-target-9", "9", False, 100, 9, 10,
              "rotated", "off", "strip10_rotated.off", in_name="in.OFF",
              out_name="out.txt")

    print("%d cases written" % len(written_cases))


if __name__ == "__main__":
    main()
