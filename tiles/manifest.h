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
//                                     (or --ratio R: COUNT is its share)
//   max-angle DEG                     only when given: the bounds asked for
//   max-error E
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
#include <limits>
#include <string>
#include <vector>

#include "io/mesh_format.h"

namespace zeq::tiles {

struct TileEntry {
    std::string name;
    long long faces = 0;
    long long vertices = 0;
    long long target = 0;  // 0 without a count
    // The bounds the tile's zeq is given (NaN: none): half the angle asked
    // for, and half the distance asked for, as a fraction of the tile's own
    // diagonal.
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
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
    // The bounds asked for (NaN: none): the largest tilt in degrees, the
    // largest distance as a fraction of the input's diagonal. Half of each
    // goes to the tiles' runs and half to the last run, so that the two
    // together stay within them.
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
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

// The arguments of the zeq run that turns DIR/NAME into DIR/simplified/NAME,
// and that run (or the copy) as a shell command.
std::vector<std::string> tileArguments(const std::string& dir, const TileEntry& tile);
std::string tileCommand(const std::string& dir, const TileEntry& tile);

// The bounds' options for a zeq run (none for NaN), each number written so
// that it reads back as the same double.
std::vector<std::string> boundArguments(double maxAngle, double maxError);

// The manifest's text, and the commands file's (one command per tile, in
// manifest order; empty without a count).
std::string manifestText(const Manifest& m, const std::string& dir);
std::string commandsText(const Manifest& m, const std::string& dir);

// Parses a manifest's text; false (with `why` set) when it is not one
// zeq-tiles wrote: a wrong first line, a missing or malformed key, tile lines
// not matching the tile count, or tile faces not adding up to the faces.
bool parseManifest(const std::string& text, Manifest& m, std::string& why);

}  // namespace zeq::tiles
