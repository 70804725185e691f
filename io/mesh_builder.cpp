#include "io/mesh_builder.h"

#include <cstdio>

namespace zeq {

void MeshBuilder::header(int vertexCount, int faceCount) {
    consolePrintf(" #Vertices = %d\n #Edges = ??\n #Faces = %d\n", vertexCount, faceCount);
}

void MeshBuilder::vertex(double x, double y, double z) {
    VertexId v = mesh_.newVertex(nextVertexId_++, Point3{x, y, z});
    mesh_.addVertex(v);
}

void MeshBuilder::verticesDone() {
    if (messages_ == LoadMessages::Smf) consolePrintf(" %d <Vertices>\n", static_cast<int>(mesh_.vertices.size()));
    reserveFaceLists(mesh_);
}

void MeshBuilder::endedInFaces() {
    pending_.flush();
    if (messages_ == LoadMessages::Totals) consolePrintf(" %d <Vertices>\n", static_cast<int>(mesh_.vertices.size()));
    if (messages_ == LoadMessages::Off) {
        consolePrintf("Total Arestas= %d\n", static_cast<int>(mesh_.edges.size()));
        consolePrintf("Total Faces= %d\n", static_cast<int>(mesh_.faces.size()));
        consolePrintf("Fim da leitura do ficheiro -> %s\n", name_);
    } else {
        consolePrintf(" %d <Edges>\n", static_cast<int>(mesh_.edges.size()));
        consolePrintf(" %d <Faces>\n", static_cast<int>(mesh_.faces.size()));
    }
}

}  // namespace zeq
