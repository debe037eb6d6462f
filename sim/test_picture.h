#pragma once
// The images the simulated controller holds: PLN raw image files of its 608 x 464 frame,
// Bayer colour with blue at the even sites of even rows (the pattern the tool reads PLN
// files with), so the colours show as drawn.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kSimFrameWidth = 608;
inline constexpr int kSimFrameHeight = 464;

// The camera image number n (0..99), or the live image (-1): colour bars, a grey ramp and the
// number drawn large, different for every n.
std::string testPictureFile(int number);

// A PLN file of a 608 x 464 frame of sensor bytes (row by row from the top).
std::string plnFileOf(const std::vector<uint8_t>& frame);

// The frame an uploaded image (rows of W bytes, W = size / 464, as the tool sends them, with
// the transfer's padding at the end) becomes: columns beyond 608 dropped, missing ones black.
std::vector<uint8_t> frameFromUpload(const std::string& upload);
