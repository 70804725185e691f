// The incidence lists against plain vectors: an edge's faces and a face's edges
// (SlotList), a vertex's edges (HandleList). Long runs of random operations
// are applied to a list and to a std::vector model side by side, and after
// every step every way of reading the list must agree with the model.
#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

template <class H>
std::string show(const std::vector<H>& hs) {
    std::ostringstream out;
    out << '[';
    for (std::size_t i = 0; i < hs.size(); ++i) {
        if (i != 0) out << ' ';
        if (hs[i])
            out << hs[i].index();
        else
            out << '-';
    }
    out << ']';
    return out.str();
}

template <class H>
bool holds(const std::vector<H>& model, H h) {
    return std::find(model.begin(), model.end(), h) != model.end();
}

// The model's removal: the first occurrence goes, the rest keep their order.
template <class H>
bool eraseFirst(std::vector<H>& model, H h) {
    const auto it = std::find(model.begin(), model.end(), h);
    if (it == model.end()) return false;
    model.erase(it);
    return true;
}

// Collects the readings that disagree with the model. Once a list and its
// model diverge every later step disagrees too, so each reading is reported
// only at its first disagreement, with the list and the step that led to it;
// the run goes on, and the other readings still get their own first report.
class Disagreements {
public:
    // Names the step just made, as reports will show it (built only for them).
    void setStep(std::function<std::string()> step) { step_ = std::move(step); }
    template <class Detail>
    void check(bool agree, const std::string& list, const char* reading, Detail detail) {
        if (agree || !reported_.insert(reading).second) return;
        ADD_FAILURE() << list << ": " << reading << " disagrees with the plain list after " << step_() << ": "
                      << detail();
    }

private:
    std::function<std::string()> step_ = [] { return std::string("the start"); };
    std::set<std::string> reported_;
};

// Compares the readings of `list` with `model`: size, empty and contains for
// each of `probes` always; with `positional` also contains of the null handle,
// operator[], front and the walk from begin to end. Positional readings of a
// long vertex list squeeze out the holes its lazy removals leave (and so does
// a search for the null handle), so a run that wants holes to pile up reads
// by position only now and then.
template <class List, class H>
void compare(Disagreements& d, const std::string& name, const List& list, const std::vector<H>& model,
             const std::vector<H>& probes, bool positional) {
    const auto listed = [&] { return "plain list " + show(model); };
    d.check(list.size() == model.size(), name, "size()",
            [&] { return std::to_string(list.size()) + " entries, " + listed(); });
    d.check(list.empty() == model.empty(), name, "empty()",
            [&] { return std::string(list.empty() ? "empty" : "not empty") + " at size() " +
                         std::to_string(list.size()) + ", " + listed(); });
    for (const H h : probes)
        d.check(list.contains(h) == holds(model, h), name, "contains()",
                [&] { return "entry " + std::to_string(h.index()) + ", " + listed(); });
    if (!positional) return;
    d.check(!list.contains(H{}), name, "contains(null)", listed);
    const std::size_t n = std::min<std::size_t>(list.size(), model.size());
    std::vector<H> byIndex;
    for (std::uint32_t i = 0; i < n; ++i) byIndex.push_back(list[i]);
    d.check(std::equal(byIndex.begin(), byIndex.end(), model.begin()), name, "operator[]",
            [&] { return show(byIndex) + ", " + listed(); });
    if (n > 0) {
        d.check(list.front() == model.front(), name, "front()",
                [&] { return std::to_string(list.front().index()) + ", " + listed(); });
    }
    const std::vector<H> walked(list.begin(), list.end());
    d.check(walked == model, name, "begin()..end()", [&] { return show(walked) + ", " + listed(); });
    std::vector<H> ranged;
    for (const H h : list) ranged.push_back(h);
    d.check(ranged == model, name, "range for", [&] { return show(ranged) + ", " + listed(); });
}

// One record's list under test, reached through the record every time (making
// records may move them all) and changed either through the list itself or
// through the record's own operations.
template <class List, class H>
struct Subject {
    std::string name;
    std::function<List&()> list;
    std::function<List()> snapshot;  // the record's snapshot operation
    std::function<bool(H)> add;      // the record's add-if-absent
    std::function<bool(H)> drop;     // the record's first-occurrence removal
    std::function<void()> release;   // the record's releaseLists
};

