#include "mesh/entities.h"

#include <cstdio>

#include "mesh/mesh.h"

namespace zeq {

void Vertex::linkEdge(EdgeId e) {
    if (addEdge(e)) e->fillFreeEnd(handle());
}

void Vertex::unlinkEdge(EdgeId e) {
    if (dropEdge(e)) e->detachEnd(handle());
}

bool Edge::fillFreeEnd(VertexId v) {
    if (end1 == nullptr) {
        end1 = v;
        return true;
    }
    if (end2 == nullptr) {
        end2 = v;
        return true;
    }
    return false;
}

void Edge::attachEnd(VertexId v) {
    if (fillFreeEnd(v)) v->addEdge(handle());
}

void Edge::detachEnd(VertexId v) {
    if (end1 == v) {
        v->dropEdge(handle());
        end1 = nullptr;
    } else if (end2 == v) {
        v->dropEdge(handle());
        end2 = nullptr;
    } else {
        consolePrintf("Erro: vertice nao pertence a aresta logo nao removido!\n");
    }
}

void Edge::detachBothEnds() {
    if (end1 != nullptr) {
        end1->dropEdge(handle());
        end1 = nullptr;
    }
    if (end2 != nullptr) {
        end2->dropEdge(handle());
        end2 = nullptr;
    }
}

void Edge::linkFace(FaceId f) {
    if (addFace(f)) f->addEdge(handle());
}

void Edge::unlinkFace(FaceId f) {
    if (dropFace(f)) f->dropEdge(handle());
}

void Face::linkEdge(EdgeId e) {
    if (addEdge(e)) e->addFace(handle());
}

void Face::unlinkEdge(EdgeId e) {
    if (dropEdge(e)) e->dropFace(handle());
}

int Edge::getId() const { return theMesh().numberOf(handle()); }
void Edge::setId(int id) { theMesh().renumber(handle(), id); }
int Face::getId() const { return theMesh().numberOf(handle()); }
void Face::setId(int id) { theMesh().renumber(handle(), id); }

}  // namespace zeq
