#pragma once
// Turning a picture back into the controller's raw Bayer form.

#include "image/image_reporter.h"
#include "image/image_workspace.h"

// Builds the upload image from the BMP pixel buffer: a BGGR raw image of the current image
// size with a synthesized header and gains 0. Failures are shown through the reporter.
bool fncBmpToRaw(ImageWorkspace& ws, ImageReporter& reporter);

// Divides the upload image's sites by the gains of their colours into the current sensor
// image's pixels. False, silently, when the upload image has no pixels.
bool fncRemoveGain(ImageWorkspace& ws);
