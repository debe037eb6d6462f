#pragma once
// Everything the image functions share: the current sensor image, the upload image, the
// BMP pixel buffer and the current image size. One instance lives as long as the program
// (or a plnctl run, or a test) and is passed by reference.

#include "image/sensor_image.h"

#include <cstdint>
#include <string>

struct ImageWorkspace {
    SensorImage sensorImage; // the current sensor image
    SensorImage uploadImage; // the image an upload starts from
    BmpPixelBuffer bmpBuffer;
    int32_t imageWidth = 0;  // the current image size (the main window's width and height)
    int32_t imageHeight = 0;
    std::string workFileError; // why the last write of TMP/tmp.bmp failed, with the system's reason
};
