// The Python module `zeq`: numpy arrays and mesh files in, simplified meshes
// out, through the library of zeq/zeq.h. The library reads the caller's
// arrays where they lie (any strides numpy gives) and works without the GIL;
// what it hands back is shown to Python as arrays over its own vectors.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "zeq/zeq.h"

namespace py = pybind11;

namespace {

// ---------------------------------------------------------------- failures

std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

[[noreturn]] void raise(const char* type, const std::string& message) {
    py::object error = py::module_::import("builtins").attr(type)(message);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

// The Python exception for a failed status, with the program's message.
// A file that cannot be read says why it could not when the system can
// tell: missing, or not permitted.
[[noreturn]] void raiseStatus(const zeq::Status& status, const std::string& path = {}) {
    const std::string message = withoutLineEnd(status.message);
    switch (status.failure) {
        case zeq::Failure::OutOfMemory:
            raise("MemoryError", message);
        case zeq::Failure::CannotRead: {
            struct stat info;
            if (!path.empty() && ::stat(path.c_str(), &info) != 0) {
                if (errno == ENOENT || errno == ENOTDIR) raise("FileNotFoundError", message);
                if (errno == EACCES) raise("PermissionError", message);
            }
            raise("OSError", message);
        }
        case zeq::Failure::CannotWrite:
            raise("OSError", message);
        default:
            raise("ValueError", message);
    }
}

// ------------------------------------------------------------ arrays in

std::optional<zeq::ValueType> valueTypeOf(const py::dtype& type) {
    const char kind = type.kind();
    const auto size = type.itemsize();
    if (kind == 'f') {
        if (size == 4) return zeq::ValueType::Float32;
        if (size == 8) return zeq::ValueType::Float64;
    } else if (kind == 'i') {
        if (size == 1) return zeq::ValueType::Int8;
        if (size == 2) return zeq::ValueType::Int16;
        if (size == 4) return zeq::ValueType::Int32;
        if (size == 8) return zeq::ValueType::Int64;
    } else if (kind == 'u') {
        if (size == 1) return zeq::ValueType::UInt8;
        if (size == 2) return zeq::ValueType::UInt16;
        if (size == 4) return zeq::ValueType::UInt32;
        if (size == 8) return zeq::ValueType::UInt64;
    }
    return std::nullopt;
}

bool isFloat(zeq::ValueType type) { return type == zeq::ValueType::Float32 || type == zeq::ValueType::Float64; }

// `object` as a numpy array: arrays as they are (no copy), anything else
// (lists, buffers such as Open3D's vectors) through numpy.asarray, as
// `fallback` when one is given. Arrays in the other byte order are copied
// into this machine's: the library reads native values.
py::array arrayOf(py::handle object, const char* fallback = nullptr) {
    py::module_ numpy = py::module_::import("numpy");
    py::array array = py::isinstance<py::array>(object)
                          ? py::reinterpret_borrow<py::array>(object)
                          : py::array(fallback ? numpy.attr("asarray")(object, fallback) : numpy.attr("asarray")(object));
    if (!array.dtype().attr("isnative").cast<bool>())
        array = array.attr("astype")(array.dtype().attr("newbyteorder")("="));
    return array;
}

zeq::ArrayView viewOver(const py::array& array, zeq::ValueType type, py::ssize_t column = -1) {
    zeq::ArrayView view;
    view.type = type;
    view.rows = static_cast<std::size_t>(array.shape(0));
    view.rowStride = array.strides(0);
    if (array.ndim() == 1) {
        view.data = array.data();
        view.columns = 1;
        view.columnStride = array.itemsize();
    } else if (column >= 0) {  // one column of a 2-D array, as a property
        view.data = static_cast<const char*>(array.data()) + column * array.strides(1);
        view.columns = 1;
        view.columnStride = array.itemsize();
    } else {
        view.data = array.data();
        view.columns = static_cast<std::size_t>(array.shape(1));
        view.columnStride = array.strides(1);
    }
    return view;
}

std::string shapeText(const py::array& array) {
    return py::str(py::tuple(array.attr("shape"))).cast<std::string>();
}

zeq::ArrayView positionsView(const py::array& array) {
    const auto type = valueTypeOf(array.dtype());
    if (!type || !isFloat(*type))
        throw py::type_error("vertices must be float32 or float64, not " + py::str(array.dtype()).cast<std::string>());
    if (array.ndim() != 2 || array.shape(1) != 3)
        throw py::value_error("vertices must be an N×3 array of float32 or float64, not one of shape " +
                              shapeText(array));
    return viewOver(array, *type);
}

zeq::ArrayView trianglesView(const py::array& array) {
    const auto type = valueTypeOf(array.dtype());
    if (!type || isFloat(*type))
        throw py::type_error("faces must be integers (int32, int64, uint32 or uint64), not " +
                             py::str(array.dtype()).cast<std::string>());
    if (array.ndim() != 2 || array.shape(1) != 3)
        throw py::value_error("faces must be an M×3 array of vertex numbers, not one of shape " + shapeText(array));
    return viewOver(array, *type);
}

// The columns of a 2-D property array with a conventional name.
const std::vector<const char*>* columnNames(const std::string& name, py::ssize_t columns) {
    static const std::vector<const char*> rgb{"red", "green", "blue"}, rgba{"red", "green", "blue", "alpha"},
        normals{"nx", "ny", "nz"}, uv{"u", "v"};
    if ((name == "colors" || name == "colours") && columns == 3) return &rgb;
    if ((name == "colors" || name == "colours") && columns == 4) return &rgba;
    if (name == "normals" && columns == 3) return &normals;
    if ((name == "uv" || name == "texcoords") && columns == 2) return &uv;
    return nullptr;
}

// The properties of a dict name → array, each with `rows` values, appended
// to `properties`; the arrays go to `keep`, which holds them while the
// library reads them.
void addProperties(py::handle dict, std::size_t rows, const char* what, std::vector<zeq::PropertyView>& properties,
                   std::vector<py::array>& keep) {
    if (dict.is_none()) return;
    if (!py::isinstance<py::dict>(dict)) throw py::type_error(std::string(what) + " must be a dict of arrays");
    for (auto [key, value] : py::reinterpret_borrow<py::dict>(dict)) {
        const std::string name = py::str(key).cast<std::string>();
        py::array array = arrayOf(value);
        const auto type = valueTypeOf(array.dtype());
        if (!type)
            throw py::type_error(std::string(what) + " '" + name + "' is " + py::str(array.dtype()).cast<std::string>() +
                                 ": values are integers, float32 or float64");
        if (array.ndim() < 1 || array.ndim() > 2 || static_cast<std::size_t>(array.shape(0)) != rows)
            throw py::value_error(std::string(what) + " '" + name + "' must have " + std::to_string(rows) +
                                  " rows, not shape " + shapeText(array));
        if (array.ndim() == 1 || array.shape(1) == 1) {
            properties.push_back(zeq::PropertyView{name, viewOver(array, *type, array.ndim() == 2 ? 0 : -1), std::nullopt});
        } else if (const auto* names = columnNames(name, array.shape(1))) {
            for (std::size_t k = 0; k < names->size(); ++k)
                properties.push_back(
                    zeq::PropertyView{(*names)[k], viewOver(array, *type, static_cast<py::ssize_t>(k)), std::nullopt});
        } else {
            throw py::value_error(std::string(what) + " '" + name + "' must be 1-D (2-D only as colors N×3 or N×4, " +
                                  "normals N×3, uv or texcoords N×2)");
        }
        keep.push_back(std::move(array));
    }
}

// A TriangleMesh holding a copy of arrays (for write() and zeq.Mesh(...)).
std::shared_ptr<zeq::TriangleMesh> meshOfArrays(py::handle vertices, py::handle faces, py::handle attributes,
                                                py::handle faceAttributes) {
    const py::array positionArray = arrayOf(vertices, "float64");
    const py::array triangleArray = arrayOf(faces);
    zeq::MeshView view;
    view.positions = positionsView(positionArray);
    view.triangles = trianglesView(triangleArray);
    std::vector<py::array> keep;
    addProperties(attributes, view.positions.rows, "attribute", view.vertexProperties, keep);
    addProperties(faceAttributes, view.triangles.rows, "face attribute", view.faceProperties, keep);

    auto mesh = std::make_shared<zeq::TriangleMesh>();
    const std::size_t n = view.positions.rows, m = view.triangles.rows;
    mesh->positions.resize(n * 3);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < 3; ++c) mesh->positions[i * 3 + c] = view.positions.get(i, c);
    mesh->triangles.resize(m * 3);
    for (std::size_t f = 0; f < m; ++f)
        for (std::size_t c = 0; c < 3; ++c) {
            const double corner = view.triangles.get(f, c);
            if (!(corner >= 0 && corner < static_cast<double>(n)))
                throw py::value_error("face " + std::to_string(f) + " names vertex " + py::str(py::float_(corner)).cast<std::string>() +
                                      ", not one of the " + std::to_string(n) + " vertices");
            mesh->triangles[f * 3 + c] = static_cast<std::uint32_t>(corner);
        }
    const auto copy = [](const std::vector<zeq::PropertyView>& from, std::vector<zeq::Property>& to) {
        for (const zeq::PropertyView& p : from) {
            zeq::Property property{p.name, p.values.type, std::vector<double>(p.values.rows)};
            for (std::size_t i = 0; i < p.values.rows; ++i) property.values[i] = p.values.get(i, 0);
            to.push_back(std::move(property));
        }
    };
    copy(view.vertexProperties, mesh->vertexProperties);
    copy(view.faceProperties, mesh->faceProperties);
    return mesh;
}

// ----------------------------------------------------------- arrays out

// An array over `data`, which `owner` keeps: the library's vectors are
// shown as they are, not copied. Writable, since other libraries' array
// types (Open3D's) take only writable arrays; what is written changes the
// mesh, as it would a numpy array's base.
template <class T>
py::array arrayOver(std::shared_ptr<const void> owner, const T* data, std::size_t rows, std::size_t columns = 0) {
    auto* held = new std::shared_ptr<const void>(std::move(owner));
    py::capsule base(held, [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); });
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(rows)};
    if (columns) shape.push_back(static_cast<py::ssize_t>(columns));
    return py::array(py::dtype::of<T>(), shape, {}, data, base);
}

