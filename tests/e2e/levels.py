#!/usr/bin/env python3
"""Levels in one run are the chain of separate runs.

  levels.py ZEQ MESHES_DIR REALWORLD_DIR

`zeq -N A -N B -N C IN OUT.EXT` must write OUT-1.EXT, OUT-2.EXT and OUT-3.EXT
with the bytes of `zeq -N A IN c1`, `zeq -N B c1 c2`, `zeq -N C c2 c3`, and
print the banner once and then what each of those runs prints after its
banner (the level's input named as the level file). Inputs: shared meshes
in SMF and OFF, and the bunny rewritten here in every other format and
flavour (PLY text, binary in both byte orders, float and double; STL text
and binary; OBJ), plus files other tools wrote, which carry colours,
texture coordinates, normals and materials. Also: --origins per level,
welding options, bounds, ratios, a level that cannot be reached (the chain
stops there with status 0) and one whose target the level before already
met (refused as zeq refuses it).
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

zeq, meshes, realworld = sys.argv[1:4]
failures = 0
TIMES = re.compile(r"^(Simplification|Loading|Orienting|Writing) time = .*$|^Pass .*$", re.M)


def fail(what):
    global failures
    failures += 1
    print("FAIL:", what)


def run(args):
    r = subprocess.run([zeq] + args, capture_output=True, text=True)
    return r.returncode, TIMES.sub("", r.stdout)


def read_smf(path):
    """Vertices and triangles (0-based) of an SMF file of v and f lines."""
    vs, fs = [], []
    with open(path) as f:
        for line in f:
            w = line.split()
            if w[:1] == ["v"]:
                vs.append(tuple(float(x) for x in w[1:4]))
            elif w[:1] == ["f"]:
                fs.append(tuple(int(x) - 1 for x in w[1:4]))
    return vs, fs


def write_ply(path, vs, fs, fmt, real):
    head = "ply\nformat %s 1.0\nelement vertex %d\n" % (fmt, len(vs))
    head += "".join("property %s %s\n" % (real, c) for c in "xyz")
    head += "element face %d\nproperty list uchar int vertex_indices\nend_header\n" % len(fs)
    with open(path, "wb") as f:
        f.write(head.encode())
        if fmt == "ascii":
            f.write("".join("%r %r %r\n" % v for v in vs).encode())
            f.write("".join("3 %d %d %d\n" % t for t in fs).encode())
            return
        order = "<" if fmt == "binary_little_endian" else ">"
        code = "f" if real == "float" else "d"
        for v in vs:
            f.write(struct.pack(order + 3 * code, *v))
        for t in fs:
            f.write(struct.pack(order + "B3i", 3, *t))


def write_stl(path, vs, fs, binary):
    with open(path, "wb") as f:
        if binary:
            f.write(b"levels test".ljust(80, b" ") + struct.pack("<I", len(fs)))
            for t in fs:
                f.write(struct.pack("<12fH", 0, 0, 0, *(c for i in t for c in vs[i]), 0))
            return
        f.write(b"solid t\n")
        for t in fs:
            f.write(b"facet normal 0 0 0\nouter loop\n")
            f.write("".join("vertex %r %r %r\n" % vs[i] for i in t).encode())
            f.write(b"endloop\nendfacet\n")
        f.write(b"endsolid t\n")


def write_obj(path, vs, fs):
    with open(path, "w") as f:
        f.write("".join("v %r %r %r\n" % v for v in vs))
        f.write("".join("f %d %d %d\n" % tuple(i + 1 for i in t) for t in fs))


def check_chain(name, source, options, counts, tmp, origins=False):
    """The levels run against the chain of single runs, file by file."""
    ext = os.path.splitext(source)[1]
    out = os.path.join(tmp, "lv" + ext)
    extra = ["--origins", os.path.join(tmp, "lv.origins")] if origins else []
    args = list(options) + extra
    for n in counts:
        args += ["-N", str(n)]
    status, printed = run(args + [source, out])
    expected_out, expected_status = None, 0
    previous = source
    for k, n in enumerate(counts, 1):
        single = os.path.join(tmp, "c%d%s" % (k, ext))
        extra = ["--origins", os.path.join(tmp, "c%d.origins" % k)] if origins else []
        s, p = run(["-N", str(n)] + list(options) + extra + [previous, single])
        level = os.path.join(tmp, "lv-%d%s" % (k, ext))
        p = p.replace("<%s>" % previous, "<%s>" % (source if k == 1 else os.path.join(tmp, "lv-%d%s" % (k - 1, ext))))
        p = p.replace("-> %s " % single, "-> %s " % level)
        expected_out = p if expected_out is None else expected_out + p.split("\n", 4)[4]
        expected_status = s
        if s != 0:
            if os.path.exists(level):
                fail("%s: level %d written although refused" % (name, k))
            break
        if open(level, "rb").read() != open(single, "rb").read():
            fail("%s: level %d differs from the single run" % (name, k))
        if origins and open(os.path.join(tmp, "lv-%d.origins" % k)).read() != open(
                os.path.join(tmp, "c%d.origins" % k)).read():
            fail("%s: origins of level %d differ" % (name, k))
        previous = single
        if "The ZEQ generate" in p and int(re.findall(r"(\d+) <Faces>", p)[-1]) > n:
            for later in range(k + 1, len(counts) + 1):
                if os.path.exists(os.path.join(tmp, "lv-%d%s" % (later, ext))):
                    fail("%s: level %d written after a missed level" % (name, later))
            break
    if status != expected_status or printed != expected_out:
        fail("%s: status %d (expected %d), printed:\n%s\nexpected:\n%s" % (name, status, expected_status, printed,
                                                                          expected_out))
    for f in os.listdir(tmp):
        if f.startswith(("lv", "c")):
            os.remove(os.path.join(tmp, f))


with tempfile.TemporaryDirectory() as tmp:
    inputs = os.path.join(tmp, "in")
    work = os.path.join(tmp, "work")
    os.mkdir(inputs)
    os.mkdir(work)
    vs, fs = read_smf(os.path.join(meshes, "bunny.smf"))
    made = {
        "ply-float-le.ply": lambda p: write_ply(p, vs, fs, "binary_little_endian", "float"),
        "ply-double-be.ply": lambda p: write_ply(p, vs, fs, "binary_big_endian", "double"),
        "ply-text-float.ply": lambda p: write_ply(p, vs, fs, "ascii", "float"),
        "ply-text-double.ply": lambda p: write_ply(p, vs, fs, "ascii", "double"),
        "stl-binary.stl": lambda p: write_stl(p, vs, fs, True),
        "stl-text.stl": lambda p: write_stl(p, vs, fs, False),
        "obj.obj": lambda p: write_obj(p, vs, fs),
    }
    for name, make in made.items():
        make(os.path.join(inputs, name))
        check_chain(name, os.path.join(inputs, name), [], [1800, 700, 90], work)
    check_chain("bunny.smf", os.path.join(meshes, "bunny.smf"), ["-D"], [2000, 500, 100], work, origins=True)
    check_chain("elephant.off", os.path.join(meshes, "elephant.off"), [], [5000, 800], work)
    check_chain("blobby --weld", os.path.join(meshes, "blobby_shuffled.smf"), ["--weld"], [3000, 300], work)
    check_chain("ply --no-weld", os.path.join(inputs, "ply-float-le.ply"), ["--no-weld"], [1000, 200], work)
    check_chain("obj origins", os.path.join(inputs, "obj.obj"), [], [1000, 100], work, origins=True)
    # Files other tools wrote, with what they carry (and without).
    for name, counts in (("ply_vcg_fuze_bin.ply", [800, 300, 60]), ("assimp_mustang_split.ply", [3000, 800]),
                         ("obj_wings3d_rabbit.obj", [600, 150]), ("obj_3dsmax_mustang.obj", [3000, 900]),
                         ("stlb_atf_color_cube.stl", [10, 8])):
        source = os.path.join(realworld, name)
        check_chain(name, source, [], counts, work, origins=True)
        check_chain(name + " --no-attributes", source, ["--no-attributes"], counts, work)
    # The bunny stops short of four faces: the chain ends at the missed level.
    check_chain("missed level", os.path.join(inputs, "stl-binary.stl"), [], [100, 40, 4, 2], work)
    # A level whose target the level before already met is refused.
    check_chain("met before", os.path.join(meshes, "bunny.smf"), [], [501, 500], work)

    # Ratios are of the input's faces, with the report after each level.
    source = os.path.join(inputs, "ply-float-le.ply")
    out = os.path.join(work, "r.ply")
    status, printed = run(["--max-angle", "60", "--ratio", "0.5", "--ratio", "0.05", source, out])
    if status != 0 or printed.count("Largest face tilt") != 2 or printed.count("Distance bound") != 2:
        fail("ratio levels: status %d, printed:\n%s" % (status, printed))
    status, single = run(["--max-angle", "60", "-N", str(len(fs) // 2), source, os.path.join(work, "s1.ply")])
    status, single = run(["--max-angle", "60", "-N", str(len(fs) // 20), os.path.join(work, "s1.ply"),
                          os.path.join(work, "s2.ply")])
    for k in (1, 2):
        if open(os.path.join(work, "r-%d.ply" % k), "rb").read() != open(os.path.join(work, "s%d.ply" % k),
                                                                          "rb").read():
            fail("ratio level %d differs from -N with the same bound" % k)

print("%d failures" % failures)
sys.exit(1 if failures else 0)
