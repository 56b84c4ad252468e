// Turning a picture upright by the orientation its file records (the EXIF and TIFF
// Orientation values 1 to 8: which corner the stored first row and column belong at).
#pragma once

#include "core/Bitmap24.h"

namespace folivex {

// The picture as it is meant to be seen. Orientations 5 to 8 swap width and height;
// 1 and any value outside 1 to 8 leave the picture as stored.
Bitmap24 TurnUpright(Bitmap24 picture, int orientation);

} // namespace folivex