template <class T>
py::array propertyArray(const zeq::Property& property) {
    py::array_t<T> array(static_cast<py::ssize_t>(property.values.size()));
    T* out = array.mutable_data();
    for (double v : property.values) *out++ = static_cast<T>(v);
    return array;
}

// A property's values in its own type: a copy, the mesh keeping its values
// as doubles.
py::array propertyArray(const zeq::Property& property) {
    switch (property.type) {
        case zeq::ValueType::Int8: return propertyArray<std::int8_t>(property);
        case zeq::ValueType::UInt8: return propertyArray<std::uint8_t>(property);
        case zeq::ValueType::Int16: return propertyArray<std::int16_t>(property);
        case zeq::ValueType::UInt16: return propertyArray<std::uint16_t>(property);
        case zeq::ValueType::Int32: return propertyArray<std::int32_t>(property);
        case zeq::ValueType::UInt32: return propertyArray<std::uint32_t>(property);
        case zeq::ValueType::Float32: return propertyArray<float>(property);
        case zeq::ValueType::Int64: return propertyArray<std::int64_t>(property);
        case zeq::ValueType::UInt64: return propertyArray<std::uint64_t>(property);
        case zeq::ValueType::Float64: break;
    }
    return propertyArray<double>(property);
}

py::dict propertyDict(const std::vector<zeq::Property>& properties) {
    py::dict dict;
    for (const zeq::Property& property : properties) dict[py::str(property.name)] = propertyArray(property);
    return dict;
}

