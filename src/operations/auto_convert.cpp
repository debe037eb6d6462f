#include "operations/auto_convert.h"

#include "operations/batch_file_step.h"
#include "operations/operation_frame.h"

#include "files/file_util.h"
#include "image/raw_conversion.h"

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

        if (!convertBatchFile(state, ctx.messages, i, ctx.mainCaption))
            return RunEnd::Failed;
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
    RunEnd end = RunEnd::Failed;
    const FrameContext frameContext{state, ctx.messages, ctx.view};
    const bool ran = runOperation(frameContext, OperationFrameKind::Batch, [&](OperationFrame& frame) {
        const std::string progressWord = ctx.messages.fncGetMessage("Label", 14);
        frame.openWindow();
        frame.step(15);
        end = convertAll(ctx, progressWord);
        // What was written, also before a stop or a failure, is on the disk before the user
        // hears that the run ended.
        std::string error;
        if (ctx.flush == BatchFlush::AtTheEnd && !state.gSaveFolder.empty()
            && !flushFileSystemOf(state.gSaveFolder, error) && end != RunEnd::Failed) {
            ctx.messages.showErrorBox(error);  // once: a failed run has told its own failure
            end = RunEnd::Failed;
        }
        return end != RunEnd::Failed;
    });
    if (!ran)
        end = RunEnd::Failed;  // a failure no lower layer reported, shown by the frame
    if (end == RunEnd::Failed)
        ctx.dialogs.fileName.clear();
    if (end == RunEnd::Done)
        ctx.messages.fncShowMessage("Message", 1);
    return end != RunEnd::Failed;
}
