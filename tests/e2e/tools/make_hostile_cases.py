#!/usr/bin/env python3
"""Writes the hostile-input end-to-end cases of zeq: tests/e2e/cases/hostile-*.

These cases feed the program files and command lines that no well-behaved
user would give it: directories and devices as input, binary bytes, NUL
bytes, carriage returns, numbers with hundreds of digits or out of range,
corner numbers outside the vertex list, faces that name a vertex twice, the
same triangle twice, an edge with three faces, headers that lie about their
counts, and outputs that cannot be written or that are the input itself.

Nothing here runs zeq. Every expected standard output is put together from
the program's fixed message texts (taken from make_cases.py), and every
expected output mesh is worked out by hand in the comments below: the load
(edge creation and reuse), the orientation walk with its queue, the edge
order it leaves, and the writers' corner rule. Every mesh that reaches the
writer has all its vertices on a boundary or on edges that cannot be
collapsed, so no collapse ever happens and the written mesh is the mesh
after the orientation pass.

Run it from anywhere: python3 tests/e2e/tools/make_hostile_cases.py
It rewrites the hostile-* case directories and touches nothing else.

Behaviour that the reading and writing rules leave open, as this program
settles it (the cases below rely on it):
- An input that is a directory or cannot be opened: status 1, " File not
  found!".
- An output that cannot be written (missing directory, a directory, a file
  with no write permission bit, any write error): after the simplified counts
  (and the missed-target line), instead of the OFF writer's announcement and
  of the writing time and end lines, "Writing <OUT>: Cannot write the
  file!" and the refusal end line, status 1; no file is created and an
  existing one is left as it was. The output goes through a temporary file
  renamed into place, so the output may be the input itself; the input is
  replaced only by a run that succeeds.
- A carriage return right before a line end is dropped before the
  89-character check of SMF header lines; anywhere else it is white space.
- Corner numbers outside the vertices read: status 5.
- An OFF keyword of more than 99 characters, or a keyword or header count
  that cannot be read: status 3, and the "#Vertices" lines are not printed.
- Numbers are extracted as C++ streams extract them: "nan" and "inf" are not
  numbers, 1e999 overflows and fails, 1e-999 underflows to 0 and is
  accepted, a number with hundreds of digits is read and rounded, an int
  beyond the int range fails.
- A -N count beyond the int range saturates.
- Non-manifold faces are loaded as they come; a candidate whose collapse
  would leave faces on retired edges is passed over.
"""

import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True

import make_cases as mc  # noqa: E402  (message texts and small meshes)

CASES = mc.CASES
PREFIX = "hostile-"

BANNER = mc.BANNER
SHORT_USAGE = mc.SHORT_USAGE
EXIT_LINE = mc.EXIT_LINE
END_LINE = mc.END_LINE
LOADING = mc.LOADING
ORIENTING = mc.ORIENTING
WRITING = mc.WRITING
REFUSED = SHORT_USAGE + EXIT_LINE

input_line = mc.input_line
read_failure = mc.read_failure
smf_counts = mc.smf_counts
off_header = mc.off_header
off_totals = mc.off_totals
created = mc.created
stalled_run = mc.stalled_run
g = mc.g
smf_vertices = mc.smf_vertices
off_vertices = mc.off_vertices

SQUARE_V = mc.SQUARE_V
SQUARE_SMF = mc.SQUARE_SMF
SQUARE_SMF_OUT = mc.SQUARE_SMF_OUT
SQUARE_OFF = mc.SQUARE_OFF
SQUARE_OFF_OUT = mc.SQUARE_OFF_OUT
SQUARE_SMF_COUNTS = smf_counts(4, 5, 2)
SQUARE_OFF_HEADER = off_header(4, 2)


def cannot_write(name):
    return "Writing <%s>: Cannot write the file!\n" % name + EXIT_LINE


# --------------------------------------------------------------------------
# Writing cases. Inputs and outputs may be text (written byte for byte as
# Latin-1, so "\x00" and "\xff" are single bytes) or bytes.

written = []


def as_bytes(data):
    if isinstance(data, bytes):
        return data
    return data.encode("latin-1")


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(as_bytes(data))


def make_case(name, args, stdout, status, inputs=None, outputs=None,
              setup=None):
    assert name.startswith(PREFIX), name
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
    if setup:
        write_file(os.path.join(d, "setup"), setup)
    written.append(name)


def full_run(name, count, in_name, out_name, in_text, reader_lines,
             counts, threshold, out_text, timed=False, off=None,
             out_written=True, setup=None, out_files=None):
    """A run that loads, orients and simplifies a mesh on which no collapse
    can happen, then writes it (or fails to write it).

    counts = (vertices, edges, faces) as loaded; the driver prints them
    unchanged. threshold: the starting thresholdPercent for count/faces.
    out_files: the files expected afterwards, if not just {out_name:
    out_text}."""
    if off is None:
        off = in_name[-3:].lower() == "off"
    target = int(count)
    args = "-N %s %s%s %s" % (count, "-D " if timed else "", in_name,
                              out_name)
    stdout = BANNER + input_line(in_name) + reader_lines
    if timed:
        stdout += LOADING + ORIENTING
    stdout += stalled_run(threshold, timed, counts[0], counts[1], counts[2],
                          target)
    status = 0
    if not out_written:
        stdout += cannot_write(out_name)
        status = 1
    else:
        if off:
            stdout += created(out_name)
        if timed:
            stdout += WRITING + END_LINE
    if out_files is None:
        out_files = {out_name: out_text} if out_written else {}
    make_case(name, args, stdout, status, inputs={in_name: in_text},
              outputs=out_files, setup=setup)


