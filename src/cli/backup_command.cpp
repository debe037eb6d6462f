// plnctl's backup commands: bank, bank group and system data saved into files and loaded back
// (bank save|load N FILE, group save|load N FILE, system save|load FILE), and the backup of
// all of them into one folder with a manifest (backup DIR) and its restore (restore DIR).
// They run the same operations as the menus; the file dialog answers with the given path.
#include "cli_commands.h"
#include "cli_link.h"
#include "cli_operation_view.h"
#include "progress_printer.h"
#include "sigint_stop.h"

#include "operations/bank_operations.h"
#include "operations/controller_backup.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The common file dialog of plnctl: chooses the path it was given.
class GivenPathDialogs : public FileDialogs {
public:
    fs::path path;
    std::optional<std::vector<fs::path>> show(const FileDialogRequest&) override
    {
        fileName = path.string();
        return std::vector<fs::path>{path};
    }
};

// One save or load per call, on one link, with Ctrl+C as the stop request.
class BackupSession {
public:
    explicit BackupSession(const CliOptions& options) : cli_(options), view_(stderrIsTerminal())
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
        const int boxesBefore = cli_.prompter.shown;
        std::error_code ec;
        const bool existed = fs::exists(file, ec);
        const bool ok = save ? saveBackup(ctx, target) : loadBackup(ctx, target);
        if (!ok) {
            const std::string name = file.string();
            if (interrupted() && !save)
                std::fprintf(stderr, "plnctl: stopped; the load of %s did not complete\n", name.c_str());
            else if (interrupted())
                std::fprintf(stderr, existed ? "plnctl: stopped; the previous %s is unchanged\n"
                                             : "plnctl: stopped; %s was not made\n", name.c_str());
            else if (cli_.prompter.shown == boxesBefore)
                std::fprintf(stderr, "plnctl: %s of %s failed\n", save ? "save" : "load", name.c_str());
        }
        return ok;
    }

private:
    CliLink cli_;
    CliOperationView view_;
    std::unique_ptr<SigintStop> stop_;
    GivenPathDialogs dialogs_;
    bool ok_ = false;
};

// The whole-controller runs on plnctl's link, with Ctrl-C, SIGTERM and SIGHUP as the stop
// request.
class CliBackupProgress : public ControllerBackupProgress {
public:
    explicit CliBackupProgress(const SigintStop& stop) : stop_(stop) {}
    bool stopRequested() override { return stop_.requested(); }

private:
    const SigintStop& stop_;
};

// What the controller already holds after a restore that ended early. The files go in a fixed
// order, so the first and the last name it.
std::string loadedSoFar(const ControllerBackupResult& result)
{
    if (result.loaded.empty())
        return "nothing was loaded";
    std::string text = "the controller has already taken " + result.loaded.front();
    if (result.loaded.size() > 1)
        text += " to " + result.loaded.back();
    return text + " (" + std::to_string(result.loaded.size()) + " of " +
           std::to_string(controllerBackupTargets().size()) + " files)";
}

void reportWholeRun(const ControllerBackupResult& result, const fs::path& folder, bool save, bool folderExisted)
{
    const std::string how = result.outcome == ControllerBackupResult::Outcome::Stopped ? "stopped"
                            : result.failedName.empty() ? (save ? "the backup failed" : "the restore failed")
                                                        : (save ? "the backup failed at " : "the restore failed at ")
                                                              + result.failedName;
    if (!save) {
        if (!result.error.empty())  // checked before anything was sent; the error says so
            std::fprintf(stderr, "plnctl: %s\n", result.error.c_str());
        else
            std::fprintf(stderr, "plnctl: %s; %s\n", how.c_str(), loadedSoFar(result).c_str());
        return;
    }
    if (!result.error.empty())
        std::fprintf(stderr, "plnctl: %s\n", result.error.c_str());
    if (folderExisted)
        std::fprintf(stderr, "plnctl: %s; the previous backup in %s is unchanged\n", how.c_str(),
                     folder.string().c_str());
    else
        std::fprintf(stderr, "plnctl: %s; %s was not made\n", how.c_str(), folder.string().c_str());
}

int runWhole(const CliOptions& options, const fs::path& folder, bool save)
{
    std::error_code ec;
    const bool folderExisted = fs::exists(folder, ec);
    CliLink cli(options);
    if (!cli.open())
        return kExitFailed;
    SigintStop stop(cli.state, &cli.link->channel());
    CliOperationView view(stderrIsTerminal());
    CliBackupProgress progress(stop);
    const ControllerBackupResult result = save ? backupController(*cli.link, view, folder, progress)
                                               : restoreController(*cli.link, view, folder, progress);
    if (result.ok())
        return kExitOk;
    reportWholeRun(result, folder, save, folderExisted);
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
    if (command == "backup" || command == "restore") {
        if (args.size() != 1)
            return usageError(command + " takes one folder");
        return runWhole(options, args[0], command == "backup");
    }
    BackupTarget target = BackupTarget::system();
    size_t fileArg = 1;
    if (command != "system") {
        auto n = args.size() == 3 ? bankNumberArgument(args[1]) : std::nullopt;
        if (!n)
            return usageError(command + " " + (args.empty() ? "save" : args[0]) + " takes a number from 0 to 31 and a file");
        target = {command == "bank" ? BackupTarget::Kind::Bank : BackupTarget::Kind::BankGroup, *n};
        fileArg = 2;
    } else if (args.size() != 2 || (args[0] != "save" && args[0] != "load")) {
        return usageError("system takes save or load and a file");
    }
    BackupSession session(options);
    if (!session.ok())
        return kExitFailed;
    return session.run(args[0] == "save", target, args[fileArg]) ? kExitOk : session.failedStatus();
}
