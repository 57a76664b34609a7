#pragma once
// Bitmaps from the data pack.
#include "game/core/image/ImageRecord.h"

namespace kes {

// Fetches a .bmp file from the data pack and decodes it. Null when the name is unknown, the file is
// not a bitmap ("BM"), or its header or rows do not fit in the file.
ImageRecord* LoadBitmapFromCache(const char* name);

}  // namespace kes
