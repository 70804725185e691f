# The Python module against the program and against itself: arrays in any
# dtype and layout, the same meshes as the zeq binary writes, every refusal
# as the right exception, runs side by side, and other libraries' meshes.
import os
import subprocess
import sys
import threading
from pathlib import Path

import numpy as np
import pytest

import zeq
from conftest import torus


def same(a, b):
    np.testing.assert_array_equal(a.vertices, b.vertices)
    np.testing.assert_array_equal(a.faces, b.faces)


def test_dtypes_and_layouts(sample):
    v, f = sample
    v = v.astype(np.float32).astype(np.float64)  # the float32 runs read the same values
    reference = zeq.simplify(v, f, target=300)
    assert reference.vertices.dtype == np.float64 and reference.faces.dtype == np.int32
    wide = np.zeros((len(v), 7))
    wide[:, 1:7:2] = v
    fwide = np.full((len(f), 5), -1, np.int64)
    fwide[:, 1:4] = f
    vertex_forms = [v.astype(np.float32), np.asfortranarray(v), wide[:, 1:7:2],
                    np.asfortranarray(v.astype(np.float32))]
    face_forms = [f.astype(np.int64), f.astype(np.uint32), f.astype(np.uint64),
                  np.asfortranarray(f), fwide[:, 1:4], f.tolist()]
    for vv in vertex_forms:
        same(zeq.simplify(vv, f, target=300), reference)
    for ff in face_forms:
        same(zeq.simplify(v, ff, target=300), reference)


def ply_of(shared_meshes, name, tmp_path):
    """The shared mesh as a binary PLY with double coordinates."""
    path = tmp_path / f"{name}.ply"
    tool = os.environ.get("ZEQ_MESH_TO_PLY")
    if tool and Path(tool).exists():
        subprocess.run([tool, str(shared_meshes / f"{name}.off"), str(path)], check=True)
    else:
        zeq.write(path, zeq.read(shared_meshes / f"{name}.off"))
    return path


@pytest.mark.parametrize("name, arguments, request_", [
    ("bunny", ["-N", "500"], {"target": 500}),
    ("elephant", ["--ratio", "0.2"], {"ratio": 0.2}),
    ("fandisk", ["--max-error", "0.004"], {"max_error": 0.004}),
])
def test_same_as_program(zeq_binary, shared_meshes, tmp_path, name, arguments, request_):
    source = ply_of(shared_meshes, name, tmp_path)
    out = tmp_path / "out.ply"
    run = subprocess.run([str(zeq_binary), "--no-weld", *arguments, str(source), str(out)],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stdout
    mesh = zeq.read(source, weld=False)
    result = zeq.simplify(np.array(mesh.vertices), np.array(mesh.faces), **request_)
    written = zeq.read(out, weld=False)
    assert len(written.faces) < len(mesh.faces)
    same(result, written)
    assert result.figures.faces == len(written.faces)


def test_levels_and_origins(sample):
    v, f = sample
    first, second = zeq.simplify(v, f, target=[1000, 200])
    assert len(first.faces) <= 1000 and len(second.faces) <= 200
    assert second.figures.input_faces == len(first.faces)
    for level in (first, second):
        assert level.origins.dtype == np.uint32 and len(level.origins) == len(level.vertices)
    assert first.origins.max() < len(v) and len(np.unique(first.origins)) == len(first.origins)
    assert len(zeq.simplify(v, f, ratio=[0.5])) == 1


def test_attributes_carried(sample, tmp_path):
    v, f = sample
    colors = np.tile(np.array([[10, 20, 30, 255]], np.uint8), (len(v), 1))
    r = zeq.simplify(v, f, target=300, attributes={"colors": colors, "label": np.arange(len(v))},
                     face_attributes={"region": np.arange(len(f), dtype=np.int16)})
    assert list(r.attributes) == ["red", "green", "blue", "alpha", "label"]
    assert r.attributes["alpha"].dtype == np.uint8 and (r.attributes["green"] == 20).all()
    np.testing.assert_array_equal(r.attributes["label"], r.origins)
    assert r.face_attributes["region"].dtype == np.int16 and len(r.face_attributes["region"]) == len(r.faces)
    # Through a file and back, as zeq.Mesh.
    zeq.write(tmp_path / "r.ply", r)
    back = zeq.read(tmp_path / "r.ply", weld=False)
    same(back, r)
    same(zeq.simplify(back, target=100), zeq.simplify(r.vertices, r.faces, target=100))


def bad(v, f, **request):
    return dict(vertices=v, faces=f, **request)


def test_refusals(sample, tmp_path):
    v, f = sample
    nan = v.copy()
    nan[5, 1] = np.nan
    beyond, negative = f.copy(), f.copy()
    beyond[7, 2] = len(v)
    negative[7, 2] = -1
    cases = [
        (ValueError, bad(nan, f, target=100)),
        (ValueError, bad(v, beyond, target=100)),
        (ValueError, bad(v, negative, target=100)),
        (ValueError, bad(v[:, :2], f, target=100)),
        (ValueError, bad(v.ravel(), f, target=100)),
        (ValueError, bad(v, f[:, :2], target=100)),
        (TypeError, bad(v.astype(np.float16), f, target=100)),
        (TypeError, bad(v, f.astype(np.float64), target=100)),
        (ValueError, bad(v, f, target=len(f))),
        (ValueError, bad(v, f, ratio=1.0)),
        (ValueError, bad(v, f, ratio=0)),
        (ValueError, bad(v, f, target=100, ratio=0.5)),
        (ValueError, bad(v, f, target=[100, 200])),
        (ValueError, bad(v, f, ratio=[0.2, 0.5])),
        (ValueError, bad(v, f, max_angle=190)),
        (ValueError, bad(v, f, target=100, attributes={"label": np.arange(len(v) - 1)})),
        (ValueError, bad(v, f, target=100, attributes={"stuff": np.zeros((len(v), 2))})),
        (ValueError, bad(v, f, target=100, attributes={"big": np.arange(len(v)) << 40})),
    ]
    for error, arguments in cases:
        with pytest.raises(error):
            zeq.simplify(**arguments)
    with pytest.raises(ZeroDivisionError):
        zeq.simplify(v, f, target=100, console=lambda text: 1 / 0)
    with pytest.raises(FileNotFoundError, match="File not found"):
        zeq.read(tmp_path / "missing.off")
    with pytest.raises(OSError):
        zeq.write(tmp_path / "missing" / "out.ply", (v, f))


def test_out_of_memory():
    # Below the address space a large torus needs, the run says so.
    script = """
import resource, numpy as np, zeq
from conftest import torus
v, f = torus(500, 400)
size = int(open('/proc/self/status').read().split('VmSize:')[1].split()[0]) * 1024
resource.setrlimit(resource.RLIMIT_AS, (size + (16 << 20),) * 2)
try:
    zeq.simplify(v, f, target=1000)
except MemoryError:
    print('MemoryError')
"""
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         cwd=Path(__file__).parent,
                         env=dict(os.environ, PYTHONPATH=str(Path(zeq.__file__).parent)))
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == "MemoryError"


