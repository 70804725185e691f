#!/usr/bin/env python3
"""Checks that programs written elsewhere read the colours, normals, texture
coordinates and materials zeq carries into PLY and OBJ outputs.

usage: check_attribute_readers.py ZEQ_BINARY

The readers (python3-meshio, python3-open3d, assimp-utils) are installed with
apt-get when missing and this runs as root; otherwise the test fails. Each
input (the coloured bunny as binary and text PLY and as OBJ, the textured
cylinder, realworld/'s files) is simplified to 50 % and 10 % of its faces,
and its outputs must show what the input holds: the PLY header (read here)
has zeq's face count, at least its vertex count (held seam vertices are
written once per distinct set of values) and the input's properties; meshio
and open3d read those counts, colours within the input's range per channel,
unit normals (or within the input's lengths where those were not unit) and
face colours (meshio cell data); assimp reads zeq's face count, the input's
material count, and colours, normals and texture coordinates in every mesh,
within range. meshio 5.0 misreads binary face properties, texcoord lists and
face lists not named "vertex_indices": such files are left to the others.
The --no-attributes runs are checked against an input holding nothing.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
MAIN = os.path.dirname(os.path.dirname(HERE))
REAL = os.path.join(HERE, "realworld")
PYTHON = "/usr/bin/python3"
IMPORTS = "import numpy, meshio, open3d"
COLOURS = ("red", "green", "blue", "alpha")
TOL = 1e-5
# name in the work directory, where it comes from, whether meshio can read it.
CASES = [("bunny-bin.ply", "coloured", True),
         ("bunny-ascii.ply", "coloured --ascii", True),
         ("fuze.ply", "ply_vcg_fuze_bin.ply", False),          # texcoord list
         ("fixed-top.ply", "ply_trimesh_fixed_top_bin.ply", False),  # binary face colours
         ("fixed-top-ascii.ply", "fixed-top.ply", True),       # converted here
         ("mustang-split.ply", "assimp_mustang_split.ply", False),  # "vertex_index"
         ("cylinder.obj", "textured-cylinder", None),
         ("bunny.obj", "bunny-bin.ply", None),                 # converted here
         ("mustang.obj", "obj_3dsmax_mustang.obj", None),
         ("rabbit.obj", "obj_wings3d_rabbit.obj", None),
         ("cube.obj", "obj_vertexcolour_cube.obj", None),
         ("quadknot.obj", "obj_meshlab_quadknot.obj", None)]
CODES = {"char": "b", "int8": "b", "uchar": "B", "uint8": "B", "short": "h",
         "int16": "h", "ushort": "H", "uint16": "H", "int": "i", "int32": "i",
         "uint": "I", "uint32": "I", "float": "f", "float32": "f",
         "double": "d", "float64": "d"}


def ensure_readers():
    """Installs the readers when missing, then runs this file again under the
    interpreter that has them (Debian's packages are for /usr/bin/python3)."""
    def have():
        return shutil.which("assimp") and subprocess.run(
            [PYTHON, "-c", IMPORTS], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0
    if not have():
        if os.geteuid() != 0 or not shutil.which("apt-get"):
            sys.exit("FAIL: meshio, open3d and assimp are needed (Debian: "
                     "python3-meshio python3-open3d assimp-utils) and cannot "
                     "be installed here (not root or no apt-get)")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        for cmd in (["apt-get", "update", "-qq"],
                    ["apt-get", "install", "-y", "-qq", "--no-install-recommends",
                     "python3-meshio", "python3-open3d", "assimp-utils"]):
            p = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            if p.returncode != 0:
                sys.exit("FAIL: %s exited with %d:\n%s" % (
                    " ".join(cmd), p.returncode, p.stdout.decode()[-2000:]))
        if not have():
            sys.exit("FAIL: meshio, open3d or assimp still missing after installing them")
    if os.path.realpath(sys.executable) != os.path.realpath(PYTHON):
        os.execv(PYTHON, [PYTHON] + sys.argv)


def read_ply(path):
    """This file's own PLY reading: {element: (count, [(name, type, list count
    type or None)], {name: values})}, any of the three formats."""
    with open(path, "rb") as f:
        data = f.read()
    start = data.index(b"\n", data.index(b"end_header")) + 1
    fmt, elements = None, []
    for w in (line.split() for line in data[:start].decode("latin-1").splitlines()):
        if w[:1] == ["format"]:
            fmt = w[1]
        elif w[:1] == ["element"]:
            elements.append((w[1], int(w[2]), []))
        elif w[:1] == ["property"]:
            elements[-1][2].append((w[-1], w[-2], w[2] if w[1] == "list" else None))
    body, pos = data[start:], [0]
    if fmt == "ascii":
        tokens = iter(body.split())
        get = lambda t: float(next(tokens))  # noqa: E731
    else:
        order = "<" if fmt == "binary_little_endian" else ">"

        def get(t):
            (v,) = struct.unpack_from(order + CODES[t], body, pos[0])
            pos[0] += struct.calcsize(CODES[t])
            return v
    out = {}
    for name, count, props in elements:
        cols = {p[0]: [] for p in props}
        for _ in range(count):
            for pname, ptype, ctype in props:
                cols[pname].append([get(ptype) for _ in range(int(get(ctype)))]
                                   if ctype else get(ptype))
        out[name] = (count, props, cols)
    return out


def span(values):
    return (min(values), max(values)) if len(values) else None


def norm_bounds(n):
    """Allowed normal lengths: unit where the input's were unit; otherwise
    averaged normals are unit and kept ones have the input's lengths."""
    lengths = np.linalg.norm(np.asarray(n, float), axis=1)
    if np.abs(lengths - 1).max() <= TOL:
        return (1 - TOL, 1 + TOL)
    return (min(lengths.min(), 1) - TOL, max(lengths.max(), 1) + TOL)


def ply_expect(path):
    p = read_ply(path)
    _, vprops, v = p["vertex"]
    _, fprops, f = p["face"]
    scale = {n: 255.0 if t in ("uchar", "uint8") else 1.0 for n, t, _ in vprops + fprops}
    uv = [(a, b) for a, b in zip(v.get("s", v.get("u", [])), v.get("t", v.get("v", [])))]
    uv += [(t[i], t[i + 1]) for t in f.get("texcoord", []) for i in range(0, len(t), 2)]
    return {"vcolour": {c: tuple(x / scale[c] for x in span(v[c])) for c in COLOURS if c in v},
            "fcolour": {c: span(f[c]) for c in COLOURS if c in f},
            "normal": norm_bounds(list(zip(v["nx"], v["ny"], v["nz"]))) if "nx" in v else None,
            "uv": uv and (span([a for a, _ in uv]), span([b for _, b in uv])),
            "vprops": vprops, "fprops": fprops,
            "faces": sum(len(x) - 2 for x in f.get("vertex_indices", f.get("vertex_index"))), "materials": 1}


def obj_expect(path):
    rows = {"v": [], "vt": [], "vn": [], "f": [], "usemtl": []}
    with open(path, encoding="latin-1") as f:
        for w in (line.split() for line in f):
            if w and w[0] in rows:
                rows[w[0]].append(w[1:])
    cols = [[float(x) for x in r[3:6]] for r in rows["v"] if len(r) >= 6]
    vt = [[float(x) for x in r[:2]] for r in rows["vt"]]
    return {"vcolour": {c: span([r[k] for r in cols]) for k, c in enumerate(COLOURS[:3]) if cols},
            "fcolour": {},
            "normal": rows["vn"] and norm_bounds([[float(x) for x in r[:3]] for r in rows["vn"]]),
            "uv": vt and (span([r[0] for r in vt]), span([r[1] for r in vt])),
            "faces": sum(len(r) - 2 for r in rows["f"]), "usemtl": {r[0] for r in rows["usemtl"]}}


def nothing(e):
    """What a --no-attributes output of that input holds."""
    return dict(e, vcolour={}, fcolour={}, normal=None, uv=None, materials=1,
                vprops=[p for p in e.get("vprops", []) if p[0] in ("x", "y", "z")],
                fprops=[("vertex_indices", "int", "uchar")])


def within(values, bounds):
    a = np.asarray(values, float)
    return a.size > 0 and bounds[0] - TOL <= a.min() and a.max() <= bounds[1] + TOL


def prepare(work, name, source):
    """Writes one input into the work directory; returns its expectations."""
    path = os.path.join(work, name)
    if source.startswith(("coloured", "textured")):
        kind, *flags = source.split()
        args = [kind, os.path.join(MAIN, "tests/e2e/meshes/bunny.smf")] if kind == "coloured" else [kind]
        subprocess.run([PYTHON, os.path.join(MAIN, "data/make_attributed.py")] + args + [path] + flags,
                       check=True, stdout=subprocess.DEVNULL)
    elif name == "fixed-top-ascii.ply":
        # meshio reads face properties from text PLY only: the same file as text.
        src = os.path.join(work, source)
        with open(src, "rb") as f:
            head = f.read().split(b"end_header")[0].decode("latin-1")
        rows = [" ".join(" ".join(map(str, [len(x)] + x)) if isinstance(x, list) else str(x) for x in row)
                for _, props, cols in read_ply(src).values() for row in zip(*(cols[n] for n, _, _ in props))]
        with open(path, "w") as f:
            f.write(re.sub(r"format \S+", "format ascii", head) + "end_header\n" + "\n".join(rows) + "\n")
    elif name == "bunny.obj":
        p = read_ply(os.path.join(work, source))
        v, f = p["vertex"][2], p["face"][2]
        with open(path, "w") as out:
            for i in range(len(v["x"])):
                out.write("v %r %r %r %r %r %r\nvn %r %r %r\n" % tuple(
                    [v[c][i] for c in ("x", "y", "z")] + [v[c][i] / 255 for c in COLOURS[:3]] +
                    [v[c][i] for c in ("nx", "ny", "nz")]))
            out.writelines("f %s\n" % " ".join("%d//%d" % (k + 1, k + 1) for k in t)
                           for t in f["vertex_indices"])
    else:
        shutil.copy(os.path.join(REAL, source), path)
        os.chmod(path, 0o644)
    if name.endswith(".ply"):
        return ply_expect(path)
    e = obj_expect(path)
    # The realworld OBJ files come without their material libraries, and
    # assimp counts no material it cannot load. Each gets its own colour, as
    # assimp merges materials whose properties are equal.
    with open(path, encoding="latin-1") as f:
        libs = [line.split(None, 1)[1].strip() for line in f if line.startswith("mtllib")]
    for lib in libs:
        if not os.path.exists(os.path.join(work, lib)):
            with open(os.path.join(work, lib), "w") as f:
                f.writelines("newmtl %s\nKd 0.%02d 0.5 0.5\n" % (m, k)
                             for k, m in enumerate(sorted(e["usemtl"])))
    e["materials"] = assimp_info(os.path.join(work, name))[2]
    return e


def assimp_info(path):
    text = subprocess.run(["assimp", "info", path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT).stdout.decode("latin-1")
    got = [re.search(r"^%s:\s+(\d+)$" % k, text, re.M) for k in ("Vertices", "Faces", "Materials")]
    return [int(g.group(1)) if g else None for g in got]


def assimp_meshes(path):
    """Per mesh of assimp's dump without post-processing: {array: values}."""
    if subprocess.run(["assimp", "dump", path, path + ".xml"], stdout=subprocess.DEVNULL,
                      stderr=subprocess.DEVNULL).returncode != 0:
        return []
    with open(path + ".xml", encoding="latin-1") as f:
        text = f.read()
    return [{k: np.array(v.split(), float).reshape(-1, int(n)) for k, n, v in re.findall(
        r'<(Normals|TextureCoords|Colors) num="\d+"[^>]*?num_components="(\d)">(.*?)</\1>', body, re.S)}
        for body in re.findall(r"<Mesh types=.*?</Mesh>", text, re.S)]


def check_output(check, tag, path, e, printed, meshio_ok):
    V, F = printed
    have_uv, have_n, have_c = bool(e["uv"]), bool(e["normal"]), bool(e["vcolour"])
    av, af, am = assimp_info(path)
    check(af == F and av is not None and (av >= V if have_uv or have_n or have_c else av == V),
          "%s: assimp info reads %s vertices, %s faces; zeq printed %d, %d" % (tag, av, af, V, F))
    check(am == e["materials"], "%s: assimp finds %s materials, expected %d" % (tag, am, e["materials"]))
    meshes = assimp_meshes(path)
    for key, want, bounds in (("TextureCoords", have_uv, e["uv"]), ("Normals", have_n, e["normal"]),
                              ("Colors", have_c, list(e["vcolour"].values()))):
        check(meshes and all((key in m) == want for m in meshes),
              "%s: assimp finds %s in %d of %d meshes, expected %s" % (
                  tag, key, sum(key in m for m in meshes), len(meshes), "all" if want else "none"))
        for m in (m for m in meshes if want and key in m):
            a = np.linalg.norm(m[key], axis=1)[:, None] if key == "Normals" else m[key]
            for k, b in enumerate([bounds] if key == "Normals" else bounds):
                check(within(a[:, k], b), "%s: assimp %s[%d] spans %.6g..%.6g, outside the input's %.6g..%.6g"
                      % (tag, key, k, a[:, k].min(), a[:, k].max(), b[0], b[1]))
    if not path.endswith(".ply"):
        return
    p = read_ply(path)
    nv, vprops, _ = p["vertex"]
    nf, fprops, f = p["face"]
    if nv != V:
        print("%s: the header declares %d vertices (held seam vertices written again)" % (tag, nv))
    check(nf == F and (nv >= V if have_uv or have_n or have_c else nv == V),
          "%s: header declares %d vertices, %d faces; zeq printed %d, %d" % (tag, nv, nf, V, F))
    check((vprops, fprops) == (e["vprops"], e["fprops"]),
          "%s: properties %s / %s, expected %s / %s" % (tag, vprops, fprops, e["vprops"], e["fprops"]))
    for c, b in e["fcolour"].items():
        check(c in f and within(f[c], b), "%s: face %s missing or outside %s" % (tag, c, b))
    if "texcoord" in f:
        t = f["texcoord"]
        check(e["uv"] and all(len(x) == 6 for x in t) and within([x[0::2] for x in t], e["uv"][0])
              and within([x[1::2] for x in t], e["uv"][1]),
              "%s: a face texcoord list is not 6 values within the input's u/v range" % tag)
    o = open3d.io.read_triangle_mesh(path)
    check((len(o.vertices), len(o.triangles), o.has_vertex_colors(), o.has_vertex_normals()) ==
          (nv, nf, have_c, have_n), "%s: open3d reads %d vertices, %d triangles, colours %s, normals %s" % (
              tag, len(o.vertices), len(o.triangles), o.has_vertex_colors(), o.has_vertex_normals()))
    cols = np.asarray(o.vertex_colors)
    for k, b in enumerate(list(e["vcolour"].values())[:3] if o.has_vertex_colors() else []):
        check(within(cols[:, k], b), "%s: open3d colour %d outside %s" % (tag, k, b))
    if have_n and o.has_vertex_normals():
        check(within(np.linalg.norm(np.asarray(o.vertex_normals), axis=1), e["normal"]),
              "%s: open3d normal lengths outside %s" % (tag, e["normal"]))
    if not meshio_ok:
        return
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        m = meshio.read(path)
    # meshio's binary reader maps PLY uchar to int8; the bytes are the colour.
    pd = {k: (a.view(np.uint8) if a.dtype == np.int8 else a) for k, a in m.point_data.items()}
    cd = {k: np.concatenate(a) for k, a in m.cell_data.items()}
    tri = sum(len(c.data) for c in m.cells if c.type == "triangle")
    check((len(m.points), tri) == (nv, nf),
          "%s: meshio reads %d points, %d triangles" % (tag, len(m.points), tri))
    want_pd = set(e["vcolour"]) | ({"nx", "ny", "nz"} if have_n else set())
    check(set(pd) == want_pd and set(cd) == set(e["fcolour"]), "%s: meshio finds point data %s, cell data %s; "
          "expected %s, %s" % (tag, sorted(pd), sorted(cd), sorted(want_pd), sorted(e["fcolour"])))
    for c, b in e["vcolour"].items():
        check(c in pd and within(pd[c] / 255.0, b), "%s: meshio vertex %s outside %s" % (tag, c, b))
    for c, b in e["fcolour"].items():
        check(c in cd and within(cd[c], b), "%s: meshio face %s outside %s" % (tag, c, b))
    if have_n and want_pd <= set(pd):
        check(within(np.linalg.norm(np.stack([pd["nx"], pd["ny"], pd["nz"]], 1), axis=1), e["normal"]),
              "%s: meshio normal lengths outside %s" % (tag, e["normal"]))


def main():
    if len(sys.argv) != 2:
        print("usage: check_attribute_readers.py ZEQ_BINARY")
        return 2
    zeq = os.path.abspath(sys.argv[1])
    ensure_readers()
    global np, meshio, open3d
    import numpy as np
    import meshio
    import open3d
    failures, runs = [], 0

    def check(ok, what):
        if not ok:
            failures.append(what)
            print("FAIL: " + what)

    work = tempfile.mkdtemp(prefix="zeq-attribute-readers-")
    try:
        for name, source, meshio_ok in CASES:
            e = prepare(work, name, source)
            for flags, percent in (([], 50), ([], 10), (["--no-attributes"], 50)):
                target = max(1, e["faces"] * percent // 100)
                tag = "%s -N %d%s" % (name, target, "".join(" " + x for x in flags))
                out = "out-%d%s-%s" % (percent, "-plain" if flags else "", name)
                p = subprocess.run([zeq] + flags + ["-N", str(target), name, out], cwd=work,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                text = p.stdout.decode("latin-1")
                m = re.search(r"Original mesh: .*?\n (\d+) <Vertices>\n \d+ <Edges>\n (\d+) <Faces>\n"
                              r".*Simplified Mesh: \n (\d+) <Vertices>\n \d+ <Edges>\n (\d+) <Faces>\n", text, re.S)
                check(p.returncode == 0 and m and int(m.group(2)) == e["faces"],
                      "%s: zeq exited with %d (input faces: %d here):\n%s%s" % (
                          tag, p.returncode, e["faces"], text, p.stderr.decode("latin-1")))
                if not m or p.returncode:
                    continue
                runs += 1
                V, F = int(m.group(3)), int(m.group(4))
                print("%s: %s -> %d vertices, %d faces" % (tag, m.group(1), V, F))
                check_output(check, tag, os.path.join(work, out), nothing(e) if flags else e, (V, F),
                             meshio_ok)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    check(runs == 3 * len(CASES), "only %d of %d runs were checked" % (runs, 3 * len(CASES)))
    print("%d outputs read back, %d failures" % (runs, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
