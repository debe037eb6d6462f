// plnctl's backup commands: bank, bank group and system data saved into files and loaded back
// (bank save|load N FILE, group save|load N FILE, system save|load FILE), and the backup of
// all of them into one folder with a manifest (backup DIR) and its restore (restore DIR).
// They run the same operations as the menus; the file dialog answers with the given path.
#include "cli/cli_commands.h"
#include "cli/backup_progress.h"
#include "cli/cli_link.h"
#include "cli/cli_operation_view.h"
#include "cli/cli_texts.h"
#include "cli/json_report.h"
#include "cli/progress_printer.h"
#include "cli/sigint_stop.h"

#include "operations/bank_operations.h"
#include "operations/controller_backup.h"
#include "operations/given_path_dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// One save or load per call, on one link, with Ctrl+C as the stop request.
class BackupSession {
public:
    explicit BackupSession(const CliOptions& options)
        : lang_(options.language), cli_(options), view_(stderrIsTerminal() && !options.quiet)
    {
        ok_ = cli_.open();
        if (ok_)
            stop_ = std::make_unique<SigintStop>(cli_.state, &cli_.link->channel());
    }
    bool ok() const { return ok_; }
    bool interrupted() const { return stop_ && stop_->requested(); }
    int failedStatus() const { return stop_ ? stop_->exitStatus(kExitFailed) : kExitFailed; }

    bool run(bool save, const BackupTarget& target, const fs::path& file)
    {
        dialogs_.path = file;
        OperationContext ctx{*cli_.link, view_, dialogs_};
        std::error_code ec;
        const bool existed = fs::exists(file, ec);
        const bool ok = save ? saveBackup(ctx, target) : loadBackup(ctx, target);
        if (!ok) {
            const std::string text = file.string();
            const char* name = text.c_str();
            if (interrupted() && !save)
                cliSay(lang_, "stopped; the load of %s did not complete", name);
            else if (interrupted())
                cliSay(lang_, existed ? "stopped; the previous %s is unchanged" : "stopped; %s was not made", name);
            else if (!ctx.outcome.failedReported())
                cliSay(lang_, save ? "save of %s failed" : "load of %s failed", name);
            else
                cli_.reportFailedExchange();
        }
        return ok;
    }

private:
    int lang_;
    CliLink cli_;
    CliOperationView view_;
    std::unique_ptr<SigintStop> stop_;
    GivenPathDialogs dialogs_;
    bool ok_ = false;
};

// The whole-controller runs on plnctl's link, with Ctrl-C, SIGTERM and SIGHUP as the stop
// request, and their progress on stderr.
class CliBackupProgress : public ControllerBackupProgress {
public:
    CliBackupProgress(const SigintStop& stop, BackupProgress& shown) : stop_(stop), shown_(shown) {}
    bool stopRequested() override { return stop_.requested(); }
    void fileStarted(const BackupFileProgress& at) override { shown_.fileStarted(at.index, at.name); }
    void fileBytes(const BackupFileProgress& at) override { shown_.bytes(at.fileBytes); }
    void fileDone(const BackupFileProgress& at) override { shown_.fileDone(uint64_t(at.fileBytes)); }

private:
    const SigintStop& stop_;
    BackupProgress& shown_;
};

BackupProgress::Mode progressMode(const CliOptions& options)
{
    if (options.quiet)
        return BackupProgress::Mode::Quiet;
    return stderrIsTerminal() ? BackupProgress::Mode::Terminal : BackupProgress::Mode::Lines;
}

// The bytes a restore will send: the files as they are in the folder (the run checks them
// against the manifest before it sends any).
uint64_t folderBytes(const fs::path& folder)
{
    uint64_t total = 0;
    for (const BackupTarget& t : controllerBackupTargets()) {
        std::error_code ec;
        const auto size = fs::file_size(folder / t.backupName(), ec);
        total += ec ? 0 : size;
    }
    return total;
}

// What the controller already holds after a restore that ended early. The files go in a fixed
// order, so the first and the last name it.
std::string loadedSoFar(int lang, const ControllerBackupResult& result)
{
    if (result.loaded.empty())
        return cliText(lang, "nothing was loaded");
    const int count = int(controllerBackupTargets().size());
    if (result.loaded.size() == 1)
        return cliFormat(lang, "the controller has already taken %s (1 of %d files)", result.loaded.front().c_str(),
                         count);
    return cliFormat(lang, "the controller has already taken %s to %s (%d of %d files)",
                     result.loaded.front().c_str(), result.loaded.back().c_str(), int(result.loaded.size()), count);
}

