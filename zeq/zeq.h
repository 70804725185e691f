// ZEQ as a library: simplifies a triangle mesh held in memory or in a file,
// exactly as the zeq program does.
//
//     #include <zeq/zeq.h>
//
//     zeq::Options options;
//     options.ratios = {0.1};                      // keep 10 % of the faces
//     zeq::Result result = zeq::simplify(zeq::viewOf(mesh), options);
//     if (!result.status) std::cerr << result.status.message;
//     const zeq::TriangleMesh& coarse = result.levels.back().mesh;
//
// Nothing here prints, exits or aborts. The lines the program prints reach
// the caller through a Console, byte for byte; every failure comes back as a
// Status carrying the message the program would print. Calls on different
// threads share nothing: meshes can be simplified side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeq {

inline constexpr const char* kLibraryVersion = "1.22";

// The types an array's elements may have. Properties keep their type through
// the simplification; 64-bit integers are accepted for corners only.
enum class ValueType : std::uint8_t { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64, Int64, UInt64 };

// A two-dimensional array the library reads without copying it: element
// (row, column) lies at data + row * rowStride + column * columnStride
// (strides in bytes, as numpy gives them).
struct ArrayView {
    const void* data = nullptr;
    ValueType type = ValueType::Float64;
    std::size_t rows = 0;
    std::size_t columns = 0;
    std::ptrdiff_t rowStride = 0;
    std::ptrdiff_t columnStride = 0;

    double get(std::size_t row, std::size_t column) const;
};

// A property: one value per vertex or per face (rows), one column, kept in
// `storedAs` or else in the array's own type.
struct PropertyView {
    std::string name;
    ArrayView values;
    std::optional<ValueType> storedAs;
};

// How a file stored its mesh (format, text or binary, float or double, what
// it carried besides the mesh), kept by read() so that write() can store the
// mesh the same way. Opaque.
struct FileForm;

// A mesh as the library reads it: positions (N rows of x, y, z), triangles
// (M rows of three 0-based vertex numbers), and any properties; `form` is
// that of a mesh read() from a file (see TriangleMesh).
struct MeshView {
    ArrayView positions;
    ArrayView triangles;
    std::vector<PropertyView> vertexProperties;
    std::vector<PropertyView> faceProperties;
    std::shared_ptr<const FileForm> form;
};

// A property held by the library: its values as doubles, stored in `type`
// (integers are whole numbers within the type's range).
struct Property {
    std::string name;
    ValueType type = ValueType::Float64;
    std::vector<double> values;
};

// A mesh the library hands back.
struct TriangleMesh {
    std::vector<double> positions;         // x, y, z of each vertex
    std::vector<std::uint32_t> triangles;  // three vertex numbers for each face
    std::vector<Property> vertexProperties;
    std::vector<Property> faceProperties;
    std::shared_ptr<const FileForm> form;  // set by read(); kept by simplify()

    std::size_t vertexCount() const { return positions.size() / 3; }
    std::size_t faceCount() const { return triangles.size() / 3; }
};

// A view of `mesh`, for simplify().
MeshView viewOf(const TriangleMesh& mesh);

enum class Failure : std::uint8_t {
    None,
    BadInput,     // the mesh cannot be read: a corner that names no vertex, a coordinate that is not finite, ...
    BadRequest,   // the options: a target not below the face count, a ratio not between 0 and 1, ...
    OutOfMemory,
    CannotRead,   // an input file that cannot be opened or read
    CannotWrite,  // an output file
};

struct Status {
    Failure failure = Failure::None;
    // What the program prints for the failure, line ends included; the
    // program then ends with "\nZEQ exit!\n" and status 1.
    std::string message;

    explicit operator bool() const { return failure == Failure::None; }
};

// Receives the console lines as the program prints them, in order.
using Console = std::function<void(std::string_view text)>;

struct Options {
    // How far: one target for each level, each below the one before, as face
    // counts or as fractions of the input's faces (0 < r < 1, read as the
    // shortest decimal that gives the double, so 0.29 of 100 faces is 29).
    // Not both. Neither: as far as the bounds allow.
    std::vector<long long> faces;
    std::vector<double> ratios;
    // The largest angle, in degrees (0 to 180), a face may tilt from its
    // normal after orientation; the largest distance, as a fraction of the
    // bounding-box diagonal, the surface may move. NaN: no bound.
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
    // The program's -D: stage times on the console.
    bool timing = false;
    // Vertices at equal positions made one before the simplification. The
    // program welds PLY, OBJ and STL files by default; arrays are taken as
    // they are unless asked.
    bool weld = false;
    // Properties carried through (colours, normals, texture coordinates,
    // labels); false: positions and triangles alone.
    bool attributes = true;
    // How console lines name the input.
    std::string name = "mesh";
};

// What the console reports of one level, and more.
struct Figures {
    long long inputVertices = 0;
    long long inputFaces = 0;
    long long target = 0;
    long long vertices = 0;  // the simplified mesh's, as the console counts them
    long long edges = 0;
    long long faces = 0;
    int collapses = 0;
    int passes = 0;
    double threshold = 0;  // the normal-deviation threshold the last pass used
    // Given a ratio or a bound (else NaN): the largest tilt of a face from
    // its normal after orientation, in degrees, and a bound on the distance
    // between the result and the input, as a fraction of the diagonal.
    double largestTilt = std::numeric_limits<double>::quiet_NaN();
    double distanceBound = std::numeric_limits<double>::quiet_NaN();
    // Processor seconds, as -D prints them.
    double loadSeconds = 0;
    double orientSeconds = 0;
    double simplifySeconds = 0;
};

struct Level {
    TriangleMesh mesh;
    // For each vertex of `mesh`, the input vertex it was kept from (a
    // vertex of the level's input; welded copies share their first's).
    std::vector<std::uint32_t> origins;
    Figures figures;
    bool targetReached = true;
};

struct Result {
    Status status;
    // One for each level done; a level left above its target ends them.
    std::vector<Level> levels;
};

// Simplifies `mesh` as the program simplifies a file: orients it, then
// collapses edges until each level's target. Level k starts from level k-1.
Result simplify(const MeshView& mesh, const Options& options, const Console& console = {});

// Reads a mesh file in the format its name gives (.smf, .off, .ply, .stl,
// .obj), with the program's readers. `weld`: as the format does by default
// (-1), or not (0) or so (1).
Status read(const std::string& path, TriangleMesh& mesh, int weld = -1, bool attributes = true,
            const Console& console = {});

// Writes `mesh` in the format its name gives, with the program's writers:
// in the form it was read in when it has one and the format is the same,
// else as the program writes that format by default.
Status write(const std::string& path, const TriangleMesh& mesh);

// What the zeq program does with a file: loads `input`, simplifies it as
// `options` say and writes each level (`output`, or with -1, -2, ... before
// the extension for several), the vertices' origins too when `origins` is
// given. `weld` as read() takes it. The console gets every line the program
// prints after its banner. The levels carry figures, not meshes.
Result simplifyFile(const std::string& input, const std::string& output, const Options& options, int weld = -1,
                    const std::string& origins = {}, const Console& console = {});

}  // namespace zeq
