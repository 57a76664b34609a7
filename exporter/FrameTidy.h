#pragma once
// Clean-ups run on the frame that is written: equal materials merged, repeated faces removed, and the
// faces ordered by material.
#include "exporter/ExportFrame.h"

namespace quelm {

// Materials with the same flags, colour and names (names compared without regard to case) become
// the first of them; faces are renumbered and face counts added up.
void MergeExportMaterials(ExportFrame& frame);
// Removes every face whose corners repeat an earlier face's, in the same order or rotated; a face
// with the reverse winding is kept. Its material's face count drops by one.
void RemoveDuplicateFaces(ExportFrame& frame);
// Orders the faces by material index; faces of one material keep their order.
void SortFacesByMaterial(ExportFrame& frame);

}  // namespace quelm
