// Bounds a run may put on collapses besides the threshold schedule: how far
// a face may tilt, and how far the simplified surface may stray from the
// input's.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "mesh/mesh.h"

namespace zeq {

// How far the surface may have moved, kept per face: a distance d such that
// every point of the face lies within d of the input surface, and every
// point of the part of the input surface the face stands for lies within d
// of the face. Every input face starts at 0, standing for itself.
//
// A collapse replaces the faces around the edge's ends (the old star) by
// the faces around the midpoint (the new star), over the same ring of outer
// corners. If G bounds the Hausdorff distance between the two stars, every
// point of a new face lies within G of the old star and so within (the
// largest d of the old star) + G of the input, and every point the old
// faces stood for lies within that of the new star: each face of the new
// star gets that distance (see starGap for G). Faces elsewhere do not move.
// By induction the largest d of the live faces bounds the Hausdorff distance
// between the result and the input, in both directions, up to the rounding
// of double arithmetic. It is a bound, not an estimate: the gaps of the
// collapses in a region add up.
struct CollapseBounds {
    // The smallest cosine a face's normal may reach against the normal the
    // orientation gave it; minus infinity without a bound.
    double cosineFloor = -std::numeric_limits<double>::infinity();
    // The largest distance a face may reach; infinity without a bound.
    double maxDistance = std::numeric_limits<double>::infinity();
    // Whether distances are kept (any bound asked for, or its report).
    bool tracking = false;
    // Per face, by handle index.
    std::vector<double> faceDistance;
    // The faces around the candidate evaluateCollapse accepted last, each
    // once, and the distance they get from its collapse.
    std::vector<FaceId> star;
    double pending = 0;

    // Refusals by the distance bound, remembered: the test depends only on
    // the faces around the edge's ends (which faces, their corners'
    // positions, their distances), and those change only when a collapse
    // takes place among them. So an edge refused once is refused again
    // until a collapse touches a face around either end, and its test need
    // not be made again until then. Times count collapses (collapseCount +
    // 1 at the moment, 0 for never). Both lists are made at the first
    // refusal, so runs that meet none keep nothing.
    std::vector<std::uint32_t> changedAt;  // per vertex: a collapse among its faces last
    std::vector<std::uint32_t> refusedAt;  // per edge: the bound refused it last
};

// Starts keeping distances for the faces of `mesh` (all 0: the input).
void startTrackingDistances(const Mesh& mesh);

// After the collapse evaluateCollapse accepted last: the faces around its
// midpoint get their distance.
void recordCollapseDistance();

// Before the collapse evaluateCollapse accepted last: the corners of the
// faces around its ends see their surroundings change now.
void noteCollapseRegion();

// After evaluateCollapse found `e` TooFar.
void noteDistanceRefusal(EdgeId e);

// The largest angle, in degrees, between a live face's normal as its
// corners stand and the normal the orientation gave it; 0 for a mesh
// without faces. Faces without a normal (degenerate) are left out.
double largestTilt(const Mesh& mesh);

// The largest distance of a live face (0 without tracking).
double largestDistance(const Mesh& mesh);

// The length of the diagonal of the box around every vertex of `mesh`.
double boxDiagonal(const Mesh& mesh);

}  // namespace zeq
