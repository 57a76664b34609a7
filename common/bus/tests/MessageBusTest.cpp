#include "common/bus/MessageBus.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using qv::MessageBus;
using qv::MsgArg;
using qv::Port;

// Records every call into a shared log as "name:code".
class LogPort : public Port {
public:
    LogPort(const char* n, uint32_t mask, std::vector<std::string>* log) : Port(n, mask), log_(log) {}
    int32_t OnMessage(Port*, uint32_t code, MsgArg, MsgArg) override {
        log_->push_back(std::string(name ? name : "?") + ":" + std::to_string(code));
        if (onMessage) onMessage();
        return 0;
    }
    std::function<void()> onMessage;

private:
    std::vector<std::string>* log_;
};

struct BroadcastCase {
    const char* label;
    uint32_t kind;
    int senderIndex;  // -1: null sender
    std::vector<std::string> expected;
};

void PrintTo(const BroadcastCase& c, std::ostream* os) { *os << c.label; }

class BroadcastTable : public ::testing::TestWithParam<BroadcastCase> {};

TEST_P(BroadcastTable, ReachesMatchingPortsInOrderExceptTheSender) {
    const BroadcastCase& c = GetParam();
    std::vector<std::string> log;
    MessageBus bus;
    LogPort mainPort("MainPort", 0xFFFF, &log);
    LogPort viewport("Viewport #0", 0x18, &log);
    LogPort password("Password::Main Port", 14, &log);
    LogPort sky("SkyClass", 2, &log);
    LogPort* ports[] = {&mainPort, &viewport, &password, &sky};
    for (Port* p : ports) ASSERT_EQ(bus.Register(p), 0);

    Port* sender = c.senderIndex < 0 ? nullptr : ports[c.senderIndex];
    int32_t called = bus.Broadcast(sender, c.kind, 7, 0, 0);
    EXPECT_EQ(log, c.expected) << c.label;
    EXPECT_EQ(called, static_cast<int32_t>(c.expected.size())) << c.label;
    for (Port* p : ports) bus.Unregister(p);
}

INSTANTIATE_TEST_SUITE_P(
    Bus, BroadcastTable,
    ::testing::Values(
        BroadcastCase{"resources from MainPort skip the viewport", 2, 0, {"Password::Main Port:7", "SkyClass:7"}},
        BroadcastCase{"world kind from MainPort", 8, 0, {"Viewport #0:7", "Password::Main Port:7"}},
        BroadcastCase{"null sender reaches every match", 2, -1,
                      {"MainPort:7", "Password::Main Port:7", "SkyClass:7"}},
        BroadcastCase{"sender left out although its mask matches", 2, 2, {"MainPort:7", "SkyClass:7"}},
        BroadcastCase{"a kind nobody takes", 0x10000, -1, {}}),
    [](const ::testing::TestParamInfo<BroadcastCase>& row) { return "Row" + std::to_string(row.index); });

TEST(MessageBus, RegisterRefusesTwiceAndTakenNames) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort first("ObjectClass", 14, &log);
    LogPort second("ObjectClass", 14, &log);
    LogPort unnamedA(nullptr, 2, &log);
    LogPort unnamedB(nullptr, 2, &log);
    EXPECT_EQ(bus.Register(&first), 0);
    EXPECT_EQ(bus.Register(&first), -1);
    EXPECT_EQ(bus.Register(&second), -1);
    EXPECT_FALSE(second.IsRegistered());
    EXPECT_EQ(bus.Register(&unnamedA), 0);
    EXPECT_EQ(bus.Register(&unnamedB), 0);
    EXPECT_EQ(bus.Count(), 3u);
}

TEST(MessageBus, UnregisterKeepsOrderAndReportsWhatIsLeft) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort a("A", 1, &log), b("B", 1, &log), c("C", 1, &log), stranger("X", 1, &log);
    bus.Register(&a);
    bus.Register(&b);
    bus.Register(&c);
    EXPECT_EQ(bus.Unregister(&stranger), 0);
    EXPECT_EQ(bus.Unregister(&b), 2);
    EXPECT_FALSE(b.IsRegistered());
    bus.Broadcast(nullptr, 1, 5, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"A:5", "C:5"}));
}

TEST(MessageBus, FindByNameIsExactAndCaseSensitive) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort land("SplineLandscape::Interface", 0x800E, &log);
    bus.Register(&land);
    EXPECT_EQ(bus.FindByName("SplineLandscape::Interface"), &land);
    EXPECT_EQ(bus.FindByName("splinelandscape::interface"), nullptr);
    EXPECT_EQ(bus.FindByName("SplineLandscape"), nullptr);
    EXPECT_EQ(bus.FindByName(nullptr), nullptr);
}

TEST(MessageBus, PortThatLeavesDuringBroadcastDoesNotMakeTheNextOneMissIt) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort a("A", 1, &log), b("B", 1, &log), c("C", 1, &log);
    bus.Register(&a);
    bus.Register(&b);
    bus.Register(&c);
    a.onMessage = [&] { bus.Unregister(&a); };
    EXPECT_EQ(bus.Broadcast(nullptr, 1, 9, 0, 0), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"A:9", "B:9", "C:9"}));
}

TEST(MessageBus, PortRemovedByAnotherDuringBroadcastIsNotCalled) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort a("A", 1, &log), b("B", 1, &log), c("C", 1, &log);
    bus.Register(&a);
    bus.Register(&b);
    bus.Register(&c);
    a.onMessage = [&] { bus.Unregister(&b); };
    EXPECT_EQ(bus.Broadcast(nullptr, 1, 9, 0, 0), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"A:9", "C:9"}));
}

TEST(MessageBus, NestedBroadcastIsDelivered) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort a("A", 1, &log), b("B", 2, &log);
    bus.Register(&a);
    bus.Register(&b);
    a.onMessage = [&] { bus.Broadcast(&a, 2, 3, 0, 0); };
    bus.Broadcast(nullptr, 1, 1, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"A:1", "B:3"}));
}

TEST(MessageBus, DestroyedPortLeavesTheBus) {
    std::vector<std::string> log;
    MessageBus bus;
    LogPort a("A", 1, &log);
    bus.Register(&a);
    {
        LogPort temp("Temp", 1, &log);
        bus.Register(&temp);
        EXPECT_EQ(bus.Count(), 2u);
    }
    EXPECT_EQ(bus.Count(), 1u);
    EXPECT_EQ(bus.FindByName("Temp"), nullptr);
    EXPECT_EQ(bus.Broadcast(nullptr, 1, 1, 0, 0), 1);
}

TEST(Port, UnnamedPortTakesEveryKind) {
    std::vector<std::string> log;
    struct Plain : Port {
        int32_t OnMessage(Port*, uint32_t, MsgArg, MsgArg) override { return 0; }
    } plain;
    EXPECT_EQ(plain.KindMask(), 0xFFFFFFFFu);
    EXPECT_EQ(plain.Name(), nullptr);
    EXPECT_FALSE(plain.IsRegistered());
}

}  // namespace
