// Open plus save of a landscape-sized world against copying the same file.
//
// The world holds one test plug-in's chunk: a payload the size of a 721 x 721-knot landscape (16 bytes a
// knot) and 64 textures of 256 x 256 pixels at 24 bits; beside it the chunks of the Info, Password,
// Physics and Shadow plug-ins (two 512 x 512 light maps). The copy is flushed to the disk as the save
// is, so both sides pay for durable bytes.
// `--figures` prints "editor.open_save_vs_copy: <ratio>"; without it the timings are printed as well.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/core/Editor.h"
#include "editor/msgbox/EditorMessageBox.h"
#include "platform/bytes/ByteIO.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Bitmap(int side, uint8_t seed) {
    const uint32_t row = static_cast<uint32_t>(side) * 3;
    plat::ByteWriter w;
    w.U16(0x4D42);
    w.U32(54 + row * side);
    w.U32(0);
    w.U32(54);
    qv::BitmapInfoHeader h;
    h.width = side, h.height = side, h.bitCount = 24, h.sizeImage = row * side;
    qv::WriteBitmapHeader(w, h);
    for (uint32_t i = 0; i < row * static_cast<uint32_t>(side); ++i) w.U8(static_cast<uint8_t>(i * seed + seed));
    return w.Take();
}

void CopyDurably(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    int fd = open(to.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Adds the Shadow plug-in's chunk with two 512 x 512 grey maps (a new world has none).
bool AppendLightMaps(const fs::path& world) {
    plat::ByteWriter w;
    w.Bytes("LMAP", 4);
    w.U32(4 + 2 * (4 + 40 + 1024 + 512 * 512));
    w.U32(1000);
    for (int map = 0; map < 2; ++map) {
        w.U32(1);
        qv::BitmapInfoHeader h;
        h.width = h.height = 512, h.bitCount = 8, h.sizeImage = 512 * 512;
        qv::WriteBitmapHeader(w, h);
        for (uint32_t i = 0; i < 256; ++i) w.U32(i | (i << 8) | (i << 16));
        for (uint32_t i = 0; i < 512u * 512u; ++i) w.U8(static_cast<uint8_t>(i * 7 + static_cast<uint32_t>(map)));
    }
    std::fstream f(world, std::ios::binary | std::ios::in | std::ios::out | std::ios::ate);
    const uint32_t size = static_cast<uint32_t>(f.tellp());
    f.write(reinterpret_cast<const char*>(w.Data().data()), static_cast<std::streamsize>(w.Size()));
    uint8_t outer[4];
    plat::StoreU32(outer, size + static_cast<uint32_t>(w.Size()) - 8);
    f.seekp(4);
    f.write(reinterpret_cast<const char*>(outer), 4);
    return static_cast<bool>(f.flush());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const bool figuresOnly = argc > 1 && std::strcmp(argv[1], "--figures") == 0;
    qv::SetEditorMessageHook([](const qv::EditorMessage& m) {
        std::fprintf(stderr, "[%s] %s\n", m.caption.c_str(), m.text.c_str());
        return qv::MessageAnswer::Ok;
    });
    const fs::path dir = fs::temp_directory_path() / ("qv_editor_bench_" + std::to_string(getpid()));
    fs::create_directories(dir / "plugins");
    fs::copy_file(fs::path(QV_TEST_PLUGIN_DIR) / "a_land.qv", dir / "plugins" / "a_land.qv");
    for (const char* name : {"info.qv", "password.qv", "physics.qv", "shadow.qv"})
        fs::copy_file(fs::path(QV_PLUGIN_DIR) / name, dir / "plugins" / name);

    double ratio = 0;
    {
        qv::Editor editor;
        if (editor.LoadPlugins((dir / "plugins").string()) != 5) {
            std::fprintf(stderr, "test plug-in or plug-ins not found\n");
            return 1;
        }
        qv::Port* port = editor.bus.FindByName("AAAA::Main Port");
        for (int i = 0; i < 64; ++i) {
            const fs::path file = dir / ("tex" + std::to_string(i) + ".bmp");
            auto bytes = Bitmap(256, static_cast<uint8_t>(i + 1));
            std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
            port->OnMessage(nullptr, 0x7001, reinterpret_cast<qv::MsgArg>(file.c_str()), 0);
        }
        port->OnMessage(nullptr, 0x7004, 721u * 721u * 16u, 0);
        const fs::path source = dir / "source.wld", saved = dir / "saved.wld", copied = dir / "copied.wld";
        if (editor.world.Save(source.string()) != 0) return 1;
        if (!AppendLightMaps(source)) return 1;

        double best = 1e9, bestCopy = 1e9;
        for (int round = 0; round < 7; ++round) {
            auto t0 = Clock::now();
            if (editor.world.Open(source.string()) != 0 || editor.world.Save(saved.string()) != 0) return 1;
            auto t1 = Clock::now();
            CopyDurably(source, copied);
            auto t2 = Clock::now();
            best = std::min(best, Seconds(t1 - t0));
            bestCopy = std::min(bestCopy, Seconds(t2 - t1));
        }
        ratio = best / bestCopy;
        if (!figuresOnly)
            std::printf("world of %ju bytes: open plus save %.2f ms, copy %.2f ms\n",
                        static_cast<uintmax_t>(fs::file_size(source)), best * 1e3, bestCopy * 1e3);
    }
    fs::remove_all(dir);
    std::printf("editor.open_save_vs_copy: %.2f\n", ratio);
    return 0;
}
