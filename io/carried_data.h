// What a file holds besides positions and triangles, as its writer needs it
// to write the same kind of file back: the layout of its records, the lines
// and elements it copies through, and what it could not carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/attributes.h"

namespace zeq {

// A property of a PLY element as the header declares it, and what the load
// made of it.
struct PlyProperty {
    enum class Role : std::uint8_t {
        X,             // the vertex's coordinates
        Y,
        Z,
        Corners,       // the face's vertex list
        CornerValues,  // a face list of two values per corner (texture coordinates)
        Value,         // a scalar kept in the element's records, at `channel`
        Dropped,       // a list the program cannot carry
    };
    std::string name;
    bool list = false;
    ScalarType countType = ScalarType::UInt8;  // lists only
    ScalarType type = ScalarType::Float32;     // the scalar's, or the list items'
    Role role = Role::Dropped;
    int channel = -1;  // Value: in the vertex or face layout; CornerValues: the first of two in the vertex layout
    int cornerChannel = -1;  // a face's material: also given to its corners, at this vertex channel
};

// An element copied from input to output unchanged (one that names no vertex).
struct PlyElementCopy {
    std::string name;
    std::uint64_t count = 0;
    std::vector<std::string> propertyLines;  // "property ..." as the header gave them
    std::string body;                        // the records' bytes (binary) or lines (text)
};

struct PlyCarried {
    std::vector<std::string> comments;  // "comment ..." and "obj_info ..." lines, in order
    std::vector<PlyProperty> vertexProperties;
    std::vector<PlyProperty> faceProperties;
    // The elements in file order: "vertex", "face", or an index into copies
    // (as its name; copies are looked up by name).
    std::vector<std::string> elementOrder;
    std::vector<PlyElementCopy> copies;
};

// What an OBJ file carries besides positions and triangles, as its writer
// needs it.
struct ObjCarried {
    // The statements a face is under: "o", "g", "s" and "usemtl".
    enum Statement { Object, Group, Smoothing, Material, kStatements };
    static constexpr const char* kKeywords[kStatements] = {"o", "g", "s", "usemtl"};

    std::vector<std::string> mtllibs;  // the "mtllib" lines as they were
    // The names given to each statement, in order of first appearance;
    // number 0 is none (a face before any such line).
    std::vector<std::string> names[kStatements];
    // The face channel of each statement, -1 when the file has none.
    int faceChannel[kStatements] = {-1, -1, -1, -1};
    // The first vertex channel of the colour (red green blue), the texture
    // coordinates (u v w) and the normal (nx ny nz); -1 when absent.
    int colourChannel = -1;
    int texcoordChannel = -1;
    int normalChannel = -1;
    int texcoordComponents = 0;  // the most numbers a "vt" line gave (1 to 3)
};

// What an STL file carries besides its triangles.
struct StlCarried {
    // Binary: the header's default colour, the four bytes after "COLOR="
    // (when the header has them), and each facet's attribute bytes (a
    // 15-bit colour by the same convention) at this face channel.
    bool headerColour = false;
    unsigned char colour[4] = {0, 0, 0, 0};
    int attributeChannel = -1;
    // Text of several solids: their names, and the face channel of the
    // solid each face was in.
    std::vector<std::string> solidNames;
    int solidChannel = -1;
};

struct CarriedData {
    // One console line each for what the load could not carry.
    std::vector<std::string> notes;
    PlyCarried ply;
    ObjCarried obj;
    StlCarried stl;
};

}  // namespace zeq
