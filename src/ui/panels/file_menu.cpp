#include "ui/panels/file_menu.h"

#include "ui/qt/control_index.h"
#include "ui/panels/image_view.h"
#include "app/messenger_image_reporter.h"

#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "files/file_util.h"
#include "image/pln_file.h"
#include "image/raw_conversion.h"

#include <QAction>
#include <QRadioButton>
#include <QWidget>

#include <system_error>

namespace fs = std::filesystem;

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The extension swap touches the file's own name only: a folder called "shots.bmp" stays
// the folder the user chose.
fs::path withNameReplaced(const fs::path& path, const std::string& from, const std::string& to)
{
    std::string name = path.filename().string();
    replaceAll(name, from, to);
    return path.parent_path() / name;
}

constexpr long kQuestionDiscard = 2;

} // namespace

FileMenu::FileMenu(QWidget* frmMain, AppState& state, Messenger& messages, FileDialogs& dialogs, ImageView& view)
    : QObject(frmMain), state_(state), messages_(messages), dialogs_(dialogs), view_(view)
{
    optSelect0_ = findControlAs<QRadioButton>(frmMain, QStringLiteral("optSelect"), 0);
    auto entry = [frmMain](const char* name) { return frmMain->findChild<QAction*>(QString::fromLatin1(name)); };
    // A failure nothing below has reported (no memory, a path the system refuses) ends the
    // command with its description instead of escaping into the event loop.
    auto trapped = [this](void (FileMenu::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                showError(e.what());
            }
        };
    };
    connect(entry("mnuBinload2"), &QAction::triggered, this, trapped(&FileMenu::mnuBinload2_Click));
    connect(entry("mnuBinsave2"), &QAction::triggered, this, trapped(&FileMenu::mnuBinsave2_Click));
    connect(entry("mnuBmpSave"), &QAction::triggered, this, trapped(&FileMenu::mnuBmpSave_Click));
    connect(entry("mnuBmpLoad"), &QAction::triggered, this, trapped(&FileMenu::mnuBmpLoad_Click));
}

std::string FileMenu::label(long number) { return messages_.fncGetMessage("Label", number); }

void FileMenu::showError(const std::string& description) { messages_.showErrorBox(description); }

static FileDialogRequest imageDialog(FileDialogRequest::Kind kind, FileKind fileKind, const std::string& filter,
                              const fs::path& imageFolder)
{
    FileDialogRequest request;
    request.kind = kind;
    request.fileKind = fileKind;
    request.filter = filter;
    request.filterIndex = 2;
    request.initialFolder = imageFolder;
    request.pathMustExist = true;
    request.overwritePrompt = true;
    return request;
}

std::optional<fs::path> FileMenu::ask(FileDialogRequest request, const std::optional<std::string>& proposal)
{
    auto chosen = dialogs_.showFor(std::move(request), proposal);
    if (!chosen || chosen->empty())
        return std::nullopt;
    return chosen->front();
}

bool FileMenu::mayReplaceDownload()
{
    if (state_.gUnsavedDownload != -1)
        return true;
    const int answer = messages_.fncShowMessage("Question", kQuestionDiscard);
    return answer == kAnswerYes || answer == kAnswerOK;
}

bool FileMenu::showWorkPicture()
{
    QString error;
    if (view_.showPicture(state_.tmpFolder() / "tmp.bmp", error))
        return true;
    showError(error.toStdString());
    return false;
}

void FileMenu::mnuBinload2_Click()
{
    if (!mayReplaceDownload())
        return;
    auto file = ask(imageDialog(FileDialogRequest::Kind::Open, FileKind::RawImage,
                                label(56) + "|*.GRY|" + label(55) + "|*.BYR", state_.imageFolder()),
                    std::nullopt);
    if (!file)
        return;
    const fs::path workFile = state_.tmpFolder() / "tmp.bin";
    std::error_code ec;
    fs::remove(workFile, ec);
    if (ec)
        return showError(describeFileError("Cannot delete", workFile, ec.value()));
    MessengerImageReporter reporter(messages_);
    ImageWorkspace& ws = state_.images;
    if (!fncReadFile_PLN(ws, *file, reporter) || !fncMakeTmpBinFile(ws, workFile, reporter))
        return;
    // The download shown until now is replaced: the flag belongs to the picture shown.
    state_.gUnsavedDownload = 0;
    optSelect0_->setChecked(true);
    view_.showNoImage();
    if (fncConvertProcess(ws, reporter, state_.programFolder, state_.tmpFolder(), "tmp.bin", 0).empty()) {
        reporter.showMessage("Message", kMessageConversionFailed, "The image could not be converted.");
        return;
    }
    view_.setValues(ws.sensorImage.hkrHeader);
    if (showWorkPicture())
        view_.setShownFile(*file);
}