// A copy of some list kept alive across later steps, with its own model.
template <class List, class H>
struct Kept {
    std::unique_ptr<List> list;
    std::vector<H> model;
};

// Random runs over one or more records' short lists (SlotList), each with its
// own model, and a common pool of copies. Every operation of the list is
// used: pushBack (duplicates allowed), addIfAbsent, removeFirst of entries
// present (duplicates included) and absent, clear, release, snapshots through
// the record and by copy construction, assignment in both directions and to
// itself, and changes made to the copies. Lists are kept between 0 and
// `maxSize` entries, across the number the record holds inline.
template <class List, class H>
class ShortListRun {
public:
    ShortListRun(std::vector<Subject<List, H>> subjects, std::vector<H> pool, std::uint32_t seed, std::size_t maxSize)
        : subjects_(std::move(subjects)), models_(subjects_.size()), pool_(std::move(pool)), random_(seed),
          maxSize_(maxSize) {}

    // Runs `steps` operations on randomly chosen records. The list just
    // changed is compared after every step, the kept copies every fourth
    // step, every list each `fullEvery` steps and at the end. `midway` runs
    // once half way through.
    void run(int steps, int fullEvery, const std::function<void()>& midway = {}) {
        for (int step = 0; step < steps; ++step) {
            if (midway && step == steps / 2) {
                midway();
                compareAll("the records moved");
            }
            const std::size_t s = random_.below(subjects_.size());
            const std::string what = apply(s);
            disagreements_.setStep([step, what] { return "step " + std::to_string(step) + " (" + what + ")"; });
            compareOne(s);
            if (step % 4 == 0)
                for (const auto& k : kept_) compare(disagreements_, "kept copy", *k.list, k.model, pool_, true);
            if ((step + 1) % fullEvery == 0) compareAll("step " + std::to_string(step));
        }
        compareAll("the last step");
    }

    // The largest size any list reached: the run must have gone well past
    // the entries a record holds inline.
    std::size_t largest() const { return largest_; }

private:
    void compareOne(std::size_t s) {
        compare(disagreements_, subjects_[s].name, subjects_[s].list(), models_[s], pool_, true);
    }
    void compareAll(const std::string& when) {
        disagreements_.setStep([when] { return when; });
        for (std::size_t s = 0; s < subjects_.size(); ++s) compareOne(s);
        for (const auto& k : kept_) compare(disagreements_, "kept copy", *k.list, k.model, pool_, true);
    }

    H anyHandle() { return pool_[random_.below(pool_.size())]; }
    std::string named(const char* op, H h) { return std::string(op) + "(" + std::to_string(h.index()) + ")"; }

    void keep(std::unique_ptr<List> list, const std::vector<H>& model) {
        if (kept_.size() == kMaxKept) kept_.erase(kept_.begin() + random_.below(kept_.size()));
        kept_.push_back({std::move(list), model});
    }

