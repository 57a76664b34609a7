#pragma once
// The ground of a world as the editor keeps it: a grid of height knots under a uniform Catmull-Rom
// bicubic spline, and a coarser grid of texture cells naming textures of the plug-in's list. The
// surface queries (height, normal, knot under a screen point) and the table of texture patches the
// draw pass walks live here; nothing here knows the panel or the bus.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/vecmath/VecMath.h"

namespace qv {

class Viewport;

// The 76-byte record stored whole in the "SLND" chunk, field by field.
struct LandscapeRecord {
    int32_t lodEnabled = 1;
    float lodFactor = 0.5f;
    uint32_t knotsX = 10, knotsY = 10;
    float baseHeight = 0.0f;
    uint32_t knotsPerCellX = 2, knotsPerCellY = 2;
    float knotSpacingX = 0.0f, knotSpacingY = 0.0f;
    float texStepX = 0.0f, texStepY = 0.0f;
    uint32_t cellsX = 0, cellsY = 0;
    float bounds[6] = {0, 0, 0, 0, 0, 0};  // xMin, yMin, zMin, xMax, yMax, zMax

    float XMin() const { return bounds[0]; }
    float YMin() const { return bounds[1]; }
    float XMax() const { return bounds[3]; }
    float YMax() const { return bounds[4]; }
};

inline constexpr uint32_t kMinKnots = 4, kMaxKnots = 1000, kMinDivision = 1, kMaxDivision = 100;
// The default landscape of a new world.
inline constexpr uint32_t kDefaultKnots = 721, kDefaultDivision = 18;

// Cells of a grid of `knots` with `perCell` knots a cell: (knots + perCell - 2) / perCell.
inline uint32_t CellsFor(uint32_t knots, uint32_t perCell) { return (knots + perCell - 2) / perCell; }

// The spline's weights for t = k / 2048 (k = 0..2048): the four knots at offsets -1, 0, +1, +2.
const std::array<float, 4>& SplineWeightRow(uint32_t k);
inline constexpr uint32_t kSplineRows = 2049;

// One patch per texture cell: its texture, its box relative to (xMin, yMin), its block of knots from
// -1 to knotsPerCell + 1 around the cell's first knot (wrapping around the grid) and its neighbours.
struct LandscapePatch {
    uint32_t texture = 0;
    float boxMin[3] = {0, 0, 0}, boxMax[3] = {0, 0, 0};
    uint32_t block = 0;  // first height of the block in PatchTable::heights
    uint32_t left = 0, right = 0, nextRow = 0, previousRow = 0;
    uint32_t level = 0;
    float radius = 0.0f;
};

struct PatchTable {
    uint32_t columns = 0, rows = 0;
    uint32_t blockWidth = 0, blockHeight = 0;
    float cellWidth = 0.0f, cellHeight = 0.0f;
    std::vector<LandscapePatch> patches;  // row-major
    std::vector<float> heights;           // every patch's block, in patch order
    bool Empty() const { return patches.empty(); }
};

struct CellRange {
    uint32_t firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0;
};

class LandscapeGrid {
public:
    LandscapeRecord record;
    std::vector<float> heights;     // knotsY rows of knotsX
    std::vector<uint16_t> cells;    // cellsY rows of cellsX; 0 none, n the n-th texture
    PatchTable patches;

    bool Empty() const { return heights.empty(); }
    // The default landscape: 721 x 721 knots of height 0 over (-2000, -2000, 0)-(3000, 3000, 1000),
    // 18 knots a cell, 40 x 40 empty cells.
    void MakeDefault();
    void Clear();
    // Knot spacings again from the bounds (after a load or a change of bounds).
    void UpdateSpacing();

    float& Height(uint32_t column, uint32_t row) { return heights[size_t{row} * record.knotsX + column]; }
    float Height(uint32_t column, uint32_t row) const { return heights[size_t{row} * record.knotsX + column]; }
    float KnotX(uint32_t column) const { return record.XMin() + static_cast<float>(column) * record.knotSpacingX; }
    float KnotY(uint32_t row) const { return record.YMin() + static_cast<float>(row) * record.knotSpacingY; }

    // The spline height at world (x, y); points off the grid evaluate at its nearest edge. baseHeight is
    // not added.
    float HeightAt(float x, float y) const;
    // The unit normal, pointing up, from four heights a thousandth of a knot spacing around (x, y).
    Vec3 NormalAt(float x, float y) const;
    // The knot whose direction from the viewport's camera is closest to the ray through the screen
    // point, within 5 degrees; false when none is.
    bool PickKnot(Viewport* viewport, int32_t screenX, int32_t screenY, uint32_t* column, uint32_t* row) const;
    // The patches a perspective viewport can see, clamped to the patch grid; every patch for a top-down one.
    CellRange VisibleCells(Viewport* viewport) const;

    // Rebuilds the whole patch table from the heights and cells.
    void BuildPatches();
    // Refreshes the blocks and boxes of the patches whose blocks hold any knot of the given column and
    // row ranges (inclusive); rebuilds the whole table when its shape no longer fits the grid.
    void RefreshPatches(uint32_t firstColumn, uint32_t lastColumn, uint32_t firstRow, uint32_t lastRow);
    // Takes the cells' textures into the patches.
    void RefreshPatchTextures();

private:
    // The spline at (x, y), with the weight table or, exact, with the cubic itself.
    float Evaluate(float x, float y, bool exact) const;
    void FillPatch(uint32_t cx, uint32_t cy);
};

}  // namespace qv