def read_fail(name, in_name, text, status, before=""):
    """A run that ends in the reader: before holds what the reader printed
    before failing (the SMF vertex count, the OFF header lines)."""
    make_case(name, "-N 1 %s out.%s" % (in_name, in_name[-3:]),
              BANNER + input_line(in_name) + before
              + read_failure(in_name, status) + EXIT_LINE, 1,
              inputs={in_name: text} if text is not None else None)


def refused_after_load(name, args, in_name, text, reader_lines,
                       timed=False, setup=None):
    stdout = BANNER + input_line(in_name) + reader_lines
    if timed:
        stdout += LOADING + ORIENTING
    make_case(name, args, stdout + REFUSED, 1, inputs={in_name: text},
              setup=setup)


# --------------------------------------------------------------------------
# Hand-worked meshes.
#
# Notation: v0, v1, ... are the vertices in file order (SMF number minus 1,
# OFF number as written); e0, e1, ... the edges in creation order written
# (end1,end2); A, B, C the faces in file order with their edge lists.
# Orientation items are written (face, tail a, head b, entry edge K).
# The writers' corner rule, with e0', e1' the first two edges of a face:
# S = e1'.end1 if that is an end of e0', else e1'.end2, and R the other end
# of e1'; the corners are (e0'.end2, e0'.end1, R) when S is e0'.end1, else
# (e0'.end1, e0'.end2, R).
#
# ONE TRIANGLE, "f 1 2 3" / "3 0 1 2":
#   Load: e0 = (v0,v1), e1 = (v1,v2), e2 = (v2,v0); A = [e0,e1,e2].
#   Orientation: seed (A, a=v1, b=v0, K=e0); E = A's other edge at v1 = e1,
#   f = v2; T = e2; unlink e1, e2 and link them again: A = [e0,e1,e2]. The
#   walk over e0, e2, e1 finds no other face on any edge; queue empty, no
#   other face to seed. Every edge has one face: no candidate ever.
#   Writer: e0 = (v0,v1), e1 = (v1,v2): S = v1 = e0.end2, R = v2 ->
#   v0 v1 v2, as read.
TRI_V = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]
TRI_SMF = "#SMF\n" + smf_vertices(TRI_V) + "f 1 2 3\n"
TRI_SMF_OUT = "#SMF\n" + smf_vertices(TRI_V) + "f 1 2 3 \n"
TRI_OFF = "OFF\n3 1 0\n" + off_vertices(TRI_V) + "3 0 1 2\n"
TRI_OFF_OUT = "OFF\n3 1 0\n" + off_vertices(TRI_V) + "3  0 1 2\n"

# SQUARE WITH ITS SECOND FACE WOUND THE OTHER WAY, "f 1 2 3", "f 1 4 3"
# ("3 0 1 2", "3 0 3 2"):
#   Load: A = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)]. B: P=v0, Q=v3, R=v2;
#   v0's edges [e0,e2]: none reaches v3, e2 reaches v2 (PR = e2); v3 has no
#   edges. New e3 = (v0,v3), e4 = (v3,v2); B = [e3,e4,e2]; e2.faces = [A,B].
#   Orientation: seed (A, v1, v0, e0): E = e1, T = e2; A stays [e0,e1,e2],
#   and e2.faces becomes [B,A] (A unlinked and linked again). Walk: e0 has
#   no other face; next edge at v0 is e2, whose other face B is queued as
#   (B, tail v2, head v0, K=e2); e1 has no other face; back at v1, end.
#   B: a = v2, b = v0; E = B's other edge at v2 = e4 = (v3,v2), f = v3
#   (e4.end1 is not a); T = e3; unlink e4, e3, link e4, e3: B = [e2,e4,e3].
#   Its walk finds only A (oriented). Queue empty, nothing left to seed.
#   Writer: B: e2 = (v2,v0), e4 = (v3,v2): e4.end1 = v3 is not on e2, so
#   S = e4.end2 = v2 = e2.end1, R = v3 -> v0 v2 v3.
#   Every vertex has a boundary edge: no candidate ever.
FLIPPED_SMF = "#SMF\n" + smf_vertices(SQUARE_V) + "f 1 2 3\nf 1 4 3\n"
FLIPPED_OFF = "OFF\n4 2 0\n" + off_vertices(SQUARE_V) + "3 0 1 2\n3 0 3 2\n"
# Written: SQUARE_SMF_OUT and SQUARE_OFF_OUT ("f 1 3 4", "3  0 2 3").

# TWO TRIANGLES SHARING ONLY A VERTEX (a bow tie), "f 1 2 3", "f 1 4 5":
#   Load: A = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)]. B: P=v0, Q=v3, R=v4;
#   v0's edges [e0,e2] reach neither v3 nor v4, v3 has none. New
#   e3 = (v0,v3), e4 = (v3,v4), e5 = (v4,v0); B = [e3,e4,e5].
#   5 vertices, 6 edges, 2 faces.
#   Orientation: A as for one triangle; no neighbour. Queue empty: the next
#   seed is B, entered along its first edge e3 from end1 to end2:
#   (B, a=v0, b=v3, K=e3). E = B's other edge at v0 = e5 = (v4,v0), f = v4;
#   T = e4; unlink e5, e4, link e5, e4: B = [e3,e5,e4]. No neighbours.
#   Writer: A -> v0 v1 v2. B: e3 = (v0,v3), e5 = (v4,v0): e5.end1 = v4 is
#   not on e3, S = e5.end2 = v0 = e3.end1, R = v4 -> v3 v0 v4: the second
#   component comes out with the reverse of its winding in the file.
#   Every edge has one face: no candidate ever.
BOWTIE_V = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (-1, 0, 0), (-1, -1, 0)]
BOWTIE_SMF = "#SMF\n" + smf_vertices(BOWTIE_V) + "f 1 2 3\nf 1 4 5\n"
BOWTIE_SMF_OUT = "#SMF\n" + smf_vertices(BOWTIE_V) + "f 1 2 3 \nf 4 1 5 \n"