void FileMenu::mnuBinsave2_Click()
{
    MessengerImageReporter reporter(messages_);
    std::error_code ec;
    const fs::path workFile = state_.tmpFolder() / "tmp.bin";
    if (!fs::exists(workFile, ec))
        return reporter.showMessage("Message", kMessageFileMissing, "The file " + workFile.string() + " does not exist.");
    ImageWorkspace& ws = state_.images;
    const std::string filter = ws.sensorImage.plnHeader.colourFlag != 0 ? label(51) + "|*.*|" + label(56) + "| *.GRY"
                                                                        : label(51) + "|*.*|" + label(55) + "| *.BYR";
    // A name typed for the picture still saves a raw file, and always as a Bayer one; the
    // replace question asks about that file.
    FileDialogRequest request = imageDialog(FileDialogRequest::Kind::Save, FileKind::RawImage, filter, state_.imageFolder());
    request.writtenAs = [](const fs::path& chosen) { return withNameReplaced(chosen, ".bmp", ".BYR"); };
    std::optional<std::string> proposal;
    if (!view_.shownFile().empty())
        proposal = withNameReplaced(view_.shownFile(), ".bmp", ".BYR").string();
    auto file = ask(std::move(request), proposal);
    if (!file)
        return;
    const fs::path target = withNameReplaced(*file, ".bmp", ".BYR");
    if (!fncFitToFrame(ws, reporter) || !fncWriteFile_PLN(ws, target, reporter))
        return;
    state_.gUnsavedDownload = 0;
    view_.setShownFile(target);
}

void FileMenu::mnuBmpSave_Click()
{
    const fs::path picture = state_.tmpFolder() / "tmp.bmp";
    std::error_code ec;
    if (!fs::exists(picture, ec)) {
        MessengerImageReporter(messages_).showMessage("Message", kMessageFileMissing,
                                                    "The file " + picture.string() + " does not exist.");
        return;
    }
    // The picture of x.BYR is proposed as x.bmp; a downloaded one as the last BMP saved.
    std::optional<std::string> proposal;
    if (!view_.shownFile().empty())
        proposal = withNameReplaced(withNameReplaced(view_.shownFile(), ".BYR", ".bmp"), ".GRY", ".bmp").string();
    auto file = ask(imageDialog(FileDialogRequest::Kind::Save, FileKind::Bitmap, label(51) + "|*.*|*.bmp|*.bmp",
                                state_.imageFolder()),
                    proposal);
    if (!file)
        return;
    std::string error;
    if (!copyFileReplacing(picture, *file, error))
        return showError(error);
    state_.gUnsavedDownload = 0;
}

void FileMenu::mnuBmpLoad_Click()
{
    if (!mayReplaceDownload())
        return;
    auto file = ask(imageDialog(FileDialogRequest::Kind::Open, FileKind::Bitmap, "*.bmp|*.bmp", state_.imageFolder()),
                    std::nullopt);
    if (!file)
        return;
    MessengerImageReporter reporter(messages_);
    ImageWorkspace& ws = state_.images;
    if (!fncReadBmp(ws, *file, reporter))
        return;
    const fs::path workFile = state_.tmpFolder() / "tmp.bin";
    const fs::path picture = state_.tmpFolder() / "tmp.bmp";
    for (const fs::path& work : {workFile, picture}) {
        std::error_code ec;
        fs::remove(work, ec);
        if (ec)
            return showError(describeFileError("Cannot delete", work, ec.value()));
    }
    if (!fncBmpToRaw(ws, reporter))
        return;
    ws.sensorImage = ws.uploadImage;
    if (!fncMakeTmpBinFile(ws, workFile, reporter))
        return;
    std::string error;
    if (!copyFileReplacing(*file, picture, error))
        return showError(error);
    state_.gUnsavedDownload = 0;
    view_.showNoImage();
    view_.setValues(ws.uploadImage.hkrHeader);
    if (showWorkPicture())
        view_.setShownFile(*file);
}