    // One random operation on subject s (or on a kept copy); returns its name.
    std::string apply(std::size_t s) {
        const Subject<List, H>& subject = subjects_[s];
        std::vector<H>& model = models_[s];
        const bool viaRecord = random_.oneIn(2);
        int op = static_cast<int>(random_.below(20));
        // A full list only shrinks; an empty one has nothing to remove.
        if (model.size() >= maxSize_ && op < 7) op = 7;
        if (model.empty() && op >= 7 && op <= 10) op = 0;
        std::string what;
        switch (op) {
            case 0: case 1: case 2: case 3: {
                const H h = random_.oneIn(3) && !model.empty() ? model[random_.below(model.size())] : anyHandle();
                subject.list().pushBack(h);
                model.push_back(h);
                what = named("pushBack", h);
                break;
            }
            case 4: case 5: case 6: {
                const H h = anyHandle();
                const bool absent = !holds(model, h);
                if (absent) model.push_back(h);
                const bool added = viaRecord ? subject.add(h) : subject.list().addIfAbsent(h);
                what = named(viaRecord ? "record add" : "addIfAbsent", h);
                disagreements_.check(added == absent, subject.name, "addIfAbsent result",
                                     [&] { return std::to_string(added) + " after " + what; });
                break;
            }
            case 7: case 8: case 9: case 10: {
                const H h = model[random_.below(model.size())];
                eraseFirst(model, h);
                const bool removed = viaRecord ? subject.drop(h) : subject.list().removeFirst(h);
                what = named(viaRecord ? "record drop present" : "removeFirst present", h);
                disagreements_.check(removed, subject.name, "removeFirst result",
                                     [&] { return "false after " + what; });
                break;
            }
            case 11: {
                const H h = anyHandle();
                const bool present = eraseFirst(model, h);
                const bool removed = viaRecord ? subject.drop(h) : subject.list().removeFirst(h);
                what = named(viaRecord ? "record drop any" : "removeFirst any", h);
                disagreements_.check(removed == present, subject.name, "removeFirst result",
                                     [&] { return std::to_string(removed) + " after " + what; });
                break;
            }
            case 12:
                if (!random_.oneIn(3)) return apply(s);  // emptying every list too often leaves them short
                subject.list().clear();
                model.clear();
                what = "clear";
                break;
            case 13:
                if (!random_.oneIn(2)) return apply(s);
                if (viaRecord)
                    subject.release();
                else
                    subject.list().release();
                model.clear();
                what = viaRecord ? "record releaseLists" : "release";
                break;
            case 14:
                keep(std::make_unique<List>(subject.snapshot()), model);
                what = "record snapshot";
                break;
            case 15:
                keep(std::make_unique<List>(subject.list()), model);
                what = "copy construction";
                break;
            case 16: {
                if (kept_.empty()) return apply(s);
                const Kept<List, H>& k = kept_[random_.below(kept_.size())];
                subject.list() = *k.list;
                model = k.model;
                what = "assignment from a kept copy";
                break;
            }
            case 17: {
                if (kept_.empty()) return apply(s);
                Kept<List, H>& k = kept_[random_.below(kept_.size())];
                *k.list = subject.list();
                k.model = model;
                what = "assignment to a kept copy";
                break;
            }
            case 18: {
                // A kept copy changes on its own; the record must not notice.
                if (kept_.empty()) return apply(s);
                Kept<List, H>& k = kept_[random_.below(kept_.size())];
                if (k.model.size() < maxSize_ && (k.model.empty() || random_.oneIn(2))) {
                    const H h = anyHandle();
                    k.list->pushBack(h);
                    k.model.push_back(h);
                    what = named("pushBack on a kept copy", h);
                } else {
                    const H h = k.model[random_.below(k.model.size())];
                    k.list->removeFirst(h);
                    eraseFirst(k.model, h);
                    what = named("removeFirst on a kept copy", h);
                }
                break;
            }
            default: {
                if (random_.oneIn(2) && !kept_.empty()) {
                    kept_.erase(kept_.begin() + random_.below(kept_.size()));
                    what = "a kept copy destroyed";
                } else {
                    List& list = subject.list();
                    List& same = list;
                    list = same;
                    what = "assignment to itself";
                }
                break;
            }
        }
        largest_ = std::max(largest_, model.size());
        return subject.name + " " + what;
    }

    static constexpr std::size_t kMaxKept = 6;
    std::vector<Subject<List, H>> subjects_;
    std::vector<std::vector<H>> models_;
    std::vector<H> pool_;
    std::vector<Kept<List, H>> kept_;
    Random random_;
    std::size_t maxSize_;
    std::size_t largest_ = 0;
    Disagreements disagreements_;
};

// Records made for these tests alone, in no list of one another: every list
// holds only what a test puts there.
VertexId looseVertex() {
    const VertexId v = theMesh().newVertex(static_cast<int>(theMesh().createdVertices()), Point3{});
    theMesh().addVertex(v);
    return v;
}
EdgeId looseEdge() {
    const EdgeId e = theMesh().newEdge(static_cast<int>(theMesh().createdEdges()), VertexId{}, VertexId{});
    theMesh().addEdge(e);
    return e;
}
FaceId looseFace() {
    const FaceId f = theMesh().newFace(static_cast<int>(theMesh().createdFaces()), FaceEdgeList{});
    theMesh().addFace(f);
    return f;
}