# A FACE THAT NAMES ONE VERTEX TWICE, next to an ordinary triangle:
# "f 1 2 3", "f 4 4 1".
#   Load: A = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)].
#   B: P = v3, Q = v3, R = v0. Step 1 scans v3's edges (none): no PQ, no PR.
#   Step 2 scans Q = v3's edges (none): no QR. All lookups are done before
#   anything is created, so B creates three edges:
#     PQ: e3 = (v3,v3); linked into v3 (appended), then into v3 again
#         (already there, nothing happens): v3 = [e3].
#     QR: e4 = (v3,v0); v3 = [e3,e4], v0 = [e0,e2,e4].
#     RP: e5 = (v0,v3); v0 = [e0,e2,e4,e5], v3 = [e3,e4,e5].
#   B = [e3,e4,e5]; each of e3, e4, e5 has the one face B. Two distinct
#   edges join v0 and v3. 4 vertices, 6 edges, 2 faces.
#   Orientation: A as for one triangle (e0, e1, e2 have only A: nothing
#   queued). Next seed: B along e3 from end1 to end2: (B, a=v3, b=v3, K=e3).
#   E = first edge of B at v3 other than e3 = e4; e4.end1 is a, so f =
#   e4.end2 = v0. The normal is 0/0 (a and b coincide): not a number,
#   stored and never used. T = e5; unlink e4, e5, link e4, e5: B stays
#   [e3,e4,e5]. Walk: P = e3, A = v3, R = v3: e3 has no other face; the
#   next edge is found (e4), and since R is already a the walk ends.
#   Nothing left to seed.
#   Simplification: every edge has exactly one face: no candidate ever.
#   Writer: all four vertices have edges. A -> v0 v1 v2. B: e3 = (v3,v3),
#   e4 = (v3,v0): e4.end1 = v3 = e3.end1, so S = v3, R = e4.end2 = v0; S is
#   e3.end1 -> corners (e3.end2, e3.end1, R) = v3 v3 v0: "f 4 4 1".
TWICE_V = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (2, 2, 2)]
TWICE_SMF = "#SMF\n" + smf_vertices(TWICE_V) + "f 1 2 3\nf 4 4 1\n"
TWICE_SMF_OUT = "#SMF\n" + smf_vertices(TWICE_V) + "f 1 2 3 \nf 4 4 1 \n"

# A FACE THAT NAMES ONE VERTEX TWICE, alone: "3 0 0 1" (OFF, two vertices).
#   Load: P = Q = v0, R = v1; no edges anywhere yet. e0 = (v0,v0) (linked
#   into v0 once), e1 = (v0,v1), e2 = (v1,v0); A = [e0,e1,e2].
#   2 vertices, 3 edges, 1 face.
#   Orientation: seed (A, a=v0, b=v0, K=e0) (end2 then end1 of e0, both v0);
#   E = e1 (A's first edge at v0 other than e0), e1.end1 is a so f = v1;
#   normal 0/0; T = e2; A stays [e0,e1,e2]; the walk ends after e0 (R = a).
#   Writer: e0 = (v0,v0), e1 = (v0,v1): e1.end1 = v0 = e0.end1, S = v0,
#   R = v1; S is e0.end1 -> (e0.end2, e0.end1, R) = v0 v0 v1: "3  0 0 1".
TWICE_ALONE_V = [(0, 0, 0), (1, 0, 0)]
TWICE_ALONE_OFF = "OFF\n2 1 0\n" + off_vertices(TWICE_ALONE_V) + "3 0 0 1\n"
TWICE_ALONE_OFF_OUT = ("OFF\n2 1 0\n" + off_vertices(TWICE_ALONE_V)
                       + "3  0 0 1\n")

# A FACE THAT NAMES ONE VERTEX THREE TIMES: "f 1 1 1" / "3 0 0 0", one vertex.
#   Load: P = Q = R = v0, no edges yet, so all three lookups fail and three
#   edges are created, each with both ends v0: e0, e1, e2 (each linked into
#   v0 once); v0 = [e0,e1,e2]; A = [e0,e1,e2]. 1 vertex, 3 edges, 1 face.
#   Orientation: seed (A, a=v0, b=v0, K=e0); E = e1, f = e1.end2 = v0;
#   normal 0/0; T = e2; A stays [e0,e1,e2]; the walk ends after e0.
#   Writer: e0 = (v0,v0), e1 = (v0,v0): e1.end1 = v0 = e0.end1, S = v0,
#   R = e1.end2 = v0 -> v0 v0 v0: "f 1 1 1" / "3  0 0 0".
THRICE_V = [(1, 2, 3)]
THRICE_SMF = "#SMF\n" + smf_vertices(THRICE_V) + "f 1 1 1\n"
THRICE_SMF_OUT = "#SMF\n" + smf_vertices(THRICE_V) + "f 1 1 1 \n"
THRICE_OFF = "OFF\n1 1 0\n" + off_vertices(THRICE_V) + "3 0 0 0\n"
THRICE_OFF_OUT = "OFF\n1 1 0\n" + off_vertices(THRICE_V) + "3  0 0 0\n"

