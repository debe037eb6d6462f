#include "ui/panels/whole_backup_menus.h"

#include "ui/windows/frm_wait.h"

#include "app/file_dialogs.h"
#include "app/text_codec.h"
#include "link/device_link.h"
#include "operations/backup_folder.h"
#include "operations/controller_backup.h"

#include <QAction>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <map>

namespace fs = std::filesystem;

namespace {

constexpr long kMessageBackedUp = 320;
constexpr long kMessageBackupEnded = 321;
constexpr long kMessageRestored = 322;
constexpr long kMessageRestoreRefused = 323;
constexpr long kMessageRestoreEndedPart = 324;
constexpr long kMessageRestoreEndedNone = 325;
constexpr long kMessageProgramFolder = 326;
constexpr long kLabelTimeLeft = 320;
constexpr long kCaptionPreparing = 6;

// Shows Message `number` with %1, %2 ... replaced by `args` and, when given, a failure's
// description on a line of its own below.
void showFilled(Messenger& messages, long number, const std::vector<std::string>& args,
                const std::string& detail = {})
{
    const std::vector<std::string> parts = splitAt(messages.fncGetMessage("Message", number), '@');
    auto style = parts.size() < 2 ? std::nullopt : wholeNumber(parts[1]);
    if (!style) {
        // A damaged message file must not hide how the run ended.
        messages.showErrorBox(detail.empty() ? "Message " + std::to_string(number) : detail);
        return;
    }
    std::string text = trimChars(parts[0], " ");
    // The highest number first, so that %1 does not eat the start of %10.
    for (size_t i = args.size(); i-- > 0;) {
        const std::string key = "%" + std::to_string(i + 1);
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + args[i].size()))
            text.replace(at, key.size(), args[i]);
    }
    if (!detail.empty())
        text += "\r\n" + detail;
    BoxRequest box;
    box.text = text;
    box.style = *style;
    box.title = kAppTitle;
    box.section = "Message";
    box.number = number;
    messages.prompter().show(box);
}

std::string minutesAndSeconds(int64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// One operation window for the whole run. The run opens and closes an operation frame per
// file; this view keeps the window up and the main window disabled from the first file to
// the last, and gives the progress bar to the whole run instead of the file.
class WholeRunWindow : public OperationView, public ControllerBackupProgress {
public:
    WholeRunWindow(DeviceLink& link, QWidget* mainWindow) : link_(link), window_(link.state(), mainWindow)
    {
        timeLeftWord_ = link_.messages().fncGetMessage("Label", kLabelTimeLeft);
        count_ = int(controllerBackupTargets().size());
    }

    // Shows the window before the first file: a restore checks every file first.
    void open()
    {
        link_.state().gStopRequest = 0;
        elapsed_.start();
        window_.setProgressMaximum(int64_t(count_) * kUnitsPerFile);
        window_.setProgressValue(0);
        window_.setProgressVisible(true);
        window_.setReadVisible(false);
        window_.setStep(kCaptionPreparing, link_.messages().fncGetMessage("Label", kCaptionPreparing));
        show(0, {});
        window_.setMainWindowEnabled(false);
        window_.showWindow();
        window_.repaint();
    }
    void close()
    {
        window_.setMainWindowEnabled(true);
        window_.unloadWindow();
    }
    // The file the run was at, "" before the first.
    const std::string& currentName() const { return name_; }

    // ControllerBackupProgress
    void fileStarted(const BackupFileProgress& at) override
    {
        name_ = at.name;
        fileIndex_ = at.index;
        fileBytes_ = 0;
        update(true);
    }
    void fileBytes(const BackupFileProgress& at) override
    {
        fileBytes_ = at.fileBytes;
        update(false);
    }
    void fileDone(const BackupFileProgress& at) override
    {
        ++filesDone_;
        bytesDone_ += at.fileBytes;
        fileBytes_ = 0;
        update(true);
    }
    bool stopRequested() override
    {
        // Each file's frame clears the flag when it starts: a press between two files is kept
        // here so that the next file does not start.
        if (link_.state().gStopRequest != 0)
            stopped_ = true;
        return stopped_;
    }

    // OperationView
    void setStep(long labelNumber, const std::string& text) override { window_.setStep(labelNumber, text); }
    void setReadVisible(bool visible) override { window_.setReadVisible(visible); }
    void setProgressVisible(bool) override {}
    void showWindow() override {}
    void unloadWindow() override {}
    void setMainWindowEnabled(bool) override {}
    void repaint() override { window_.repaint(); }
    void setReadText(const std::string& text) override { window_.setReadText(text); }
    void setProgressMaximum(int64_t maximum) override { fileMaximum_ = maximum; }
    int64_t progressMaximum() const override { return fileMaximum_; }
    void setProgressValue(int64_t value) override { fileValue_ = value; }
    int64_t progressValue() const override { return fileValue_; }

private:
    static constexpr int64_t kUnitsPerFile = 1000;

    // The share of the run that is done, the current file counted against the average size of
    // the files done so far (the first file counts as nothing until it is done).
    double fractionDone() const
    {
        double files = filesDone_;
        if (filesDone_ > 0 && bytesDone_ > 0)
            files += std::min(0.99, double(fileBytes_) * filesDone_ / double(bytesDone_));
        return files / count_;
    }

    void update(bool now)
    {
        // A block arrives every few milliseconds; the labels are drawn at most ten times a second.
        if (!now && shown_.isValid() && shown_.elapsed() < 100)
            return;
        const double done = fractionDone();
        window_.setProgressValue(int64_t(done * count_ * kUnitsPerFile));
        std::string left = "--:--";
        if (filesDone_ > 0 && done > 0) {
            const double seconds = double(elapsed_.elapsed()) / 1000.0 * (1.0 - done) / done;
            left = minutesAndSeconds(int64_t(seconds + 0.5));
        }
        show(fileIndex_, left);
        window_.repaint();
    }

    void show(int index, const std::string& left)
    {
        std::string where = std::to_string(index) + " / " + std::to_string(count_);
        if (!name_.empty())
            where += "   " + name_;
        window_.setWholeRun(where, timeLeftWord_ + " " + (left.empty() ? "--:--" : left));
        shown_.restart();
    }

    DeviceLink& link_;
    frmWait window_;
    std::string timeLeftWord_;
    std::string name_;
    int count_ = 0;
    int fileIndex_ = 0;
    int filesDone_ = 0;
    int64_t bytesDone_ = 0;
    int64_t fileBytes_ = 0;
    int64_t fileMaximum_ = 0;
    int64_t fileValue_ = 0;
    bool stopped_ = false;
    QElapsedTimer elapsed_;
    QElapsedTimer shown_;
};

// A menu caption as a dialog title: no accelerator mark, no trailing dots.
std::string titleOf(const QAction* action)
{
    QString text = action ? action->text() : QString();
    text.remove(QLatin1Char('&'));
    while (text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x2026)))
        text.chop(1);
    return text.trimmed().toStdString();
}