// A mesh the library handed back (or zeq.Mesh made), shared by the arrays
// shown over it.
struct Mesh {
    std::shared_ptr<const zeq::TriangleMesh> mesh;

    py::array vertices() const { return arrayOver(mesh, mesh->positions.data(), mesh->vertexCount(), 3); }
    // As int32 when every vertex number fits, which the uint32 vector's own
    // bytes then read as; else a copy as int64.
    py::array faces() const {
        if (mesh->vertexCount() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            return arrayOver(mesh, reinterpret_cast<const std::int32_t*>(mesh->triangles.data()), mesh->faceCount(), 3);
        py::array_t<std::int64_t> wide({static_cast<py::ssize_t>(mesh->faceCount()), py::ssize_t{3}});
        std::copy(mesh->triangles.begin(), mesh->triangles.end(), wide.mutable_data());
        return wide;
    }
    py::dict attributes() const { return propertyDict(mesh->vertexProperties); }
    py::dict faceAttributes() const { return propertyDict(mesh->faceProperties); }

    std::string repr() const {
        std::string text = "zeq.Mesh(" + std::to_string(mesh->vertexCount()) + " vertices, " +
                           std::to_string(mesh->faceCount()) + " faces";
        const auto list = [&text](const char* what, const std::vector<zeq::Property>& properties) {
            if (properties.empty()) return;
            text += std::string(", ") + what + ":";
            for (const zeq::Property& p : properties) text += " " + p.name;
        };
        list("attributes", mesh->vertexProperties);
        list("face attributes", mesh->faceProperties);
        return text + ")";
    }
};

// One level of a simplification.
struct Result {
    std::shared_ptr<const zeq::Level> level;

