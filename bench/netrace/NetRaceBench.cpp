// A four-player network race over loopback, one game process per player (the network race test
// program: the host and three guests, the computer riding each local bike round one lap):
//   net.race_bytes_per_s_per_player: the wire bytes (ENet's headers included) a guest sends per
//     second of the network clock while it races, averaged over the three guests;
//   net.race_bytes_per_s_messages_and_enet_headers: what the guests' bike states make on the wire
//     (the 152-byte message in a 3-byte session frame with ENet's 4-byte protocol header and 8-byte
//     unreliable send command per state), the figure the first one is held against;
//   net.race_bytes_per_s_host: the same for the host, which also passes every guest's state on to
//     the other guests.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWorldId = 4242;
constexpr int kPlayers = 4;
constexpr double kWireBytesPerState = 152 + 3 + 4 + 8;

// The racing oval with an information chunk naming it as a world of the list.
std::vector<uint8_t> ListedWorld() {
    std::vector<uint8_t> world = tools::MakeRaceWorld();
    kes::WorldWriter info;
    kes::InfoData data;
    data.id = kWorldId;
    data.kind = 0;
    data.name = "Ovale";
    data.comments = "A bench world";
    info.Info(data);
    const std::vector<uint8_t> chunk = info.Finish();
    world.insert(world.end(), chunk.begin() + 8, chunk.end());
    plat::StoreU32(world.data() + 4, static_cast<uint32_t>(world.size() - 8));
    return world;
}

struct Figures {
    double bytes = 0, ms = 0, states = 0;
};

bool ReadFigures(const fs::path& out, Figures* f) {
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(R"(net: race bytes (\d+) in (\d+) ms states (\d+))"))) return false;
    f->bytes = std::stod(m[1]);
    f->ms = std::stod(m[2]);
    f->states = std::stod(m[3]);
    return f->ms > 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool figures = argc > 1 && std::strcmp(argv[1], "--figures") == 0;
    const fs::path root = fs::temp_directory_path() / ("bench_net_race_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    std::string error;
    if (!tools::WritePack((root / "Tracks.dat").string(), {{"readme.txt", {'h', 'i'}, false}}, &error)) return 1;
    const std::vector<uint8_t> world = ListedWorld();
    std::ofstream(root / "Oval.wld", std::ios::binary)
        .write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
    std::ofstream(root / "input.txt") << "";

    std::vector<pid_t> pids;
    for (int i = 0; i < kPlayers; ++i) {
        const std::string name = i == 0 ? "Hostess" : "Guest" + std::to_string(i + 1);
        const fs::path folder = root / name;
        fs::create_directories(folder / "Tracks");
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "content" / "Kestrun.dat", folder / "Kestrun.dat");
        fs::copy_file(root / "Tracks.dat", folder / "Tracks.dat");
        fs::copy_file(root / "Oval.wld", folder / "Tracks" / "Oval.wld");
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "NetRaceTestProgram", folder / "NetRaceTestProgram");
        const std::string command =
            "GRAVELON_QUIT_AFTER_FRAMES=6000 GRAVELON_FRAME_MS=40 GRAVELON_SEED=7 GRAVELON_HEADLESS=1 "
            "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_TEST_LAPS=1 "
            "GRAVELON_NET_AUTOPILOT=1 GRAVELON_NET_ROLE=" + std::string(i == 0 ? "host" : "client") +
            " GRAVELON_NET_NAME=" + name + " GRAVELON_NET_PLAYERS=4 GRAVELON_NET_WORLD=" + std::to_string(kWorldId) +
            " GRAVELON_NET_PORT_FILE='" + (root / "port.txt").string() + "' GRAVELON_INPUT='" +
            (root / "input.txt").string() + "' GRAVELON_REGISTRY='" + (folder / "registry.store").string() +
            "' exec timeout 600 '" + (folder / "NetRaceTestProgram").string() + "' /NOCONFIG /WINDOW > '" +
            (folder / "out.txt").string() + "' 2>&1";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        pids.push_back(pid);
        // Each guest in turn, so that the slots are 1-4 in order.
        if (i == 0) continue;
        for (int wait = 0; wait < 600; ++wait) {
            std::ifstream in(folder / "out.txt");
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            if (text.find("net: in slot") != std::string::npos) break;
            usleep(100000);
        }
    }
    for (pid_t pid : pids) waitpid(pid, nullptr, 0);

    Figures host, guests;
    int guestCount = 0;
    bool ok = ReadFigures(root / "Hostess" / "out.txt", &host);
    for (int i = 1; i < kPlayers; ++i) {
        Figures f;
        if (!ReadFigures(root / ("Guest" + std::to_string(i + 1)) / "out.txt", &f)) continue;
        guests.bytes += f.bytes / (f.ms / 1000.0);
        guests.states += f.states * kWireBytesPerState / (f.ms / 1000.0);
        ++guestCount;
    }
    if (!ok || guestCount == 0) {
        std::fprintf(stderr, "bench_net_race: the race did not run; see %s\n", root.string().c_str());
        return 1;
    }
    std::printf("net.race_bytes_per_s_per_player: %.1f\n", guests.bytes / guestCount);
    std::printf("net.race_bytes_per_s_messages_and_enet_headers: %.1f\n", guests.states / guestCount);
    std::printf("net.race_bytes_per_s_host: %.1f\n", host.bytes / (host.ms / 1000.0));
    if (!figures) std::printf("(guests measured: %d)\n", guestCount);
    fs::remove_all(root);
    return 0;
}
