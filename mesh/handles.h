// The names by which code outside mesh/ holds on to mesh records.
#pragma once

namespace zeq {

class Vertex;
class Edge;
class Face;

// A handle names one record of the mesh. Code outside mesh/ reads a record
// through its handle (`v->edges`, `e->end1`, `f->edges`) and never learns how
// or where records are stored. A default handle names no record and compares
// equal to nullptr.
using VertexId = Vertex*;
using EdgeId = Edge*;
using FaceId = Face*;

}  // namespace zeq