    Mesh mesh() const { return Mesh{std::shared_ptr<const zeq::TriangleMesh>(level, &level->mesh)}; }
    py::array origins() const { return arrayOver(level, level->origins.data(), level->origins.size()); }

    std::string repr() const {
        const zeq::Figures& f = level->figures;
        return "zeq.Result(" + std::to_string(level->mesh.vertexCount()) + " vertices, " +
               std::to_string(level->mesh.faceCount()) + " faces, target " + std::to_string(f.target) +
               (level->targetReached ? " reached)" : " not reached)");
    }
};

// -------------------------------------------------------------- console

// The console a callable receives, line by line, with the GIL taken for
// each. An exception the callable raises silences it for the rest of the
// call and is raised again once the library is done.
struct ConsoleBridge {
    py::object callable;
    std::optional<py::error_already_set> error;

    explicit ConsoleBridge(py::object c) : callable(std::move(c)) {
        if (!callable.is_none() && !PyCallable_Check(callable.ptr()))
            throw py::type_error("console must be None or a callable taking each text printed");
    }
    zeq::Console console() {
        if (callable.is_none()) return {};
        return [this](std::string_view text) {
            py::gil_scoped_acquire gil;
            if (error) return;
            try {
                py::object line = py::reinterpret_steal<py::object>(
                    PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()), "replace"));
                if (!line) throw py::error_already_set();
                callable(line);
            } catch (py::error_already_set& e) {
                error.emplace(std::move(e));
            }
        };
    }
    void raiseIfFailed() {
        if (error) {
            py::error_already_set e = std::move(*error);
            error.reset();
            throw e;
        }
    }
};

