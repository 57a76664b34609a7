#pragma once
// The edits of the landscape that need no window: the height brush, flattening, wraparound, resizing
// the knot and cell grids, the centre imprint, the text format of the export and of the ASCII import,
// heights from a displacement bitmap, and the texture-cell operations. Every one stays inside the grids.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/texture/Dib.h"
#include "plugins/landscape/LandscapeGrid.h"

namespace qv {

// A selection of knots, one bit each.
struct KnotSelection {
    std::vector<bool> bits;
    int32_t count = 0;
    int32_t lastPicked = -1;
    void Clear() {
        std::fill(bits.begin(), bits.end(), false);
        count = 0;
        lastPicked = -1;
    }
    // Keeps the first min(old, new) bits; no knots, no selection.
    void Resize(size_t n);
    void Add(int32_t knot);
};

struct Brush {
    bool on = false;
    float radius = 50.0f;
    float power = 2.0f;
};

// The knot range an edit touched (inclusive), for refreshing only those patches.
struct KnotRange {
    uint32_t firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0;
    bool any = false;
};

// A drag of dy: without the brush every selected knot drops by dy x 0.01; with it, knots within the
// radius of the last picked knot (the selected ones, or all when exactly one is selected) drop by
// cos(d / radius x pi/2)^power x dy x 0.01.
KnotRange DragHeights(LandscapeGrid& g, const KnotSelection& s, const Brush& brush, float dy);
void ScaleHeights(LandscapeGrid& g, float factor);
void Flatten(LandscapeGrid& g);
// Blends the outer `percent` of each row and column towards the opposite edge so the ground tiles.
// `status`, when given, hears "Wrapping in X direction..." and then the Y one.
void Wraparound(LandscapeGrid& g, int32_t percent, const std::function<void(const char*)>& status = {});

// Resizes; counts are limited to their ranges. False (nothing changed) when memory runs out.
bool ResizeKnotsX(LandscapeGrid& g, KnotSelection& s, uint32_t n);
bool ResizeKnotsY(LandscapeGrid& g, KnotSelection& s, uint32_t n);
bool SetDivisionX(LandscapeGrid& g, uint32_t n);
bool SetDivisionY(LandscapeGrid& g, uint32_t n);

// Where the 3 x 3 blocks of an imprint of side a start on a grid of `knots`: a x e - 2, a x (e + 1) - 2
// and a x (e + 2) - 2 with e = ((knots - 1) / (a - 1) - 3) / 2. Nothing when the blocks do not fit.
std::optional<uint32_t> ImprintStart(uint32_t knots, uint32_t a);
// Lays the a x a source into the centre block and ramps the eight blocks around it towards its border
// with blend x. False (nothing changed) when the blocks do not fit the grid on either axis.
bool ImprintCenter(LandscapeGrid& g, const std::vector<float>& source, uint32_t a, float blend);

// The text export "Landscape Plugin V1.1".
std::string ExportText(const LandscapeGrid& g);
// A height file: the knot counts of its "Knots" line and the values that follow it (row-major; the
// reading stops early at the end of the file, leaving the rest 0). Nothing without a "Knots" line or
// with a count of 0.
struct AsciiHeights {
    uint32_t knotsX = 0, knotsY = 0;
    std::vector<float> values;  // knotsX x knotsY when the counts are within the limit, else empty
};
std::optional<AsciiHeights> ParseAsciiHeights(const std::vector<uint8_t>& text, uint32_t maxKnots = kMaxKnots);
// Knot (c, r) = red of pixel (c, n - 1 - r) x maximum / 255 for an n x n bitmap.
std::vector<float> DisplacementHeights(const Dib& bitmap, float maximum);

// Texture cells.
// After texture t was deleted: cells of t become 0, cells above t one lower. current follows.
void RemoveTextureInstances(LandscapeGrid& g, uint32_t t, uint32_t* current);
void FillCells(LandscapeGrid& g, uint16_t texture, bool onlyEmpty);
enum class Rotate { Up, Down, Left, Right };
void RotateCells(LandscapeGrid& g, Rotate direction);
// The two tiling patterns on the first 40 x 40 cells (clipped to the grid): with tiling, textures 1..64
// as an 8 x 8 block repeated; without, `frame` everywhere but the centre block (rows and columns 16..23).
void LayTiling(LandscapeGrid& g);
void LayFrame(LandscapeGrid& g, uint16_t frame);
// The cells of the centre block, piece (row, column) of 8 x 8: (16 + row) x cellsX + 16 + column; false
// when the grid is too small to hold the block.
bool CenterCell(const LandscapeGrid& g, uint32_t pieceRow, uint32_t pieceColumn, size_t* index);

// Pieces of a 2041 x 2041 8-bit picture: 8 x 8 pieces of 256 x 256 starting every 255 pixels, piece k
// (row-major from the picture's first stored row) as a bitmap with the picture's colour table.
Dib CutPiece(const Dib& picture, uint32_t pieceRow, uint32_t pieceColumn);
// A 255 x 255 picture made tileable as 256 x 256: its first row repeated as row 255 and its first column
// as column 255.
Dib WidenTileable(const Dib& picture);

}  // namespace qv
