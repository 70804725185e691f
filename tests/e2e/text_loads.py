#!/usr/bin/env python3
"""Runs zeq on the real meshes loaded from text, from a file and from a pipe
on standard input, and checks each run against the agreed result of the same
mesh and target (tests/e2e/cases/shared-*).

usage: text_loads.py ZEQ_BINARY

For every agreed result on a real mesh:
  - the mesh as it is (SMF or OFF) piped into zeq: /dev/stdin for SMF, a link
    stdin.EXT -> /dev/stdin for OFF (the format follows the name). Standard
    output (the name line aside), exit status and output file are compared
    with the agreed ones byte for byte. The same runs from a file are the
    e2e.shared-* cases.
  - the same records as text PLY with double coordinates and as OBJ (written
    by ../formats/check_equivalence.py's writers, whose coordinates read back
    as exactly the doubles of the SMF or OFF text), from a file and piped
    through stdin.ply or stdin.obj. The output is decoded, printed in the SMF
    writer's layout and compared with the agreed output; the console lines
    after the load's counts must be the agreed ones, the counts themselves
    must be those of the mesh.
  - for two meshes, the records as text STL, from a file and piped. STL welds
    equal corners, which renumbers the vertices, so no agreed result applies;
    the run must end cleanly and the pipe must give the same bytes and
    messages as the file.
Every text format is parsed on zeq's second thread (io/record_pipe.h). Under
the ThreadSanitizer preset a report ends zeq with a non-zero status and text
on standard error, and either fails the run; every run must also leave
standard error empty.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
MESHES = os.path.join(HERE, "meshes")
CASES = os.path.join(HERE, "cases")
sys.path.insert(0, os.path.join(TESTS, "formats"))
sys.dont_write_bytecode = True

import check_equivalence as ce  # noqa: E402  (the format writers and decoders)

# The meshes also run as text STL.
STL_MESHES = ("bunny.smf", "elephant_with_holes.off")


class Failures:
    def __init__(self):
        self.failed = []
        self.checks = 0

    def check(self, ok, what):
        self.checks += 1
        if not ok:
            self.failed.append(what)
            print("FAIL: " + what)
        return ok


def masked(text):
    return re.sub(r"(time = )[0-9.]+", r"\1X", text)


def split_stdout(text):
    """(the name line, the load's count lines, every other line) of a run's
    standard output, times masked. The counts are the lines between the name
    line and the next empty line; the OFF writer's announcement is dropped
    from the rest, since the output format follows the input's."""
    lines = masked(text).splitlines(True)
    name, counts, rest = None, [], []
    k = 0
    while k < len(lines):
        line = lines[k]
        if line.startswith("Original mesh: ") and name is None:
            name = line
            k += 1
            while k < len(lines) and lines[k].strip():
                counts.append(lines[k])
                k += 1
            continue
        if not line.startswith("Ficheiro -> "):
            rest.append(line)
        k += 1
    return name, counts, "".join(rest)


def counts_of(count_lines):
    """(vertices, faces) of the load's count lines, SMF or OFF style."""
    text = "".join(count_lines)
    v = re.search(r"^ (\d+) <Vertices>$|^ #Vertices = (\d+)$", text, re.M)
    f = re.search(r"^ (\d+) <Faces>$|^ #Faces = (\d+)$", text, re.M)
    if not v or not f:
        return None
    return int(v.group(1) or v.group(2)), int(f.group(1) or f.group(2))


class Run:
    def __init__(self, zeq, work, failures):
        self.zeq = zeq
        self.work = work
        self.failures = failures

    def __call__(self, label, args, files, piped=None, link=None,
                 out_name=None):
        """Runs zeq with `args` in a fresh directory holding `files`
        ({name: bytes}); `piped` bytes go to its standard input through a
        pipe, `link` is made a link to /dev/stdin. Returns (status, stdout,
        output bytes or None); a non-empty standard error fails the run."""
        d = tempfile.mkdtemp(dir=self.work)
        try:
            for name, data in files.items():
                with open(os.path.join(d, name), "wb") as f:
                    f.write(data)
            if link:
                os.symlink("/dev/stdin", os.path.join(d, link))
            if piped is None:
                p = subprocess.run([self.zeq] + args, cwd=d,
                                   stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, timeout=300)
            else:
                p = subprocess.run([self.zeq] + args, cwd=d, input=piped,
                                   stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, timeout=300)
            err = p.stderr.decode("latin-1")
            self.failures.check(err == "", "%s: standard error is not empty "
                                "(status %d):\n%s" % (label, p.returncode,
                                                      err[:20000]))
            out = None
            path = os.path.join(d, out_name or args[-1])
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    out = f.read()
            return p.returncode, p.stdout.decode("latin-1"), out
        finally:
            shutil.rmtree(d, ignore_errors=True)


def agreed_cases():
    """(case name, args, mesh source, input name, output bytes, stdout,
    status) of every agreed result on a real mesh."""
    found = []
    for case in sorted(os.listdir(CASES)):
        if not case.startswith("shared-"):
            continue
        d = os.path.join(CASES, case)
        with open(os.path.join(d, "args")) as f:
            args = f.read().split()
        with open(os.path.join(d, "mesh")) as f:
            names = dict(line.split() for line in f if line.strip())
        in_name, out_name = args[-2], args[-1]
        with open(os.path.join(d, "out", out_name), "rb") as f:
            out = f.read()
        with open(os.path.join(d, "stdout")) as f:
            stdout = f.read()
        with open(os.path.join(d, "status")) as f:
            status = int(f.read().strip())
        found.append((case, args, names[in_name], in_name, out, stdout,
                      status))
    return found


def check_case(run, failures, case):
    name, args, source, in_name, out, stdout, status = case
    off = in_name.lower().endswith("off")
    options, out_name = args[:-2], args[-1]
    with open(os.path.join(MESHES, source), "rb") as f:
        original = f.read()
    vertices, faces = ce.load_mesh(os.path.join(MESHES, source))
    base = os.path.splitext(source)[0]
    want_name, want_counts, want_rest = split_stdout(stdout)
    want_mesh = ce.off_as_smf(out) if off else out

    # The mesh as it is, through a pipe.
    if off:
        pipe_name = "stdin." + in_name.rsplit(".", 1)[1]
        link = pipe_name
    else:
        pipe_name, link = "/dev/stdin", None
    label = "%s: %s piped as %s" % (name, in_name, pipe_name)
    got_status, got_stdout, got_out = run(
        label, options + [pipe_name, out_name], {}, piped=original, link=link)
    want = stdout.replace("Original mesh: <%s> " % in_name,
                          "Original mesh: <%s> " % pipe_name)
    failures.check(got_status == status, "%s: exit status %d, agreed %d"
                   % (label, got_status, status))
    failures.check(masked(got_stdout) == want,
                   "%s: standard output differs from the agreed one:\n%s"
                   % (label, masked(got_stdout)))
    failures.check(got_out == out, "%s: output differs from the agreed one"
                   % label)

    # The same records as text PLY and OBJ, from a file and through a pipe;
    # PLY and OBJ weld equal positions unless told not to, and the agreed
    # result is for the records as they stand.
    if ce.has_repeated_positions(vertices):
        options = ["--no-weld"] + options
    forms = (("ply", ce.plain_ply("ascii", "double", vertices, faces)),
             ("obj", ce.obj_text(base, vertices, [tuple(f) for f in faces])))
    for kind, data in forms:
        for piped in (False, True):
            file_name = "stdin." + kind if piped else base + "." + kind
            label = "%s: %s as text %s%s" % (name, source, kind.upper(),
                                             " piped" if piped else "")
            # The exporter-style OBJ carries texture coordinates, normals,
            # colours and materials, and its corners alternate between
            # naming them and not: nearly every vertex is a seam. The agreed
            # result is for the positions alone.
            carry = ["--no-attributes"] if kind == "obj" else []
            got_status, got_stdout, got_out = run(
                label, carry + options + [file_name, "out." + kind],
                {} if piped else {file_name: data},
                piped=data if piped else None,
                link=file_name if piped else None)
            failures.check(got_status == status, "%s: exit status %d, agreed "
                           "%d" % (label, got_status, status))
            got_name, got_counts, got_rest = split_stdout(got_stdout)
            failures.check(got_name == "Original mesh: <%s> \n" % file_name,
                           "%s: name line %r" % (label, got_name))
            failures.check(counts_of(got_counts) == counts_of(want_counts)
                           and counts_of(got_counts) is not None,
                           "%s: load counts %r, agreed %r"
                           % (label, got_counts, want_counts))
            if not off:
                # PLY and OBJ print the SMF reader's three lines.
                failures.check(got_counts == want_counts,
                               "%s: load lines %r, agreed %r"
                               % (label, got_counts, want_counts))
            failures.check(got_rest == want_rest,
                           "%s: standard output after the load differs from "
                           "the agreed one:\n%s\n--- agreed:\n%s"
                           % (label, got_rest, want_rest))
            if not failures.check(got_out is not None,
                                  "%s: no output file" % label):
                continue
            try:
                if kind == "ply":
                    fmt, coord, v, f, _ = ce.read_ply(got_out)
                    failures.check((fmt, coord) == ("ascii", "double"),
                                   "%s: output is %s with %s coordinates"
                                   % (label, fmt, coord))
                else:
                    v, f, _ = ce.read_obj(got_out)
            except ce.Bad as e:
                failures.check(False, "%s: output cannot be decoded: %s"
                               % (label, e))
                continue
            failures.check(ce.smf_layout(v, f) == want_mesh,
                           "%s: output differs from the agreed result"
                           % label)
    check_carried(run, failures, name, source, options, vertices, faces,
                  status, want_rest, want_mesh)


def attributed_ply(vertices, faces):
    """Text PLY of the records with values that show how collapses blend
    them: quality, intensity and confidence (double) equal x, y and z, so a
    merged vertex's averages equal its midpoint exactly; a constant colour
    and normal, which blends to itself; a label (int) per vertex, which a
    merge takes from the kept end; a flag per face."""
    return ce.ply_bytes("ascii", [
        ("vertex", [("x", "double"), ("y", "double"), ("z", "double"),
                    ("quality", "double"), ("red", "uchar"), ("nx", "float"),
                    ("ny", "float"), ("nz", "float"), ("intensity", "double"),
                    ("confidence", "double"), ("label", "int")],
         [(x, y, z, x, 200, 0.0, 0.0, 1.0, y, z, i)
          for i, (x, y, z) in enumerate(vertices)]),
        ("face", [("vertex_indices", "list", "uchar", "int"), ("flags", "uchar")],
         [(list(f), k % 4) for k, f in enumerate(faces)]),
    ])


def check_carried(run, failures, name, source, options, vertices, faces,
                  status, want_rest, want_mesh):
    """The records as text PLY with per-vertex values and no seam: the
    values never change the geometry, so the run gives the agreed result,
    and each written vertex carries the values its merges give."""
    label = "%s: %s as attributed PLY" % (name, source)
    got_status, got_stdout, got_out = run(
        label, options + ["in.ply", "out.ply"],
        {"in.ply": attributed_ply(vertices, faces)})
    failures.check(got_status == status, "%s: exit status %d" % (label, got_status))
    failures.check(split_stdout(got_stdout)[2] == want_rest,
                   "%s: standard output after the load differs from the agreed one" % label)
    if not failures.check(got_out is not None, "%s: no output file" % label):
        return
    try:
        _, _, elements = ce.read_ply_any(got_out)
    except ce.Bad as e:
        failures.check(False, "%s: output cannot be decoded: %s" % (label, e))
        return
    vertex, face = elements
    v = list(zip(vertex.column("x"), vertex.column("y"), vertex.column("z")))
    f = [tuple(c) for c in face.column("vertex_indices")]
    failures.check(ce.smf_layout(v, f) == want_mesh,
                   "%s: positions or triangles differ from the agreed result" % label)
    # The averages of x, y, z are the midpoints, to the bit.
    texts = [[t[i] for i in (0, 1, 2)] == [t[i] for i in (3, 8, 9)] for t in vertex.texts]
    failures.check(all(texts), "%s: %d vertices whose quality, intensity and "
                   "confidence are not x, y and z" % (label, texts.count(False)))
    failures.check(set(vertex.column("red")) == {200} and
                   set(zip(vertex.column("nx"), vertex.column("ny"), vertex.column("nz"))) == {(0, 0, 1)},
                   "%s: a constant colour or normal changed" % label)
    labels = vertex.column("label")
    failures.check(len(set(labels)) == len(labels) and
                   all(0 <= k < len(vertices) for k in labels),
                   "%s: labels are not distinct input vertices" % label)
    # Faces are written in list order, so their flags are those of the input
    # faces that survive, in order.
    flags, at = face.column("flags"), 0
    for flag in flags:
        while at < len(faces) and at % 4 != flag:
            at += 1
        at += 1
    failures.check(at <= len(faces), "%s: face flags are not the input's in order" % label)


def check_stl(run, failures, source, target):
    """Text STL from a file and through a pipe: a clean run, and the same
    bytes and messages both ways."""
    vertices, faces = ce.load_mesh(os.path.join(MESHES, source))
    base = os.path.splitext(source)[0]
    data = ce.stl_text(base, vertices, faces)
    results = []
    for piped in (False, True):
        file_name = "stdin.stl" if piped else base + ".stl"
        label = "%s as text STL%s -N %d" % (source, " piped" if piped else "",
                                            target)
        got_status, got_stdout, got_out = run(
            label, ["-N", str(target), "-D", file_name, "out.stl"],
            {} if piped else {file_name: data},
            piped=data if piped else None, link=file_name if piped else None)
        failures.check(got_status == 0, "%s: exit status %d" % (label,
                                                                got_status))
        got_name, got_counts, got_rest = split_stdout(got_stdout)
        failures.check(got_name == "Original mesh: <%s> \n" % file_name,
                       "%s: name line %r" % (label, got_name))
        counts = counts_of(got_counts)
        failures.check(counts is not None and counts[1] == len(faces),
                       "%s: load counts %r for %d facets"
                       % (label, got_counts, len(faces)))
        if failures.check(got_out is not None, "%s: no output file" % label):
            try:
                facets = ce.read_stl(got_out, False)[0]
                simplified = re.search(r"^ (\d+) <Faces>$",
                                       got_rest, re.M)
                failures.check(simplified is not None and
                               int(simplified.group(1)) == len(facets),
                               "%s: %d facets written, printed %r"
                               % (label, len(facets), got_rest))
            except ce.Bad as e:
                failures.check(False, "%s: output cannot be decoded: %s"
                               % (label, e))
        results.append((got_counts, got_rest, got_out))
    failures.check(results[0] == results[1], "%s as text STL: the pipe and the "
                   "file give different results" % source)


def main():
    if len(sys.argv) != 2:
        print(__doc__.split("\n\n")[1])
        return 2
    zeq = os.path.abspath(sys.argv[1])
    failures = Failures()
    work = tempfile.mkdtemp(prefix="zeq-text-loads-")
    try:
        run = Run(zeq, work, failures)
        cases = agreed_cases()
        failures.check(len(cases) >= 8, "only %d agreed results found"
                       % len(cases))
        for case in cases:
            check_case(run, failures, case)
        for source in STL_MESHES:
            _, faces = ce.load_mesh(os.path.join(MESHES, source))
            check_stl(run, failures, source, len(faces) // 10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d checks, %d failed" % (failures.checks, len(failures.failed)))
    return 1 if failures.failed else 0


if __name__ == "__main__":
    sys.exit(main())
