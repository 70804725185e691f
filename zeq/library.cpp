// The library's entry points: each call is a run of its own, on the calling
// thread, with its console lines sent to the caller's Console.
#include <charconv>
#include <climits>
#include <cmath>
#include <new>
#include <string>

#include "io/carried_data.h"
#include "io/mesh_files.h"
#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "zeq/mesh_arrays.h"
#include "zeq/messages.h"
#include "zeq/run_request.h"
#include "zeq/zeq.h"

namespace zeq {

namespace {

// A run bound to the calling thread for the length of a call, printing on
// the caller's console.
class LibraryRun {
public:
    explicit LibraryRun(const Console& console) : scope_(run_) {
        if (console) {
            run_.console.write = [](void* context, const char* text, std::size_t length) {
                (*static_cast<const Console*>(context))(std::string_view(text, length));
            };
            run_.console.context = const_cast<Console*>(&console);
        }
    }
    RunState& run() { return run_; }

private:
    RunState run_;
    RunScope scope_;
};

Status failed(Failure failure, const char* message) { return Status{failure, message}; }

// The shortest decimal that reads back as `ratio`: what a user who wrote
// 0.29 meant, so that 0.29 of 100 faces is 29.
std::string decimalOf(double ratio) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, ratio).ptr;
    return std::string(text, end);
}

// Whether the options hold together, as the program's line must: targets of
// one kind, each below the one before, ratios strictly between 0 and 1, the
// bounds in their ranges.
bool validOptions(const Options& o) {
    if (!o.faces.empty() && !o.ratios.empty()) return false;
    for (std::size_t i = 1; i < o.faces.size(); ++i)
        if (!(o.faces[i] < o.faces[i - 1])) return false;
    long long unused = 0;
    for (std::size_t i = 0; i < o.ratios.size(); ++i) {
        if (!std::isfinite(o.ratios[i]) || !ratioOfFaces(decimalOf(o.ratios[i]).c_str(), 0, unused)) return false;
        if (i > 0 && !(o.ratios[i] < o.ratios[i - 1])) return false;
    }
    if (!std::isnan(o.maxAngle) && !(o.maxAngle >= 0 && o.maxAngle <= 180)) return false;
    if (!std::isnan(o.maxError) && !(o.maxError >= 0 && std::isfinite(o.maxError))) return false;
    return true;
}

bool reports(const Options& o) { return !o.ratios.empty() || !std::isnan(o.maxAngle) || !std::isnan(o.maxError); }

int countOf(long long faces) { return faces > INT_MAX ? INT_MAX : faces < INT_MIN ? INT_MIN : static_cast<int>(faces); }

// Whether `form`'s layouts are those the attributes of the run's mesh have:
// what the file carried besides can then be written back with it.
bool formFits(const FileForm& form, const Mesh& mesh) {
    if (!mesh.attributes) return form.vertexLayout.empty() && form.faceLayout.empty();
    auto same = [](const RecordLayout& a, const RecordLayout& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t c = 0; c < a.size(); ++c)
            if (a.channels()[c].name != b.channels()[c].name || a.channels()[c].type != b.channels()[c].type)
                return false;
        return true;
    };
    return same(form.vertexLayout, mesh.attributes->vertexLayout) &&
           same(form.faceLayout, mesh.attributes->faceLayout);
}

// What a PLY file made from arrays carries: its coordinates, then each
// vertex property, and the faces' corners, then each face property.
std::shared_ptr<CarriedData> plyCarrying(const MeshAttributes& attributes) {
    auto carried = std::make_shared<CarriedData>();
    PlyCarried& ply = carried->ply;
    using Role = PlyProperty::Role;
    for (const auto& [name, role] : {std::pair{"x", Role::X}, {"y", Role::Y}, {"z", Role::Z}})
        ply.vertexProperties.push_back(PlyProperty{name, false, ScalarType::UInt8, ScalarType::Float64, role});
    const auto& vertexChannels = attributes.vertexLayout.channels();
    for (std::size_t c = 0; c < vertexChannels.size(); ++c)
        ply.vertexProperties.push_back(PlyProperty{vertexChannels[c].name, false, ScalarType::UInt8,
                                                   vertexChannels[c].type, Role::Value, static_cast<int>(c)});
    ply.faceProperties.push_back(
        PlyProperty{"vertex_indices", true, ScalarType::UInt8, ScalarType::Int32, Role::Corners});
    const auto& faceChannels = attributes.faceLayout.channels();
    for (std::size_t c = 0; c < faceChannels.size(); ++c)
        ply.faceProperties.push_back(PlyProperty{faceChannels[c].name, false, ScalarType::UInt8,
                                                 faceChannels[c].type, Role::Value, static_cast<int>(c)});
    ply.elementOrder = {"vertex", "face"};
    return carried;
}

}  // namespace