// Says how the run ended, on stderr; returns the last line, for the --json report.
std::string reportWholeRun(int lang, const ControllerBackupResult& result, const fs::path& folder, bool save,
                           bool folderExisted)
{
    const std::string how =
        result.outcome == ControllerBackupResult::Outcome::Stopped ? cliText(lang, "stopped")
        : result.failedName.empty()
            ? cliText(lang, save ? "the backup failed" : "the restore failed")
            : cliFormat(lang, save ? "the backup failed at %s" : "the restore failed at %s", result.failedName.c_str());
    std::string line;
    if (!save) {
        // An error was found before anything was sent; it says so.
        line = !result.error.empty() ? result.error : how + "; " + loadedSoFar(lang, result);
        cliSay(lang, "%s", line.c_str());
        return line;
    }
    if (!result.error.empty())
        cliSay(lang, "%s", result.error.c_str());
    line = cliFormat(lang, folderExisted ? "%s; the previous backup in %s is unchanged" : "%s; %s was not made",
                     how.c_str(), folder.string().c_str());
    cliSay(lang, "%s", line.c_str());
    return result.error.empty() ? line : result.error + "; " + line;
}

int runWhole(const CliOptions& options, const fs::path& folder, bool save)
{
    const int lang = options.language;
    JsonReport report(options, save ? "backup" : "restore");
    report.set("folder", QString::fromStdString(folder.string()));
    std::error_code ec;
    const bool folderExisted = fs::exists(folder, ec);
    CliLink cli(options);
    if (!cli.open())
        return report.failedAfterRun(cli.prompter, cli.openFailure);
    SigintStop stop(cli.state, &cli.link->channel());
    // The progress line is the whole run's; the view draws none of its own.
    CliOperationView view(false);
    BackupProgress shown(progressMode(options), lang, int(controllerBackupTargets().size()),
                         save ? 0 : folderBytes(folder));
    CliBackupProgress progress(stop, shown);
    const ControllerBackupResult result = save ? backupController(*cli.link, view, folder, progress)
                                               : restoreController(*cli.link, view, folder, progress);
    shown.finish();
    report.set("bytes", qint64(shown.totalDone()));
    report.set("seconds", shown.seconds());
    // The files as they are now: all of the backup, or those the controller has taken.
    std::vector<std::string> names;
    if (save && result.ok())
        for (const BackupTarget& t : controllerBackupTargets())
            names.push_back(t.backupName().generic_string());
    if (!save)
        names = result.loaded;
    std::string error;
    for (const std::string& name : names)
        if (!report.addFile(folder, name, error))
            break;
    if (result.ok())
        return error.empty() ? report.ok() : report.failed(error);
    const std::string line = reportWholeRun(lang, result, folder, save, folderExisted);
    report.failedAfterRun(cli.prompter, line);
    return stop.exitStatus(kExitFailed);
}

} // namespace

bool isBackupCommand(const std::string& command, const std::vector<std::string>& args)
{
    if (command == "system" || command == "backup" || command == "restore")
        return true;
    return (command == "bank" || command == "group") && !args.empty() && (args[0] == "save" || args[0] == "load");
}

int runBackupCommand(const CliOptions& options, const std::string& command, const std::vector<std::string>& args)
{
    const int lang = options.language;
    if (command == "backup" || command == "restore") {
        if (args.size() != 1)
            return usageError(options, cliFormat(lang, "%s takes one folder", command.c_str()));
        return runWhole(options, args[0], command == "backup");
    }
    BackupTarget target = BackupTarget::system();
    size_t fileArg = 1;
    if (command != "system") {
        auto n = args.size() == 3 ? bankNumberArgument(args[1]) : std::nullopt;
        if (!n)
            return usageError(options, cliFormat(lang, "%s %s takes a number from 0 to 31 and a file", command.c_str(),
                                                 args.empty() ? "save" : args[0].c_str()));
        target = {command == "bank" ? BackupTarget::Kind::Bank : BackupTarget::Kind::BankGroup, *n};
        fileArg = 2;
    } else if (args.size() != 2 || (args[0] != "save" && args[0] != "load")) {
        return usageError(options, cliText(lang, "system takes save or load and a file"));
    }
    BackupSession session(options);
    if (!session.ok())
        return kExitFailed;
    return session.run(args[0] == "save", target, args[fileArg]) ? kExitOk : session.failedStatus();
}
