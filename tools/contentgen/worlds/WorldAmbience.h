#pragma once
// The parts of a default world an author adds after the course is dressed: the ambient sound
// emitters of the sound-map plug-in (their waves loaded from wave files, as the plug-in's wave list
// takes them) and the track cameras of the camera plug-in, each watching a stretch of the course
// from beside it for the camera-zone view.
#include <string>

#include "plugins/camera/CameraPlugin.h"
#include "plugins/tessil/SoundPlugin.h"
#include "tools/contentgen/worlds/WorldRecipes.h"

namespace tools::worlds {

// The ambient waves a world's emitters play, by the file name they are loaded from (also the name
// they have in the data pack's "Ambient\" folder).
struct AmbientWave {
    const char* fileName;
    std::vector<int16_t> (*samples)();
};
const std::vector<AmbientWave>& AmbientWaves();

// Loads the waves the recipe's emitters use from files written into folder, then places the
// emitters: a wind over the whole world, birds or a crowd by the start, and one more by the kind of
// world (a brook by the pond, a machine in the quarries). pond: where the world's water lies.
bool PlaceSoundEmitters(qv::SoundPlugin& sounds, const WorldRecipe& recipe, const ShapedGround& ground, Point2 pond,
                        const CourseSample* start, const std::string& folder, std::string* error);

// One camera every eighth of the lap, 120 units outside the course and 30 above the ground, whose
// zone is the box round its stretch of course.
void PlaceTrackCameras(qv::CameraPlugin& cameras, const CourseLine& course, const ShapedGround& ground);

}  // namespace tools::worlds