MeshView viewOf(const TriangleMesh& mesh) {
    MeshView view;
    view.positions = ArrayView{mesh.positions.data(), ValueType::Float64, mesh.vertexCount(), 3,
                               3 * sizeof(double), sizeof(double)};
    view.triangles = ArrayView{mesh.triangles.data(), ValueType::UInt32, mesh.faceCount(), 3,
                               3 * sizeof(std::uint32_t), sizeof(std::uint32_t)};
    auto column = [](const Property& p) {
        return PropertyView{p.name,
                            ArrayView{p.values.data(), ValueType::Float64, p.values.size(), 1, sizeof(double),
                                      sizeof(double)},
                            p.type};
    };
    for (const Property& p : mesh.vertexProperties) view.vertexProperties.push_back(column(p));
    for (const Property& p : mesh.faceProperties) view.faceProperties.push_back(column(p));
    view.form = mesh.form;
    return view;
}

Result simplify(const MeshView& mesh, const Options& options, const Console& console) {
    Result result;
    try {
        if (!validOptions(options)) {
            result.status = failed(Failure::BadRequest, messages::kLongUsage);
            return result;
        }
        LibraryRun libraryRun(console);
        RunState& run = libraryRun.run();
        const std::size_t levels = std::max(options.faces.size(), options.ratios.size());
        long long inputFaces = 0;
        for (std::size_t level = 0; level < std::max<std::size_t>(levels, 1); ++level) {
            consolePrintf(messages::kInputLine, options.name.c_str());
            long long clockStart = options.timing ? processClockMs() : 0;
            const MeshView& input = level == 0 ? mesh : viewOf(result.levels.back().mesh);
            if (const Refusal refusal =
                    loadArrays(input, options.weld, options.attributes, options.name.c_str(), mesh.form.get())) {
                result.status = refusal.status();
                return result;
            }
            Figures figures;
            if (options.timing) {
                figures.loadSeconds = secondsSince(clockStart);
                consolePrintf(messages::kLoadingTime, figures.loadSeconds);
                clockStart = processClockMs();
            }
            if (level == 0) inputFaces = static_cast<long long>(run.mesh.faces.size());

            LevelRequest request;
            if (!options.faces.empty()) {
                request.targetFaces = countOf(options.faces[level]);
            } else if (!options.ratios.empty()) {
                long long share = 0;
                ratioOfFaces(decimalOf(options.ratios[level]).c_str(), inputFaces, share);
                request.targetFaces = static_cast<int>(share);
            }
            request.timing = options.timing;
            request.report = reports(options);
            request.maxAngle = options.maxAngle;
            request.maxError = options.maxError;
            if (const Refusal refusal = simplifyLevel(request, clockStart, figures)) {
                result.status = refusal.status();
                return result;
            }
            Level& done = result.levels.emplace_back();
            takeArrays(done.mesh, &done.origins);
            done.mesh.form = mesh.form;
            done.figures = figures;
            done.targetReached = figures.faces <= figures.target;
            if (!done.targetReached) break;
            run.reset();
        }
    } catch (const std::bad_alloc&) {
        result.levels.clear();
        result.status = failed(Failure::OutOfMemory, messages::kOutOfMemory);
    }
    return result;
}

