// The object placer inside a real editor core: the built-in pair, the panel, the mouse tools over a
// stand-in ground, the chunk written and read again (today's and the older layout, damaged ones), the
// queries other tools ask and the text dump.
#include <cmath>

#include "PluginKit.h"
#include "TestViewport.h"
#include "editor/mesh/EditorMesh.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/CrtRand.h"
#include "plugins/object/ObjectPlugin.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

using qv::ObjectInstance;

enum : int { kAddType = 1000, kInstanceList = 1002, kAddInstance = 1004, kPosX = 1005, kPosY = 1006, kPosZ = 1007,
             kScale = 1008, kRotZ = 1011, kScaleVar = 1015, kAddPoint = 1016, kDeleteType = 1017, kDelete = 1020,
             kCollision = 1023, kCopyPoint = 1028, kFacing = 1040, kDeleteAll = 1037, kSpinPosX = 1050 };

class ObjectTest : public OnePluginFixture<qv::ObjectPlugin> {
protected:
    // A second object type from a mesh file chosen through "Add Obj".
    void AddType(plat::Dialog& d, const std::string& name) {
        const std::vector<uint8_t> mesh = qv::MarkerMeshImage();
        std::ofstream(Path(name + ".jm5"), std::ios::binary)
            .write(reinterpret_cast<const char*>(mesh.data()), static_cast<std::streamsize>(mesh.size()));
        ui->fileAnswers.push_back({Path(name + ".jm5")});
        ASSERT_TRUE(d.UserClick(kAddType));
        ASSERT_EQ(editor->Host(0)->GetMesh(static_cast<uint32_t>(editor->Host(0)->GetMeshCount()))->name, name);
    }
    // The bytes of a saved chunk up to its instances (lists, show word), for chunks built by hand.
    size_t ListsEnd(const std::vector<uint8_t>& chunk) {
        const size_t textures = 8 + plat::LoadU32(&chunk[4]);
        return textures + 8 + plat::LoadU32(&chunk[textures + 4]);
    }
};

TEST_F(ObjectTest, ANewWorldHoldsTheMarkerTypeAndTwoInstancesThatStay) {
    ASSERT_EQ(plugin->instances.size(), 2u);
    EXPECT_EQ(plugin->instances[0].x, -1500.0f);
    EXPECT_EQ(plugin->instances[1].y, 1500.0f);
    EXPECT_EQ(plugin->instances[1].id, 1u);
    EXPECT_EQ(plugin->instances[0].flags, qv::kObjectNotAligned);
    ASSERT_EQ(editor->Host(0)->GetMeshCount(), 1);
    EXPECT_EQ(editor->Host(0)->GetMesh(1)->name, "dummy");
    EXPECT_EQ(plugin->showObjects, 1u);

    plat::Dialog& d = Panel(0);
    ASSERT_TRUE(d.UserSelect(kInstanceList, 1));
    EXPECT_EQ(plugin->selectedInstance, 1);
    EXPECT_FALSE(d.IsEnabled(kPosX));  // the pair's fields take no typing
    ASSERT_TRUE(d.UserClick(kDelete));
    EXPECT_EQ(plugin->instances.size(), 2u);
    plat::ScriptNextMessageBox(plat::IDYES);
    ASSERT_TRUE(d.UserClick(kDeleteAll));
    EXPECT_EQ(plugin->instances.size(), 2u);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Warning|Are you sure you want to delete objects ?",
                                                 "Winprintf|Cannot work on the dummy object\n",
                                                 "Winprintf|Cannot work on the dummy object\n"}));
}

TEST_F(ObjectTest, PanelEditsSaveAndReadBackTheSameChunk) {
    plat::Dialog& d = Panel(0);
    AddType(d, "rock");
    EXPECT_EQ(plugin->selectedType, 1);
    ASSERT_TRUE(d.UserClick(kAddInstance));
    ASSERT_EQ(plugin->selectedInstance, 2);
    ASSERT_TRUE(d.UserType(kPosX, "120.5"));
    ASSERT_TRUE(d.UserType(kPosZ, "3"));
    ASSERT_TRUE(d.UserType(kRotZ, "90"));
    ASSERT_TRUE(d.UserType(kScale, "2"));
    ASSERT_TRUE(d.UserClick(kCollision));
    ASSERT_TRUE(d.UserClick(kFacing));
    ASSERT_TRUE(d.UserSpin(kSpinPosX + 1, -40));  // Pos Y by its spinner
    const ObjectInstance placed = plugin->instances[2];
    EXPECT_EQ(placed.x, 120.5f);
    EXPECT_EQ(placed.y, -40.0f);
    EXPECT_EQ(placed.heightAbove, 3.0f);
    EXPECT_NEAR(placed.rotZ, 1.5707964f, 1e-6f);
    EXPECT_EQ(placed.flags, qv::kObjectNotAligned | qv::kObjectCollision | qv::kObjectFacing);
    EXPECT_EQ(placed.id, 2u);
    plugin->types[1].sound1 = "bird.wav";

    const std::vector<uint8_t> first = Saved();
    ASSERT_EQ(Load(first), 0);
    ASSERT_EQ(plugin->instances.size(), 3u);
    EXPECT_EQ(std::memcmp(&plugin->instances[2], &placed, sizeof placed), 0);
    EXPECT_EQ(plugin->types[1].sound1, "bird.wav");
    EXPECT_EQ(plugin->types[1].sound2, "None");
    EXPECT_TRUE(plugin->types[1].flags[0]);
    EXPECT_EQ(plugin->nextId, 3u);
    EXPECT_EQ(Saved(), first);
}

