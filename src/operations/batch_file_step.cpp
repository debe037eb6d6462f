#include "operations/batch_file_step.h"

#include "app/messenger_image_reporter.h"
#include "image/raw_conversion.h"

bool convertBatchFile(AppState& state, Messenger& messages, std::size_t i, const std::string& mainCaption)
{
    MessengerImageReporter reporter(messages);
    switch (convertBatchEntry(state.images, reporter, state.programFolder, state.gFilePaths[i])) {
    case EntryResult::Converted:
        return true;
    case EntryResult::ConvertFailed:
        messages.fncShowMessage("Message", kMessageConversionFailed);
        return false;
    case EntryResult::BmpMissing: {
        messages.fncShowMessage("Message", kMessageFileMissing);
        BoxRequest box;
        box.text = "ファイルが存在しません。";
        box.style = kStyleOK + kStyleCritical;
        box.title = mainCaption;
        messages.prompter().show(box);
        return false;
    }
    default:
        return false; // the reader or the work-file writer has shown its box
    }
}