Subject<EdgeFaceList, FaceId> faceListOf(EdgeId e) {
    return {"edge " + std::to_string(e.index()) + " faces",
            [e]() -> EdgeFaceList& { return e->faces; },
            [e] { return e->faceList(); },
            [e](FaceId f) { return e->addFace(f); },
            [e](FaceId f) { return e->dropFace(f); },
            [e] { e->releaseLists(); }};
}
Subject<FaceEdgeList, EdgeId> edgeListOf(FaceId f) {
    return {"face " + std::to_string(f.index()) + " edges",
            [f]() -> FaceEdgeList& { return f->edges; },
            [f] { return f->edgeList(); },
            [f](EdgeId e) { return f->addEdge(e); },
            [f](EdgeId e) { return f->dropEdge(e); },
            [f] { f->releaseLists(); }};
}

// Makes records of one kind until the first one has moved: the array holding
// them has grown into a new place, carrying every list along byte by byte.
template <class Make, class H>
void makeRecordsUntilMoved(H first, Make make) {
    const auto* before = theMesh().record(first);
    for (int i = 0; i < (1 << 22) && theMesh().record(first) == before; ++i) make();
    ASSERT_NE(theMesh().record(first), before) << "the records never moved";
}

using SlotListModel = GlobalMeshTest;

TEST_F(SlotListModel, EdgeFaceListBehavesLikeAPlainList) {
    const EdgeId e = looseEdge();
    std::vector<FaceId> pool;
    for (int i = 0; i < 12; ++i) pool.push_back(looseFace());
    ShortListRun<EdgeFaceList, FaceId> run({faceListOf(e)}, pool, 20240611u, 10);
    run.run(6000, 50);
    EXPECT_GE(run.largest(), 8u);
}

TEST_F(SlotListModel, FaceEdgeListBehavesLikeAPlainList) {
    const FaceId f = looseFace();
    std::vector<EdgeId> pool;
    for (int i = 0; i < 12; ++i) pool.push_back(looseEdge());
    ShortListRun<FaceEdgeList, EdgeId> run({edgeListOf(f)}, pool, 777u, 10);
    run.run(6000, 50);
    EXPECT_GE(run.largest(), 8u);
}

// Many edges spill and release in turn, so the numbers of released side lists
// are handed to other lists (records and copies) while copies of spilled lists
// live on; half way the edge array grows and moves every list.
TEST_F(SlotListModel, ManyEdgeFaceListsSpillAndReleaseInTurn) {
    std::vector<FaceId> pool;
    for (int i = 0; i < 10; ++i) pool.push_back(looseFace());
    std::vector<Subject<EdgeFaceList, FaceId>> subjects;
    for (int i = 0; i < 40; ++i) subjects.push_back(faceListOf(looseEdge()));
    const EdgeId first = theMesh().edges[0];
    ShortListRun<EdgeFaceList, FaceId> run(subjects, pool, 99u, 7);
    run.run(8000, 200, [&] { makeRecordsUntilMoved(first, [] { looseEdge(); }); });
}

TEST_F(SlotListModel, ManyFaceEdgeListsSpillAndReleaseInTurn) {
    std::vector<EdgeId> pool;
    for (int i = 0; i < 10; ++i) pool.push_back(looseEdge());
    std::vector<Subject<FaceEdgeList, EdgeId>> subjects;
    for (int i = 0; i < 40; ++i) subjects.push_back(edgeListOf(looseFace()));
    const FaceId first = theMesh().faces[0];
    ShortListRun<FaceEdgeList, EdgeId> run(subjects, pool, 4242u, 8);
    run.run(8000, 200, [&] { makeRecordsUntilMoved(first, [] { looseFace(); }); });
}