TEST_F(ObjectTest, DeletingATypeThatStillHasInstancesIsRefused) {
    plat::Dialog& d = Panel(0);
    AddType(d, "tree");
    ASSERT_TRUE(d.UserClick(kAddInstance));
    ASSERT_TRUE(d.UserClick(kDeleteType));
    EXPECT_EQ(editor->Host(0)->GetMeshCount(), 2);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Winprintf|You have objects\nof type tree\n"});
    ASSERT_TRUE(d.UserClick(kDelete));
    ASSERT_EQ(plugin->instances.size(), 2u);
    ASSERT_TRUE(d.UserSelect(1003, 1));
    ASSERT_TRUE(d.UserClick(kDeleteType));
    EXPECT_EQ(editor->Host(0)->GetMeshCount(), 1);
    EXPECT_EQ(plugin->types.size(), 1u);
}

TEST_F(ObjectTest, OlderFortyByteRecordsLoadWithUpYAndFreshIds) {
    const std::vector<uint8_t> now = Saved();
    std::vector<uint8_t> older(now.begin(), now.begin() + static_cast<long>(ListsEnd(now)));
    plat::ByteWriter w;
    w.U32(1);
    w.U32(3);
    for (int i = 0; i < 3; ++i) {
        uint8_t record[qv::kInstanceBytes];
        ObjectInstance o;
        o.x = 10.0f * i;
        qv::StoreInstance(o, record);
        w.Bytes(record, qv::kOlderInstanceBytes);
    }
    older.insert(older.end(), w.Data().begin(), w.Data().end());
    ASSERT_EQ(Load(older), 0);
    ASSERT_EQ(plugin->instances.size(), 3u);
    EXPECT_EQ(plugin->instances[2].x, 20.0f);
    EXPECT_EQ(plugin->instances[2].up.y, 1.0f);
    EXPECT_EQ(plugin->instances[2].flags, 0u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(plugin->instances[i].id, i);
    EXPECT_EQ(plugin->types[0].sound1, "None");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Winprintf|Found duplicate ids, \nall dynamic objects are invalidated\n"});
}

TEST_F(ObjectTest, SharedIdsAreRenumberedAndLongRecordsSkipTheirTail) {
    plugin->instances[0].id = 7;
    plugin->instances[1].id = 7;
    plugin->instances[1].flags = 0x80000021u;
    std::vector<uint8_t> chunk = Saved();
    // The second record grows to 64 bytes: its last 8 are skipped, the sound names still read.
    const size_t second = ListsEnd(chunk) + 8 + 60;
    plat::StoreU32(&chunk[second], 64);
    chunk.insert(chunk.begin() + static_cast<long>(second + 4 + 56), 8, 0xEE);
    ASSERT_EQ(Load(chunk), 0);
    EXPECT_EQ(plugin->instances[0].id, 0u);
    EXPECT_EQ(plugin->instances[1].id, 1u);
    EXPECT_EQ(plugin->instances[1].flags, 0x21u);
    EXPECT_EQ(plugin->nextId, 2u);
    EXPECT_EQ(plugin->types[0].sound2, "None");
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(ObjectTest, DamagedChunksAreRefused) {
    const std::vector<uint8_t> good = Saved();
    const size_t count = ListsEnd(good) + 4;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"huge instance count", count, 0x40000000u},
        {"record longer than the chunk", count + 4, 0x7FFFFFF0u},
        {"type out of range", count + 8 + 32, 5},
        {"sound name longer than the chunk", good.size() - 2 * 9, 0xFFFFFFF0u},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        plat::StoreU32(&bad[c.at], c.value);
        EXPECT_EQ(Load(bad), qv::Result(qv::kResultBadChunk)) << c.what;
    }
    for (size_t cut : {good.size() - 1, ListsEnd(good) + 3}) {
        const std::vector<uint8_t> shortened(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_EQ(Load(shortened), qv::Result(qv::kResultBadChunk)) << cut;
    }
}

TEST_F(ObjectTest, BoundsHeightScaleAndGroundFollowTheBus) {
    const float previous[6] = {0, 0, 0, 1000, 1000, 100}, wider[6] = {0, 0, 0, 2000, 1000, 100},
                flat[6] = {0, 0, 0, 0, 1000, 100};
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(previous), reinterpret_cast<qv::MsgArg>(wider));
    EXPECT_EQ(plugin->instances[1].x, 3000.0f);
    EXPECT_EQ(plugin->instances[1].y, 1500.0f);
    // A world of no extent in x scales nothing (no division by zero).
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(flat), reinterpret_cast<qv::MsgArg>(wider));
    EXPECT_EQ(plugin->instances[1].x, 3000.0f);

    PlaneGround ground(0.5f, 10.0f);
    ASSERT_EQ(editor->bus.Register(&ground), 0);
    plugin->instances[1].flags = 0;  // aligned on the ground
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgRedrawArea, 0, 0);
    EXPECT_EQ(plugin->instances[1].groundHeight, 1510.0f);
    EXPECT_NEAR(plugin->instances[1].up.z, 1.0f / std::sqrt(1.25f), 1e-6f);
    EXPECT_EQ(plugin->instances[0].up.z, 1.0f);  // not aligned: straight up
    const float half = 0.5f;
    uint32_t bits;
    std::memcpy(&bits, &half, 4);
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgHeightScaleChanged, bits, 0);
    EXPECT_EQ(plugin->instances[1].groundHeight, 755.0f);
    editor->bus.Unregister(&ground);
}

