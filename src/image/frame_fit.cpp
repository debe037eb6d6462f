// Fitting an image into the controller's 608 x 464 frame.
#include "image/pln_file.h"

#include <algorithm>
#include <string>

namespace {

// Where image index 0 lands in the frame (0-based, may be negative) and the range of
// frame indices the image occupies, [first, last).
struct Placement {
    int32_t offset; // frame index of image index 0
    int32_t first;
    int32_t last;
};

// The controller's rule, in 1-based frame positions s..e: a wider image keeps its first
// frame-size columns; a narrower one is centred with n = (frame - size) / 2 rounded half to
// even, starting at s = n (n odd) or n - 1 (n even). So the image always starts at an even
// 0-based position, and an image exactly as wide as the frame starts at -2.
Placement placeInFrame(int32_t size, int32_t frame)
{
    int32_t s, e;
    if (size > frame) {
        s = 1;
        e = frame;
    } else {
        const int32_t twice = frame - size;
        int32_t n = twice / 2;
        if (twice % 2 != 0 && n % 2 != 0)
            ++n; // a half rounds to the even neighbour
        if (n % 2 != 0) {
            s = n;
            e = size + n - 1;
        } else {
            s = n - 1;
            e = size + n - 2;
        }
    }
    Placement p{};
    p.offset = s - 1;
    p.first = std::max(s, 1) - 1;
    p.last = std::min(e, frame);
    if (p.last < p.first)
        p.last = p.first;
    return p;
}

} // namespace

bool fncFitToFrame(ImageWorkspace& ws, ImageReporter& reporter)
{
    SensorImage& image = ws.sensorImage;
    PlnHeader& h = image.plnHeader;
    if (h.width == kFrameWidth && h.height == kFrameHeight)
        return true;
    if (image.pixels.empty() || h.width <= 0 || h.height <= 0) {
        reporter.showError("There is no image to fit into the frame.");
        return false;
    }
    const Placement cols = placeInFrame(h.width, kFrameWidth);
    const Placement rows = placeInFrame(h.height, kFrameHeight);
    if (cols.last > cols.first && rows.last > rows.first &&
        (cols.last - 1 - cols.offset >= image.pixels.width || rows.last - 1 - rows.offset >= image.pixels.height)) {
        reporter.showError("The image header says " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                           " pixels, but the image holds only " + std::to_string(image.pixels.width) + " x " +
                           std::to_string(image.pixels.height) + ".");
        return false;
    }
    PixelArray frame;
    frame.assignZero(kFrameWidth, kFrameHeight);
    for (int32_t fy = rows.first; fy < rows.last; ++fy) {
        const uint8_t* in = image.pixels.row(fy - rows.offset);
        uint8_t* out = frame.row(fy);
        for (int32_t fx = cols.first; fx < cols.last; ++fx)
            out[fx] = in[fx - cols.offset];
    }
    h.width = kFrameWidth;
    h.height = kFrameHeight;
    image.pixels = std::move(frame);
    return true;
}
