// DIR/manifest: what zeq-tiles split wrote, read back by zeq-tiles merge.
//
// A text file:
//   zeq-tiles manifest 1
//   input NAME                        the input as named on the command line
//   format FORMAT ENCODING COORDS     smf|off|ply|stl|obj, text|
//                                     binary_little_endian|binary_big_endian,
//                                     double|float
//   vertices V                        the input's vertex and face records
//   faces F
//   grid NX NY NZ
//   faces-per-tile N
//   count COUNT                       only when split was given -N COUNT
//   tiles T
//   tile NAME FACES VERTICES [TARGET COMMAND...]   T lines, in cell order
// A tile line carries its target and its command only with a count: the
// command is "zeq --origins DIR/simplified/NAME.origins -N TARGET DIR/NAME
// DIR/simplified/NAME", or "cp DIR/NAME DIR/simplified/NAME" when the target
// is not below FACES.
//
// Beside each tile, DIR/NAME.shared lists the tile's vertices that other
// tiles use too, one "TILE INPUT" line each: the vertex's number in the tile
// as zeq numbers it on loading, and in the input. A tile whose records are
// not one to a vertex (a vertex written again to carry other values at some
// corners) has DIR/NAME.origins too, as zeq --origins would write it for the
// tile as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/mesh_format.h"

namespace zeq::tiles {

struct TileEntry {
    std::string name;
    long long faces = 0;
    long long vertices = 0;
    long long target = 0;  // 0 without a count
    bool copied() const { return target >= faces; }
};

struct Manifest {
    std::string input;
    MeshFormat format = MeshFormat::Smf;
    FileFlavour flavour;
    long long vertices = 0;
    long long faces = 0;
    int grid[3] = {1, 1, 1};
    long long facesPerTile = 0;
    long long count = 0;  // 0 without -N
    std::vector<TileEntry> tiles;
};

// The target of a tile of `tileFaces` faces out of `totalFaces`: its share of
// `count` and a quarter more, rounded to nearest (halves up), at least 1. The
// tiles then leave the merged mesh above `count`, and the last run of zeq on
// it takes the rest off everywhere, across the seams too: a tile never
// collapses an edge at its cut, so seams simplified only in the tiles would
// keep the input's resolution.
long long tileTarget(long long count, long long tileFaces, long long totalFaces);

// `word` quoted for a POSIX shell when it holds anything but plain name
// characters.
std::string shellWord(const std::string& word);

// The command that turns DIR/NAME into DIR/simplified/NAME.
std::string tileCommand(const std::string& dir, const TileEntry& tile);

// The manifest's text, and the commands file's (one command per tile, in
// manifest order; empty without a count).
std::string manifestText(const Manifest& m, const std::string& dir);
std::string commandsText(const Manifest& m, const std::string& dir);

// Parses a manifest's text; false (with `why` set) when it is not one
// zeq-tiles wrote: a wrong first line, a missing or malformed key, tile lines
// not matching the tile count, or tile faces not adding up to the faces.
bool parseManifest(const std::string& text, Manifest& m, std::string& why);

}  // namespace zeq::tiles
