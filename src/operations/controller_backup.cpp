#include "operations/controller_backup.h"

#include "app/app_state.h"
#include "operations/backup_folder.h"
#include "operations/backup_manifest.h"

#include "operations/given_path_dialogs.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

// The caller's view, with the byte counts of each block passed on as backup progress.
class ProgressView : public OperationView {
public:
    ProgressView(OperationView& inner, ControllerBackupProgress& progress, BackupFileProgress& at)
        : inner_(inner), progress_(progress), at_(at)
    {
    }
    void setStep(long n, const std::string& text) override { inner_.setStep(n, text); }
    void setReadVisible(bool v) override { inner_.setReadVisible(v); }
    void setProgressVisible(bool v) override { inner_.setProgressVisible(v); }
    void showWindow() override { inner_.showWindow(); }
    void unloadWindow() override { inner_.unloadWindow(); }
    void setMainWindowEnabled(bool e) override { inner_.setMainWindowEnabled(e); }
    void repaint() override { inner_.repaint(); }
    void setReadText(const std::string& text) override { inner_.setReadText(text); }
    void setProgressMaximum(int64_t m) override { inner_.setProgressMaximum(m); }
    int64_t progressMaximum() const override { return inner_.progressMaximum(); }
    void setProgressValue(int64_t v) override { inner_.setProgressValue(v); }
    int64_t progressValue() const override { return inner_.progressValue(); }
    void transferred(int64_t bytes) override
    {
        inner_.transferred(bytes);
        at_.totalBytes += bytes - at_.fileBytes;
        at_.fileBytes = bytes;
        progress_.fileBytes(at_);
    }
    void estimated(const TransferFigures& figures) override { inner_.estimated(figures); }

private:
    OperationView& inner_;
    ControllerBackupProgress& progress_;
    BackupFileProgress& at_;
};

std::string nameOf(const BackupTarget& t)
{
    return t.backupName().generic_string();
}

// One save or load per call, each in its own operation frame, as from the menus.
class Runner {
public:
    Runner(DeviceLink& link, OperationView& view, ControllerBackupProgress& progress)
        : link_(link), view_(view, progress, at_), progress_(progress), ctx_{link, view_, dialogs_}
    {
        at_.count = int(controllerBackupTargets().size());
    }

    // Starts the next file; false when a stop was asked for.
    bool next(const BackupTarget& target, ControllerBackupResult& result)
    {
        if (progress_.stopRequested()) {
            result.outcome = ControllerBackupResult::Outcome::Stopped;
            return false;
        }
        ++at_.index;
        at_.name = nameOf(target);
        at_.fileBytes = 0;
        progress_.fileStarted(at_);
        return true;
    }

    bool save(const BackupTarget& target, const fs::path& file, ControllerBackupResult& result)
    {
        dialogs_.path = file;
        return ended(saveBackup(ctx_, target), target, result);
    }

    bool load(const BackupTarget& target, const std::string& bytes, const fs::path& file,
              ControllerBackupResult& result)
    {
        const auto data = std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        return ended(loadBackupBytes(ctx_, target, data, file.string()), target, result);
    }

private:
    bool ended(bool ok, const BackupTarget& target, ControllerBackupResult& result)
    {
        if (ok) {
            progress_.fileDone(at_);
            return true;
        }
        result.failedName = nameOf(target);
        const bool stopped = progress_.stopRequested() || link_.state().gStopRequest != 0;
        result.outcome = stopped ? ControllerBackupResult::Outcome::Stopped : ControllerBackupResult::Outcome::Failed;
        return false;
    }

    DeviceLink& link_;
    BackupFileProgress at_;
    ProgressView view_;
    ControllerBackupProgress& progress_;
    GivenPathDialogs dialogs_;
    OperationContext ctx_;
};

} // namespace

std::vector<BackupTarget> controllerBackupTargets()
{
    std::vector<BackupTarget> targets;
    for (int16_t n = 0; n < 32; ++n)
        targets.push_back({BackupTarget::Kind::Bank, n});
    for (int16_t n = 0; n < 32; ++n)
        targets.push_back({BackupTarget::Kind::BankGroup, n});
    targets.push_back(BackupTarget::system());
    return targets;
}

ControllerBackupResult backupController(DeviceLink& link, OperationView& view, const fs::path& folder,
                                        ControllerBackupProgress& progress)
{
    ControllerBackupResult result;
    const fs::path target = realBackupFolder(folder);
    removeBackupLeftovers(target);
    // The new backup is made beside the folder and replaces it only when it is complete and on
    // the disk: whatever ends the run early, the previous backup stays as it was.
    StagedBackupFolder staged(target);
    if (!staged.ok()) {
        result.error = staged.error();
        return result;
    }
    std::error_code ec;
    for (const char* sub : {"BANK", "BANKGRP", "SYSTEM"}) {
        fs::create_directories(staged.path() / sub, ec);
        if (ec) {
            result.error = "cannot make " + (staged.path() / sub).string() + ": " + ec.message();
            return result;
        }
    }
    Runner runner(link, view, progress);
    std::vector<ManifestEntry> entries;
    for (const BackupTarget& t : controllerBackupTargets()) {
        if (!runner.next(t, result) || !runner.save(t, staged.path() / t.backupName(), result))
            return result;
        auto entry = describeFile(staged.path(), nameOf(t), result.error);
        if (!entry) {
            result.failedName = nameOf(t);
            return result;
        }
        entries.push_back(*entry);
    }
    if (!writeManifest(staged.path(), entries, result.error) || !staged.commit(result.error))
        return result;
    result.outcome = ControllerBackupResult::Outcome::Done;
    return result;
}

ControllerBackupResult restoreController(DeviceLink& link, OperationView& view, const fs::path& folder,
                                         ControllerBackupProgress& progress)
{
    ControllerBackupResult result;
    const fs::path target = realBackupFolder(folder);
    removeBackupLeftovers(target);
    std::vector<std::string> names;
    for (const BackupTarget& t : controllerBackupTargets())
        names.push_back(nameOf(t));
    // Everything is read and checked before the first command: a file that does not match
    // sends nothing, and a file changed after the check cannot be sent unchecked.
    auto contents = readVerifiedBackup(target, names, result.error);
    if (!contents) {
        result.error += "; nothing was loaded";
        return result;
    }
    Runner runner(link, view, progress);
    const auto targets = controllerBackupTargets();
    for (size_t i = 0; i < targets.size(); ++i) {
        const BackupTarget& t = targets[i];
        if (!runner.next(t, result) || !runner.load(t, (*contents)[i], target / t.backupName(), result))
            return result;
        result.loaded.push_back(nameOf(t));
    }
    result.outcome = ControllerBackupResult::Outcome::Done;
    return result;
}
