#include "editor/core/WorldDocument.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "editor/core/Editor.h"
#include "editor/msgbox/EditorMessageBox.h"
#include "platform/bytes/ByteIO.h"

namespace qv {

namespace {

constexpr uint32_t kTagWorld = FourCC("QVED");
constexpr uint32_t kTagViews = FourCC("VWPR");
constexpr uint32_t kTagFog = FourCC("FOG ");
constexpr uint32_t kHeaderBytes = 32;
constexpr uint32_t kViewsBytes = 720;
constexpr uint32_t kFogBytes = 84;
constexpr uint32_t kCameraBytes = 36;

void WriteCamera(plat::ByteWriter& out, const CameraRecord& c) {
    for (float f : c.position) out.F32(f);
    for (float f : c.angles) out.F32(f);
    out.F32(c.fieldOfView);
    out.F32(c.nearPlane);
    out.F32(c.farPlane);
}

// Reads a camera only when all 36 bytes are there; a short chunk keeps the rest as it was.
void ReadCamera(plat::ByteReader& in, CameraRecord* c) {
    if (in.Remaining() < kCameraBytes) return;
    for (float& f : c->position) f = in.F32();
    for (float& f : c->angles) f = in.F32();
    c->fieldOfView = in.F32();
    c->nearPlane = in.F32();
    c->farPlane = in.F32();
}

void WriteFog(plat::ByteWriter& out, const FogRecord& f) {
    out.I32(f.mode);
    out.I32(f.on);
    out.U32(f.colour);
    out.I32(f.start);
    out.I32(f.end);
    for (uint32_t c : f.customColours) out.U32(c);
}

void ReadFog(plat::ByteReader& in, FogRecord* f) {
    auto field = [&](auto* v) {
        if (in.Remaining() >= 4) *v = static_cast<std::remove_pointer_t<decltype(v)>>(in.U32());
    };
    field(&f->mode);
    field(&f->on);
    field(&f->colour);
    field(&f->start);
    field(&f->end);
    for (uint32_t& c : f->customColours) field(&c);
}

CameraRecord DefaultUserView() { return CameraRecord{{50, -100, 50}, {0, 0, 0}, 1.0471976f, 5, 2000}; }

}  // namespace

WorldDocument::WorldDocument(Editor* editor) : editor_(editor) {
    std::fill(std::begin(fog.customColours), std::end(fog.customColours), 0xFFFFFFu);
    for (CameraRecord& c : viewportCameras) c = DefaultUserView();
    // The document's own defaults, without asking the plug-ins (none are loaded yet).
    const float defaults[6] = {0, 0, 0, 1000, 1000, 1000};
    std::copy_n(defaults, 6, bounds);
    rotationalSensitivity = 0.05f;
    translationalSensitivity = 1.0f;
    fog.mode = 1, fog.on = 0, fog.colour = 0xFFE6D7, fog.start = 500, fog.end = 1900;
    for (CameraRecord& c : userViews) c = DefaultUserView();
    const int32_t views[4] = {2, 1, 6, 7};
    std::copy_n(views, 4, viewportViews);
    title = "Untitled.wld";
}

int32_t WorldDocument::Reset(bool noQuestion, bool full) {
    if (!noQuestion) {
        std::string caption = title.substr(0, 63);
        if (ShowEditorMessage("This operation will delete everything in memory and initialize the World.", caption,
                              MessageButtons::OkCancel, MessageIcon::Warning) != MessageAnswer::Ok)
            return 0;
    }
    for (size_t i = 0; i < editor_->PluginCount(); ++i) {
        editor_->Plugin(i)->ResetWorld();
        if (full) {
            PluginHostImpl* host = editor_->Host(i);
            host->DeleteAllTextures();
            host->DeleteAllMeshes();
            host->DeleteAllWaves();
        }
    }
    const float defaults[6] = {0, 0, 0, 1000, 1000, 1000};
    std::copy_n(defaults, 6, bounds);
    rotationalSensitivity = 0.05f;
    translationalSensitivity = 1.0f;
    editor_->bus.Broadcast(&editor_->mainPort, kKindWorld, kMsgWorldBoundsChanged, reinterpret_cast<MsgArg>(bounds),
                           reinterpret_cast<MsgArg>(bounds));
    for (CameraRecord& c : userViews) c = DefaultUserView();
    const int32_t views[4] = {2, 1, 6, 7};
    std::copy_n(views, 4, viewportViews);
    // Each viewport's camera is rebuilt from its predefined view over the default bounds.
    for (int i = 0; i < 4; ++i)
        if (editor_->viewports[i]) editor_->viewports[i]->SetView(viewportViews[i]);
    path.clear();
    title = "Untitled.wld";
    editor_->ui->SetTitle(title);
    fog.mode = 1, fog.on = 0, fog.colour = 0xFFE6D7, fog.start = 500, fog.end = 1900;
    editor_->ui->WorldReset();
    return 1;
}

void WorldDocument::SetWorldBounds(const float newBounds[6]) {
    float previous[6];
    std::copy_n(bounds, 6, previous);
    std::copy_n(newBounds, 6, bounds);
    editor_->bus.Broadcast(&editor_->mainPort, kKindWorld, kMsgWorldBoundsChanged, reinterpret_cast<MsgArg>(previous),
                           reinterpret_cast<MsgArg>(bounds));
}

void WorldDocument::Refresh() {
    editor_->ui->SetFogMenuCheck(fog.on != 0);
    editor_->ui->InvalidateViewports(-1);
}

int32_t WorldDocument::Open(const std::string& file) {
    Reset(true, true);
    return OpenAfterReset(file);
}

int32_t WorldDocument::OpenAfterReset(const std::string& file) {
    bool silent = false, refused = false;
    const int32_t r = Load(file, &silent, &refused);
    if (r == 0) {
        path = file;
        title = file;
        editor_->ui->SetTitle(title);
        Refresh();
        return 0;
    }
    // A failed open always leaves an empty world, lists included.
    Reset(true, true);
    if (refused)
        ShowEditorMessage("You are not allowed to edit this file!!\n", "Security Breach");
    else if (!silent)
        ShowEditorMessage("Wrong File ...", "Open Error");
    Refresh();
    return r;
}

void WorldDocument::OpenWithDialog() {
    if (!Reset(false, true)) return;
    auto files = editor_->ui->OpenFileDialog(1, "Load A World to Edit", false);
    if (files.empty()) {
        Reset(true, false);
        Refresh();
        return;
    }
    OpenAfterReset(files.front());
}

int32_t WorldDocument::Load(const std::string& file, bool* silent, bool* refused) {
    const int32_t wrong = Result(kResultBadChunk);
    // Nothing is written while loading, so a read-only world opens too.
    FileStream stream(file.c_str(), "rb");
    if (!stream.IsOpen()) return Result(kStreamOpenFailed);
    const uint64_t length = stream.Size();
    uint8_t head[8];
    if (length < 8 || stream.Read(head, 8) != 0) return wrong;
    if (plat::LoadU32(head) != kTagWorld || plat::LoadU32(head + 4) != length - 8) return wrong;

    uint64_t remaining = length - 8;
    while (remaining != 0) {
        if (remaining < 8 || stream.Read(head, 8) != 0) return wrong;
        const uint32_t tag = plat::LoadU32(head);
        const uint32_t size = plat::LoadU32(head + 4);
        remaining -= 8;
        if (size > remaining) return wrong;
        remaining -= size;
        const uint32_t p = stream.Tell();

        if (tag == kTagWorld) {
            if (size != kHeaderBytes) return wrong;
            uint8_t data[kHeaderBytes];
            if (stream.Read(data, kHeaderBytes) != 0) return wrong;
            plat::ByteReader in(data, kHeaderBytes);
            for (float& b : bounds) b = in.F32();
            rotationalSensitivity = in.F32();
            translationalSensitivity = in.F32();
        } else if (tag == kTagViews || tag == kTagFog) {
            // Fixed-size records: read what the chunk holds of them and keep the rest as it is.
            const uint32_t fixed = tag == kTagViews ? kViewsBytes : kFogBytes;
            std::vector<uint8_t> data(std::min(size, fixed));
            if (stream.Read(data.data(), static_cast<uint32_t>(data.size())) != 0) return wrong;
            plat::ByteReader in(data.data(), data.size());
            if (tag == kTagViews) {
                for (CameraRecord& c : userViews) ReadCamera(in, &c);
                for (CameraRecord& c : viewportCameras) ReadCamera(in, &c);
            } else {
                ReadFog(in, &fog);
            }
        } else {
            EditorPlugin* owner = editor_->FindPlugin(tag);
            if (!owner) {
                *refused = true;
                return wrong;
            }
            const int32_t r = owner->LoadChunk(&stream, size);
            if (r != 0) {
                *silent = static_cast<uint32_t>(r) == kPluginLoadRefused;
                return r;
            }
        }
        if (stream.Seek(static_cast<int32_t>(p + size), 0) != 0) return wrong;
    }
    return 0;
}

bool WorldDocument::WriteWorldFile(const std::string& file) {
    bool ok = false;
    {
        FileStream stream;
        ok = stream.Open(file.c_str(), "w+b") == 0;
        plat::ByteWriter fixed;
        fixed.U32(kTagWorld);
        fixed.U32(0);
        fixed.U32(kTagWorld);
        fixed.U32(kHeaderBytes);
        for (float b : bounds) fixed.F32(b);
        fixed.F32(rotationalSensitivity);
        fixed.F32(translationalSensitivity);
        fixed.U32(kTagViews);
        fixed.U32(kViewsBytes);
        for (const CameraRecord& c : userViews) WriteCamera(fixed, c);
        for (const CameraRecord& c : viewportCameras) WriteCamera(fixed, c);
        fixed.U32(kTagFog);
        fixed.U32(kFogBytes);
        WriteFog(fixed, fog);
        ok = ok && stream.Write(fixed.Data().data(), static_cast<uint32_t>(fixed.Size())) == 0;

        for (size_t i = 0; ok && i < editor_->PluginCount(); ++i) {
            EditorPlugin* plugin = editor_->Plugin(i);
            if (!plugin->HasChunk()) continue;
            const uint32_t p = stream.Tell();
            uint8_t head[8];
            plat::StoreU32(head, plugin->identifier);
            plat::StoreU32(head + 4, 0);
            ok = stream.Write(head, 8) == 0;
            uint32_t size = 0;
            // A plug-in that reports a failure, or a size other than what it wrote, fails the save.
            ok = ok && plugin->SaveChunk(&stream, &size) == 0;
            const uint32_t e = stream.Tell();
            ok = ok && e >= p + 8 && e - p - 8 == size;
            plat::StoreU32(head + 4, size);
            ok = ok && stream.Seek(static_cast<int32_t>(p), 0) == 0 && stream.Write(head, 8) == 0 &&
                 stream.Seek(static_cast<int32_t>(e), 0) == 0;
        }
        if (ok) {
            uint8_t outer[4];
            const uint32_t end = stream.Tell();
            plat::StoreU32(outer, end - 8);
            ok = stream.Seek(4, 0) == 0 && stream.Write(outer, 4) == 0 && stream.Flush() == 0;
        }
        if (stream.IsOpen() && stream.Close() != 0) ok = false;
    }
    return ok;
}

std::vector<uint8_t> WorldDocument::Image() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = fs::temp_directory_path(ec) / ("qv_world_image_" + std::to_string(::getpid()) + ".tmp");
    std::vector<uint8_t> bytes;
    if (WriteWorldFile(file.string())) {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove(file, ec);
    return bytes;
}

int32_t WorldDocument::Save(const std::string& target) {
    namespace fs = std::filesystem;
    const std::string temp = target + ".saving";
    bool ok = WriteWorldFile(temp);
    std::error_code ec;
    if (ok) {
        fs::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(temp, ec);
        ShowEditorMessage("Write error ...", "Save world");
        return Result(kResultWriteFailed);
    }
    path = target;
    title = target;
    editor_->ui->SetTitle(title);
    return 0;
}

std::string WorldDocument::NormaliseSaveName(const std::string& typed) {
    const size_t slash = typed.find_last_of('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = typed;
    std::transform(name.begin() + static_cast<std::ptrdiff_t>(start), name.end(), name.begin() + static_cast<std::ptrdiff_t>(start),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // The file name is lowered (folders keep their case: the disk is case-sensitive here); a name that
    // does not hold ".wld" gets ".WLD", which the case-insensitive open finds again.
    if (name.find(".wld", start) == std::string::npos) name += ".WLD";
    return name;
}

int32_t WorldDocument::SaveAs() {
    std::string chosen = editor_->ui->SaveFileDialog("Save the current world");
    if (chosen.empty()) return 0;
    return Save(NormaliseSaveName(chosen));
}

int32_t WorldDocument::SaveCommand() { return path.empty() ? SaveAs() : Save(path); }

}  // namespace qv
