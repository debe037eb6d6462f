#pragma once
// The controller's camera images: capture, download and upload (header query, then the image).
// The three operations of the operation window run in its frame (operation_frame.h); the
// steps around them that the main window and plnctl share are plain functions here.
//
// workFolder is where the work files go: the program's TMP folder for the windows, a private
// folder for plnctl (so it never touches the files a running PLNTOOL shows).

#include "operations/operation_frame.h"

#include "image/image_reporter.h"
#include "image/image_workspace.h"

#include <cstdint>
#include <filesystem>

// The work files: what a download receives, what an upload sends.
inline constexpr const char* kDownloadFile = "tmp.bin";
inline constexpr const char* kUploadFile = "tmp_2.bin";

// Image number of the live image for a download.
inline constexpr int16_t kLiveImage = -1;

// Message shown when a header query's reply is not a number 0..255.
inline constexpr long kMessageBadImageInfo = 240;

// Has the controller capture an image; True when it answered "OK". The window is not shown.
bool fncCapture(OperationContext& ctx);

// Downloads image imageNumber (0..99, kLiveImage for the live image) into workFolder/tmp.bin.
bool fncImgConvert(OperationContext& ctx, int16_t imageNumber, const std::filesystem::path& workFolder);

// Sends workFolder/tmp_2.bin into the controller; Message 12 when the file is not there.
bool fncImgLoad(OperationContext& ctx, const std::filesystem::path& workFolder);

// Asks the controller for the four header values of its image format (queries 0 to 3:
// pattern, gain R, G, B) and stores each in the upload image as it arrives.
// Fails when a reply is empty or "ER" (the link has reported it) or is not a decimal number
// 0..255 (reported here): then nothing more is asked and nothing is converted.
OpResult queryUploadHeader(DeviceLink& link, ImageWorkspace& ws);

// The upload file from the upload image: the controller's gains taken out of every site,
// then the rows 0..463 written to workFolder/tmp_2.bin. False when either step failed
// (a failed write has been reported through reporter).
bool makeUploadFile(ImageWorkspace& ws, const std::filesystem::path& workFolder, ImageReporter& reporter);