// The same steps spelled out: a copy of a spilled list keeps its entries while
// the original is released, its side list goes to another edge, and the
// original spills again; then the copy is destroyed and its side list reused.
TEST_F(SlotListModel, CopyOfASpilledListOutlivesTheOriginalsChanges) {
    const EdgeId a = looseEdge(), b = looseEdge(), c = looseEdge();
    std::vector<FaceId> f;
    for (int i = 0; i < 8; ++i) f.push_back(looseFace());
    using Faces = std::vector<FaceId>;
    auto entries = [](const EdgeFaceList& list) { return Faces(list.begin(), list.end()); };
    for (int i : {0, 1, 2, 3}) a->addFace(f[i]);
    auto copy = std::make_unique<EdgeFaceList>(a->faceList());
    a->releaseLists();
    EXPECT_EQ(entries(a->faces), Faces{});
    for (int i : {4, 5, 6}) b->addFace(f[i]);
    for (int i : {7, 6, 5}) a->addFace(f[i]);
    EXPECT_EQ(entries(*copy), (Faces{f[0], f[1], f[2], f[3]}));
    EXPECT_EQ(entries(b->faces), (Faces{f[4], f[5], f[6]}));
    EXPECT_EQ(entries(a->faces), (Faces{f[7], f[6], f[5]}));
    copy->removeFirst(f[1]);
    EXPECT_EQ(entries(*copy), (Faces{f[0], f[2], f[3]}));
    copy.reset();
    for (int i : {0, 1, 2}) c->addFace(f[i]);
    b->dropFace(f[5]);
    a->dropFace(f[7]);
    EXPECT_EQ(entries(c->faces), (Faces{f[0], f[1], f[2]}));
    EXPECT_EQ(entries(b->faces), (Faces{f[4], f[6]}));
    EXPECT_EQ(entries(a->faces), (Faces{f[6], f[5]}));
    // An assignment replaces a spilled list by an inline one and back.
    a->faces = b->faces;
    EXPECT_EQ(entries(a->faces), (Faces{f[4], f[6]}));
    a->faces = c->faces;
    c->releaseLists();
    EXPECT_EQ(entries(a->faces), (Faces{f[0], f[1], f[2]}));
    EXPECT_TRUE(c->faces.empty());
}

// A list that spilled and then lost all its entries is empty, whether the
// entries were removed one by one or cleared: empty() agrees with size().
TEST_F(SlotListModel, SpilledListEmptiedAgainIsEmpty) {
    const EdgeId e = looseEdge(), g = looseEdge();
    std::vector<FaceId> f;
    for (int i = 0; i < 3; ++i) f.push_back(looseFace());
    for (const FaceId h : f) {
        e->linkFace(h);
        g->addFace(h);
    }
    for (const FaceId h : f) e->unlinkFace(h);
    EXPECT_EQ(e->faces.size(), 0u);
    EXPECT_TRUE(e->faces.empty());
    g->faces.clear();
    EXPECT_EQ(g->faces.size(), 0u);
    EXPECT_TRUE(g->faces.empty());
    // The same for a face's edges, four of them.
    const FaceId x = looseFace();
    std::vector<EdgeId> edges;
    for (int i = 0; i < 4; ++i) edges.push_back(looseEdge());
    for (const EdgeId h : edges) x->addEdge(h);
    for (const EdgeId h : edges) x->dropEdge(h);
    EXPECT_EQ(x->edges.size(), 0u);
    EXPECT_TRUE(x->edges.empty());
}

// ---------------------------------------------------------------------------
// A vertex's edge list, long enough to spill and to remove lazily, shrunk to
// nothing and grown again; the existing test of it keeps it long throughout.

using VertexListModel = GlobalMeshTest;

