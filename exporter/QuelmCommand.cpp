#include "exporter/QuelmCommand.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

#include "exporter/MeshExportUtility.h"
#include "platform/modeller/AssimpSceneLoader.h"

namespace quelm {
namespace {

constexpr float kMinScale = 0.0001f;
constexpr float kMaxScale = 1000000.0f;
constexpr int kMaxFrameNumber = 100000;
// Exports of at least this many faces show their progress.
constexpr size_t kLongExportFaces = 50000;

const char* kUsage =
    "Usage: quelm [options] INPUT OUTPUT\n"
    "Writes the meshes of a model file (.3ds, .ase, .obj, .gltf, .glb, .fbx) as one mesh file:\n"
    "JMESH5 (.jm5) or JMESH4 (.jm4).\n"
    "  -s, --scale VALUE      scale of the positions, 0.0001 to 1000000 (default 1)\n"
    "  -f, --format jm5|jm4   file format (default: from OUTPUT's extension, else jm5)\n"
    "  -n, --node NAME        export this node; repeat for more (default: every node with geometry)\n"
    "      --start-frame N    first frame of a JM5 export, the frame of a JM4 export (default 0)\n"
    "      --end-frame N      last frame of a JM5 export (default 0)\n"
    "      --left-handed      write y and z exchanged and the faces' winding reversed\n"
    "  -q, --quiet            no progress lines\n"
    "  -h, --help             this text\n";

// Message boxes (warnings) are printed at once on the error stream. Prompts are held until the
// export ends: they go to the output stream when it succeeded, to the error stream when it failed.
class StreamUi : public plat::ModellerUi {
public:
    explicit StreamUi(std::ostream& err) : err_(err) {}
    void PushPrompt(const std::string& text, int) override { prompts_.push_back(text); }
    void MessageBox(const std::string& text, const std::string& caption) override {
        err_ << caption << ": " << text << '\n';
    }
    void Flush(std::ostream& to) {
        for (const std::string& p : prompts_) to << p << '\n';
        prompts_.clear();
    }

private:
    std::ostream& err_;
    std::vector<std::string> prompts_;
};

struct Options {
    float scale = 1.0f;
    std::optional<bool> jm4;
    std::vector<std::string> nodes;
    int startFrame = 0;
    int endFrame = 0;
    bool leftHanded = false;
    bool quiet = false;
    bool help = false;
    std::vector<std::string> files;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseFloat(const std::string& text, float& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// Returns an error text, empty when the arguments are good.
std::string Parse(const std::vector<std::string>& args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "--left-handed") {
            o.leftHanded = true;
        } else if (a == "-s" || a == "--scale") {
            if (!value(v) || !ParseFloat(v, o.scale) || o.scale < kMinScale || o.scale > kMaxScale)
                return "the scale must be a number from 0.0001 to 1000000";
        } else if (a == "-f" || a == "--format") {
            if (!value(v) || (Lower(v) != "jm4" && Lower(v) != "jm5")) return "the format is jm5 or jm4";
            o.jm4 = Lower(v) == "jm4";
        } else if (a == "-n" || a == "--node") {
            if (!value(v)) return "--node needs a node name";
            o.nodes.push_back(v);
        } else if (a == "--start-frame" || a == "--end-frame") {
            int frame = 0;
            if (!value(v) || !ParseInt(v, frame) || std::abs(frame) > kMaxFrameNumber)
                return a + " needs a frame number from -100000 to 100000";
            (a == "--start-frame" ? o.startFrame : o.endFrame) = frame;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else {
            o.files.push_back(a);
        }
    }
    if (o.help) return {};
    if (o.files.size() != 2) return "give one INPUT and one OUTPUT file";
    if (o.endFrame < o.startFrame) return "the end frame comes before the start frame";
    return {};
}

}  // namespace

int RunQuelm(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options o;
    const std::string problem = Parse(args, o);
    if (o.help) {
        out << kUsage;
        return kExitOk;
    }
    if (!problem.empty()) {
        err << "quelm: " << problem << "\n" << kUsage;
        return kExitUsage;
    }
    const std::string& input = o.files[0];
    const std::string& output = o.files[1];

    std::error_code ec;
    if (!std::filesystem::is_regular_file(input, ec)) {
        err << "quelm: cannot read \"" << input << "\": no such file\n";
        return kExitFailed;
    }
    plat::ModellerScene scene;
    const plat::SceneLoadResult loaded = plat::LoadModellerScene(input, scene);
    if (!loaded.ok) {
        err << "quelm: cannot read \"" << input << "\": " << loaded.error << "\n";
        return kExitFailed;
    }
    for (const std::string& warning : loaded.warnings) err << "Warning: " << warning << "\n";

    scene.SetTime(scene.GetTicksPerFrame() * o.startFrame, false);
    if (o.nodes.empty()) {
        scene.SelectAllGeometry();
    } else {
        for (const std::string& name : o.nodes) {
            plat::SceneNode* node = scene.FindNode(name);
            if (!node) {
                err << "quelm: \"" << input << "\" has no node named \"" << name << "\"\n";
                return kExitFailed;
            }
            scene.Select(node);
        }
    }

    StreamUi ui(err);
    MeshExportUtility exporter(scene, ui);
    exporter.scale = o.scale;
    exporter.handedness = o.leftHanded ? 0 : 1;
    exporter.startFrame = o.startFrame;
    exporter.endFrame = o.endFrame;

    size_t faces = 0;
    for (int i = 0; i < scene.GetSelNodeCount(); ++i)
        if (const plat::SceneMesh* m = scene.GetSelNode(i)->EvalMesh(scene.GetTime())) faces += m->faces.size();
    faces *= static_cast<size_t>(o.endFrame - o.startFrame + 1);
    if (!o.quiet && faces >= kLongExportFaces) {
        int shown = -1;
        exporter.progress = [&err, &shown](int64_t done, int64_t total) {
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
            if (percent / 10 == shown / 10 && percent != 100) return;
            shown = percent;
            err << "Exporting... " << percent << "%\n";
        };
    }

    const std::string extension = Lower(std::filesystem::path(output).extension().string());
    const bool jm4 = o.jm4.value_or(extension == ".jm4");
    const bool ok = jm4 ? exporter.ExportJM4(output) : exporter.ExportJM5(output);
    ui.Flush(ok ? out : err);
    return ok ? kExitOk : kExitFailed;
}

}  // namespace quelm
