#include "simplify/collapse_edge.h"

#include "simplify/evaluate_collapse.h"
#include "simplify/simplification_state.h"

namespace zeq {

namespace {

// The wing edge of F at V (its other edge there besides e), and the wing face
// across an edge from F.
EdgeId wingEdge(VertexId v, EdgeId e, FaceId f) { return otherEdgeAt(theMesh(), v, e, f); }
FaceId wingFace(VertexId v, EdgeId d, FaceId f) { return faceAcross(theMesh(), v, d, f); }

}  // namespace

bool findCollapseWings(EdgeId e, VertexId v1, VertexId v2, FaceId f1, FaceId f2, CollapseWings& wings) {
    // A self-loop has nothing to contract.
    if (v1 == v2) return false;
    wings.d1 = wingEdge(v1, e, f1);
    wings.d2 = wingEdge(v1, e, f2);
    // Each side needs its own wing edge.
    if (wings.d1 == nullptr || wings.d2 == nullptr || wings.d1 == wings.d2) return false;
    // A wing edge with a third face would keep that face on a retired edge.
    if (wings.d1->faces.size() != 2 || wings.d2->faces.size() != 2) return false;
    wings.x1 = wingFace(v1, wings.d1, f1);
    wings.x2 = wingFace(v1, wings.d2, f2);
    if (wings.x1 == nullptr || wings.x2 == nullptr) return false;
    // A wing face that is F1 or F2 means a triangle listed twice: merging it
    // into itself would leave it on retired edges.
    if (wings.x1 == f1 || wings.x1 == f2 || wings.x2 == f1 || wings.x2 == f2) return false;
    return true;
}

FaceId mergeWing(FaceId x, FaceId f, EdgeId d, EdgeId leaving) {
    const FaceEdgeList before = x->edgeList();
    x->unlinkEdge(d);
    // D in the middle of X's cycle: rotate so the kept edge, appended below,
    // lands where D stood.
    if (before.size() >= 2 && before[1] == d) {
        EdgeId first = before[0];
        x->dropEdge(first);
        x->addEdge(first);
    }
    f->unlinkEdge(d);
    const FaceEdgeList remaining = f->edgeList();
    // Each remaining edge trades F for X, from the last to the first. Taking F
    // out before putting X in gives the lists the same order as the other way
    // round (X goes to the end either way, and X is not F), and an edge never
    // holds three faces in between.
    for (std::uint32_t i = remaining.size(); i-- > 0;) {
        EdgeId g = remaining[i];
        g->unlinkFace(f);
        if (g != leaving) g->linkFace(x);
    }
    d->detachBothEnds();
    d->setCollapsed();
    return x;
}

void collapseEdge(EdgeId e, VertexId v1, VertexId v2, FaceId f1, FaceId f2, const CollapseWings& wings) {
    // Whether a vertex touches a boundary (an edge with exactly one face) can
    // change here only through F1's and F2's edges, the only edges whose face
    // lists change, or through V1's edges moving to V2. On a manifold none of
    // them has one face, before or after (the pass's filters see to that),
    // and every known boundary state stays right; otherwise the states of
    // the vertices concerned are marked unknown, to be scanned again.
    // A live face holds three edges, so the side edges and their ends fit in
    // fixed arrays; should a face ever hold more, every state is forgotten.
    EdgeId sideEdges[6];
    VertexId sideEnds[12];
    int sideCount = 0;
    int endCount = 0;
    bool boundaryNear = false;
    bool overflow = false;
    for (FaceId f : {f1, f2}) {
        for (EdgeId g : f->edges) {
            if (sideCount == 6) {
                overflow = true;
                break;
            }
            sideEdges[sideCount++] = g;
            if (g->faces.size() == 1) boundaryNear = true;
            if (g->end1 != nullptr) sideEnds[endCount++] = g->end1;
            if (g->end2 != nullptr) sideEnds[endCount++] = g->end2;
        }
    }

    // Merging F's edges into a wing face would append e behind X's surviving
    // edges, and the collapse takes it out again before anything reads X
    // (when X1 is X2, the second merge's rotation test looks only at X's
    // first two entries, which come before e). Leaving e out gives the same
    // lists and keeps every face at three edges.
    // The first merge changes no face list of D2, so X2 is still the face
    // across it.
    mergeWing(wings.x1, f1, wings.d1, e);
    mergeWing(wings.x2, f2, wings.d2, e);

    const Point3 mid = collapseMidpoint(*v1->getPosition(), *v2->getPosition());
    v2->getPosition()->set(mid.x, mid.y, mid.z);
    // What the two ends carry merges as their positions do.
    if (theMesh().attributes) theMesh().attributes->blendVertices(v2, v1);

    // Re-hang V1's remaining edges on V2, each in the end slot V1 held.
    Neighbourhood* n = theMesh().queryNeighbourhood(kEdges, v1, e, nullptr);
    bool boundaryMoved = false;
    for (EdgeId g : n->edges) {
        if (g->faces.size() == 1) boundaryMoved = true;
        v1->unlinkEdge(g);
        g->attachEnd(v2);
    }

    e->detachBothEnds();
    e->setCollapsed();
    // V1 is retired with an empty edge list; give back any storage it grew.
    v1->releaseLists();

    for (int i = 0; i < sideCount; ++i)
        if (sideEdges[i]->faces.size() == 1) boundaryNear = true;
    SweepMarks& marks = sweepMarks();
    if (boundaryNear)
        for (int i = 0; i < endCount; ++i) marks.setBoundary(sideEnds[i], SweepMarks::Boundary::Unknown);
    if (overflow) marks.forgetBoundaries();
    if (boundaryMoved) {
        marks.setBoundary(v1, SweepMarks::Boundary::Unknown);
        marks.setBoundary(v2, SweepMarks::Boundary::Unknown);
    }

    marks.setTouched(v2);
    ++currentRun().collapseCount;
}

}  // namespace zeq
