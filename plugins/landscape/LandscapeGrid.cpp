#include "plugins/landscape/LandscapeGrid.h"

#include <algorithm>
#include <cmath>

#include "editor/plugin/PluginApi.h"

namespace qv {

namespace {

std::array<float, 4> ExactWeights(float t) {
    t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
    const float t2 = t * t, t3 = t2 * t, h3 = t3 / 2.0f;
    return {t2 - h3 - t / 2.0f, 1.5f * t3 - 2.5f * t2 + 1.0f, t / 2.0f + 2.0f * t2 - 1.5f * t3, h3 - t2 / 2.0f};
}

std::array<std::array<float, 4>, kSplineRows> BuildWeights() {
    std::array<std::array<float, 4>, kSplineRows> rows{};
    for (uint32_t k = 0; k < kSplineRows; ++k) rows[k] = ExactWeights(static_cast<float>(k) / 2048.0f);
    return rows;
}

// The weight row of a position `local` inside a knot span of `spacing`; rounding can carry the index
// one past the table, which is then its last row.
uint32_t WeightRow(float local, float spacing) {
    const float k = local * 2048.0f / spacing;
    if (!(k > 0.0f)) return 0;
    return k >= 2048.0f ? 2048u : static_cast<uint32_t>(k);
}

// The knot a position (in knot spacings) falls after, within 0..n - 1; NaN counts as 0.
uint32_t KnotIndex(float q, uint32_t n) {
    if (!(q > 0.0f)) return 0;
    return q >= static_cast<float>(n - 1) ? n - 1 : static_cast<uint32_t>(q);
}

uint32_t ClampIndex(int64_t i, uint32_t n) { return static_cast<uint32_t>(std::clamp<int64_t>(i, 0, int64_t{n} - 1)); }

// Wraps around the grid however far the index lies outside it: a division wider than the grid (4 knots,
// 100 knots a cell) reaches many grid widths past its end.
uint32_t WrapIndex(int64_t i, uint32_t n) {
    const int64_t m = i % static_cast<int64_t>(n);
    return static_cast<uint32_t>(m < 0 ? m + n : m);
}

// Camera rotation: the viewport's view matrix rotates world into camera space; its transpose brings a
// camera-space direction (x right, y ahead, z up) back into the world.
Vec3 CameraToWorld(const float* m, float x, float y, float z) {
    return Vec3{x * m[0] + y * m[1] + z * m[2], x * m[4] + y * m[5] + z * m[6], x * m[8] + y * m[9] + z * m[10]};
}

}  // namespace

const std::array<float, 4>& SplineWeightRow(uint32_t k) {
    static const std::array<std::array<float, 4>, kSplineRows> rows = BuildWeights();
    return rows[std::min(k, kSplineRows - 1)];
}

void LandscapeGrid::MakeDefault() {
    record = LandscapeRecord();
    record.lodEnabled = 1;
    record.lodFactor = 0.5f;
    record.knotsX = record.knotsY = kDefaultKnots;
    record.knotsPerCellX = record.knotsPerCellY = kDefaultDivision;
    const float bounds[6] = {-2000.0f, -2000.0f, 0.0f, 3000.0f, 3000.0f, 1000.0f};
    std::copy_n(bounds, 6, record.bounds);
    record.baseHeight = record.bounds[2];
    record.texStepX = record.texStepY = 0.99609375f / static_cast<float>(kDefaultDivision);
    record.cellsX = record.cellsY = CellsFor(kDefaultKnots, kDefaultDivision);
    UpdateSpacing();
    heights.assign(size_t{kDefaultKnots} * kDefaultKnots, 0.0f);
    cells.assign(size_t{record.cellsX} * record.cellsY, 0);
}

void LandscapeGrid::Clear() {
    record = LandscapeRecord();
    std::fill_n(record.bounds, 6, 0.0f);
    heights.clear();
    cells.clear();
    patches = PatchTable();
}

void LandscapeGrid::UpdateSpacing() {
    record.knotSpacingX = (record.XMax() - record.XMin()) / static_cast<float>(record.knotsX - 1);
    record.knotSpacingY = (record.YMax() - record.YMin()) / static_cast<float>(record.knotsY - 1);
}

float LandscapeGrid::HeightAt(float x, float y) const { return Evaluate(x, y, false); }

float LandscapeGrid::Evaluate(float x, float y, bool exact) const {
    if (heights.empty()) return 0.0f;
    const LandscapeRecord& r = record;
    const float sx = r.knotSpacingX, sy = r.knotSpacingY;
    const float maxU = static_cast<float>(r.knotsX - 1) * sx, maxV = static_cast<float>(r.knotsY - 1) * sy;
    float u = x - r.XMin(), v = y - r.YMin();
    u = u > 0.0f ? (u < maxU ? u : maxU) : 0.0f;  // NaN lands on 0 as well
    v = v > 0.0f ? (v < maxV ? v : maxV) : 0.0f;
    const uint32_t col = KnotIndex(u / sx, r.knotsX), row = KnotIndex(v / sy, r.knotsY);
    const float fx = u - static_cast<float>(col) * sx, fy = v - static_cast<float>(row) * sy;
    const std::array<float, 4> wx = exact ? ExactWeights(fx / sx) : SplineWeightRow(WeightRow(fx, sx));
    const std::array<float, 4> wy = exact ? ExactWeights(fy / sy) : SplineWeightRow(WeightRow(fy, sy));
    // Neighbours are clamped into the grid: at the last knot the spline's own clamp rule would reach one
    // past the row (its weight is 0, but the read would leave the array).
    uint32_t cs[4], rs[4];
    for (int i = 0; i < 4; ++i) {
        cs[i] = ClampIndex(int64_t{col} - 1 + i, r.knotsX);
        rs[i] = ClampIndex(int64_t{row} - 1 + i, r.knotsY);
    }
    float sum = 0.0f;
    for (int a = 0; a < 4; ++a) {
        const float* line = &heights[size_t{rs[a]} * r.knotsX];
        float rowSum = 0.0f;
        for (int b = 0; b < 4; ++b) rowSum += wx[b] * line[cs[b]];
        sum += wy[a] * rowSum;
    }
    return sum;
}

Vec3 LandscapeGrid::NormalAt(float x, float y) const {
    if (heights.empty()) return Vec3{0.0f, 0.0f, 1.0f};
    // The four heights come from the exact cubic: the step is about two rows of the weight table, whose
    // rounding alone would make the slope up to a quarter wrong.
    const float ex = record.knotSpacingX * 0.0010253906f, ey = record.knotSpacingY * 0.0010253906f;
    const Vec3 p1{x - ex, y, Evaluate(x - ex, y, true)}, p2{x + ex, y, Evaluate(x + ex, y, true)};
    const Vec3 p3{x, y + ey, Evaluate(x, y + ey, true)}, p4{x, y - ey, Evaluate(x, y - ey, true)};
    Vec3 a, b, n;
    Vec3Sub(&p2, &p1, &a);
    Vec3Sub(&p3, &p4, &b);
    Vec3Cross(&a, &b, &n);
    Vec3Normalize(&n);
    if (!(n.z > 0.0f)) n = Vec3{0.0f, 0.0f, 1.0f};
    return n;
}

bool LandscapeGrid::PickKnot(Viewport* viewport, int32_t screenX, int32_t screenY, uint32_t* column,
                             uint32_t* row) const {
    if (heights.empty() || !viewport) return false;
    int32_t w = 0, h = 0;
    viewport->GetSize(&w, &h);
    if (w <= 0 || h <= 0) return false;
    const float half = static_cast<float>(w) / 2.0f;
    const float s = std::tan(viewport->GetFieldOfView() / 2.0f);
    const float rx = (static_cast<float>(screenX) - half) / half * s;
    const float ry = -s * (static_cast<float>(screenY) - static_cast<float>(h) / 2.0f) / half;
    float camera[3];
    viewport->GetCameraPosition(camera);
    const float* m = viewport->GetViewMatrix();
    if (!m) return false;
    Vec3 d = CameraToWorld(m, rx, 1.0f, ry);
    Vec3Normalize(&d);
    // The knot with the largest cosine above cos 5 degrees; an earlier knot keeps a tie.
    float best = 0.9961946980917f;
    bool found = false;
    for (uint32_t r = 0; r < record.knotsY; ++r)
        for (uint32_t c = 0; c < record.knotsX; ++c) {
            const Vec3 v{KnotX(c) - camera[0], KnotY(r) - camera[1], Height(c, r) - camera[2]};
            const float length = Vec3Length(&v);
            if (!(length > 0.0f)) continue;
            const float cosine = Vec3Dot(&d, &v) / length;
            if (cosine > best) {
                best = cosine;
                *column = c;
                *row = r;
                found = true;
            }
        }
    return found;
}

CellRange LandscapeGrid::VisibleCells(Viewport* viewport) const {
    CellRange all{0, patches.columns ? patches.columns - 1 : 0, 0, patches.rows ? patches.rows - 1 : 0};
    if (!viewport || (viewport->GetFlags() & kViewportTopDown) || patches.Empty()) return all;
    float nearPlane = 0, farPlane = 0, camera[3];
    viewport->GetClipPlanes(&nearPlane, &farPlane);
    viewport->GetCameraPosition(camera);
    const float* m = viewport->GetViewMatrix();
    if (!m) return all;
    const float c = std::tan(viewport->GetFieldOfView() / 2.0f) * farPlane;
    float minX = camera[0], maxX = camera[0], minY = camera[1], maxY = camera[1];
    const float corners[4][2] = {{-c, -c}, {c, -c}, {-c, c}, {c, c}};
    for (const auto& k : corners) {
        const Vec3 p = CameraToWorld(m, k[0], farPlane, k[1]);
        minX = std::min(minX, p.x + camera[0]), maxX = std::max(maxX, p.x + camera[0]);
        minY = std::min(minY, p.y + camera[1]), maxY = std::max(maxY, p.y + camera[1]);
    }
    auto cell = [](float v, float origin, float size, uint32_t count, int extra) {
        const float f = (v - origin) / size;
        if (!(f > 0.0f)) return 0u;
        const double i = std::floor(static_cast<double>(f)) + extra;
        return static_cast<uint32_t>(std::min<double>(i, count - 1));
    };
    const PatchTable& t = patches;
    return CellRange{cell(minX, record.XMin(), t.cellWidth, t.columns, 0), cell(maxX, record.XMin(), t.cellWidth, t.columns, 1),
                     cell(minY, record.YMin(), t.cellHeight, t.rows, 0), cell(maxY, record.YMin(), t.cellHeight, t.rows, 1)};
}

void LandscapeGrid::BuildPatches() {
    patches = PatchTable();
    if (heights.empty() || cells.empty()) return;
    PatchTable& t = patches;
    t.columns = record.cellsX;
    t.rows = record.cellsY;
    t.blockWidth = record.knotsPerCellX + 3;
    t.blockHeight = record.knotsPerCellY + 3;
    t.cellWidth = record.knotSpacingX * static_cast<float>(record.knotsPerCellX);
    t.cellHeight = record.knotSpacingY * static_cast<float>(record.knotsPerCellY);
    t.patches.resize(size_t{t.columns} * t.rows);
    t.heights.resize(t.patches.size() * t.blockWidth * t.blockHeight);
    for (uint32_t cy = 0; cy < t.rows; ++cy)
        for (uint32_t cx = 0; cx < t.columns; ++cx) {
            LandscapePatch& p = t.patches[size_t{cy} * t.columns + cx];
            p.block = (cy * t.columns + cx) * t.blockWidth * t.blockHeight;
            p.left = cy * t.columns + (cx + t.columns - 1) % t.columns;
            p.right = cy * t.columns + (cx + 1) % t.columns;
            p.nextRow = ((cy + 1) % t.rows) * t.columns + cx;
            p.previousRow = ((cy + t.rows - 1) % t.rows) * t.columns + cx;
            FillPatch(cx, cy);
        }
    RefreshPatchTextures();
}

void LandscapeGrid::FillPatch(uint32_t cx, uint32_t cy) {
    PatchTable& t = patches;
    LandscapePatch& p = t.patches[size_t{cy} * t.columns + cx];
    float lo = INFINITY, hi = -INFINITY;
    float* block = &t.heights[p.block];
    for (uint32_t m = 0; m < t.blockHeight; ++m) {
        const uint32_t row = WrapIndex(int64_t{cy} * record.knotsPerCellY + m - 1, record.knotsY);
        for (uint32_t b = 0; b < t.blockWidth; ++b) {
            const uint32_t col = WrapIndex(int64_t{cx} * record.knotsPerCellX + b - 1, record.knotsX);
            const float v = Height(col, row);
            block[m * t.blockWidth + b] = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    p.boxMin[0] = t.cellWidth * static_cast<float>(cx);
    p.boxMin[1] = t.cellHeight * static_cast<float>(cy);
    p.boxMin[2] = lo;
    p.boxMax[0] = t.cellWidth * static_cast<float>(cx + 1);
    p.boxMax[1] = t.cellHeight * static_cast<float>(cy + 1);
    p.boxMax[2] = hi;
    const float hx = t.cellWidth / 2, hy = t.cellHeight / 2, hz = (hi - lo) / 2;
    p.radius = std::sqrt(hx * hx + hy * hy + hz * hz);
    p.level = 0;
}

void LandscapeGrid::RefreshPatches(uint32_t firstColumn, uint32_t lastColumn, uint32_t firstRow, uint32_t lastRow) {
    const PatchTable& t = patches;
    const bool fits = !t.Empty() && t.columns == record.cellsX && t.rows == record.cellsY &&
                      t.blockWidth == record.knotsPerCellX + 3 && t.blockHeight == record.knotsPerCellY + 3;
    // Blocks wrap around the grid, so a knot on an edge also sits in the blocks of the far edge: those
    // cases take the whole table, as does a table of another shape.
    if (!fits || firstColumn < 2 || firstRow < 2 || lastColumn + 3 >= record.knotsX || lastRow + 3 >= record.knotsY) {
        BuildPatches();
        return;
    }
    // Block (cx, cy) holds knot columns cx * kx - 1 .. cx * kx + kx + 1.
    const uint32_t kx = record.knotsPerCellX, ky = record.knotsPerCellY;
    const uint32_t c0 = firstColumn > kx ? (firstColumn - 2) / kx : 0, c1 = std::min((lastColumn + 1) / kx, t.columns - 1);
    const uint32_t r0 = firstRow > ky ? (firstRow - 2) / ky : 0, r1 = std::min((lastRow + 1) / ky, t.rows - 1);
    for (uint32_t cy = r0; cy <= r1; ++cy)
        for (uint32_t cx = c0; cx <= c1; ++cx) FillPatch(cx, cy);
}

void LandscapeGrid::RefreshPatchTextures() {
    if (patches.patches.size() != cells.size()) return;
    for (size_t i = 0; i < cells.size(); ++i) patches.patches[i].texture = cells[i];
}

}  // namespace qv