std::string pathOf(py::handle path) {
    return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

// ---------------------------------------------------------------- simplify

bool isList(py::handle object) {
    return PySequence_Check(object.ptr()) && !py::isinstance<py::str>(object) && !py::isinstance<py::bytes>(object);
}

long long faceCountOf(py::handle object) {
    if (!PyIndex_Check(object.ptr()) || py::isinstance<py::float_>(object))
        throw py::type_error("target must be a face count (an int) or a list of them");
    return py::reinterpret_steal<py::int_>(PyNumber_Index(object.ptr())).cast<long long>();
}

double numberOf(py::handle object, const char* what) {
    if (!PyNumber_Check(object.ptr()) || isList(object))
        throw py::type_error(std::string(what) + " must be a number");
    return py::float_(py::reinterpret_borrow<py::object>(object)).cast<double>();
}

double boundOf(py::handle object, const char* what) {
    return object.is_none() ? std::numeric_limits<double>::quiet_NaN() : numberOf(object, what);
}

// The request's faults said plainly, before the library refuses them with
// the program's usage line: counts and ratios out of range, levels not
// falling, bounds out of range. A first target not below the arrays' face
// count is one too (the loaded mesh has no more faces than its arrays).
void checkRequest(const zeq::Options& o, std::size_t faces) {
    for (std::size_t i = 0; i < o.faces.size(); ++i) {
        if (o.faces[i] < 0) throw py::value_error("target must not be negative");
        if (i == 0 && static_cast<unsigned long long>(o.faces[0]) >= faces)
            throw py::value_error("target " + std::to_string(o.faces[0]) + " is not below the mesh's " +
                                  std::to_string(faces) + " faces");
        if (i > 0 && !(o.faces[i] < o.faces[i - 1]))
            throw py::value_error("each level's target must be below the one before");
    }
    for (std::size_t i = 0; i < o.ratios.size(); ++i) {
        if (!(o.ratios[i] > 0 && o.ratios[i] < 1)) throw py::value_error("ratio must be between 0 and 1");
        if (i > 0 && !(o.ratios[i] < o.ratios[i - 1]))
            throw py::value_error("each level's ratio must be below the one before");
    }
    if (!std::isnan(o.maxAngle) && !(o.maxAngle >= 0 && o.maxAngle <= 180))
        throw py::value_error("max_angle must be from 0 to 180 degrees");
    if (!std::isnan(o.maxError) && !(o.maxError >= 0 && std::isfinite(o.maxError)))
        throw py::value_error("max_error must be a finite fraction of the diagonal, 0 or more");
}

py::object simplify(py::object vertices, py::object faces, py::object target, py::object ratio, py::object maxAngle,
                    py::object maxError, py::object attributes, py::object faceAttributes, bool weld, bool timing,
                    py::object console) {
    // The input: a zeq.Mesh (or a Result's mesh), whose file form its view
    // hands on to the levels, or arrays read in place.
    std::shared_ptr<const zeq::TriangleMesh> input;
    if (py::isinstance<Mesh>(vertices)) input = vertices.cast<const Mesh&>().mesh;
    if (py::isinstance<Result>(vertices)) input = vertices.cast<const Result&>().mesh().mesh;
    zeq::MeshView view;
    std::vector<py::array> keep;
    if (input) {
        if (!faces.is_none())
            throw py::type_error("a zeq.Mesh carries its faces: give the target by name, simplify(mesh, target=...)");
        view = zeq::viewOf(*input);
    } else {
        if (faces.is_none()) throw py::type_error("simplify needs vertices and faces, or a zeq.Mesh");
        keep.push_back(arrayOf(vertices, "float64"));
        view.positions = positionsView(keep.back());
        keep.push_back(arrayOf(faces));
        view.triangles = trianglesView(keep.back());
    }
    addProperties(attributes, view.positions.rows, "attribute", view.vertexProperties, keep);
    addProperties(faceAttributes, view.triangles.rows, "face attribute", view.faceProperties, keep);

    zeq::Options options;
    if (!target.is_none() && !ratio.is_none()) throw py::value_error("give target or ratio, not both");
    const bool levels = (!target.is_none() && isList(target)) || (!ratio.is_none() && isList(ratio));
    if (!target.is_none()) {
        if (levels)
            for (py::handle t : target) options.faces.push_back(faceCountOf(t));
        else
            options.faces.push_back(faceCountOf(target));
    }
    if (!ratio.is_none()) {
        if (levels)
            for (py::handle r : ratio) options.ratios.push_back(numberOf(r, "ratio"));
        else
            options.ratios.push_back(numberOf(ratio, "ratio"));
    }
    if (levels && options.faces.empty() && options.ratios.empty())
        throw py::value_error("the list of levels is empty");
    options.maxAngle = boundOf(maxAngle, "max_angle");
    options.maxError = boundOf(maxError, "max_error");
    options.weld = weld;
    options.timing = timing;
    checkRequest(options, view.triangles.rows);

    ConsoleBridge bridge(std::move(console));
    const zeq::Console lines = bridge.console();
    zeq::Result result;
    {
        py::gil_scoped_release release;
        result = zeq::simplify(view, options, lines);
    }
    bridge.raiseIfFailed();
    if (!result.status) raiseStatus(result.status);

    py::list list;
    for (zeq::Level& level : result.levels)
        list.append(py::cast(Result{std::make_shared<const zeq::Level>(std::move(level))}));
    if (levels) return list;
    if (list.empty()) throw py::value_error("the simplification gave no level");
    return list[0];
}

// ------------------------------------------------------------- files

Mesh readFile(py::object path, py::object weld, bool attributes, py::object console) {
    const std::string name = pathOf(path);
    const int welding = weld.is_none() ? -1 : (weld.cast<bool>() ? 1 : 0);
    ConsoleBridge bridge(std::move(console));
    const zeq::Console lines = bridge.console();
    auto mesh = std::make_shared<zeq::TriangleMesh>();
    zeq::Status status;
    {
        py::gil_scoped_release release;
        status = zeq::read(name, *mesh, welding, attributes, lines);
    }
    bridge.raiseIfFailed();
    if (!status) raiseStatus(status, name);
    return Mesh{std::move(mesh)};
}

void writeFile(py::object path, py::object mesh) {
    const std::string name = pathOf(path);
    std::shared_ptr<const zeq::TriangleMesh> held;
    if (py::isinstance<Mesh>(mesh))
        held = mesh.cast<const Mesh&>().mesh;
    else if (py::isinstance<Result>(mesh))
        held = mesh.cast<const Result&>().mesh().mesh;
    else if (py::isinstance<py::tuple>(mesh) && py::len(mesh) == 2)
        held = meshOfArrays(mesh[py::int_(0)], mesh[py::int_(1)], py::none(), py::none());
    else if (py::hasattr(mesh, "vertices") && py::hasattr(mesh, "faces"))
        held = meshOfArrays(mesh.attr("vertices"), mesh.attr("faces"), py::none(), py::none());
    else
        throw py::type_error("write takes a zeq.Mesh, a zeq.Result or a (vertices, faces) pair");
    zeq::Status status;
    {
        py::gil_scoped_release release;
        status = zeq::write(name, *held);
    }
    if (!status) raiseStatus(status, name);
}

// ---------------------------------------------------------------- texts

const char* const kModuleDoc = R"(Triangle-mesh simplification with ZEQ.

zeq simplifies a triangle mesh by collapsing edges, exactly as the zeq
program does: the same mesh and request give the same vertices and faces, in
the same order, as `zeq -N COUNT IN OUT` writes. Meshes come in as numpy
arrays (read where they lie, without a copy) or from mesh files (.smf, .off,
.ply, .stl, .obj), and go out as arrays or files.

    import numpy as np, zeq
    mesh = zeq.read("bunny.ply")
    coarse = zeq.simplify(mesh, ratio=0.1)          # a tenth of the faces
    zeq.write("bunny-small.ply", coarse)

The library works without the GIL: meshes can be simplified on several
threads at once. Failures raise ValueError (a bad mesh or request, with the
program's message), MemoryError, or OSError (FileNotFoundError when an input
file is missing).
)";