# THE SAME TRIANGLE TWICE: "f 1 2 3", "f 1 2 3".
#   Load: A = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)]; v0 = [e0,e2],
#   v1 = [e0,e1], v2 = [e1,e2]. B: P=v0, Q=v1, R=v2; v0's edges: e0 reaches
#   v1 (PQ = e0), e2 reaches v2 (PR = e2); v1's edges: e1 reaches v2
#   (QR = e1). B = [e0,e1,e2]; every edge's faces = [A,B].
#   3 vertices, 3 edges, 2 faces.
#   Orientation:
#     seed (A, a=v1, b=v0, K=e0); E = e1, f = v2; T = e2; unlink e1, e2,
#     link e1, e2: A = [e0,e1,e2], e1.faces = [B,A], e2.faces = [B,A].
#     Walk: e0 (from v1 to v0): other faces [B]: queue (B, tail v0,
#     head v1, K=e0). Next edge at v0: e2 (to v2): other faces [B], already
#     queued. Next at v2: e1 (to v1): [B], queued. R = v1 = a: end.
#     B: (B, a=v0, b=v1, K=e0); E = B's first edge at v0 other than e0 =
#     e2 = (v2,v0), f = v2 (e2.end1 is not a); T = e1; unlink e2, e1, link
#     e2, e1: B = [e0,e2,e1]. Its walk meets only A (oriented). Done.
#   Simplification: every edge has the two faces A and B and no edge has a
#   single face, so every edge passes the boundary filter. But both faces
#   have the same three edges: for any edge, the edge F1 retires at V1 is
#   also the one F2 retires (D1 = D2), and the face across it from F1 is F2
#   itself. Such a collapse would leave faces on retired edges, so every
#   candidate is passed over: no collapse ever, and every pass stalls.
#   Writer: A: e0 = (v0,v1), e1 = (v1,v2): S = v1 = e0.end2, R = v2 ->
#   v0 v1 v2. B: e0 = (v0,v1), e2 = (v2,v0): e2.end1 = v2 is not on e0, so
#   S = e2.end2 = v0 = e0.end1, R = v2 -> v1 v0 v2: "f 2 1 3".
SAME_V = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]
SAME_SMF = "#SMF\n" + smf_vertices(SAME_V) + "f 1 2 3\nf 1 2 3\n"
SAME_SMF_OUT = "#SMF\n" + smf_vertices(SAME_V) + "f 1 2 3 \nf 2 1 3 \n"
SAME_OFF = "OFF\n3 2 0\n" + off_vertices(SAME_V) + "3 0 1 2\n3 0 1 2\n"
SAME_OFF_OUT = "OFF\n3 2 0\n" + off_vertices(SAME_V) + "3  0 1 2\n3  1 0 2\n"

# AN EDGE WITH THREE FACES: "f 1 2 3", "f 2 1 4", "f 1 2 5" (three fins on
# the edge v0-v1).
#   Load:
#     A = [e0=(v0,v1), e1=(v1,v2), e2=(v2,v0)]; v0 = [e0,e2], v1 = [e0,e1].
#     B: P=v1, Q=v0, R=v3; v1's edges: e0 reaches v0 (PQ = e0), none v3;
#        v0's edges reach no v3. New e3 = (v0,v3), e4 = (v3,v1);
#        B = [e0,e3,e4]; v0 = [e0,e2,e3], v1 = [e0,e1,e4].
#     C: P=v0, Q=v1, R=v4; v0's edges: e0 reaches v1 (PQ = e0); nothing
#        reaches v4. New e5 = (v1,v4), e6 = (v4,v0); C = [e0,e5,e6].
#     e0.faces = [A,B,C]. 5 vertices, 7 edges, 3 faces.
#   Orientation:
#     seed (A, a=v1, b=v0, K=e0); E = e1, f = v2, T = e2: A = [e0,e1,e2].
#     Walk over e0: other faces [B,C], neither oriented nor queued: queue
#     (B, tail v0, head v1, K=e0), then (C, tail v0, head v1, K=e0). e2 and
#     e1 have no other face.
#     B: (B, a=v0, b=v1, K=e0); E = B's first edge at v0 other than e0 =
#     e3 = (v0,v3), f = v3; T = e4; unlink e3, e4, link e3, e4:
#     B = [e0,e3,e4]. Walk over e0: A oriented, C already queued.
#     C: (C, a=v0, b=v1, K=e0); E = C's first edge at v0 other than e0 =
#     e6 = (v4,v0), f = v4; T = e5; unlink e6, e5, link e6, e5:
#     C = [e0,e6,e5]. Walk: A and B oriented.
#   Simplification: e0 has three faces, every other edge one: no candidate.
#   Writer:
#     A: e0, e1 = (v1,v2): S = v1 = e0.end2 -> v0 v1 v2 ("f 1 2 3").
#     B: e0, e3 = (v0,v3): e3.end1 = v0 = e0.end1, R = v3 -> v1 v0 v3
#        ("f 2 1 4").
#     C: e0, e6 = (v4,v0): e6.end1 = v4 is not on e0, S = e6.end2 = v0 =
#        e0.end1, R = v4 -> v1 v0 v4 ("f 2 1 5"): C entered across e0 in
#        the same direction as B, so its winding is reversed.
FINS_V = [(0, 0, 0), (1, 0, 0), (0.5, 1, 0), (0.5, -1, 0), (0.5, 0, 1)]
FINS_SMF = ("#SMF\n" + smf_vertices(FINS_V)
            + "f 1 2 3\nf 2 1 4\nf 1 2 5\n")
FINS_SMF_OUT = ("#SMF\n" + smf_vertices(FINS_V)
                + "f 1 2 3 \nf 2 1 4 \nf 2 1 5 \n")
FINS_OFF = ("OFF\n5 3 0\n" + off_vertices(FINS_V)
            + "3 0 1 2\n3 1 0 3\n3 0 1 4\n")
