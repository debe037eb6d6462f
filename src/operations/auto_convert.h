#pragma once
// fncHkrAutoConvert: the automatic batch conversion under the operation window. Every entry of
// the batch list (gFileNames, gFilePaths) is converted through the work file and its BMP copied
// into gSaveFolder under the entry's output name. The window shows caption 15 and the progress
// line "<label 14> i / n"; Stop is looked at once per file, before the file starts, so a file
// that has begun converting is always finished.

#include "app/file_dialogs.h"
#include "app/messages.h"
#include "link/clock.h"
#include "operations/operation_view.h"

#include <string>

// When the converted pictures reach the disk. A flush per file costs more than the conversion
// itself, so the run flushes once when it ends; the others are there to measure that.
enum class BatchFlush { AtTheEnd, EachFile, Never };

struct AutoConvertContext {
    AppState& state;
    Messenger& messages;
    OperationView& view;
    FileDialogs& dialogs;        // the main window's common dialog: its name is cleared on a failure
    Clock& clock;
    Waiter& waiter;              // lets the pending window events run once per file
    std::string mainCaption;     // title of the "file missing" box
    BatchFlush flush = BatchFlush::AtTheEnd;
};

// True when every file was converted (Message 1 shown) or the user stopped the run (no
// message); false when the run ended on a failure, which has been shown once.
bool fncHkrAutoConvert(AutoConvertContext& ctx);

// The progress line of file `number` (1-based) of `count`: "<word> 3 / 12".
std::string autoConvertProgressLine(const std::string& word, std::size_t number, std::size_t count);