// Cycles of growth past the inline entries and past the lazy-removal length,
// removal in sweeps (forward, backward, scattered) down to nothing or to a
// few entries, and regrowth; reads by position only now and then, so holes
// pile up between them. Copies are taken of lists with holes, assigned over
// lists with holes, and kept across later cycles.
TEST_F(VertexListModel, SpillShrinkAndRegrowLikeAPlainList) {
    std::vector<EdgeId> pool;
    for (int i = 0; i < 300; ++i) pool.push_back(looseEdge());
    const VertexId v = looseVertex();
    const VertexId other = looseVertex();  // receives assignments
    std::vector<EdgeId> model, otherModel;
    std::vector<Kept<VertexEdgeList, EdgeId>> kept;
    Random random(31337u);
    Disagreements d;
    int step = 0;
    // Searches for some entries present in a list and some picked at random.
    auto probesFor = [&](const std::vector<EdgeId>& of, int count) {
        std::vector<EdgeId> out;
        for (int i = 0; i < count; ++i) {
            out.push_back(pool[random.below(pool.size())]);
            if (!of.empty()) out.push_back(of[random.below(of.size())]);
        }
        return out;
    };
    auto check = [&](const std::string& what, bool positional) {
        d.setStep([n = step++, what] { return "step " + std::to_string(n) + " (" + what + ")"; });
        compare(d, "vertex edges", v->edges, model, probesFor(model, positional ? 16 : 3), positional);
        if (positional) {
            compare(d, "other vertex edges", other->edges, otherModel, probesFor(otherModel, 16), true);
            for (const auto& k : kept) compare(d, "kept copy", *k.list, k.model, probesFor(k.model, 16), true);
        }
    };
    auto add = [&](EdgeId e) {
        const bool absent = !holds(model, e);
        if (absent) model.push_back(e);
        d.check(v->addEdge(e) == absent, "vertex edges", "addEdge result", [&] { return std::to_string(e.index()); });
    };
    auto drop = [&](EdgeId e) {
        const bool present = eraseFirst(model, e);
        d.check(v->dropEdge(e) == present, "vertex edges", "dropEdge result", [&] { return std::to_string(e.index()); });
    };
    auto sometimesPositional = [&] { return random.oneIn(16); };

    for (int cycle = 0; cycle < 24; ++cycle) {
        // Grow: sometimes past the lazy length, sometimes only past the inline entries.
        const std::size_t target = cycle % 3 == 2 ? 9 + random.below(20) : 70 + random.below(180);
        while (model.size() < target) {
            add(pool[random.below(pool.size())]);
            check("grow to " + std::to_string(target), sometimesPositional());
        }
        // A copy of a list with holes is taken, before the holes are read away.
        if (cycle % 2 == 1) {
            kept.push_back({std::make_unique<VertexEdgeList>(v->edgeList()), model});
            if (kept.size() > 3) kept.erase(kept.begin());
            check("snapshot", false);
        }
        // Shrink: in list order, in reverse, or scattered, with absent drops mixed in.
        const std::size_t floor = cycle % 4 == 0 ? 0 : random.below(12);
        const int order = cycle % 3;
        while (model.size() > floor) {
            std::size_t i = order == 0 ? random.below(std::min<std::size_t>(3, model.size()))
                            : order == 1 ? model.size() - 1 - random.below(std::min<std::size_t>(3, model.size()))
                                         : random.below(model.size());
            if (random.oneIn(10))
                drop(pool[random.below(pool.size())]);
            else
                drop(model[i]);
            check("shrink to " + std::to_string(floor), sometimesPositional());
            // Now and then mid-sweep: a copy, an assignment, an add, a clear.
            switch (random.below(40)) {
                case 0:
                    kept.push_back({std::make_unique<VertexEdgeList>(v->edges), model});
                    if (kept.size() > 3) kept.erase(kept.begin());
                    check("copy construction", false);
                    break;
                case 1:
                    other->edges = v->edges;
                    otherModel = model;
                    check("assignment to the other vertex", true);
                    break;
                case 2:
                    if (kept.empty()) break;
                    v->edges = *kept.front().list;
                    model = kept.front().model;
                    check("assignment from a kept copy", true);
                    break;
                case 3:
                    add(pool[random.below(pool.size())]);
                    check("add mid-sweep", false);
                    break;
                case 4:
                    if (random.oneIn(4)) {
                        v->edges.clear();
                        model.clear();
                        check("clear", false);
                    }
                    break;
                default:
                    break;
            }
        }
        check("cycle end", true);
        if (cycle % 5 == 4) {
            v->releaseLists();
            model.clear();
            check("releaseLists", true);
        }
        // The other vertex takes its turn at being changed and released.
        if (cycle % 6 == 5) {
            for (int i = 0; i < 40; ++i) {
                const EdgeId e = pool[random.below(pool.size())];
                if (!holds(otherModel, e)) otherModel.push_back(e);
                other->addEdge(e);
            }
            for (int i = 0; i < 30; ++i) {
                const EdgeId e = otherModel[random.below(otherModel.size())];
                eraseFirst(otherModel, e);
                other->dropEdge(e);
            }
            check("the other vertex changed", true);
            other->releaseLists();
            otherModel.clear();
        }
    }
    check("the end", true);
}

}  // namespace
}  // namespace zeq::test
