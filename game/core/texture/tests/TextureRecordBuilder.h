#pragma once
// Writes texture records for the tests: kind, 128-byte name, colour picture, alpha picture.
#include <string>
#include <vector>

#include "game/core/image/tests/PictureBuilder.h"

namespace kes::test {

inline Picture SolidPicture(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    Picture p;
    p.width = w;
    p.height = h;
    p.bits = 24;
    for (int i = 0; i < w * h; ++i) {
        p.rowsTopDown.push_back(b);
        p.rowsTopDown.push_back(g);
        p.rowsTopDown.push_back(r);
    }
    return p;
}

inline Picture GreyPicture(int w, int h, uint8_t level) {
    Picture p;
    p.width = w;
    p.height = h;
    p.bits = 8;
    p.table = GreyTable(false);
    p.rowsTopDown.assign(static_cast<size_t>(w) * h, level);
    return p;
}

// Rows padded as the game stores them (two bytes) or as the editor writes them (four bytes).
enum class RowForm { Game, Editor };

inline std::vector<uint8_t> TextureRecordBytes(const char* kind, const std::string& name, const Picture& colour,
                                               const Picture* alpha = nullptr, RowForm form = RowForm::Game) {
    plat::ByteWriter w;
    w.Bytes(kind, 4);
    w.FixedString(name, 128);
    auto picture = [form](const Picture& p) { return form == RowForm::Game ? StreamPicture(p) : EditorStreamPicture(p); };
    const auto c = picture(colour);
    w.Bytes(c.data(), c.size());
    if (alpha) {
        const auto a = picture(*alpha);
        w.Bytes(a.data(), a.size());
    }
    return w.Take();
}

}  // namespace kes::test