TEST_F(ObjectTest, QueriesAnswerCountsIdsNamesAndRecords) {
    plugin->AppendInstance(0, 5, 6, 0);
    qv::Port& port = plugin->mainPort;
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectCount, 0, 0), 3);
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectId, 2, 0), 2);
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectId, 3, 0), -1);
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectIndexOfId, 1, 0), 1);
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectIndexOfId, 9, 0), -1);
    char name[qv::kObjectNameBytes];
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectName, 2, reinterpret_cast<qv::MsgArg>(name)), 0);
    EXPECT_STREQ(name, "dummy (3)");
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectName, 7, reinterpret_cast<qv::MsgArg>(name)),
              qv::Result(qv::kResultBadIndex));
    EXPECT_STREQ(name, "");
    uint8_t record[qv::kInstanceBytes];
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectRecord, 2, reinterpret_cast<qv::MsgArg>(record)), 0);
    EXPECT_EQ(plat::LoadF32(record + 4), 6.0f);
    plugin->SetTypeFlag(0, qv::kObjectCollision, true);
    EXPECT_EQ(port.OnMessage(nullptr, qv::kMsgObjectNoCollision, 1, 0), 0);
    for (const ObjectInstance& in : plugin->instances) EXPECT_EQ(in.flags & qv::kObjectCollision, 0u);
}

TEST_F(ObjectTest, ToolsAddCopyAndSelectWithTheMouse) {
    PlaneGround ground(0.0f, 25.0f);
    ASSERT_EQ(editor->bus.Register(&ground), 0);
    RecordingViewport view;
    plat::Dialog& d = Panel(0);
    // Without a type chosen the add tool says so.
    plugin->tool = qv::ObjectTool::AddPoint;
    qv::MousePress press{&view, 300, 200, 0, 0};
    plugin->Press(press);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Winprintf|No object selected\n"});
    plugin->tool = qv::ObjectTool::Select;

    AddType(d, "bale");
    ASSERT_TRUE(d.UserClick(kAddPoint));
    plugin->Press(press);
    ASSERT_EQ(plugin->instances.size(), 3u);
    EXPECT_EQ(plugin->instances[2].x, 300.0f);
    EXPECT_EQ(plugin->instances[2].groundHeight, 25.0f);
    EXPECT_EQ(plugin->selectedInstance, 2);

    // Copies: the same draws of the run-time sequence give the same spread every time.
    ASSERT_TRUE(d.UserClick(kAddPoint));  // off again
    ASSERT_TRUE(d.UserType(kScaleVar, "0.5"));
    ASSERT_TRUE(d.UserClick(kCopyPoint));
    plat::CrtSrand(7);
    plugin->Press({&view, 100, 100, 0, 0});
    plat::CrtSrand(7);
    const int r1 = plat::CrtRand(), r2 = plat::CrtRand();
    ASSERT_EQ(plugin->instances.size(), 4u);
    EXPECT_FLOAT_EQ(plugin->instances[3].scale, 1.0f + static_cast<float>(r1 % 500 + r2 % 500 - 500) * 0.5f * 0.001f);
    EXPECT_EQ(plugin->instances[3].x, 100.0f);  // no positional variance
    EXPECT_EQ(plugin->instances[3].id, 3u);
    EXPECT_EQ(plugin->selectedInstance, 3);

    // Select: a click inside the projected box of the first built-in instance.
    ASSERT_TRUE(d.UserClick(kCopyPoint));
    plugin->Press({&view, -1495, -1500, 0, 0});
    EXPECT_EQ(plugin->selectedInstance, 0);
    EXPECT_EQ(plugin->selectedType, 0);
    editor->bus.Unregister(&ground);
}