Status read(const std::string& path, TriangleMesh& mesh, int weld, bool attributes, const Console& console) {
    try {
        LibraryRun libraryRun(console);
        Mesh& loaded = libraryRun.run().mesh;
        auto form = std::make_shared<FileForm>();
        form->format = formatOfName(path.c_str());
        const Welding welding = weld < 0 ? Welding::Default : weld > 0 ? Welding::On : Welding::Off;
        const ReadStatus status = readMeshFile(loaded, form->format, path.c_str(), form->flavour, welding,
                                               attributes ? Carrying::Attributes : Carrying::PositionsOnly);
        if (status != ReadStatus::Loaded) return readFailure(path.c_str(), status).status();
        if (form->flavour.carried)
            for (const std::string& note : form->flavour.carried->notes) consolePrintf("%s", note.c_str());
        if (loaded.attributes) {
            form->vertexLayout = loaded.attributes->vertexLayout;
            form->vertexPart = loaded.attributes->vertexPart;
            form->faceLayout = loaded.attributes->faceLayout;
        }
        takeArrays(mesh, nullptr);
        mesh.form = std::move(form);
    } catch (const std::bad_alloc&) {
        return failed(Failure::OutOfMemory, messages::kOutOfMemory);
    }
    return Status{};
}

Status write(const std::string& path, const TriangleMesh& mesh) {
    try {
        LibraryRun libraryRun(Console{});
        const MeshFormat format = formatOfName(path.c_str());
        FileFlavour flavour;
        const FileForm* form = mesh.form && mesh.form->format == format ? mesh.form.get() : nullptr;
        if (form != nullptr) {
            flavour = form->flavour;
        } else if (format == MeshFormat::Ply || format == MeshFormat::Stl) {
            // Binary by default: exact coordinates in PLY, and the form
            // most tools write STL in.
            flavour.encoding = FileFlavour::Encoding::BinaryLittleEndian;
        }
        if (const Refusal refusal = loadArrays(viewOf(mesh), false, true, path.c_str(), form))
            return refusal.status();
        Mesh& loaded = libraryRun.run().mesh;
        if (form == nullptr || !formFits(*form, loaded)) flavour.carried = nullptr;
        // Properties without a file's form to carry them go where a file
        // made from arrays can hold them: a PLY's vertex and face elements.
        if (flavour.carried == nullptr && format == MeshFormat::Ply && loaded.attributes)
            flavour.carried = plyCarrying(*loaded.attributes);
        if (writeMeshFile(loaded, format, path.c_str(), flavour) != 0)
            return Refusal{Failure::CannotWrite, messages::kWriteFailure, path.c_str(), ""}.status();
    } catch (const std::bad_alloc&) {
        return failed(Failure::OutOfMemory, messages::kOutOfMemory);
    }
    return Status{};
}

Result simplifyFile(const std::string& input, const std::string& output, const Options& options, int weld,
                    const std::string& origins, const Console& console) {
    Result result;
    try {
        if (!validOptions(options)) {
            result.status = failed(Failure::BadRequest, messages::kLongUsage);
            return result;
        }
        std::vector<std::string> targets;
        for (long long faces : options.faces) targets.push_back(std::to_string(countOf(faces)));
        for (double ratio : options.ratios) targets.push_back(decimalOf(ratio));
        RunRequest request;
        request.input = input.c_str();
        request.output = output.c_str();
        request.timing = options.timing;
        request.welding = weld < 0 ? Welding::Default : weld > 0 ? Welding::On : Welding::Off;
        request.carrying = options.attributes ? Carrying::Attributes : Carrying::PositionsOnly;
        request.origins = origins.empty() ? nullptr : origins.c_str();
        for (std::size_t i = 0; i < targets.size(); ++i)
            (i == 0 ? request.target : request.moreTargets.emplace_back()) = targets[i].c_str();
        request.ratios = !options.ratios.empty();
        request.maxAngle = options.maxAngle;
        request.maxError = options.maxError;
        request.report = reports(options);
        LibraryRun libraryRun(console);
        if (const Refusal refusal = runRequest(request, &result.levels)) result.status = refusal.status();
    } catch (const std::bad_alloc&) {
        result.status = failed(Failure::OutOfMemory, messages::kOutOfMemory);
    }
    return result;
}

}  // namespace zeq