// Whether folder is the program folder or holds it: swapping it for a backup would take the
// running program's own files with it.
bool holdsProgramFolder(const fs::path& folder, const fs::path& programFolder)
{
    if (programFolder.empty())
        return false;
    const fs::path chosen = realBackupFolder(folder);
    const fs::path program = realBackupFolder(programFolder);
    auto c = chosen.begin();
    auto p = program.begin();
    for (; c != chosen.end() && p != program.end(); ++c, ++p) {
        if (*c != *p)
            return false;
    }
    return c == chosen.end();
}

} // namespace

WholeBackupMenus::WholeBackupMenus(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs)
    : QObject(frmMain), frmMain_(frmMain), link_(link), dialogs_(dialogs)
{
    const std::map<const char*, void (WholeBackupMenus::*)()> entries = {
        {"mnuSystemBackupAll", &WholeBackupMenus::mnuSystemBackupAll_Click},
        {"mnuSystemRestoreAll", &WholeBackupMenus::mnuSystemRestoreAll_Click},
    };
    for (const auto& [name, handler] : entries) {
        if (QAction* action = frmMain_->findChild<QAction*>(QString::fromLatin1(name))) {
            action->setEnabled(true);
            connect(action, &QAction::triggered, this, handler);
        }
    }
}

void WholeBackupMenus::mnuSystemBackupAll_Click()
{
    run(true);
}

void WholeBackupMenus::mnuSystemRestoreAll_Click()
{
    run(false);
}

std::optional<fs::path> WholeBackupMenus::chooseFolder(const char* entryName)
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Folder;
    request.initialFolder = lastFolder_.empty() ? link_.state().programFolder : lastFolder_;
    request.title = titleOf(frmMain_->findChild<QAction*>(QString::fromLatin1(entryName)));
    auto chosen = dialogs_.show(request);
    if (!chosen || chosen->empty())
        return std::nullopt;
    return chosen->front();
}

void WholeBackupMenus::run(bool backup)
{
    const auto folder = chooseFolder(backup ? "mnuSystemBackupAll" : "mnuSystemRestoreAll");
    if (!folder)
        return;
    Messenger& messages = link_.messages();
    if (backup && holdsProgramFolder(*folder, link_.state().programFolder)) {
        showFilled(messages, kMessageProgramFolder, {folder->string()});
        return;
    }
    lastFolder_ = *folder;
    const std::string where = folder->string();
    const auto targets = controllerBackupTargets();

    ControllerBackupResult result;
    std::string endedAt;
    {
        WholeRunWindow window(link_, frmMain_);
        window.open();
        try {
            result = backup ? backupController(link_, window, *folder, window)
                            : restoreController(link_, window, *folder, window);
        } catch (const std::exception& e) {
            // The run's own frames trap the link and the files; this is memory and the like.
            result.outcome = ControllerBackupResult::Outcome::Failed;
            result.error = e.what();
        }
        endedAt = !result.failedName.empty() ? result.failedName
                  : !window.currentName().empty() ? window.currentName()
                  : targets.front().backupName().generic_string();
        window.close();
    }

    if (backup) {
        if (result.ok())
            showFilled(messages, kMessageBackedUp, {where});
        else
            showFilled(messages, kMessageBackupEnded, {where, endedAt}, result.error);
        return;
    }
    if (result.ok()) {
        showFilled(messages, kMessageRestored, {where});
    } else if (!result.error.empty() && result.loaded.empty()) {
        // The check found the fault before anything was sent; the box says so itself.
        std::string detail = result.error;
        const std::string tail = "; nothing was loaded";
        if (detail.size() > tail.size() && detail.compare(detail.size() - tail.size(), tail.size(), tail) == 0)
            detail.resize(detail.size() - tail.size());
        showFilled(messages, kMessageRestoreRefused, {where}, detail);
    } else if (result.loaded.empty()) {
        showFilled(messages, kMessageRestoreEndedNone, {where, endedAt});
    } else {
        showFilled(messages, kMessageRestoreEndedPart,
                   {where, endedAt, result.loaded.front(), result.loaded.back(), std::to_string(result.loaded.size())});
    }
}
