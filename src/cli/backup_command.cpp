// plnctl's backup commands: bank, bank group and system data saved into files and loaded back
// (bank save|load N FILE, group save|load N FILE, system save|load FILE), and the backup of
// all of them into one folder with a manifest (backup DIR) and its restore (restore DIR).
// They run the same operations as the menus; the file dialog answers with the given path.
#include "backup_manifest.h"
#include "cli_commands.h"
#include "cli_link.h"
#include "backup_progress.h"
#include "cli_operation_view.h"
#include "cli_texts.h"
#include "json_report.h"
#include "progress_printer.h"
#include "sigint_stop.h"

#include "operations/bank_operations.h"

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

// Everything a backup of all data holds, in the order it is saved and loaded: the banks, the
// bank groups, then the system data (last, as it may change how the controller talks).
std::vector<BackupTarget> allTargets()
{
    std::vector<BackupTarget> targets;
    for (int16_t n = 0; n < 32; ++n)
        targets.push_back({BackupTarget::Kind::Bank, n});
    for (int16_t n = 0; n < 32; ++n)
        targets.push_back({BackupTarget::Kind::BankGroup, n});
    targets.push_back(BackupTarget::system());
    return targets;
}

std::string nameOf(const BackupTarget& t)
{
    return t.backupName().generic_string();
}

// One save or load per call, on one link, with Ctrl+C as the stop request.
class BackupSession {
public:
    explicit BackupSession(const CliOptions& options)
        : options_(options), cli_(options), view_(stderrIsTerminal() && !options.quiet)
    {
        ok_ = cli_.open();
        if (ok_)
            stop_ = std::make_unique<SigintStop>(cli_.state);
    }
    bool ok() const { return ok_; }
    bool interrupted() const { return stop_ && stop_->requested(); }
    CliLink& cli() { return cli_; }
    CliOperationView& view() { return view_; }

    bool run(bool save, const BackupTarget& target, const fs::path& file)
    {
        const int lang = options_.language;
        dialogs_.path = file;
        OperationContext ctx{*cli_.link, view_, dialogs_};
        const int boxesBefore = cli_.prompter.shown;
        cli_.log.last.clear();
        const bool ok = save ? saveBackup(ctx, target) : loadBackup(ctx, target);
        if (!ok) {
            if (interrupted()) {
                failure_ = cliFormat(lang, "stopped; %s is as it was", file.string().c_str());
                cliSay(lang, "%s", failure_.c_str());
            } else if (cli_.prompter.shown == boxesBefore) {
                failure_ = cliFormat(lang, save ? "save of %s failed" : "load of %s failed", file.string().c_str());
                cliSay(lang, "%s", failure_.c_str());
            } else {
                failure_ = cli_.prompter.lastText;
                cli_.reportFailedExchange();
            }
        }
        return ok;
    }
    const std::string& failure() const { return failure_; }

private:
    const CliOptions& options_;
    CliLink cli_;
    CliOperationView view_;
    std::unique_ptr<SigintStop> stop_;
    GivenPathDialogs dialogs_;
    std::string failure_;
    bool ok_ = false;
};

BackupProgress::Mode progressMode(const CliOptions& options)
{
    if (options.quiet)
        return BackupProgress::Mode::Quiet;
    return stderrIsTerminal() ? BackupProgress::Mode::Terminal : BackupProgress::Mode::Lines;
}

// The whole run's progress fed by the transfers of the session.
void connectProgress(BackupSession& session, BackupProgress& progress)
{
    session.view().onBytes = [&progress](int64_t bytes) { progress.bytes(bytes); };
    session.view().onMaximum = [&progress](int64_t maximum) { progress.fileSize(maximum); };
}

