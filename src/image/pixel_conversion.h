#pragma once
// Raw-to-colour conversion of the current sensor image into the BMP pixel buffer, and the
// gains applied to the raw sites for the upload image.

#include "image/demosaic.h"
#include "image/image_workspace.h"

// Demosaics the current sensor image (a Bayer image) into the BMP pixel buffer with its
// gains. Always succeeds.
bool fncBayerToRgb(ImageWorkspace& ws, SimdLevel level = SimdLevel::Auto);

// Expands the current (grey) sensor image into equal blue, green and red bytes. Always succeeds.
bool fncGrayToRgb(ImageWorkspace& ws);

// Scales every raw site of the current sensor image by the gain of its colour into the
// upload image's pixels. False, silently, when the current image has no pixels.
bool fncApplyGain(ImageWorkspace& ws);
