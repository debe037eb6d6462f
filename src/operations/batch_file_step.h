#pragma once
// One file of the batch conversion, the same for the automatic run and for the file-by-file
// window: the raw file through the work file into TMP/tmp.bmp, a failure reported once.

#include "app/app_state.h"
#include "app/messages.h"

#include <cstddef>
#include <string>

// Converts gFilePaths[i] into TMP/tmp.bmp; true when tmp.bmp is ready. A failed conversion
// shows Message 13; a BMP that did not appear shows Message 12 and then the fixed
// "ファイルが存在しません。" box titled mainCaption; the reader and the work-file writer show
// their own boxes.
bool convertBatchFile(AppState& state, Messenger& messages, std::size_t i, const std::string& mainCaption);