const char* const kSimplifyDoc = R"(Simplify a triangle mesh.

Arguments:
    vertices: N×3 array of float32 or float64 (any layout: C or Fortran
        order, slices), or a zeq.Mesh, then given without faces; the levels
        keep the mesh's file form, so zeq.write stores them as it was stored.
    faces: M×3 array of vertex numbers (int32, int64, uint32 or uint64).
    target: face count wanted, or a list of them for several levels, each
        below the one before (each level simplifies the previous one).
    ratio: fraction of the faces to keep (0 < r < 1), or a list of them.
        Not with target. Neither: as far as the bounds allow.
    max_angle: the largest tilt in degrees of a face from its normal.
    max_error: the largest distance the surface may move, as a fraction of
        the bounding-box diagonal.
    attributes: dict name -> array of one value per vertex, carried through
        (integers, 64-bit ones kept in 32 bits, float32, float64). 2-D arrays:
        "colors"/"colours" (N×3 or N×4: red, green, blue, alpha),
        "normals" (N×3: nx, ny, nz), "uv"/"texcoords" (N×2: u, v).
    face_attributes: likewise, one value per face.
    weld: make vertices at equal positions one first.
    timing: the program's -D, stage times on the console.
    console: None, or a callable given each text the program prints.

Returns:
    A zeq.Result, or a list of them when target or ratio is a list (one per
    level done: a level left above its target ends the run).

