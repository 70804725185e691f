#include "mesh/entities.h"

#include <cstdio>

namespace zeq {

void Vertex::linkEdge(Edge* e) {
    if (addEdge(e)) e->fillFreeEnd(this);
}

void Vertex::unlinkEdge(Edge* e) {
    if (dropEdge(e)) e->detachEnd(this);
}

bool Edge::fillFreeEnd(Vertex* v) {
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

void Edge::attachEnd(Vertex* v) {
    if (fillFreeEnd(v)) v->addEdge(this);
}

void Edge::detachEnd(Vertex* v) {
    if (end1 == v) {
        v->dropEdge(this);
        end1 = nullptr;
    } else if (end2 == v) {
        v->dropEdge(this);
        end2 = nullptr;
    } else {
        std::printf("Erro: vertice nao pertence a aresta logo nao removido!\n");
    }
}

void Edge::detachBothEnds() {
    if (end1 != nullptr) {
        end1->dropEdge(this);
        end1 = nullptr;
    }
    if (end2 != nullptr) {
        end2->dropEdge(this);
        end2 = nullptr;
    }
}

void Edge::linkFace(Face* f) {
    if (addFace(f)) f->addEdge(this);
}

void Edge::unlinkFace(Face* f) {
    if (dropFace(f)) f->dropEdge(this);
}

void Face::linkEdge(Edge* e) {
    if (addEdge(e)) e->addFace(this);
}

void Face::unlinkEdge(Edge* e) {
    if (dropEdge(e)) e->dropFace(this);
}

}  // namespace zeq
