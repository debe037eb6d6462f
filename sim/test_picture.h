#pragma once
// The images the simulated controller holds: PLN raw image files of its 608 x 464 frame,
// Bayer colour with blue at the even sites of even rows (the pattern the tool reads PLN
// files with), so the colours show as drawn.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kSimFrameWidth = 608;
inline constexpr int kSimFrameHeight = 464;

// What "IMGINFO 0 0..3" answers: the Bayer pattern of the held images and the red, green and
// blue gains the camera applies to the pictures it sends.
inline constexpr int kSimImageInfo[4] = {3, 20, 0, 35};

// The camera image number n (0..99), or the live image (-1): colour bars, a grey ramp and the
// number drawn large, different for every n.
std::string testPictureFile(int number);

// A PLN file of a 608 x 464 frame of sensor bytes (row by row from the top).
std::string plnFileOf(const std::vector<uint8_t>& frame);

// The frame an uploaded image (rows of W bytes, W = size / 464, as the tool sends them, with
// the transfer's padding at the end) becomes: columns beyond 608 dropped, missing ones black.
std::vector<uint8_t> frameFromUpload(const std::string& upload);

// The frame as the camera sends it: every site scaled by the gain of its colour that IMGINFO
// reports. The tool takes the gains out of an upload, so an upload sent back with them gives
// the tool its picture again, within the rounding of the division and the multiplication.
std::vector<uint8_t> withReportedGains(const std::vector<uint8_t>& frame);
