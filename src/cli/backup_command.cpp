// plnctl's backup commands: bank, bank group and system data saved into files and loaded back
// (bank save|load N FILE, group save|load N FILE, system save|load FILE), and the backup of
// all of them into one folder with a manifest (backup DIR) and its restore (restore DIR).
// They run the same operations as the menus; the file dialog answers with the given path.
#include "backup_manifest.h"
#include "cli_commands.h"
#include "cli_link.h"
#include "cli_operation_view.h"
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

std::optional<int16_t> bankNumber(const std::string& text)
{
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0 || n > 31)
        return std::nullopt;
    return int16_t(n);
}

int usage(const std::string& what)
{
    std::fprintf(stderr, "plnctl: %s\n", what.c_str());
    printUsage();
    return kExitUsage;
}

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
    explicit BackupSession(const CliOptions& options) : cli_(options), view_(stderrIsTerminal())
    {
        ok_ = cli_.open();
        if (ok_)
            stop_ = std::make_unique<SigintStop>(cli_.state);
    }
    bool ok() const { return ok_; }
    bool interrupted() const { return stop_ && stop_->requested(); }

    bool run(bool save, const BackupTarget& target, const fs::path& file)
    {
        dialogs_.path = file;
        OperationContext ctx{*cli_.link, view_, dialogs_};
        const int boxesBefore = cli_.prompter.shown;
        bool ok = false;
        switch (target.kind) {
        case BackupTarget::Kind::System:
            ok = save ? fncSystemSave(ctx) : fncSystemLoad(ctx);
            break;
        default: {
            const int16_t mode = target.kind == BackupTarget::Kind::Bank ? 0 : 1;
            ok = save ? fncBankSave(ctx, mode, target.number) : fucBankLoad(ctx, mode, target.number);
        }
        }
        if (!ok) {
            if (interrupted())
                std::fprintf(stderr, "plnctl: stopped; %s is as it was\n", file.string().c_str());
            else if (cli_.prompter.shown == boxesBefore)
                std::fprintf(stderr, "plnctl: %s of %s failed\n", save ? "save" : "load", file.string().c_str());
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

int backupAll(const CliOptions& options, const fs::path& folder)
{
    std::error_code ec;
    for (const char* sub : {"BANK", "BANKGRP", "SYSTEM"}) {
        fs::create_directories(folder / sub, ec);
        if (ec) {
            std::fprintf(stderr, "plnctl: cannot make %s: %s\n", (folder / sub).string().c_str(), ec.message().c_str());
            return kExitFailed;
        }
    }
    BackupSession session(options);
    if (!session.ok())
        return kExitFailed;
    std::vector<ManifestEntry> entries;
    for (const BackupTarget& t : allTargets()) {
        if (session.interrupted() || !session.run(true, t, folder / t.backupName()))
            return kExitFailed;
        std::string error;
        auto entry = describeFile(folder, nameOf(t), error);
        if (!entry) {
            std::fprintf(stderr, "plnctl: %s\n", error.c_str());
            return kExitFailed;
        }
        entries.push_back(*entry);
    }
    std::string error;
    if (!writeManifest(folder, entries, error)) {
        std::fprintf(stderr, "plnctl: %s\n", error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int restoreAll(const CliOptions& options, const fs::path& folder)
{
    std::vector<std::string> names;
    for (const BackupTarget& t : allTargets())
        names.push_back(nameOf(t));
    std::string error;
    if (!verifyManifest(folder, names, error)) {
        std::fprintf(stderr, "plnctl: %s; nothing was loaded\n", error.c_str());
        return kExitFailed;
    }
    BackupSession session(options);
    if (!session.ok())
        return kExitFailed;
    for (const BackupTarget& t : allTargets()) {
        if (session.interrupted() || !session.run(false, t, folder / t.backupName()))
            return kExitFailed;
    }
    return kExitOk;
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
            return usage(command + " takes one folder");
        return command == "backup" ? backupAll(options, args[0]) : restoreAll(options, args[0]);
    }
    BackupTarget target = BackupTarget::system();
    size_t fileArg = 1;
    if (command != "system") {
        auto n = args.size() == 3 ? bankNumber(args[1]) : std::nullopt;
        if (!n)
            return usage(command + " " + (args.empty() ? "save" : args[0]) + " takes a number from 0 to 31 and a file");
        target = {command == "bank" ? BackupTarget::Kind::Bank : BackupTarget::Kind::BankGroup, *n};
        fileArg = 2;
    } else if (args.size() != 2 || (args[0] != "save" && args[0] != "load")) {
        return usage("system takes save or load and a file");
    }
    BackupSession session(options);
    if (!session.ok())
        return kExitFailed;
    return session.run(args[0] == "save", target, args[fileArg]) ? kExitOk : kExitFailed;
}
