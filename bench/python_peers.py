#!/usr/bin/python3
"""zeq.simplify beside Open3D and meshoptimizer, on the same numpy arrays.

    bench/python_peers.py [--module-dir DIR] [--bin-dir DIR] [--meshes LIST]
                          [--percents LIST] [--repeat N] [--samples N]
                          [--tools LIST] [--no-distance]
    bench/python_peers.py --table bench/out/python-peers-DATE.tsv
    bench/python_peers.py --overhead [--rounds K] [--repeat N] [--ratio R | --target F]

The meshes are bench/run's, read from bench/out/ (bench/run --meshes
bunny,torus --sizes medium --formats ply makes them when missing):

    bunny_4    bunny_4.ply, the Stanford bunny Loop-subdivided 4 times
               (470,274 vertices, 940,544 faces, subdivision order)
    torus_1m   torus_1m.ply, the regular torus (500,000 vertices,
               1,000,000 faces)

Each is read once, by zeq.read(PATH, weld=False), into a float64 N×3 and an
int32 M×3 numpy array, which are saved (as .npy, and raw for the
meshoptimizer driver) under bench/out/python-peers/. Every measurement then
runs in a fresh process of its own that loads those arrays and calls one
tool once:

    zeq        zeq.simplify(v, f, ratio=P/100) (the module of --module-dir,
               default build/bench/python); seconds: wall time of the call.
               A ratio also has the library track how far the surface moved
               (Figures.distance_bound, largest_tilt), which costs time:
    zeq-target zeq.simplify(v, f, target=T), the same faces without that
               report
    open3d     o3d.geometry.TriangleMesh(Vector3dVector(v), Vector3iVector(f))
               (timed apart: the conversion), then
               simplify_quadric_decimation(target_number_of_triangles=T)
               alone; and np.asarray of its vertices and triangles (timed
               apart too)
    meshopt    zeq_meshopt_arrays (bench/meshopt_arrays.cpp, in --bin-dir,
               default build/bench/bench) on the raw arrays: meshopt_simplify
               as zeq_meshopt_peer calls it, timed inside the program around
               the call (its float64 -> float32 conversion apart)

T is the face count zeq's ratio gives (floor of P % of the faces, the
ratio read as its shortest decimal), checked against zeq's Figures.target.
Seconds are the median of --repeat runs (default 3), the runs of the
tools taken in turn. Memory is the process's peak resident set
(VmHWM of /proc/self/status: ru_maxrss carries the parent's peak across
exec), read just before and just after the call: "callMB" is the rise of the peak over the call (what the call needed
beyond the input arrays and everything before it), "procMB" the peak after
it (Python, numpy and, for Open3D, its library included; the meshopt driver
is a plain C++ process); both are the median over the runs.

The stages of zeq's call (load from the arrays, orient, simplify:
processor seconds, as the program's -D prints them) come from a second call
with timing=True after the measured one, in the first run.

Quality: each tool's result of the first run is written as binary PLY
(double coordinates; the vertices some face uses, renumbered) and measured
against the input file by zeq_surface_distance (--bin-dir) with --samples
(default 200000) points: Hausdorff and RMS distance, both ways, as
fractions of the input's bounding-box diagonal, as it prints them.

It prints Markdown tables and writes bench/out/python-peers-DATE.tsv;
--table TSV prints the tables of such a file again.

--overhead: the Python call's cost over the library's own on torus_1m at
ratio R (default 0.1): zeq_library_time (bench/library_time.cpp: zeq::read,
then zeq::simplify(zeq::viewOf(mesh), options) timed by the wall clock)
and, in a fresh Python process, zeq.simplify on the arrays of
zeq.read(PATH, weld=False), each --repeat times (default 5), K rounds
(default 3) taken in turn; also zeq_library_time_pic (the same program on
the core as the module is built) when it is there, and zeq.simplify given
the zeq.Mesh itself and uint32 faces. The overhead is the median over the
rounds of (Python median / library median - 1). --target F: the same with
a face count (library_time --faces F, zeq.simplify(..., target=F)), which
skips the distance report a ratio asks for. Written to
bench/out/python-overhead-DATE.tsv.
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time
from fractions import Fraction
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[1]
OUT = ROOT / "bench" / "out"
WORK = OUT / "python-peers"
MESHES = {"bunny_4": "bunny_4.ply", "torus_1m": "torus_1m.ply"}
TOOLS = ("zeq", "zeq-target", "open3d", "meshopt")


def peak_mb():
    """The process's peak resident set so far, in MB: VmHWM of
    /proc/self/status. (resource.getrusage's ru_maxrss would not do: on Linux
    a process starts with the peak of the one that ran it, kept across exec,
    so every child would show this script's peak.)"""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def import_zeq(module_dir):
    sys.path.insert(0, str(module_dir))
    import zeq
    return zeq


def write_ply(path, vertices, faces):
    """Binary little-endian PLY, double x y z, int faces: the vertices some
    face uses, in their order, renumbered."""
    vertices = np.asarray(vertices, dtype=np.float64)
    faces = np.asarray(faces)
    used = np.zeros(len(vertices), dtype=bool)
    used[faces.ravel()] = True
    new_id = np.cumsum(used, dtype=np.int64) - 1
    kept = np.ascontiguousarray(vertices[used], dtype="<f8")
    records = np.empty(len(faces), dtype=[("n", "u1"), ("c", "<i4", (3,))])
    records["n"] = 3
    records["c"] = new_id[faces]
    with open(path, "wb") as out:
        out.write(("ply\nformat binary_little_endian 1.0\ncomment bench/python_peers.py\n"
                   f"element vertex {len(kept)}\nproperty double x\nproperty double y\nproperty double z\n"
                   f"element face {len(faces)}\nproperty list uchar int vertex_indices\nend_header\n").encode())
        out.write(kept.tobytes())
        out.write(records.tobytes())
    return int(len(vertices) - used.sum())


# ----------------------------------------------------------------- children

def child(args):
    """One tool, one call, in this fresh process; one JSON line out."""
    name, tool = args.child_mesh, args.child_tool
    v = np.load(WORK / f"{name}-v.npy")
    f = np.load(WORK / f"{name}-f.npy")
    ratio = args.child_percent / 100.0
    target = args.child_target
    row = {}
    if tool in ("zeq", "zeq-target"):
        zeq = import_zeq(args.module_dir)
        request = dict(ratio=ratio) if tool == "zeq" else dict(target=target)
        before = peak_mb()
        c0, t0 = time.process_time(), time.perf_counter()
        result = zeq.simplify(v, f, **request)
        t1, c1 = time.perf_counter(), time.process_time()
        after = peak_mb()
        fig = result.figures
        row = dict(seconds=t1 - t0, cpu=c1 - c0, before=before, after=after, faces=int(result.faces.shape[0]),
                   target=int(fig.target))
        if args.child_out:
            row["unused"] = write_ply(args.child_out, result.vertices, result.faces)
            # The stages, from a second call with the program's -D timing
            # (processor seconds), made after the measured one.
            del result
            staged = zeq.simplify(v, f, timing=True, **request).figures
            row.update(load=staged.load_seconds, orient=staged.orient_seconds, simplify=staged.simplify_seconds)
    elif tool == "open3d":
        import open3d as o3d
        start = peak_mb()
        t0 = time.perf_counter()
        mesh = o3d.geometry.TriangleMesh(o3d.utility.Vector3dVector(v), o3d.utility.Vector3iVector(f))
        t1 = time.perf_counter()
        before = peak_mb()
        c2, t2 = time.process_time(), time.perf_counter()
        out = mesh.simplify_quadric_decimation(target_number_of_triangles=target)
        t3, c3 = time.perf_counter(), time.process_time()
        after = peak_mb()
        t4 = time.perf_counter()
        ov = np.asarray(out.vertices)
        of = np.asarray(out.triangles)
        t5 = time.perf_counter()
        row = dict(seconds=t3 - t2, cpu=c3 - c2, before=before, after=after, faces=int(of.shape[0]),
                   target=target, convert_in=t1 - t0, convert_in_mb=before - start, convert_out=t5 - t4,
                   out_vertices=int(ov.shape[0]))
        if args.child_out:
            row["unused"] = write_ply(args.child_out, ov, of)
            row["degenerate"] = int(np.sum((of[:, 0] == of[:, 1]) | (of[:, 1] == of[:, 2]) | (of[:, 0] == of[:, 2])))
    else:
        raise SystemExit(f"unknown tool {tool}")
    print(json.dumps(row))


def run_child(script_args, tool, name, percent, target, out_path):
    cmd = [sys.executable, str(Path(__file__).resolve()), "--module-dir", str(script_args.module_dir),
           "--child-tool", tool, "--child-mesh", name, "--child-percent", str(percent),
           "--child-target", str(target)]
    if out_path:
        cmd += ["--child-out", str(out_path)]
    done = subprocess.run(cmd, check=True, capture_output=True, text=True)
    return json.loads(done.stdout.strip().splitlines()[-1])


def run_meshopt(bin_dir, name, target, out_path):
    cmd = [str(bin_dir / "zeq_meshopt_arrays"), "-N", str(target), str(WORK / f"{name}-v.f64"),
           str(WORK / f"{name}-f.u32")]
    if out_path:
        cmd.append(str(out_path))
    line = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout.split()
    value = dict(zip(line[3::2], line[4::2]))
    return dict(seconds=float(value["wall"]), cpu=float(value["cpu"]), before=int(value["rss_before_kb"]) / 1024.0,
                after=int(value["rss_after_kb"]) / 1024.0, faces=int(line[2]), target=target,
                convert_in=float(value["convert"]))


def distance(bin_dir, input_path, result_path, samples):
    done = subprocess.run([str(bin_dir / "zeq_surface_distance"), "--samples", str(samples), str(input_path),
                           str(result_path)], check=True, capture_output=True, text=True)
    words = done.stdout.split()
    value = dict(zip(words[0::2], words[1::2]))
    return float(value["hausdorff"]), float(value["rms"])


# ------------------------------------------------------------------- arrays

def prepare(module_dir, names):
    """Reads each mesh once and saves its arrays; returns their face counts."""
    zeq = import_zeq(module_dir)
    WORK.mkdir(parents=True, exist_ok=True)
    counts = {}
    for name in names:
        path = OUT / MESHES[name]
        if not path.exists():
            raise SystemExit(f"{path} is missing: bench/run --meshes bunny,torus --sizes medium --formats ply")
        mesh = zeq.read(path, weld=False)
        v = np.ascontiguousarray(mesh.vertices, dtype=np.float64)
        f = np.ascontiguousarray(mesh.faces, dtype=np.int32)
        np.save(WORK / f"{name}-v.npy", v)
        np.save(WORK / f"{name}-f.npy", f)
        v.astype("<f8").tofile(WORK / f"{name}-v.f64")
        f.astype("<u4").tofile(WORK / f"{name}-f.u32")
        counts[name] = (len(v), len(f))
    return counts


def target_of(faces, percent):
    # zeq reads the ratio as its shortest decimal: floor(faces * r).
    return int(Fraction(repr(percent / 100.0)) * faces)


def median(values):
    return statistics.median(values) if values else float("nan")


def fmt(x, digits=3):
    return "-" if x is None or (isinstance(x, float) and x != x) else f"{x:.{digits}f}"


# ----------------------------------------------------------------- tables

TSV_KEYS = ["mesh", "percent", "tool", "target", "faces", "seconds", "cpu", "call_mb", "proc_mb", "hausdorff", "rms",
            "convert_in", "convert_in_mb", "convert_out", "load", "orient", "simplify", "out_vertices", "unused",
            "degenerate", "runs"]
INT_KEYS = {"target", "faces", "out_vertices", "unused", "degenerate"}


def read_tsv(path):
    """The rows of a TSV this script wrote, for --table."""
    rows = []
    with open(path) as tsv:
        keys = tsv.readline().rstrip("\n").split("\t")
        for line in tsv:
            row = {}
            for k, v in zip(keys, line.rstrip("\n").split("\t")):
                if v == "-":
                    row[k] = None
                elif k in ("mesh", "tool"):
                    row[k] = v
                elif k == "runs":
                    row[k] = [float(x) for x in v.split(",")]
                elif k in INT_KEYS:
                    row[k] = int(v)
                else:
                    row[k] = float(v)
            rows.append(row)
    return rows


def print_tables(rows, repeat):
    print(f"Simplification on numpy arrays: median of {repeat} runs, each in a fresh process; "
          f"seconds = wall time of the call alone; memory = peak RSS (VmHWM) in MB: callMB its rise over the call, procMB after it.\n")
    print("| mesh | % | tool | target | faces out | seconds | cpu s | callMB | procMB | Hausdorff | RMS |")
    print("|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for r in rows:
        print(f"| {r['mesh']} | {r['percent']:g} | {r['tool']} | {r['target']} | {r['faces']} | "
              f"{fmt(r['seconds'])} | {fmt(r['cpu'])} | {fmt(r['call_mb'], 1)} | {fmt(r['proc_mb'], 1)} | "
              f"{r['hausdorff']:.3g} | {r['rms']:.3g} |")
    print("\nSpeed ratios (a/b: seconds of a over seconds of b; above 1: b is faster):\n")
    print("| mesh | % | zeq-target/zeq | open3d/zeq | meshopt/zeq | open3d/zeq-target | meshopt/zeq-target |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    cells = []
    for r in rows:
        if (r["mesh"], r["percent"]) not in cells:
            cells.append((r["mesh"], r["percent"]))
    for name, percent in cells:
        by = {r["tool"]: r for r in rows if r["mesh"] == name and r["percent"] == percent}
        ratios = [fmt(by[t]["seconds"] / by[z]["seconds"], 2) if t in by and z in by else "-"
                  for z, t in (("zeq", "zeq-target"), ("zeq", "open3d"), ("zeq", "meshopt"),
                               ("zeq-target", "open3d"), ("zeq-target", "meshopt"))]
        print(f"| {name} | {percent:g} | " + " | ".join(ratios) + " |")
    extra = rows
    print("\nBeside the call (medians; zeq reads the arrays in place and shows its result as arrays without a copy):\n")
    print("| mesh | % | tool | arrays->tool s | arrays->tool MB | result->arrays s | out vertices | "
          "unused vertices | degenerate faces | zeq load / orient / simplify cpu s | all runs' seconds |")
    print("|---|---:|---|---:|---:|---:|---:|---:|---:|---|---|")
    for r in extra:
        lib = f"{r['load']:.3f} / {r['orient']:.3f} / {r['simplify']:.3f}" if r["load"] is not None else "-"
        print(f"| {r['mesh']} | {r['percent']:g} | {r['tool']} | {fmt(r['convert_in'])} | "
              f"{fmt(r['convert_in_mb'], 1)} | {fmt(r['convert_out'], 4)} | "
              f"{r['out_vertices'] if r['out_vertices'] is not None else '-'} | "
              f"{r['unused'] if r['unused'] is not None else '-'} | "
              f"{r['degenerate'] if r['degenerate'] is not None else '-'} | {lib} | "
              f"{', '.join(f'{s:.3f}' for s in r['runs'])} |")



# ----------------------------------------------------------------- the bench

def bench(args):
    names = args.meshes.split(",")
    percents = [float(p) for p in args.percents.split(",")]
    tools = args.tools.split(",")
    counts = prepare(args.module_dir, names)
    for name in names:
        print(f"# {name}: {counts[name][0]} vertices, {counts[name][1]} faces", file=sys.stderr)
    runs = {}  # (name, percent, tool) -> list of rows
    for k in range(args.repeat):
        for name in names:
            for percent in percents:
                target = target_of(counts[name][1], percent)
                for tool in tools:
                    out_path = WORK / f"{name}-{percent:g}-{tool}.ply" if k == 0 else None
                    if tool == "meshopt":
                        row = run_meshopt(args.bin_dir, name, target, out_path)
                    else:
                        row = run_child(args, tool, name, percent, target, out_path)
                    if tool.startswith("zeq") and row["target"] != target:
                        print(f"# note: zeq's target {row['target']} != {target} for {name} {percent:g} %",
                              file=sys.stderr)
                    runs.setdefault((name, percent, tool), []).append(row)
                    print(f"# run {k + 1} {name} {percent:g}% {tool}: {row['seconds']:.3f} s, "
                          f"{row['faces']} faces", file=sys.stderr)

    rows = []
    for name in names:
        for percent in percents:
            for tool in tools:
                rs = runs[(name, percent, tool)]
                first = rs[0]
                hd = rms = float("nan")
                if not args.no_distance:
                    hd, rms = distance(args.bin_dir, OUT / MESHES[name], WORK / f"{name}-{percent:g}-{tool}.ply",
                                       args.samples)
                rows.append(dict(
                    mesh=name, percent=percent, tool=tool, target=target_of(counts[name][1], percent),
                    faces=first["faces"], faces_all=sorted({r["faces"] for r in rs}),
                    seconds=median([r["seconds"] for r in rs]), cpu=median([r["cpu"] for r in rs]),
                    runs=[r["seconds"] for r in rs],
                    call_mb=median([r["after"] - r["before"] for r in rs]), proc_mb=median([r["after"] for r in rs]),
                    hausdorff=hd, rms=rms,
                    convert_in=median([r["convert_in"] for r in rs]) if "convert_in" in first else None,
                    convert_in_mb=median([r["convert_in_mb"] for r in rs]) if "convert_in_mb" in first else None,
                    convert_out=median([r["convert_out"] for r in rs]) if "convert_out" in first else None,
                    load=first.get("load"), orient=first.get("orient"), simplify=first.get("simplify"),
                    unused=first.get("unused"), degenerate=first.get("degenerate"),
                    out_vertices=first.get("out_vertices")))

    tsv = OUT / f"python-peers-{time.strftime('%Y%m%d-%H%M%S')}.tsv"
    with open(tsv, "w") as out:
        out.write("\t".join(TSV_KEYS) + "\n")
        for r in rows:
            out.write("\t".join("-" if r[k] is None else
                                (",".join(f"{s:.6f}" for s in r[k]) if k == "runs" else
                                 (f"{r[k]:.6g}" if isinstance(r[k], float) else str(r[k]))) for k in TSV_KEYS) + "\n")
    print_tables(rows, args.repeat)
    print(f"\nTSV: {tsv.relative_to(ROOT)}")


# ----------------------------------------------------------------- overhead

def overhead_child(args):
    """The Python side: zeq.simplify on the torus's arrays, --repeat times."""
    zeq = import_zeq(args.module_dir)
    mesh = zeq.read(OUT / MESHES["torus_1m"], weld=False)
    v = np.ascontiguousarray(mesh.vertices)
    f32 = np.array(mesh.faces)                 # int32, as Mesh.faces gives them
    fu32 = f32.view(np.uint32)                 # the library's own corner type
    inputs = {"arrays": (v, f32), "arrays-u32": (v, fu32), "zeq.Mesh": (mesh, None)}
    variant = args.overhead_variant
    a, b = inputs[variant]
    out = []
    request = dict(target=args.target) if args.target else dict(ratio=args.ratio)
    for _ in range(args.repeat):
        t0 = time.perf_counter()
        r = zeq.simplify(a, b, **request) if b is not None else zeq.simplify(a, **request)
        t1 = time.perf_counter()
        out.append(dict(wall=t1 - t0, orient=r.figures.orient_seconds, simplify=r.figures.simplify_seconds,
                        faces=int(r.faces.shape[0])))
        del r  # freed outside the timed span, as the C++ side frees its result
    print(json.dumps(out))


def overhead(args):
    torus = OUT / MESHES["torus_1m"]
    programs = [("C++ zeq_library_time", args.bin_dir / "zeq_library_time")]
    if (args.bin_dir / "zeq_library_time_pic").exists():
        programs.append(("C++ zeq_library_time_pic", args.bin_dir / "zeq_library_time_pic"))
    variants = ["arrays", "arrays-u32", "zeq.Mesh"]
    results = {}
    for k in range(args.rounds):
        for label, program in programs:
            request = ["--faces", str(args.target)] if args.target else ["--ratio", str(args.ratio)]
            done = subprocess.run([str(program), "--repeat", str(args.repeat)] + request + [str(torus)],
                                  check=True, capture_output=True, text=True).stdout
            runs = [dict(wall=float(m[0]), orient=float(m[1]), simplify=float(m[2]))
                    for m in re.findall(r"wall (\S+) orient (\S+) simplify (\S+)", done)]
            results.setdefault(label, []).append(runs)
        for variant in variants:
            cmd = [sys.executable, str(Path(__file__).resolve()), "--module-dir", str(args.module_dir),
                   "--overhead-variant", variant, "--repeat", str(args.repeat), "--ratio", str(args.ratio),
                   "--target", str(args.target or 0)]
            runs = json.loads(subprocess.run(cmd, check=True, capture_output=True, text=True).stdout)
            results.setdefault(f"Python zeq.simplify({variant})", []).append(runs)
        print(f"# round {k + 1}: " + ", ".join(f"{label} {median([r['wall'] for r in rounds[-1]]):.3f}"
                                               for label, rounds in results.items()), file=sys.stderr)

    base = "C++ zeq_library_time"
    what = f"target {args.target}" if args.target else f"ratio {args.ratio}"
    print(f"torus_1m, {what}: wall seconds of the call, median of {args.repeat} in each of "
          f"{args.rounds} rounds (programs taken in turn); lib cpu = the Figures' orient + simplify "
          f"processor seconds (median); best run = the least of all runs.\n")
    print("| side | " + " | ".join(f"round {k + 1}" for k in range(args.rounds)) +
          " | median | best run | lib cpu s | overhead vs library |")
    print("|---|" + "---:|" * (args.rounds + 4))
    lib_rounds = [median([r["wall"] for r in rounds]) for rounds in results[base]]
    tsv_rows = []
    for label, rounds in results.items():
        meds = [median([r["wall"] for r in rs]) for rs in rounds]
        cpu = median([r["orient"] + r["simplify"] for rs in rounds for r in rs])
        over = median([m / b - 1 for m, b in zip(meds, lib_rounds)]) * 100
        best = min(r["wall"] for rs in rounds for r in rs)
        print(f"| {label} | " + " | ".join(f"{m:.3f}" for m in meds) +
              f" | {median(meds):.3f} | {best:.3f} | {cpu:.3f} | {over:+.1f} % |")
        tsv_rows.append([label] + [f"{m:.6f}" for m in meds] +
                        [f"{median(meds):.6f}", f"{best:.6f}", f"{cpu:.6f}", f"{over:.2f}"])
    tsv = OUT / f"python-overhead-{time.strftime('%Y%m%d-%H%M%S')}.tsv"
    with open(tsv, "w") as out:
        out.write("\t".join(["side"] + [f"round{k + 1}" for k in range(args.rounds)] +
                            ["median", "best", "lib_cpu", "overhead_pct"]) + "\n")
        for row in tsv_rows:
            out.write("\t".join(row) + "\n")
    print(f"\nTSV: {tsv.relative_to(ROOT)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--module-dir", type=Path, default=ROOT / "build" / "bench" / "python")
    parser.add_argument("--bin-dir", type=Path, default=ROOT / "build" / "bench" / "bench")
    parser.add_argument("--meshes", default="bunny_4,torus_1m")
    parser.add_argument("--percents", default="50,10,1")
    parser.add_argument("--tools", default=",".join(TOOLS))
    parser.add_argument("--repeat", type=int, default=None)
    parser.add_argument("--samples", type=int, default=200000)
    parser.add_argument("--no-distance", action="store_true")
    parser.add_argument("--overhead", action="store_true")
    parser.add_argument("--table", type=Path, help="print the tables of a python-peers TSV again")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--ratio", type=float, default=0.1)
    parser.add_argument("--target", type=int, default=0)
    # Internal: one measurement in a fresh process.
    parser.add_argument("--child-tool", help=argparse.SUPPRESS)
    parser.add_argument("--child-mesh", help=argparse.SUPPRESS)
    parser.add_argument("--child-percent", type=float, help=argparse.SUPPRESS)
    parser.add_argument("--child-target", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--child-out", help=argparse.SUPPRESS)
    parser.add_argument("--overhead-variant", help=argparse.SUPPRESS)
    args = parser.parse_args()
    args.module_dir = args.module_dir.resolve()
    args.bin_dir = args.bin_dir.resolve()
    if args.table:
        rows = read_tsv(args.table)
        print_tables(rows, len(rows[0]["runs"]))
    elif args.child_tool:
        child(args)
    elif args.overhead_variant:
        overhead_child(args)
    elif args.overhead:
        args.repeat = args.repeat or 5
        overhead(args)
    else:
        args.repeat = args.repeat or 3
        bench(args)


if __name__ == "__main__":
    main()
