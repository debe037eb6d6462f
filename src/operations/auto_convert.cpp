#include "auto_convert.h"

#include "app/messenger_image_reporter.h"
#include "image/file_util.h"
#include "image/raw_conversion.h"

#include <exception>

namespace fs = std::filesystem;

std::string autoConvertProgressLine(const std::string& word, std::size_t number, std::size_t count)
{
    return word + " " + std::to_string(number) + " / " + std::to_string(count);
}

namespace {

enum class RunEnd { Done, Stopped, Failed };

constexpr int64_t kProgressIntervalMs = 40;

RunEnd convertAll(AutoConvertContext& ctx, const std::string& progressWord)
{
    AppState& state = ctx.state;
    MessengerImageReporter reporter(ctx.messages);
    const fs::path tmpBmp = state.tmpFolder() / "tmp.bmp";
    const std::size_t count = state.gFilePaths.size();
    int64_t lineShownMs = 0;
    for (std::size_t i = 0; i < count; ++i) {
        ctx.waiter.waitUntil(ctx.clock.nowMs(), Pump::All);
        if (state.gStopRequest == -1)
            return RunEnd::Stopped;
        // Small files convert faster than anyone can read the line: it is redrawn at most every
        // kProgressIntervalMs, and always for the first and the last file.
        const int64_t now = ctx.clock.nowMs();
        if (i == 0 || i + 1 == count || now - lineShownMs >= kProgressIntervalMs) {
            ctx.view.setReadText(autoConvertProgressLine(progressWord, i + 1, count));
            ctx.view.repaint();
            lineShownMs = now;
        }

        switch (convertBatchEntry(state.images, reporter, state.programFolder, state.gFilePaths[i])) {
        case EntryResult::Converted:
            break;
        case EntryResult::ConvertFailed:
            ctx.messages.fncShowMessage("Message", kMessageConversionFailed);
            return RunEnd::Failed;
        case EntryResult::BmpMissing: {
            ctx.messages.fncShowMessage("Message", kMessageFileMissing);
            BoxRequest box;
            box.text = "ファイルが存在しません。";
            box.style = kStyleOK + kStyleCritical;
            box.title = ctx.mainCaption;
            ctx.messages.prompter().show(box);
            return RunEnd::Failed;
        }
        default:
            return RunEnd::Failed; // the reader or the work-file writer has shown its box
        }
        // The output name never equals the source name (a name the replacement leaves alone
        // gets ".bmp" added), so a run into the source folder cannot copy over its source.
        if (state.gFileNames.size() <= i)
            state.gFileNames.resize(i + 1);
        std::string& name = state.gFileNames[i];
        name = batchOutputName(name.empty() ? fs::path(state.gFilePaths[i]).filename().string() : name);
        std::string error;
        const FlushMode flush = ctx.flush == BatchFlush::EachFile ? FlushMode::Now : FlushMode::Later;
        if (!copyFileReplacing(tmpBmp, fs::path(state.gSaveFolder) / name, error, flush)) {
            ctx.messages.showErrorBox(error);
            return RunEnd::Failed;
        }
    }
    return RunEnd::Done;
}

} // namespace

bool fncHkrAutoConvert(AutoConvertContext& ctx)
{
    AppState& state = ctx.state;
    state.gStopRequest = 0;
    ctx.view.setStep(6, ctx.messages.fncGetMessage("Label", 6));
    const std::string progressWord = ctx.messages.fncGetMessage("Label", 14);

    ctx.view.setMainWindowEnabled(false);
    ctx.view.setReadText("");
    ctx.view.setReadVisible(true);
    ctx.view.showWindow();
    ctx.view.repaint();
    ctx.view.setStep(15, ctx.messages.fncGetMessage("Label", 15));

    RunEnd end = RunEnd::Failed;
    try {
        end = convertAll(ctx, progressWord);
        // What was written, also before a stop or a failure, is on the disk before the user
        // hears that the run ended.
        std::string error;
        if (ctx.flush == BatchFlush::AtTheEnd && !state.gSaveFolder.empty()
            && !flushFileSystemOf(state.gSaveFolder, error) && end != RunEnd::Failed) {
            ctx.messages.showErrorBox(error);  // once: a failed run has told its own failure
            end = RunEnd::Failed;
        }
    } catch (const std::exception& e) {
        // A failure no lower layer has reported (no memory, a path the system refuses).
        ctx.messages.showErrorBox(e.what());
    }
    if (end == RunEnd::Failed)
        ctx.dialogs.fileName.clear();
    ctx.view.setMainWindowEnabled(true);
    ctx.view.unloadWindow();
    if (end == RunEnd::Done)
        ctx.messages.fncShowMessage("Message", 1);
    return end != RunEnd::Failed;
}
