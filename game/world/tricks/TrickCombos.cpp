// The combo recogniser: button presses, each the sum of the buttons newly held, matched against the
// current combo table.
#include "game/world/tricks/Tricks.h"

namespace kes {

namespace {

constexpr uint32_t kEnd = 99;
constexpr int kMaxSequence = 3;  // the longest combo; the original kept room for 21

// Up to three codes, the end mark 99, filler, and the trick in the fifth word.
struct ComboEntry {
    uint32_t words[5];
};

const ComboEntry kTable0[] = {
    {{1, 1, kEnd, 0, 9}}, {{2, 2, kEnd, 0, 4}}, {{1, 4, kEnd, 0, 11}}, {{1, 8, kEnd, 0, 12}}, {{1, 2, kEnd, 0, 8}},
};
const ComboEntry kTable1[] = {
    {{4, 1, kEnd, 0, 1}},  {{2, 4, kEnd, 0, 22}}, {{2, 8, kEnd, 0, 24}}, {{2, 1, kEnd, 0, 2}},
    {{4, 4, kEnd, 0, 10}}, {{8, 8, kEnd, 0, 19}}, {{2, 2, kEnd, 0, 21}},
};
const ComboEntry kTable2[] = {
    {{1, 1, kEnd, 0, 5}},  {{2, 2, kEnd, 0, 7}},  {{1, 8, kEnd, 0, 3}},  {{4, 2, kEnd, 0, 14}},
    {{1, 2, kEnd, 0, 6}},  {{2, 8, kEnd, 0, 18}}, {{2, 1, kEnd, 0, 13}}, {{8, 1, 2, kEnd, 20}},
    {{4, 8, 2, kEnd, 16}}, {{8, 2, 1, kEnd, 23}}, {{4, 1, 8, kEnd, 15}}, {{8, 4, 1, kEnd, 17}},
};

struct Table {
    const ComboEntry* entries;
    int count;
};

const Table kTables[3] = {
    {kTable0, sizeof(kTable0) / sizeof(kTable0[0])},
    {kTable1, sizeof(kTable1) / sizeof(kTable1[0])},
    {kTable2, sizeof(kTable2) / sizeof(kTable2[0])},
};

struct Recogniser {
    int32_t table = 0;
    uint32_t sequence[kMaxSequence] = {};
    int length = 0;
    uint32_t previousMask = 0;
} g_combo;

int32_t Restart(int32_t result) {
    g_combo.length = 0;
    g_combo.previousMask = 0;
    return result;
}

}  // namespace

int32_t GetTrickMode() { return g_combo.table; }

void SetTrickMode(int32_t table) { g_combo.table = table; }

void ResetTrickInput() { Restart(0); }

int32_t FeedTrickButtons(uint32_t mask) {
    mask &= 0xF;
    if (mask == g_combo.previousMask) return kTrickWaiting;
    if (mask == 0) {
        g_combo.previousMask = 0;
        return kTrickWaiting;
    }
    if (g_combo.table < 0 || g_combo.table > 2) return Restart(kTrickNoCombo);
    const uint32_t code = mask & ~g_combo.previousMask;
    g_combo.previousMask = mask;
    // Letting one of several held buttons go adds a code of 0, which no entry holds.
    // No combo is longer than three presses: a fourth cannot match any entry.
    if (g_combo.length >= kMaxSequence) return Restart(kTrickNoCombo);
    g_combo.sequence[g_combo.length++] = code;

    bool waiting = false;
    const Table& table = kTables[g_combo.table];
    for (int e = 0; e < table.count; ++e) {
        const uint32_t* words = table.entries[e].words;
        bool matches = true;
        for (int i = 0; i < g_combo.length && matches; ++i) matches = words[i] == g_combo.sequence[i];
        if (!matches) continue;
        if (words[g_combo.length] == kEnd) return Restart(static_cast<int32_t>(words[4]));
        waiting = true;
    }
    return waiting ? kTrickWaiting : Restart(kTrickNoCombo);
}

}  // namespace kes