TEST_F(ObjectTest, DrawingPlacesEachMeshByItsTransformAndBoxesTheSelection) {
    RecordingViewport view;
    plugin->instances[1].rotZ = 0.5f;
    plugin->instances[1].scale = 2.0f;
    Panel(0);
    plugin->selectedInstance = 1;
    plugin->DrawViewport(&view);
    ASSERT_EQ(view.meshes.size(), 2u);
    const qv::Matrix4 expected = qv::InstanceTransform(plugin->instances[1]);
    EXPECT_EQ(std::memcmp(view.meshes[1].matrix, expected.m, sizeof expected.m), 0);
    ASSERT_EQ(view.primitives.size(), 1u);
    EXPECT_EQ(view.primitives[0].vertices.size(), 24u);
    EXPECT_EQ(view.primitives[0].vertices[0].colour, 0xFFFFFFFFu);
    plugin->showObjects = 0;
    view.meshes.clear();
    plugin->DrawViewport(&view);
    EXPECT_TRUE(view.meshes.empty());
}

TEST(ObjectTransform, TurnsAboutYThenXThenZIntoTheUpFrame) {
    struct Case {
        const char* what;
        ObjectInstance in;
        float basis[9];
    } cases[] = {
        // The up frame of (0, 0, 1) mirrors x.
        {"straight", {}, {-1, 0, 0, 0, 1, 0, 0, 0, 1}},
        {"heading", [] { ObjectInstance o; o.rotZ = 1.5707964f; return o; }(), {0, -1, 0, -1, 0, 0, 0, 0, 1}},
        {"scaled", [] { ObjectInstance o; o.scale = 2; return o; }(), {-2, 0, 0, 0, 2, 0, 0, 0, 2}},
        // Roll then pitch: y's turn acts first, then x's, so x's axis carries y's result.
        {"roll then pitch", [] { ObjectInstance o; o.rotY = 1.5707964f; o.rotX = 1.5707964f; return o; }(),
         {0, 1, 0, 0, 0, 1, -1, 0, 0}},
    };
    for (const Case& c : cases) {
        const qv::Matrix4 m = qv::InstanceTransform(c.in, false);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(m.m[4 * r + k], c.basis[3 * r + k], 1e-6f) << c.what << " " << r << k;
        EXPECT_EQ(m.m[12], 0.0f);
    }
    ObjectInstance placed;
    placed.x = 4, placed.y = 5, placed.groundHeight = 6, placed.heightAbove = 1;
    const qv::Matrix4 m = qv::InstanceTransform(placed);
    EXPECT_EQ(m.m[12], 4.0f);
    EXPECT_EQ(m.m[14], 7.0f);
}

TEST_F(ObjectTest, TheDumpWritesEveryInstanceAndReadsBack) {
    plugin->instances[1].rotZ = 0.25f;
    plugin->instances[1].heightAbove = 2.5f;
    const std::string path = Path("objects.txt");
    plat::ScriptNextFiles({path});
    // The button is created hidden; its command works all the same.
    Panel(0).Send(plat::WM_COMMAND, plat::MakeWParam(1038, plat::BN_CLICKED), 0);
    const std::vector<uint8_t> bytes = ReadFile(path);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, text.find('\n', 15) + 1), "1\ndummy\n2\ndummy -1500.000 -1500.000 0.000 -1.000 0.000 0.000 0.000 1.000 0.000 0.000 0.000 1.000\n");
    qv::ObjectDump dump;
    ASSERT_TRUE(qv::ParseObjectDump(text, &dump));
    ASSERT_EQ(dump.instances.size(), 2u);
    EXPECT_EQ(dump.instances[1].type, "dummy");
    EXPECT_EQ(dump.instances[1].position[2], 2.5f);
    EXPECT_NEAR(dump.instances[1].basis[1], -std::sin(0.25f), 1e-3f);
    EXPECT_EQ(qv::FormatObjectDump(dump), text);
    // Windows line ends read the same; a missing number or a short list does not read.
    std::string crlf;
    for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_TRUE(qv::ParseObjectDump(crlf, &dump));
    EXPECT_FALSE(qv::ParseObjectDump(text.substr(0, text.size() - 7), &dump));
    EXPECT_FALSE(qv::ParseObjectDump("3\na\n", &dump));
}

}  // namespace
}  // namespace qvtest
