#include "plugins/password/PasswordPlugin.h"

#include "PluginKit.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class PasswordTest : public PluginFixture {
protected:
    void Register() override {
        plugin = std::make_unique<qv::PasswordPlugin>();
        ASSERT_EQ(editor->RegisterPlugin(ModuleOf(plugin.get()), plugin.get()), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        plugin.reset();
    }
    std::vector<uint8_t> Saved() {
        qv::MemoryStream out;
        uint32_t size = 0;
        EXPECT_EQ(plugin->SaveChunk(&out, &size), 0);
        EXPECT_EQ(size, 25u);
        EXPECT_EQ(out.bytes().size(), 25u);
        return out.bytes();
    }
    std::unique_ptr<qv::PasswordPlugin> plugin;
};

TEST_F(PasswordTest, StoredInvertedWithZerosAfterTheTerminator) {
    struct Case {
        std::string typed, kept;
    } cases[] = {{"", ""}, {"abc", "abc"}, {std::string(19, 'q'), std::string(19, 'q')},
                 {std::string(25, 'z'), std::string(19, 'z')}};
    plat::Dialog& d = Panel(0);
    d.UserType(1004, "abcdefghij");  // a longer password first: none of it may stay in the file
    for (const Case& c : cases) {
        d.UserType(1004, c.typed);
        EXPECT_EQ(plugin->password(), c.kept);
        const std::vector<uint8_t> bytes = Saved();
        EXPECT_EQ(Saved(), bytes);  // saving twice writes the same
        std::vector<uint8_t> expected = {1, 0, 0, 0};
        for (char ch : c.kept) expected.push_back(static_cast<uint8_t>(255 - static_cast<uint8_t>(ch)));
        expected.resize(25, 0);
        EXPECT_EQ(bytes, expected) << c.typed;
    }
}

TEST_F(PasswordTest, ALockedWorldAsksAndARightAnswerOpensIt) {
    Panel(0).UserType(1004, "Secret");
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    MakeEditor();
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Title(), "ello ello ello");
        d.UserType(1044, "Secret");
        d.UserClick(1);
    });
    ASSERT_EQ(editor->world.Open(Path("w.wld")), 0);
    EXPECT_EQ(plugin->password(), "Secret");
    EXPECT_TRUE(Boxes().empty());
    // The lock survives another save.
    ASSERT_EQ(editor->world.Save(Path("w2.wld")), 0);
    EXPECT_EQ(ChunkOf(ReadFile(Path("w.wld")), qv::FourCC("-*..")), ChunkOf(ReadFile(Path("w2.wld")), qv::FourCC("-*..")));
}

TEST_F(PasswordTest, AWrongAnswerOrAClosedPromptRefusesTheWorld) {
    Panel(0).UserType(1004, "Secret");
    ASSERT_EQ(editor->world.Save(Path("w.wld")), 0);
    for (bool close : {false, true}) {
        MakeEditor();
        plat::ClearMessagesShown();
        plat::ScriptNextDialog([close](plat::Dialog& d) {
            if (close) return;
            d.UserType(1044, "secret");  // case matters
            d.UserClick(1);
        });
        EXPECT_NE(editor->world.Open(Path("w.wld")), 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"naughty...|Wrong password"});
        EXPECT_EQ(plugin->password(), "");  // the world was reset
    }
}

TEST_F(PasswordTest, DamagedChunks) {
    // Too short: refused.
    std::vector<uint8_t> shortChunk(10, 0x41);
    qv::MemoryStream in(shortChunk);
    EXPECT_EQ(plugin->LoadChunk(&in, 10), qv::Result(qv::kResultBadChunk));
    // No terminator in the 21 bytes: read no further than 19 characters.
    std::vector<uint8_t> full(25, static_cast<uint8_t>(255 - 'k'));
    plat::ScriptNextDialog([](plat::Dialog& d) {
        d.UserType(1044, std::string(19, 'k'));
        d.UserClick(1);
    });
    qv::MemoryStream whole(full);
    EXPECT_EQ(plugin->LoadChunk(&whole, 25), 0);
    EXPECT_EQ(plugin->password(), std::string(19, 'k'));
}

TEST_F(PasswordTest, ClearPasswordEmptiesIt) {
    plat::Dialog& d = Panel(0);
    d.UserType(1004, "abc");
    d.UserClick(1028);
    EXPECT_EQ(plugin->password(), "");
    EXPECT_EQ(d.Text(1004), "");
}

}  // namespace
}  // namespace qvtest