int backupAll(const CliOptions& options, const fs::path& folder)
{
    const int lang = options.language;
    JsonReport report(options, "backup");
    report.set("folder", QString::fromStdString(folder.string()));
    std::error_code ec;
    for (const char* sub : {"BANK", "BANKGRP", "SYSTEM"}) {
        fs::create_directories(folder / sub, ec);
        if (ec) {
            const std::string line =
                cliFormat(lang, "cannot make %s: %s", (folder / sub).string().c_str(), ec.message().c_str());
            cliSay(lang, "%s", line.c_str());
            return report.failed(StderrPrompter{}, 0, line);
        }
    }
    BackupSession session(options);
    if (!session.ok())
        return report.failed(session.cli().prompter, 0, session.cli().openFailure);
    const std::vector<BackupTarget> targets = allTargets();
    BackupProgress progress(progressMode(options), lang, int(targets.size()), 0);
    connectProgress(session, progress);
    std::vector<ManifestEntry> entries;
    auto failed = [&](const std::string& line) {
        progress.finish();
        report.set("bytes", qint64(progress.totalDone()));
        return report.failed(session.cli().prompter, 0, line);
    };
    for (size_t i = 0; i < targets.size(); ++i) {
        const BackupTarget& t = targets[i];
        progress.fileStarted(int(i + 1), nameOf(t));
        if (session.interrupted() || !session.run(true, t, folder / t.backupName()))
            return failed(session.failure().empty() ? cliText(lang, "stopped") : session.failure());
        std::string error;
        auto entry = describeFile(folder, nameOf(t), error);
        if (!entry) {
            cliSay(lang, "%s", error.c_str());
            return failed(error);
        }
        progress.fileDone(entry->size);
        report.addFile(entry->name, entry->size, entry->sha256);
        entries.push_back(*entry);
    }
    std::string error;
    if (!writeManifest(folder, entries, error)) {
        cliSay(lang, "%s", error.c_str());
        return failed(error);
    }
    progress.finish();
    report.set("bytes", qint64(progress.totalDone()));
    report.set("seconds", progress.seconds());
    return report.ok();
}

int restoreAll(const CliOptions& options, const fs::path& folder)
{
    const int lang = options.language;
    JsonReport report(options, "restore");
    report.set("folder", QString::fromStdString(folder.string()));
    const std::vector<BackupTarget> targets = allTargets();
    std::vector<std::string> names;
    for (const BackupTarget& t : targets)
        names.push_back(nameOf(t));
    std::string error;
    if (!verifyManifest(folder, names, error)) {
        const std::string line = cliFormat(lang, "%s; nothing was loaded", error.c_str());
        cliSay(lang, "%s", line.c_str());
        return report.failed(StderrPrompter{}, 0, line);
    }
    // The manifest has just been checked against the files: their sizes are the total.
    std::vector<ManifestEntry> entries;
    uint64_t totalBytes = 0;
    for (const std::string& name : names) {
        auto entry = describeFile(folder, name, error);
        if (!entry) {
            cliSay(lang, "%s", error.c_str());
            return report.failed(StderrPrompter{}, 0, error);
        }
        totalBytes += entry->size;
        entries.push_back(*entry);
    }
    BackupSession session(options);
    if (!session.ok())
        return report.failed(session.cli().prompter, 0, session.cli().openFailure);
    BackupProgress progress(progressMode(options), lang, int(targets.size()), totalBytes);
    connectProgress(session, progress);
    for (size_t i = 0; i < targets.size(); ++i) {
        const BackupTarget& t = targets[i];
        progress.fileStarted(int(i + 1), nameOf(t));
        if (session.interrupted() || !session.run(false, t, folder / t.backupName())) {
            progress.finish();
            report.set("bytes", qint64(progress.totalDone()));
            return report.failed(session.cli().prompter, 0,
                                 session.failure().empty() ? cliText(lang, "stopped") : session.failure());
        }
        progress.fileDone(entries[i].size);
        report.addFile(entries[i].name, entries[i].size, entries[i].sha256);
    }
    progress.finish();
    report.set("bytes", qint64(progress.totalDone()));
    report.set("seconds", progress.seconds());
    return report.ok();
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
        return command == "backup" ? backupAll(options, args[0]) : restoreAll(options, args[0]);
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
    return session.run(args[0] == "save", target, args[fileArg]) ? kExitOk : kExitFailed;
}
