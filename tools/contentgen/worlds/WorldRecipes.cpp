#include "tools/contentgen/worlds/WorldRecipes.h"

#include <algorithm>
#include <cmath>

namespace tools::worlds {

namespace {

constexpr float kPi = 3.14159265f;

std::array<std::string, 4> Texts(const char* en, const char* es, const char* fr, const char* de) { return {en, es, fr, de}; }

std::vector<WorldRecipe> MakeWorlds() {
    std::vector<WorldRecipe> w;
    {
        WorldRecipe r;
        r.fileName = "_select.wld";
        r.id = 1;  // never listed: the menu world's information is not read
        r.kind = kKindFreeStyle;
        r.name = "Menu@Men\xfa@Menu@Men\xfc";
        r.description = Texts("The menu world.", "El mundo del men\xfa.", "Le monde du menu.", "Die Men\xfcwelt.");
        r.terrain = Terrain::MenuHill;
        r.seed = 7;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "redvalley.wld";
        r.id = 1001;
        r.kind = kKindMotoCross;
        r.name = "Red Valley@Valle Rojo@Vall\xe9" "e Rouge@Rotes Tal";
        r.description = Texts("A fast loop along a valley floor, with rollers on the back straight.",
                              "Un circuito r\xe1pido por el fondo de un valle, con badenes en la recta opuesta.",
                              "Une boucle rapide au fond d'une vall\xe9" "e, avec des bosses dans la ligne oppos\xe9" "e.",
                              "Eine schnelle Runde durch einen Talgrund, mit Wellen auf der Gegengeraden.");
        r.loop = LoopShape{{500, 500}, 1400, 950, {{3, 0.12f, 0.3f}, {2, 0.06f, 1.1f}}};
        r.terrain = Terrain::Valley;
        r.seed = 11;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "pineridge.wld";
        r.id = 1002;
        r.kind = kKindMotoCross;
        r.name = "Pine Ridge@Cresta de Pinos@Cr\xeate des Pins@Kiefernkamm";
        r.description = Texts("Climbs over a ridge at dusk and drops back through the hollows.",
                              "Sube una cresta al atardecer y baja por las hondonadas.",
                              "Grimpe sur une cr\xeate au cr\xe9puscule et redescend par les creux.",
                              "Steigt in der D\xe4mmerung \xfc" "ber einen Kamm und f\xe4llt durch die Senken zur\xfc" "ck.");
        r.loop = LoopShape{{500, 500}, 1250, 1100, {{2, 0.12f, 0.9f}, {3, 0.05f, 0.2f}}};
        r.terrain = Terrain::Ridge;
        r.dusk = true;
        r.seed = 12;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "arenanorth.wld";
        r.id = 2002;
        r.kind = kKindSuperCross;
        r.name = "North Arena@Arena Norte@Ar\xe8ne Nord@Nordarena";
        r.description = Texts("A tight stadium course on packed sand with whoops on both straights.",
                              "Un circuito de estadio cerrado sobre arena, con olas en las dos rectas.",
                              "Un trac\xe9 de stade serr\xe9 sur sable tass\xe9, avec des whoops dans les deux lignes droites.",
                              "Ein enger Stadionkurs auf festem Sand mit Wellen auf beiden Geraden.");
        r.loop = LoopShape{{500, 500}, 1000, 600, {{4, 0.10f, 0.0f}}};
        r.terrain = Terrain::Arena;
        r.land = GroundLook::Grass;
        r.track = GroundLook::Sand;
        r.seed = 21;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "harbourhall.wld";
        r.id = 2003;
        r.kind = kKindSuperCross;
        r.name = "Harbour Hall@Nave del Puerto@Halle du Port@Hafenhalle";
        r.description = Texts("An evening indoor course between the docks, all short straights and hairpins.",
                              "Un circuito cubierto al anochecer junto a los muelles, de rectas cortas y horquillas.",
                              "Un trac\xe9 couvert du soir pr\xe8s des quais, tout en courtes lignes droites et \xe9pingles.",
                              "Ein abendlicher Hallenkurs an den Docks, nur kurze Geraden und Kehren.");
        r.loop = LoopShape{{500, 500}, 900, 700, {{3, 0.14f, 0.5f}}};
        r.terrain = Terrain::Arena;
        r.land = GroundLook::Rock;
        r.track = GroundLook::Dirt;
        r.dusk = true;
        r.seed = 22;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "quarrybowl.wld";
        r.id = 3001;
        r.kind = kKindFreeStyle;
        r.name = "Quarry Bowl@Cuenco de la Cantera@Cuvette de la Carri\xe8re@Steinbruchkessel";
        r.description = Texts("An open quarry floor ringed by steep walls: score tricks against the clock.",
                              "El fondo abierto de una cantera rodeado de paredes: suma trucos contra el reloj.",
                              "Le fond d'une carri\xe8re entour\xe9 de parois raides : marquez des figures contre la montre.",
                              "Ein offener Steinbruch mit steilen W\xe4nden: Tricks gegen die Uhr.");
        r.scoreFactor = "1";
        r.loop = LoopShape{{500, 500}, 850, 850, {{2, 0.10f, 0.0f}}};
        r.terrain = Terrain::Bowl;
        r.land = GroundLook::Rock;
        r.track = GroundLook::Sand;
        r.seed = 31;
        w.push_back(r);
    }
    {
        WorldRecipe r;
        r.fileName = "chalkpit.wld";
        r.id = 3002;
        r.kind = kKindFreeStyle;
        r.name = "Chalk Pit@Pozo de Tiza@Carri\xe8re de Craie@Kreidegrube";
        r.description = Texts("A white pit at sunset with a long lap of kickers round its rim.",
                              "Un pozo blanco al ocaso con una larga vuelta de rampas junto al borde.",
                              "Une fosse blanche au couchant, avec un long tour de tremplins le long du bord.",
                              "Eine wei\xdf" "e Grube im Abendrot mit einer langen Runde von Kickern am Rand.");
        r.scoreFactor = "1.2";
        r.loop = LoopShape{{500, 500}, 1000, 720, {{3, 0.08f, 1.2f}}};
        r.terrain = Terrain::Bowl;
        r.land = GroundLook::Chalk;
        r.track = GroundLook::Dirt;
        r.dusk = true;
        r.seed = 32;
        w.push_back(r);
    }
    return w;
}

// Squares are written as products: an optimising build turns pow(v, 2) into v * v while an
// unoptimised one calls the library's pow, whose result can differ in the last bit, and the packs
// would then differ between builds.
float Hills(float x, float y, uint32_t seed, float scale) {
    const float p = static_cast<float>(seed % 97) * 0.37f;
    return scale * (0.55f * std::sin(x * 0.0021f + p) * std::cos(y * 0.0017f - p) +
                    0.30f * std::sin((x + y) * 0.0043f + 2 * p) + 0.15f * std::cos((x - y) * 0.0091f + p));
}

// A bump of height h centred at c, w long: a smooth rise and fall.
float Bump(float s, float c, float w, float h) {
    const float t = (s - c) / w;
    return std::fabs(t) >= 0.5f ? 0.0f : h * 0.5f * (1 + std::cos(2 * kPi * t));
}

}  // namespace

const std::vector<WorldRecipe>& DefaultWorlds() {
    static const std::vector<WorldRecipe> worlds = MakeWorlds();
    return worlds;
}

float LoopReach(const LoopShape& loop, bool alongX) {
    float waves = 1;
    for (const LoopShape::Wave& w : loop.waves) waves += std::fabs(w.a);
    return (alongX ? loop.rx : loop.ry) * waves;
}

std::vector<Point2> LoopControls(const LoopShape& loop) {
    constexpr int kControls = 32;
    std::vector<Point2> out;
    for (int i = 0; i < kControls; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / kControls;
        float scale = 1;
        for (const LoopShape::Wave& w : loop.waves) scale += w.a * std::sin(static_cast<float>(w.k) * a + w.phase);
        out.push_back({loop.centre.x + loop.rx * scale * std::cos(a), loop.centre.y + loop.ry * scale * std::sin(a)});
    }
    return out;
}

GroundRecipe GroundFor(const WorldRecipe& recipe) {
    GroundRecipe g;
    const uint32_t seed = recipe.seed;
    const float reachX = recipe.loop ? LoopReach(*recipe.loop, true) : 0.0f;
    const float reachY = recipe.loop ? LoopReach(*recipe.loop, false) : 0.0f;
    // Every ground stays above 0, the world box's floor.
    switch (recipe.terrain) {
    case Terrain::Valley:
        // Rolling land that climbs into valley sides away from the course.
        g.ground = [seed](float x, float y, float d) {
            return 60 + Hills(x, y, seed, 30) + std::min(std::max(0.0f, d - 140) * 0.25f, 160.0f);
        };
        g.features = [](float s) { return Bump(s, 900, 70, 5) + Bump(s, 1000, 70, 5) + Bump(s, 1100, 70, 5); };
        break;
    case Terrain::Ridge:
        // A long ridge across the middle that the course climbs over twice.
        g.ground = [seed](float x, float y, float d) {
            const float across = (y - 500) / 420.0f;
            const float ridge = 50 * std::exp(-across * across);
            return 40 + ridge + Hills(x, y, seed, 25) + std::min(std::max(0.0f, d - 200) * 0.12f, 90.0f);
        };
        g.features = [](float s) { return Bump(s, 600, 120, 3.0f) + Bump(s, 2600, 120, 3.0f); };
        break;
    case Terrain::Arena:
        // A flat floor inside a raised bank, like a stadium's stands.
        g.ground = [reachX, reachY](float x, float y, float) {
            const float r = std::max(std::fabs(x - 500) - reachX - 160, std::fabs(y - 500) - reachY - 160);
            return 20 + std::clamp(r * 0.4f, 0.0f, 60.0f);
        };
        g.features = [](float s) {
            float h = 0;
            for (int i = 0; i < 6; ++i) h += Bump(s, 300 + 28 * static_cast<float>(i), 28, 1.0f);
            for (int i = 0; i < 6; ++i) h += Bump(s, 2700 + 28 * static_cast<float>(i), 28, 1.0f);
            return h;
        };
        g.smoothing = 400;
        break;
    case Terrain::Bowl:
        // A quarry floor with walls rising all round.
        g.ground = [seed, reachX, reachY](float x, float y, float) {
            // The floor reaches 250 beyond the course, then the walls rise over 600.
            const float r = std::hypot((x - 500) / reachX, (y - 500) / reachY) * std::max(reachX, reachY);
            const float t = std::clamp((r - std::max(reachX, reachY) - 250) / 600.0f, 0.0f, 1.0f);
            return 30 + Hills(x, y, seed, 6) + 220 * t * t * (3 - 2 * t);
        };
        g.features = [](float s) { return Bump(s, 800, 60, 4) + Bump(s, 2400, 60, 4) + Bump(s, 4000, 60, 4); };
        break;
    case Terrain::MenuHill:
        // A calm meadow, flat round (10, 50) where the menu's bike stands, a hill behind it.
        g.ground = [seed](float x, float y, float) {
            const float hx = (x - 400) / 500.0f, hy = (y - 700) / 400.0f;
            const float hill = 120 * std::exp(-(hx * hx + hy * hy));
            const float calm = std::clamp(std::hypot(x - 10, y - 50) / 300.0f, 0.0f, 1.0f);
            return 30 + hill + calm * Hills(x, y, seed, 15);
        };
        break;
    }
    return g;
}

}  // namespace tools::worlds
