#include "plugins/landscape/LandscapeEdit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>

#include "plugins/shared/ChunkBitmap.h"

namespace qv {

namespace {

constexpr uint32_t kTilingSide = 40, kCenterFirst = 16, kPieces = 8, kPieceSide = 256, kPieceStep = 255;

void Widen(KnotRange& r, uint32_t c, uint32_t row) {
    if (!r.any) {
        r = KnotRange{c, c, row, row, true};
        return;
    }
    r.firstColumn = std::min(r.firstColumn, c), r.lastColumn = std::max(r.lastColumn, c);
    r.firstRow = std::min(r.firstRow, row), r.lastRow = std::max(r.lastRow, row);
}

// Copies a row-major grid into another of new sides, keeping the overlap and zeroing the rest.
template <typename T>
std::vector<T> Regrid(const std::vector<T>& old, uint32_t oldW, uint32_t oldH, uint32_t newW, uint32_t newH) {
    std::vector<T> out(size_t{newW} * newH, T{});
    const uint32_t w = std::min(oldW, newW), h = std::min(oldH, newH);
    for (uint32_t r = 0; r < h; ++r)
        std::copy_n(old.begin() + static_cast<std::ptrdiff_t>(size_t{r} * oldW), w,
                    out.begin() + static_cast<std::ptrdiff_t>(size_t{r} * newW));
    return out;
}

// Splits a line into tokens separated by blanks and tabs.
std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool EqualNoCase(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return i == a.size() && !b[i];
}

// The leading decimal integer of a token, as the C library's conversion reads it (0 when none).
long LeadingInt(std::string_view t) {
    long v = 0;
    const char* p = t.data();
    if (!t.empty() && t[0] == '+') ++p;
    std::from_chars(p, t.data() + t.size(), v);
    return v;
}

float LeadingFloat(std::string_view t) {
    float v = 0.0f;
    const char* p = t.data();
    if (!t.empty() && t[0] == '+') ++p;
    const auto [end, ec] = std::from_chars(p, t.data() + t.size(), v);
    if (ec != std::errc() || !std::isfinite(v)) return 0.0f;
    (void)end;
    return v;
}

}  // namespace

void KnotSelection::Resize(size_t n) {
    bits.resize(n, false);
    count = static_cast<int32_t>(std::count(bits.begin(), bits.end(), true));
    if (n == 0) count = 0;
    if (lastPicked >= static_cast<int32_t>(n)) lastPicked = -1;
}

void KnotSelection::Add(int32_t knot) {
    if (knot < 0 || static_cast<size_t>(knot) >= bits.size()) return;
    if (!bits[static_cast<size_t>(knot)]) ++count;
    bits[static_cast<size_t>(knot)] = true;
    lastPicked = knot;
}

KnotRange DragHeights(LandscapeGrid& g, const KnotSelection& s, const Brush& brush, float dy) {
    KnotRange touched;
    const LandscapeRecord& r = g.record;
    if (g.Empty() || s.bits.size() != g.heights.size()) return touched;
    const float drop = dy * 0.01f;
    if (!brush.on) {
        for (size_t i = 0; i < s.bits.size(); ++i)
            if (s.bits[i]) {
                g.heights[i] -= drop;
                Widen(touched, static_cast<uint32_t>(i % r.knotsX), static_cast<uint32_t>(i / r.knotsX));
            }
        return touched;
    }
    if (s.count < 1 || s.lastPicked < 0 || !(brush.radius > 0.0f)) return touched;
    const bool all = s.count == 1;
    const uint32_t cc = static_cast<uint32_t>(s.lastPicked) % r.knotsX, cr = static_cast<uint32_t>(s.lastPicked) / r.knotsX;
    // Only knots within the radius move: visit the box around the centre that holds them. The weight
    // depends on the distance only, so each column and row offset is weighed once.
    const auto reach = [](float radius, float spacing, uint32_t centre, uint32_t n, uint32_t* lo, uint32_t* hi) {
        const double k = spacing > 0.0f ? std::ceil(static_cast<double>(radius) / spacing) : 0.0;
        const double span = std::min<double>(k, n);
        *lo = static_cast<uint32_t>(std::max<double>(0.0, centre - span));
        *hi = static_cast<uint32_t>(std::min<double>(n - 1.0, centre + span));
    };
    uint32_t c0, c1, r0, r1;
    reach(brush.radius, r.knotSpacingX, cc, r.knotsX, &c0, &c1);
    reach(brush.radius, r.knotSpacingY, cr, r.knotsY, &r0, &r1);
    const uint32_t spanC = std::max(cc - c0, c1 - cc) + 1, spanR = std::max(cr - r0, r1 - cr) + 1;
    std::vector<float> weight(size_t{spanC} * spanR, 0.0f);
    for (uint32_t dr = 0; dr < spanR; ++dr)
        for (uint32_t dc = 0; dc < spanC; ++dc) {
            const float dx = static_cast<float>(dc) * r.knotSpacingX, dz = static_cast<float>(dr) * r.knotSpacingY;
            const float d = std::sqrt(dx * dx + dz * dz);
            weight[size_t{dr} * spanC + dc] =
                d < brush.radius ? std::pow(std::cos(d / brush.radius * 1.5707964f), brush.power) * drop : 0.0f;
        }
    for (uint32_t row = r0; row <= r1; ++row) {
        const float* w = &weight[size_t{row > cr ? row - cr : cr - row} * spanC];
        float* line = &g.heights[size_t{row} * r.knotsX];
        const size_t base = size_t{row} * r.knotsX;
        for (uint32_t c = c0; c <= c1; ++c) {
            const float f = w[c > cc ? c - cc : cc - c];
            if (f == 0.0f || (!all && !s.bits[base + c])) continue;
            line[c] -= f;
        }
    }
    Widen(touched, c0, r0);
    Widen(touched, c1, r1);
    return touched;
}

void ScaleHeights(LandscapeGrid& g, float factor) {
    for (float& h : g.heights) h *= factor;
}

void Flatten(LandscapeGrid& g) { std::fill(g.heights.begin(), g.heights.end(), 0.0f); }

void Wraparound(LandscapeGrid& g, int32_t percent, const std::function<void(const char*)>& status) {
    if (g.Empty()) return;
    if (status) status("Wrapping in X direction...");
    const float c = static_cast<float>(std::clamp(percent, 0, 100)) * 0.01f;
    const uint32_t kx = g.record.knotsX, ky = g.record.knotsY;
    const auto blend = [](float& a, float& b, float f) {
        const float x = a, y = b;
        a = x + (y - x) * f;
        b = y + (x - y) * f;
    };
    // A count above half the row would blend knots past the middle twice: it is at most half.
    const uint32_t countX = std::min(static_cast<uint32_t>(static_cast<float>(kx) * c), kx / 2);
    for (uint32_t row = 0; row < ky; ++row)
        for (uint32_t j = 0; j < countX; ++j) {
            const float f = 0.5f * std::pow(1.0f - static_cast<float>(j) / static_cast<float>(countX), 5.0f);
            blend(g.Height(j, row), g.Height(kx - 1 - j, row), f);
        }
    if (status) status("Wrapping in Y direction...");
    const uint32_t countY = std::min(static_cast<uint32_t>(static_cast<float>(ky) * c), ky / 2);
    for (uint32_t col = 0; col < kx; ++col)
        for (uint32_t j = 0; j < countY; ++j) {
            const float f = 0.5f * std::pow(1.0f - static_cast<float>(j) / static_cast<float>(countY), 5.0f);
            blend(g.Height(col, j), g.Height(col, ky - 1 - j), f);
        }
}

bool ResizeKnotsX(LandscapeGrid& g, KnotSelection& s, uint32_t n) {
    LandscapeRecord& r = g.record;
    n = std::clamp(n, kMinKnots, kMaxKnots);
    if (n == r.knotsX || g.Empty()) return true;
    try {
        const uint32_t cells = CellsFor(n, r.knotsPerCellX);
        std::vector<float> heights = Regrid(g.heights, r.knotsX, r.knotsY, n, r.knotsY);
        s.Resize(size_t{n} * r.knotsY);
        std::vector<uint16_t> grid = Regrid(g.cells, r.cellsX, r.cellsY, cells, r.cellsY);
        g.heights = std::move(heights);
        g.cells = std::move(grid);
        r.cellsX = cells;
        r.knotsX = n;
        g.UpdateSpacing();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ResizeKnotsY(LandscapeGrid& g, KnotSelection& s, uint32_t n) {
    LandscapeRecord& r = g.record;
    n = std::clamp(n, kMinKnots, kMaxKnots);
    if (n == r.knotsY || g.Empty()) return true;
    try {
        const uint32_t cells = CellsFor(n, r.knotsPerCellY);
        std::vector<float> heights = Regrid(g.heights, r.knotsX, r.knotsY, r.knotsX, n);
        s.Resize(size_t{r.knotsX} * n);
        std::vector<uint16_t> grid = Regrid(g.cells, r.cellsX, r.cellsY, r.cellsX, cells);
        g.heights = std::move(heights);
        g.cells = std::move(grid);
        r.cellsY = cells;
        r.knotsY = n;
        g.UpdateSpacing();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool SetDivisionX(LandscapeGrid& g, uint32_t n) {
    LandscapeRecord& r = g.record;
    n = std::clamp(n, kMinDivision, kMaxDivision);
    if (n == r.knotsPerCellX || g.Empty()) return true;
    try {
        const uint32_t cells = CellsFor(r.knotsX, n);
        g.cells = Regrid(g.cells, r.cellsX, r.cellsY, cells, r.cellsY);
        r.cellsX = cells;
    } catch (const std::bad_alloc&) {
        return false;
    }
    r.knotsPerCellX = n;
    r.texStepX = 0.99609375f / static_cast<float>(n);
    return true;
}

bool SetDivisionY(LandscapeGrid& g, uint32_t n) {
    LandscapeRecord& r = g.record;
    n = std::clamp(n, kMinDivision, kMaxDivision);
    if (n == r.knotsPerCellY || g.Empty()) return true;
    try {
        const uint32_t cells = CellsFor(r.knotsY, n);
        g.cells = Regrid(g.cells, r.cellsX, r.cellsY, r.cellsX, cells);
        r.cellsY = cells;
    } catch (const std::bad_alloc&) {
        return false;
    }
    r.knotsPerCellY = n;
    r.texStepY = 0.99609375f / static_cast<float>(n);
    return true;
}

std::optional<uint32_t> ImprintStart(uint32_t knots, uint32_t a) {
    if (a < 2 || knots < 2) return std::nullopt;
    const int64_t e = (int64_t{knots - 1} / (a - 1) - 3) / 2;
    const int64_t first = int64_t{a} * e - 2, end = int64_t{a} * (e + 3) - 2;
    if (first < 0 || end > int64_t{knots}) return std::nullopt;
    return static_cast<uint32_t>(first + a);  // the centre block
}

bool ImprintCenter(LandscapeGrid& g, const std::vector<float>& src, uint32_t a, float x) {
    if (g.Empty() || src.size() != size_t{a} * a) return false;
    const std::optional<uint32_t> sx = ImprintStart(g.record.knotsX, a), sy = ImprintStart(g.record.knotsY, a);
    if (!sx || !sy) return false;
    const auto ramp = [a, x](uint32_t i) {
        const float v = (static_cast<float>(i) - (1.0f - x) * static_cast<float>(a)) / (x * static_cast<float>(a));
        return v > 0.0f ? v * v * v : 0.0f;
    };
    const auto source = [&](uint32_t row, uint32_t col) { return src[size_t{row} * a + col]; };
    for (int by = -1; by <= 1; ++by)
        for (int bx = -1; bx <= 1; ++bx) {
            const uint32_t x0 = *sx + static_cast<uint32_t>(bx * static_cast<int>(a));
            const uint32_t y0 = *sy + static_cast<uint32_t>(by * static_cast<int>(a));
            for (uint32_t j = 0; j < a; ++j)
                for (uint32_t i = 0; i < a; ++i) {
                    float& h = g.Height(x0 + i, y0 + j);
                    const float ri = ramp(i), rj = ramp(j), ri2 = ramp(a - 1 - i), rj2 = ramp(a - 1 - j);
                    // Blocks of lower rows (by -1) sit before the centre: their far edge meets its row 0.
                    if (bx == 0 && by == 0) h = source(j, i);
                    else if (bx == -1 && by == -1) h += ri * rj * (source(0, 0) - h);
                    else if (bx == 1 && by == -1) h += ri2 * rj * (source(0, a - 1) - h);
                    else if (bx == -1 && by == 1) h += ri * rj2 * (source(a - 1, 0) - h);
                    else if (bx == 1 && by == 1) h += ri2 * rj2 * (source(a - 1, a - 1) - h);
                    else if (by == -1) h += rj * (source(0, i) - h);
                    else if (by == 1) h += rj2 * (source(a - 1, i) - h);
                    else if (bx == -1) h += ri * (source(j, 0) - h);
                    else h += ri2 * (source(j, a - 1) - h);
                }
        }
    return true;
}

std::string ExportText(const LandscapeGrid& g) {
    const LandscapeRecord& r = g.record;
    std::string out = "Landscape Plugin V1.1\nExported landscape geometry\nWritten by the QV landscape editor\n"
                      "Heights in world units, one knot a line, row by row\n\n\n";
    char line[96];
    std::snprintf(line, sizeof line, "Size %f %f\n", static_cast<double>(r.XMax() - r.XMin()),
                  static_cast<double>(r.YMax() - r.YMin()));
    out += line;
    std::snprintf(line, sizeof line, "Knots %d %d\n", static_cast<int>(r.knotsX), static_cast<int>(r.knotsY));
    out += line;
    out.reserve(out.size() + g.heights.size() * 11);
    for (float h : g.heights) {
        std::snprintf(line, sizeof line, "%f\n", static_cast<double>(h));
        out += line;
    }
    return out;
}

std::optional<AsciiHeights> ParseAsciiHeights(const std::vector<uint8_t>& text, uint32_t maxKnots) {
    // Lines end at CR or LF; empty lines vanish. Lines have no length limit.
    size_t at = 0;
    const auto nextLine = [&](std::string_view* line) {
        while (at < text.size() && (text[at] == '\r' || text[at] == '\n')) ++at;
        if (at >= text.size()) return false;
        const size_t start = at;
        while (at < text.size() && text[at] != '\r' && text[at] != '\n') ++at;
        *line = std::string_view(reinterpret_cast<const char*>(text.data()) + start, at - start);
        return true;
    };
    std::string_view line;
    std::vector<std::string_view> tokens;
    for (;;) {
        if (!nextLine(&line)) return std::nullopt;
        tokens = Tokens(line);
        if (!tokens.empty() && EqualNoCase(tokens[0], "Knots")) break;
    }
    AsciiHeights out;
    const long kx = tokens.size() > 1 ? LeadingInt(tokens[1]) : 0, ky = tokens.size() > 2 ? LeadingInt(tokens[2]) : 0;
    if (kx <= 0 || ky <= 0) return std::nullopt;
    out.knotsX = static_cast<uint32_t>(std::min<long>(kx, UINT32_MAX));
    out.knotsY = static_cast<uint32_t>(std::min<long>(ky, UINT32_MAX));
    if (out.knotsX > maxKnots || out.knotsY > maxKnots) return out;  // counts only: the caller refuses them
    out.values.assign(size_t{out.knotsX} * out.knotsY, 0.0f);
    for (float& v : out.values) {
        if (!nextLine(&line)) break;
        tokens = Tokens(line);
        v = tokens.empty() ? 0.0f : LeadingFloat(tokens[0]);
    }
    return out;
}

std::vector<float> DisplacementHeights(const Dib& bitmap, float maximum) {
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    std::vector<float> out(static_cast<size_t>(w) * static_cast<size_t>(h), 0.0f);
    const float scale = maximum * (1.0f / 255.0f);
    for (int32_t r = 0; r < h; ++r)
        for (int32_t c = 0; c < w; ++c) {
            // The bottom row (stored first) is knot row 0.
            const uint32_t p = BitmapPixel(bitmap, c, r);
            uint32_t red;
            if (bitmap.header.bitCount <= 8) {
                const size_t at = size_t{p} * 4 + 2;
                red = at < bitmap.colourTable.size() ? bitmap.colourTable[at] : p;
            } else {
                red = (p >> 16) & 0xFF;
            }
            out[static_cast<size_t>(r) * static_cast<size_t>(w) + static_cast<size_t>(c)] = static_cast<float>(red) * scale;
        }
    return out;
}

void RemoveTextureInstances(LandscapeGrid& g, uint32_t t, uint32_t* current) {
    if (current) {
        if (*current == t) *current = t - 1;
        else if (*current > t) --*current;
    }
    for (uint16_t& c : g.cells) {
        if (c == t) c = 0;
        else if (c > t) --c;
    }
}

void FillCells(LandscapeGrid& g, uint16_t texture, bool onlyEmpty) {
    for (uint16_t& c : g.cells)
        if (!onlyEmpty || c == 0) c = texture;
}

void RotateCells(LandscapeGrid& g, Rotate direction) {
    const uint32_t w = g.record.cellsX, h = g.record.cellsY;
    if (g.cells.size() != size_t{w} * h || g.cells.empty()) return;
    const auto begin = g.cells.begin();
    switch (direction) {
        case Rotate::Up: std::rotate(begin, begin + static_cast<std::ptrdiff_t>(size_t{h - 1} * w), g.cells.end()); break;
        case Rotate::Down: std::rotate(begin, begin + w, g.cells.end()); break;
        case Rotate::Left:
            for (uint32_t r = 0; r < h; ++r) {
                auto row = begin + static_cast<std::ptrdiff_t>(size_t{r} * w);
                std::rotate(row, row + 1, row + w);
            }
            break;
        case Rotate::Right:
            for (uint32_t r = 0; r < h; ++r) {
                auto row = begin + static_cast<std::ptrdiff_t>(size_t{r} * w);
                std::rotate(row, row + (w - 1), row + w);
            }
            break;
    }
}

void LayTiling(LandscapeGrid& g) {
    const uint32_t rows = std::min(kTilingSide, g.record.cellsY), cols = std::min(kTilingSide, g.record.cellsX);
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t c = 0; c < cols; ++c)
            g.cells[size_t{r} * g.record.cellsX + c] = static_cast<uint16_t>(1 + kPieces * (r % kPieces) + c % kPieces);
}

void LayFrame(LandscapeGrid& g, uint16_t frame) {
    const uint32_t rows = std::min(kTilingSide, g.record.cellsY), cols = std::min(kTilingSide, g.record.cellsX);
    const auto centre = [](uint32_t i) { return i >= kCenterFirst && i < kCenterFirst + kPieces; };
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t c = 0; c < cols; ++c)
            if (!(centre(r) && centre(c))) g.cells[size_t{r} * g.record.cellsX + c] = frame;
}

bool CenterCell(const LandscapeGrid& g, uint32_t pieceRow, uint32_t pieceColumn, size_t* index) {
    if (g.record.cellsX < kCenterFirst + kPieces || g.record.cellsY < kCenterFirst + kPieces) return false;
    *index = size_t{kCenterFirst + pieceRow} * g.record.cellsX + kCenterFirst + pieceColumn;
    return true;
}

Dib CutPiece(const Dib& picture, uint32_t pieceRow, uint32_t pieceColumn) {
    Dib piece;
    piece.header = picture.header;
    piece.header.width = piece.header.height = kPieceSide;
    piece.header.sizeImage = RowBytes(kPieceSide, 8) * kPieceSide;
    piece.header.clrUsed = piece.header.clrImportant = 0;
    piece.colourTable = picture.colourTable;
    piece.pixels.assign(piece.header.sizeImage, 0);
    const uint32_t from = RowBytes(picture.header.width, 8);
    const int32_t h = picture.Height();
    // Pieces are counted from the picture's top row; stored rows run bottom-up.
    for (uint32_t y = 0; y < kPieceSide; ++y) {
        const int32_t top = static_cast<int32_t>(pieceRow * kPieceStep + y);
        if (top >= h) break;
        const size_t srcRow = static_cast<size_t>(h - 1 - top) * from;
        const size_t dstRow = size_t{kPieceSide - 1 - y} * kPieceSide;
        const uint32_t x0 = pieceColumn * kPieceStep;
        const uint32_t n = std::min<uint32_t>(kPieceSide, static_cast<uint32_t>(picture.Width()) - std::min<uint32_t>(x0, picture.Width()));
        if (srcRow + x0 + n <= picture.pixels.size()) std::copy_n(&picture.pixels[srcRow + x0], n, &piece.pixels[dstRow]);
    }
    return piece;
}

Dib WidenTileable(const Dib& picture) {
    Dib out;
    out.header = picture.header;
    out.header.width = out.header.height = kPieceSide;
    const uint16_t bits = picture.header.bitCount;
    const uint32_t bytes = bits / 8 ? bits / 8 : 1, from = RowBytes(picture.header.width, bits), to = RowBytes(kPieceSide, bits);
    out.header.sizeImage = to * kPieceSide;
    out.colourTable = picture.colourTable;
    out.pixels.assign(out.header.sizeImage, 0);
    const int32_t h = picture.Height();
    // Image row y (from the top) is stored at h - 1 - y; the 256th image row repeats image row 0.
    for (uint32_t y = 0; y < kPieceSide; ++y) {
        const uint32_t srcTop = y < static_cast<uint32_t>(h) ? y : 0;
        const uint8_t* src = &picture.pixels[static_cast<size_t>(h - 1 - static_cast<int32_t>(srcTop)) * from];
        uint8_t* dst = &out.pixels[size_t{kPieceSide - 1 - y} * to];
        const uint32_t w = std::min<uint32_t>(picture.Width(), kPieceSide - 1);
        std::copy_n(src, size_t{w} * bytes, dst);
        std::copy_n(src, bytes, dst + size_t{kPieceSide - 1} * bytes);
    }
    return out;
}

}  // namespace qv