FINS_OFF_OUT = ("OFF\n5 3 0\n" + off_vertices(FINS_V)
                + "3  0 1 2\n3  1 0 3\n3  1 0 4\n")


def main():
    os.makedirs(CASES, exist_ok=True)
    for entry in os.listdir(CASES):
        # hostile-ply-*, hostile-stl-* and hostile-obj-* belong to
        # make_format_cases.py.
        if entry.startswith(PREFIX) and not entry.startswith(
                ("hostile-ply-", "hostile-stl-", "hostile-obj-")):
            shutil.rmtree(os.path.join(CASES, entry))

    sq_smf_v = smf_vertices(SQUARE_V)
    sq_off_v = off_vertices(SQUARE_V)

    # ---- inputs that are not mesh files ----------------------------------
    make_case("hostile-input-is-directory", "-N 1 in.smf out.smf",
              BANNER + input_line("in.smf") + read_failure("in.smf", 1)
              + EXIT_LINE, 1, setup="mkdir in.smf\n")
    make_case("hostile-input-is-directory-off", "-N 1 -D in.off out.off",
              BANNER + input_line("in.off") + read_failure("in.off", 1)
              + EXIT_LINE, 1,
              setup="mkdir in.off\nprintf 'OFF\\n0 0 0\\n' > in.off/x\n")
    # A device that holds no characters: read as SMF (the name does not end
    # in off), empty.
    make_case("hostile-input-dev-null", "-N 1 /dev/null out.smf",
              BANNER + input_line("/dev/null")
              + read_failure("/dev/null", 2) + EXIT_LINE, 1)

    # ---- binary bytes ----------------------------------------------------
    ascending = bytes(range(256))
    descending = bytes(range(255, -1, -1))
    # SMF, 0x00..0xff: the first line is 0x00..0x09 (10 characters, does not
    # start with v); the second runs from 0x0b to 0xff, 245 characters: too
    # long for a header line.
    read_fail("hostile-binary-bytes-ascending-smf", "in.smf", ascending, 3)
    # SMF, 0xff..0x00: the first line, 0xff down to 0x0b, is 245 characters.
    read_fail("hostile-binary-bytes-descending-smf", "in.smf", descending, 3)
    # OFF, 0x00..0xff: the keyword is 0x00..0x08 (0x09 is white space); the
    # vertex count then starts at 0x0e after the white space 0x09..0x0d,
    # which is no number: the header counts cannot be read.
    read_fail("hostile-binary-bytes-ascending-off", "in.off", ascending, 3)
    # OFF, 0xff..0x00: the keyword runs from 0xff down to 0x21 (0x20 is a
    # blank): 223 characters, longer than 99.
    read_fail("hostile-binary-bytes-descending-off", "in.off", descending, 3)

    # ---- NUL bytes ---------------------------------------------------------
    # Inside a vertex record: "v 1\0 0 0": x = 1, then y starts at the NUL,
    # which is neither white space nor part of a number.
    read_fail("hostile-smf-nul-in-vertex", "in.smf",
              "#SMF\nv 0 0 0\nv 1\x00 0 0\nv 1 1 0\nv 0 1 0\n"
              "f 1 2 3\nf 1 3 4\n", 4)
    read_fail("hostile-off-nul-in-vertex", "in.off",
              "OFF\n4 2 0\n0 0 0\n1 0\x00 0\n1 1 0\n0 1 0\n"
              "3 0 1 2\n3 0 2 3\n", 4, off_header(4, 2))
    # A NUL as the letter of a vertex record: any non-blank character other
    # than f starts a vertex record, so "\0 1 0 0" is the vertex (1, 0, 0),
    # and a NUL in a header line is just one of its characters. The square
    # loads as usual.
    full_run("hostile-smf-nul-as-record-letter", "1", "in.smf", "out.smf",
             "#SM\x00F\nv 0 0 0\n\x00 1 0 0\nv 1 1 0\n\x00 0 1 0\n"
             "f 1 2 3\nf 1 3 4\n",
             SQUARE_SMF_COUNTS, (4, 5, 2), 60, SQUARE_SMF_OUT)
    # A header line of 95 characters with a NUL as its fifth: the line is
    # still 95 characters long.
    read_fail("hostile-smf-long-header-line-with-nul", "in.smf",
              "#SMF\x00" + "z" * 90 + "\n" + sq_smf_v + "f 1 2 3\nf 1 3 4\n",
              3)

    # ---- carriage returns ------------------------------------------------
    header89 = "#" + "y" * 88
    vline89 = "v 0 0" + " " * 83 + "0"
    assert len(header89) == 89 and len(vline89) == 89
    crlf_body = ("v 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nf 1 2 3\r\nf 1 3 4\r\n")
    # The carriage return before each line end is dropped before the length
    # check: the header line and the first v line are 89 characters. The
    # file ends with white space after the last face, so the counts print.
    full_run("hostile-smf-crlf-89-character-lines", "1", "in.smf", "out.smf",
             header89 + "\r\n" + vline89 + "\r\n" + crlf_body,
             SQUARE_SMF_COUNTS, (4, 5, 2), 60, SQUARE_SMF_OUT)
    # 90 characters before the carriage return: too long.
    read_fail("hostile-smf-crlf-90-character-header", "in.smf",
              header89 + "y\r\n" + "v 0 0 0\r\n" + crlf_body, 3)
    # Carriage returns alone as line ends: the whole file is one line that
    # does not start with v, and no line follows it.
    read_fail("hostile-smf-cr-only-line-ends", "in.smf",
              SQUARE_SMF.replace("\n", "\r"), 3)
    full_run("hostile-off-crlf", "1", "in.off", "out.off",
             SQUARE_OFF.replace("\n", "\r\n"), SQUARE_OFF_HEADER, (4, 5, 2),
             60, SQUARE_OFF_OUT)
    full_run("hostile-off-cr-only-line-ends", "1", "in.off", "out.off",
             SQUARE_OFF.replace("\n", "\r"), SQUARE_OFF_HEADER, (4, 5, 2),
             60, SQUARE_OFF_OUT)
    # Form feeds, vertical tabs, tabs and carriage returns between items.
    # The file ends in white space after the second face, so no totals.
    full_run("hostile-off-odd-white-space", "1", "in.off", "out.off",
             "OFF\f4\v2\t0\r\n0\t0 0\f1 0 0\v1 1 0\r0 1 0\n3 0 1 2\n"
             "3\v0\t2\f3\v\f",
             SQUARE_OFF_HEADER, (4, 5, 2), 60, SQUARE_OFF_OUT)
    # A byte-order mark glued to the keyword: the keyword is read and
    # ignored.
    full_run("hostile-off-byte-order-mark", "1", "in.off", "out.off",
             "\xef\xbb\xbf" + SQUARE_OFF, SQUARE_OFF_HEADER, (4, 5, 2), 60,
             SQUARE_OFF_OUT)

    # ---- numbers -----------------------------------------------------------
    # Every coordinate of the square written with hundreds of digits or with
    # exponents far out of range, all of which round to the exact values:
    #   400 digits "000...001" = 1; "0." + 400 zeros = 0; 1e-999 underflows
    #   to 0; "1." + 400 zeros = 1; "1" + 300 zeros + "e-300" = 1;
    #   0e999 = 0; "0." + 400 nines rounds to 1 (it is within 1e-400 of 1,
    #   much nearer than to the double below 1).
    # Corner numbers with leading zeros (a 301-digit 1) are ints in range.
    ones = "0" * 399 + "1"
    zero400 = "0." + "0" * 400
    one400 = "1." + "0" * 400
    nines = "0." + "9" * 400
    assert len(ones) == 400
    many_smf = ("#SMF\nv 0 0 0\n"
                "v %s %s 1e-999\n" % (ones, zero400)
                + "v %s %s 0e999\n" % (one400, "1" + "0" * 300 + "e-300")
                + "v %s %s 0\n" % (zero400, nines)
                + "f %s 2 3\nf 1 3 %s\n" % ("0" * 300 + "1", "0" * 300 + "4"))
    full_run("hostile-smf-numbers-with-many-digits", "1", "in.smf",
             "out.smf", many_smf, SQUARE_SMF_COUNTS, (4, 5, 2), 60,
             SQUARE_SMF_OUT)
    many_off = ("OFF\n%s %s 0\n" % ("0" * 200 + "4", "0" * 200 + "2")
                + "0 0 0\n"
                + "%s %s 1e-999\n" % (ones, zero400)
                + "%s %s 0e999\n" % (one400, "1" + "0" * 300 + "e-300")
                + "%s %s 0\n" % (zero400, nines)
                + "%s 0 1 2\n3 0 2 %s\n" % ("0" * 300 + "3", "0" * 300 + "3"))
    full_run("hostile-off-numbers-with-many-digits", "1", "in.off",
             "out.off", many_off, SQUARE_OFF_HEADER, (4, 5, 2), 60,
             SQUARE_OFF_OUT)
    # Coordinates at the limits of a double: the largest finite value, the
    # smallest normal one and the smallest subnormal one (an underflow that
    # is accepted) are read; written with six digits. The normals computed
    # from them overflow; nothing uses them since no edge is a candidate.
    limits_v = ["0 0 0",
                "1.7976931348623157e308 0 0",
                "1.7976931348623157e308 -1.7976931348623157e308 "
                "2.2250738585072014e-308",
                "4.9406564584124654e-324 1 0"]
    limits_out = ["0 0 0",
                  "1.79769e+308 0 0",
                  "1.79769e+308 -1.79769e+308 2.22507e-308",
                  "4.94066e-324 1 0"]
    full_run("hostile-off-coordinates-at-double-limits", "1", "in.off",
             "out.off",
             "OFF\n4 2 0\n" + "\n".join(limits_v) + "\n3 0 1 2\n3 0 2 3\n",
             SQUARE_OFF_HEADER, (4, 5, 2), 60,
             "OFF\n4 2 0\n" + "\n".join(limits_out) + "\n3  0 1 2\n3  0 2 3\n")
    read_fail("hostile-smf-coordinate-1e999", "in.smf",
              "#SMF\nv 0 0 0\nv 1e999 0 0\nv 1 1 0\nf 1 2 3\n", 4)
    read_fail("hostile-off-coordinate-1e999", "in.off",
              "OFF\n3 1 0\n0 0 0\n1 0 0\n0 -1e999 0\n3 0 1 2\n", 4,
              off_header(3, 1))
    read_fail("hostile-smf-coordinate-nan", "in.smf",
              "#SMF\nv 0 0 0\nv 1 nan 0\nv 1 1 0\nf 1 2 3\n", 4)
    read_fail("hostile-smf-coordinate-inf", "in.smf",
              "#SMF\nv 0 0 0\nv 1 0 0\nv 1 1 inf\nf 1 2 3\n", 4)
    read_fail("hostile-off-coordinate-nan", "in.off",
              "OFF\n3 1 0\nnan 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", 4,
              off_header(3, 1))
    read_fail("hostile-off-coordinate-minus-inf", "in.off",
              "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 -inf\n3 0 1 2\n", 4,
              off_header(3, 1))

    # ---- corner numbers out of range --------------------------------------
    tri_smf_v = smf_vertices(TRI_V)
    tri_off_v = off_vertices(TRI_V)
    read_fail("hostile-smf-corner-int-min", "in.smf",
              "#SMF\n" + tri_smf_v + "f 1 2 -2147483648\n", 5, smf_counts(3))
    read_fail("hostile-smf-corner-int-max", "in.smf",
              "#SMF\n" + tri_smf_v + "f 2147483647 1 2\n", 5, smf_counts(3))
    # Beyond the int range: the number cannot be read as an int.
    read_fail("hostile-smf-corner-beyond-int-range", "in.smf",
              "#SMF\n" + tri_smf_v + "f 1 2 99999999999\n", 5, smf_counts(3))
    read_fail("hostile-smf-corner-zero-after-good-face", "in.smf",
              "#SMF\n" + sq_smf_v + "f 1 2 3\nf 1 3 0\n", 5, smf_counts(4))
    read_fail("hostile-off-corner-equal-to-vertex-count", "in.off",
              "OFF\n3 1 0\n" + tri_off_v + "3 0 1 3\n", 5, off_header(3, 1))
    read_fail("hostile-off-corner-int-min", "in.off",
              "OFF\n3 1 0\n" + tri_off_v + "3 -2147483648 1 2\n", 5,
              off_header(3, 1))
    read_fail("hostile-off-corner-beyond-int-range", "in.off",
              "OFF\n3 1 0\n" + tri_off_v + "3 0 1 99999999999\n", 5,
              off_header(3, 1))
    read_fail("hostile-off-corner-count-beyond-int-range", "in.off",
              "OFF\n3 1 0\n" + tri_off_v + "99999999999 0 1 2\n", 5,
              off_header(3, 1))
    # No vertices at all, one face: every corner is out of range.
    read_fail("hostile-off-face-without-vertices", "in.off",
              "OFF\n0 1 0\n3 0 1 2\n", 5, off_header(0, 1))

    # ---- degenerate and non-manifold faces --------------------------------
    # Counts 4 6 2, -N 1: ratio 50 -> threshold 60; nothing collapses.
    full_run("hostile-smf-face-names-vertex-twice", "1", "in.smf", "out.smf",
             TWICE_SMF, smf_counts(4, 6, 2), (4, 6, 2), 60, TWICE_SMF_OUT)
    # Counts 2 3 1, -N 0: ratio 0 -> threshold 10.
    full_run("hostile-off-face-names-vertex-twice-alone", "0", "in.off",
             "out.off", TWICE_ALONE_OFF, off_header(2, 1), (2, 3, 1), 10,
             TWICE_ALONE_OFF_OUT)
    full_run("hostile-smf-face-names-vertex-three-times", "0", "in.smf",
             "out.smf", THRICE_SMF, smf_counts(1, 3, 1), (1, 3, 1), 10,
             THRICE_SMF_OUT, timed=True)
    full_run("hostile-off-face-names-vertex-three-times", "0", "in.off",
             "out.off", THRICE_OFF, off_header(1, 1), (1, 3, 1), 10,
             THRICE_OFF_OUT)
    # Counts 3 3 2, -N 1: ratio 50 -> 60; -N 0 -> 10.
    full_run("hostile-smf-same-triangle-twice", "1", "in.smf", "out.smf",
             SAME_SMF, smf_counts(3, 3, 2), (3, 3, 2), 60, SAME_SMF_OUT)
    full_run("hostile-off-same-triangle-twice", "0", "in.off", "out.off",
             SAME_OFF, off_header(3, 2), (3, 3, 2), 10, SAME_OFF_OUT,
             timed=True)
    # Counts 5 7 3, -N 2: ratio 66.7 -> threshold 80.
    full_run("hostile-smf-edge-with-three-faces", "2", "in.smf", "out.smf",
             FINS_SMF, smf_counts(5, 7, 3), (5, 7, 3), 80, FINS_SMF_OUT)
    # -N 1: ratio 33.3 -> threshold 30.
    full_run("hostile-off-edge-with-three-faces", "1", "in.off", "out.off",
             FINS_OFF, off_header(5, 3), (5, 7, 3), 30, FINS_OFF_OUT,
             timed=True)

    # ---- tiny meshes ---------------------------------------------------------
    full_run("hostile-smf-one-triangle", "0", "in.smf", "out.smf", TRI_SMF,
             smf_counts(3, 3, 1), (3, 3, 1), 10, TRI_SMF_OUT, timed=True)
    full_run("hostile-off-one-triangle", "0", "in.off", "out.off", TRI_OFF,
             off_header(3, 1), (3, 3, 1), 10, TRI_OFF_OUT)
    full_run("hostile-smf-two-triangles", "0", "in.smf", "out.smf",
             SQUARE_SMF, SQUARE_SMF_COUNTS, (4, 5, 2), 10, SQUARE_SMF_OUT)
    full_run("hostile-smf-two-triangles-sharing-one-vertex", "1", "in.smf",
             "out.smf", BOWTIE_SMF, smf_counts(5, 6, 2), (5, 6, 2), 60,
             BOWTIE_SMF_OUT, timed=True)
    # Vertices, no faces: nothing to orient; F = 0 is never above the count.
    refused_after_load("hostile-off-no-faces", "-N 0 -D in.off out.off",
                       "in.off", "OFF\n3 0 0\n" + tri_off_v,
                       off_header(3, 0), timed=True)
    # Negative counts: no records of either kind; the vertex lines that
    # follow are never read. An empty mesh is refused.
    refused_after_load("hostile-off-negative-header-counts",
                       "-N 0 in.off out.off", "in.off",
                       "OFF\n-4 -2 0\n" + sq_off_v + "3 0 1 2\n",
                       off_header(-4, -2))
    # A lone v: a vertex record with nothing after its letter.
    read_fail("hostile-smf-lone-v", "in.smf", "v", 4)

    # ---- OFF headers that do not match the file --------------------------
    # Five vertices announced, three present: the fourth record takes
    # "3 0 1" from the face line, the fifth finds only "2".
    read_fail("hostile-off-more-vertices-than-present", "in.off",
              "OFF\n5 1 0\n" + tri_off_v + "3 0 1 2\n", 4, off_header(5, 1))
    read_fail("hostile-off-2000000000-vertices-announced", "in.off",
              "OFF\n2000000000 1 0\n0 0 0\n", 4, off_header(2000000000, 1))
    # 2000000000 faces announced, one present: the file ends inside the face
    # records, so the totals print; the written counts line holds 1 face.
    full_run("hostile-off-2000000000-faces-announced", "0", "in.off",
             "out.off", "OFF\n3 2000000000 0\n" + tri_off_v + "3 0 1 2\n",
             off_header(3, 2000000000) + off_totals(3, 1, "in.off"),
             (3, 3, 1), 10, TRI_OFF_OUT)
    # One face announced, two present: the second is never read, quietly.
    # v3 belongs to no face: not written, but counted among the simplified
    # vertices (4 - 0 collapses).
    full_run("hostile-off-fewer-faces-announced-than-present", "0", "in.off",
             "out.off", "OFF\n4 1 0\n" + sq_off_v + "3 0 1 2\n3 0 2 3\n",
             off_header(4, 1), (4, 3, 1), 10,
             "OFF\n3 1 0\n" + off_vertices(SQUARE_V[:3]) + "3  0 1 2\n")
    keyword99 = "K" * 99
    full_run("hostile-off-keyword-99-characters", "1", "in.off", "out.off",
             keyword99 + SQUARE_OFF[3:], SQUARE_OFF_HEADER, (4, 5, 2), 60,
             SQUARE_OFF_OUT)
    read_fail("hostile-off-keyword-100-characters", "in.off",
              keyword99 + "K" + SQUARE_OFF[3:], 3)
    read_fail("hostile-off-keyword-only", "in.off", "OFF\n", 3)
    read_fail("hostile-off-white-space-only", "in.off", " \n\t\n", 3)
    read_fail("hostile-off-vertex-count-is-a-word", "in.off",
              "OFF\nfour 2 0\n" + sq_off_v + "3 0 1 2\n3 0 2 3\n", 3)
    read_fail("hostile-off-face-count-beyond-int-range", "in.off",
              "OFF\n4 99999999999 0\n" + sq_off_v + "3 0 1 2\n3 0 2 3\n", 3)
    read_fail("hostile-off-edge-count-is-a-word", "in.off",
              "OFF\n4 2 many\n" + sq_off_v + "3 0 1 2\n3 0 2 3\n", 3)

    # ---- counts on the command line -----------------------------------------
    # Beyond the int range the count saturates: far above the 2 faces.
    for name, count in (("hostile-count-99999999999", "99999999999"),
                        ("hostile-count-4294967296", "4294967296"),
                        ("hostile-count-minus-99999999999", "-99999999999")):
        refused_after_load(name, "-N %s in.smf out.smf" % count, "in.smf",
                           SQUARE_SMF, SQUARE_SMF_COUNTS)

    # ---- outputs that cannot be written ------------------------------------
    full_run("hostile-output-in-missing-directory", "1", "in.smf",
             "nodir/out.smf", SQUARE_SMF, SQUARE_SMF_COUNTS, (4, 5, 2), 60,
             None, out_written=False)
    full_run("hostile-output-onto-directory-off", "1", "in.off", "out.off",
             SQUARE_OFF, SQUARE_OFF_HEADER, (4, 5, 2), 60, None, timed=True,
             out_written=False,
             setup="mkdir out.off\nprintf 'keep\\n' > out.off/keep\n")
    full_run("hostile-output-onto-read-only-file", "1", "in.smf", "out.smf",
             SQUARE_SMF, SQUARE_SMF_COUNTS, (4, 5, 2), 60, None,
             out_written=False,
             setup="printf 'old contents\\n' > out.smf\nchmod 444 out.smf\n")
    full_run("hostile-output-onto-read-only-file-off", "1", "in.off",
             "out.off", SQUARE_OFF, SQUARE_OFF_HEADER, (4, 5, 2), 60, None,
             out_written=False,
             setup="printf 'old contents\\n' > out.off\nchmod 444 out.off\n")

    # ---- output name equal to the input name --------------------------------
    # Success: the input (second face wound the other way) is replaced by the
    # rewound square.
    full_run("hostile-output-is-input", "1", "in.smf", "in.smf",
             FLIPPED_SMF, SQUARE_SMF_COUNTS, (4, 5, 2), 60, SQUARE_SMF_OUT)
    full_run("hostile-output-is-input-off", "1", "in.off", "in.off",
             FLIPPED_OFF, SQUARE_OFF_HEADER, (4, 5, 2), 60, SQUARE_OFF_OUT,
             timed=True)
    # Refused (2 is not below the 2 faces): the input stays as it was.
    refused_after_load("hostile-output-is-input-refused",
                       "-N 2 in.smf in.smf", "in.smf", FLIPPED_SMF,
                       SQUARE_SMF_COUNTS)
    # The input is read-only: it is read, but it cannot be replaced.
    full_run("hostile-output-is-read-only-input", "1", "in.smf", "in.smf",
             FLIPPED_SMF, SQUARE_SMF_COUNTS, (4, 5, 2), 60, None,
             out_written=False, setup="chmod 444 in.smf\n")

    print("%d cases written" % len(written))


if __name__ == "__main__":
    main()