def test_runs_side_by_side():
    # Each run's console waits on its first line for the other run's: both
    # get there only if both are in the library at once.
    v, f = torus(60, 40)
    events = [threading.Event(), threading.Event()]
    saw, results = [False, False], [None, None]

    def work(k):
        def console(text):
            if not events[k].is_set():
                events[k].set()
                saw[k] = events[1 - k].wait(20)
        results[k] = zeq.simplify(v, f, target=500, console=console)

    threads = [threading.Thread(target=work, args=(k,)) for k in (0, 1)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert saw == [True, True]
    same(results[0], results[1])


def test_gil_released_while_the_library_works():
    # With time slicing out of the way, another thread gets the interpreter
    # while a call is in the library only if the call let go of it. This
    # thread waits for the call's first console line, then looks whether the
    # call has returned by the time it runs again.
    v, f = torus(400, 300)
    started, done = threading.Event(), []

    def work():
        zeq.simplify(v, f, ratio=0.1, console=lambda text: started.set())
        done.append(True)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        t = threading.Thread(target=work)
        t.start()
        assert started.wait(20)
        returned_when_woken = bool(done)
        t.join()
    finally:
        sys.setswitchinterval(interval)
    assert not returned_when_woken


def test_open3d_round_trip(sample):
    o3d = pytest.importorskip("open3d")
    v, f = sample
    mesh = o3d.geometry.TriangleMesh(o3d.utility.Vector3dVector(v), o3d.utility.Vector3iVector(f))
    r = zeq.simplify(np.asarray(mesh.vertices), np.asarray(mesh.triangles), target=400)
    coarse = o3d.geometry.TriangleMesh(o3d.utility.Vector3dVector(r.vertices),
                                       o3d.utility.Vector3iVector(r.faces))
    assert len(coarse.triangles) == 400 and len(coarse.vertices) == len(r.vertices)
    assert coarse.is_edge_manifold() and coarse.is_watertight()


def test_meshio_round_trip(sample, tmp_path):
    meshio = pytest.importorskip("meshio")
    v, f = sample
    mesh = meshio.Mesh(v, [("triangle", f)])
    r = zeq.simplify(mesh.points, mesh.cells_dict["triangle"], target=400)
    coarse = meshio.Mesh(r.vertices, [("triangle", r.faces)])
    coarse.write(tmp_path / "coarse.off")
    back = meshio.read(tmp_path / "coarse.off")
    np.testing.assert_array_equal(back.cells_dict["triangle"], r.faces)
    same(zeq.read(tmp_path / "coarse.off"), r)


def test_file_form_kept(sample, tmp_path):
    # A text PLY read, simplified and written comes out as text PLY; arrays
    # are written as binary.
    v, f = sample
    text = tmp_path / "text.ply"
    header = (f"ply\nformat ascii 1.0\nelement vertex {len(v)}\nproperty double x\nproperty double y\n"
              f"property double z\nelement face {len(f)}\nproperty list uchar int vertex_indices\nend_header\n")
    rows = [" ".join(repr(float(x)) for x in p) for p in v] + [f"3 {a} {b} {c}" for a, b, c in f]
    text.write_text(header + "\n".join(rows) + "\n")
    coarse = zeq.simplify(zeq.read(text, weld=False), target=300)
    zeq.write(tmp_path / "coarse.ply", coarse)
    zeq.write(tmp_path / "arrays.ply", (coarse.vertices, coarse.faces))
    assert (tmp_path / "coarse.ply").read_bytes().startswith(b"ply\nformat ascii")
    assert (tmp_path / "arrays.ply").read_bytes().startswith(b"ply\nformat binary_little_endian")
    same(zeq.read(tmp_path / "coarse.ply", weld=False), zeq.simplify(v, f, target=300))