Raises:
    ValueError: a bad mesh (NaN coordinate, vertex number out of range, wrong
        shape) or request (target not below the face count, ratio outside
        (0, 1), levels not falling, target and ratio together).
    TypeError: arrays of another dtype.
    MemoryError: memory ran out.

Example:
    v = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], float)
    f = np.array([[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]], np.int32)
    r = zeq.simplify(v, f, target=2, console=lambda text: print(text, end=""))
    print(r.vertices, r.faces, r.figures.collapses)
)";

const char* const kReadDoc = R"(Read a mesh file with the program's readers.

Arguments:
    path: the file (str or os.PathLike); its extension gives the format:
        .smf, .off, .ply, .stl or .obj.
    weld: None as the format does by default (PLY, OBJ and STL are welded),
        False not, True so.
    attributes: keep what the file carries besides the mesh (colours,
        normals, texture coordinates, labels).
    console: None, or a callable given each text the program prints.

Returns:
    A zeq.Mesh, which remembers how the file stored it.

Raises:
    FileNotFoundError, OSError: the file cannot be read.
    ValueError: the file is not a mesh the readers take.
    MemoryError: memory ran out.

Example:
    mesh = zeq.read("data/sample.off")
    print(mesh, mesh.vertices.shape, mesh.faces.shape)
    coarse = zeq.simplify(mesh, ratio=0.5)
    zeq.write("half.off", coarse)
)";

const char* const kWriteDoc = R"(Write a mesh file with the program's writers.

Arguments:
    path: the file (str or os.PathLike); its extension gives the format:
        .smf, .off, .ply, .stl or .obj.
    mesh: a zeq.Mesh or zeq.Result (stored as its file was, when it came
        from one of the same format), a (vertices, faces) pair of arrays, or
        an object with .vertices and .faces.

Raises:
    OSError: the file cannot be written.
    ValueError, TypeError: arrays that are not a mesh.

Example:
    v = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0]], float)
    f = np.array([[0, 1, 2]])
    zeq.write("triangle.ply", (v, f))
    print(zeq.read("triangle.ply"))
)";

}  // namespace

