// The file formats a mesh comes in, told apart by the input's name.
#pragma once

#include <memory>

namespace zeq {

struct CarriedData;

enum class MeshFormat { Smf, Off, Ply, Stl, Obj };

// How the PLY, STL and OBJ writers name the program in the files they write.
inline constexpr const char* kProducerName = "ZEQ 1.22a";

// A name ending in ".ply", ".stl" or ".obj" (any case) is that format; one
// whose last three characters are o, f, f in any case is OFF; every other
// name is SMF. The output is always written in the input's format.
MeshFormat formatOfName(const char* fileName);

// Whether a load makes vertex records with equal positions one vertex unless
// told otherwise: PLY and OBJ do, since exporters store a vertex per corner,
// seam or hard edge; SMF and OFF do not. STL corners are always welded (an
// STL file has no vertices of its own to keep).
bool weldsByDefault(MeshFormat format);

// How the input was encoded, so that the output can be written alike: a
// binary PLY or STL input gives a binary output (a PLY in the same byte
// order), text gives text, and a PLY keeps its coordinate type.
struct FileFlavour {
    enum class Encoding { Text, BinaryLittleEndian, BinaryBigEndian };
    Encoding encoding = Encoding::Text;
    // PLY: the coordinates are doubles; otherwise floats, and each written
    // coordinate is the single-precision rounding of the computed double.
    bool doubleCoordinates = true;
    // What the file carries besides the mesh, for its writer: null when the
    // load carried nothing (the writers then write positions and triangles
    // alone).
    std::shared_ptr<const CarriedData> carried;

    bool binary() const { return encoding != Encoding::Text; }
    bool bigEndian() const { return encoding == Encoding::BinaryBigEndian; }
};

}  // namespace zeq
