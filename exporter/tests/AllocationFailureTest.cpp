// A node whose arrays cannot be allocated must fail the export with a message, never be left out
// while the export reports success. This program replaces the global allocator so that a test can
// refuse large allocations on demand.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "exporter/MeshExportUtility.h"
#include "exporter/tests/ExportTestScenes.h"

namespace {
std::atomic<size_t> gRefuseAbove{SIZE_MAX};
}

// The replacements below pair malloc with free; the compiler sees only "new" and "free" once they
// are inlined into callers and would warn of a mismatch that is not one.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
void* Allocate(size_t size) noexcept {
    if (size > gRefuseAbove.load()) return nullptr;
    return std::malloc(size ? size : 1);
}
void* AllocateOrThrow(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Every plain form is replaced, so that each allocation is freed by its own kind.
void* operator new(size_t size) { return AllocateOrThrow(size); }
void* operator new[](size_t size) { return AllocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace quelm::test {
namespace {

namespace fs = std::filesystem;

plat::SceneMesh Strip(uint32_t triangles) {
    plat::SceneMesh m;
    for (uint32_t i = 0; i < triangles; ++i) {
        const float x = static_cast<float>(i);
        m.verts.push_back({x, 0, 0});
        m.verts.push_back({x + 1, 0, 0});
        m.verts.push_back({x, 1, 0});
        m.faces.push_back(plat::SceneFace{{3 * i, 3 * i + 1, 3 * i + 2}, 0, 1});
    }
    m.tverts = {{0, 0, 0}};
    m.tvFaces.assign(m.faces.size(), {0, 0, 0});
    return m;
}

TEST(AllocationFailure, NodeThatCannotBeHeldFailsTheExport) {
    plat::ModellerScene scene;
    RecordingUi ui;
    MeshExportUtility exporter(scene, ui);
    AddMeshNode(scene, "Small", Strip(2), StandardMaterial("Red", {1, 0, 0}));
    AddMeshNode(scene, "Large", Strip(20000), StandardMaterial("Red", {1, 0, 0}));  // 2.8 MB of vertices
    scene.SelectAllGeometry();
    const std::string path = (fs::path(::testing::TempDir()) / "quelm-alloc.jm5").string();
    fs::remove(path);

    gRefuseAbove = 1 << 20;
    const bool ok4 = exporter.ExportJM4(path);
    const bool ok5 = exporter.ExportJM5(path);
    gRefuseAbove = SIZE_MAX;

    EXPECT_FALSE(ok4);
    EXPECT_FALSE(ok5);
    EXPECT_TRUE(ui.Prompted("Not enought memory available !"));
    EXPECT_FALSE(ui.Prompted("Convertion OK !"));
    EXPECT_FALSE(fs::exists(path));

    // With memory to spare the same scene exports.
    ui.prompts.clear();
    EXPECT_TRUE(exporter.ExportJM5(path));
    EXPECT_TRUE(ui.Prompted("Convertion OK !"));
    fs::remove(path);
}

}  // namespace
}  // namespace quelm::test