PYBIND11_MODULE(zeq, m) {
    m.doc() = kModuleDoc;
    m.attr("__version__") = zeq::kLibraryVersion;

    py::class_<zeq::Figures>(m, "Figures", "What the console reports of one level, as numbers.")
        .def_readonly("input_vertices", &zeq::Figures::inputVertices, "Vertices of the level's input.")
        .def_readonly("input_faces", &zeq::Figures::inputFaces, "Faces of the level's input.")
        .def_readonly("target", &zeq::Figures::target, "The face count aimed at.")
        .def_readonly("vertices", &zeq::Figures::vertices, "Vertices of the result, as the console counts them.")
        .def_readonly("edges", &zeq::Figures::edges, "Edges of the result.")
        .def_readonly("faces", &zeq::Figures::faces, "Faces of the result.")
        .def_readonly("collapses", &zeq::Figures::collapses, "Edges collapsed.")
        .def_readonly("passes", &zeq::Figures::passes, "Passes over the edges.")
        .def_readonly("threshold", &zeq::Figures::threshold, "The normal-deviation threshold of the last pass.")
        .def_readonly("largest_tilt", &zeq::Figures::largestTilt,
                      "Given a ratio or a bound: the largest tilt of a face from its normal, in degrees; else NaN.")
        .def_readonly("distance_bound", &zeq::Figures::distanceBound,
                      "Given a ratio or a bound: a bound on the distance to the input, as a fraction of the "
                      "bounding-box diagonal; else NaN.")
        .def_readonly("load_seconds", &zeq::Figures::loadSeconds, "Processor seconds loading.")
        .def_readonly("orient_seconds", &zeq::Figures::orientSeconds, "Processor seconds orienting.")
        .def_readonly("simplify_seconds", &zeq::Figures::simplifySeconds, "Processor seconds simplifying.")
        .def("__repr__", [](const zeq::Figures& f) {
            return py::str("zeq.Figures(input_vertices={}, input_faces={}, target={}, vertices={}, edges={}, "
                           "faces={}, collapses={}, passes={}, threshold={}, largest_tilt={}, distance_bound={})")
                .format(f.inputVertices, f.inputFaces, f.target, f.vertices, f.edges, f.faces, f.collapses, f.passes,
                        f.threshold, f.largestTilt, f.distanceBound);
        });

    py::class_<Mesh>(m, "Mesh", R"(A triangle mesh: positions, triangles and what it carries.

zeq.read gives one, remembering how its file stored it; so do a Result's
.mesh and zeq.Mesh(vertices, faces, attributes, face_attributes), which
copies the arrays. .vertices and .faces are the mesh's own arrays (what
is written to them changes the mesh); the attributes come as copies.)")
        .def(py::init([](py::object vertices, py::object faces, py::object attributes, py::object faceAttributes) {
                 return Mesh{meshOfArrays(vertices, faces, attributes, faceAttributes)};
             }),
             py::arg("vertices"), py::arg("faces"), py::arg("attributes") = py::none(),
             py::arg("face_attributes") = py::none(),
             "A mesh holding a copy of the arrays, as zeq.simplify takes them.")
        .def_property_readonly("vertices", &Mesh::vertices, "The positions, an N×3 float64 array.")
        .def_property_readonly("faces", &Mesh::faces, "The triangles, an M×3 int32 array of vertex numbers.")
        .def_property_readonly("attributes", &Mesh::attributes,
                               "Dict name -> 1-D array of one value per vertex, in the property's type.")
        .def_property_readonly("face_attributes", &Mesh::faceAttributes,
                               "Dict name -> 1-D array of one value per face, in the property's type.")
        .def("__repr__", &Mesh::repr);

    py::class_<Result>(m, "Result", "One level of a simplification: the mesh, where its vertices came from, the figures.")
        .def_property_readonly(
            "vertices", [](const Result& r) { return r.mesh().vertices(); }, "The positions, an N×3 float64 array.")
        .def_property_readonly(
            "faces", [](const Result& r) { return r.mesh().faces(); }, "The triangles, an M×3 int32 array.")
        .def_property_readonly(
            "attributes", [](const Result& r) { return r.mesh().attributes(); },
            "Dict name -> 1-D array of one value per vertex, in the property's type.")
        .def_property_readonly(
            "face_attributes", [](const Result& r) { return r.mesh().faceAttributes(); },
            "Dict name -> 1-D array of one value per face, in the property's type.")
        .def_property_readonly("origins", &Result::origins,
                               "For each vertex, the vertex of the level's input it was kept from (uint32).")
        .def_property_readonly(
            "figures", [](const Result& r) { return r.level->figures; }, "The level's zeq.Figures.")
        .def_property_readonly(
            "target_reached", [](const Result& r) { return r.level->targetReached; },
            "False when the bounds stopped the level above its target.")
        .def_property_readonly("mesh", &Result::mesh, "The result as a zeq.Mesh, in its input's file form.")
        .def("__repr__", &Result::repr);

    m.def("simplify", &simplify, kSimplifyDoc, py::arg("vertices"), py::arg("faces") = py::none(),
          py::arg("target") = py::none(), py::arg("ratio") = py::none(), py::arg("max_angle") = py::none(),
          py::arg("max_error") = py::none(), py::arg("attributes") = py::none(),
          py::arg("face_attributes") = py::none(), py::kw_only(), py::arg("weld") = false,
          py::arg("timing") = false, py::arg("console") = py::none());
    m.def("read", &readFile, kReadDoc, py::arg("path"), py::arg("weld") = py::none(), py::arg("attributes") = true,
          py::kw_only(), py::arg("console") = py::none());
    m.def("write", &writeFile, kWriteDoc, py::arg("path"), py::arg("mesh"));
}
