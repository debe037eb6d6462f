#include "operations/bank_operations.h"

#include "app/app_state.h"
#include "link/link_error.h"
#include "operations/transfer_steps.h"
#include "xmodem/transfer_control.h"

#include <cstdio>
#include <optional>
#include <system_error>

namespace {

constexpr long kLabelAllFiles = 51;
constexpr long kMessageNotFound = 12;
constexpr long kStepCommand = 7;
constexpr long kStepSending = 8;
constexpr long kStepReceiving = 9;

bool changeCommand(OperationContext& ctx, bool (ControllerCommands::*select)(int), int n)
{
    return runOperation(ctx, OperationFrameKind::Command, [&](OperationFrame& frame) {
        frame.step(kStepCommand);
        return (ctx.link.commands().*select)(n) || ctx.fail(ctx.link.commands().lastFailure());
    });
}

FileDialogRequest backupDialog(OperationContext& ctx, const BackupTarget& target, FileDialogRequest::Kind kind)
{
    const std::string pattern = "| *" + target.extension();
    const std::string files = ctx.messages().fncGetMessage("Label", target.filterLabel()) + pattern;
    FileDialogRequest request;
    request.kind = kind;
    request.filterIndex = 2;
    request.initialFolder = ctx.state().programFolder / target.folderName();
    request.fileKind = target.fileKind();
    if (kind == FileDialogRequest::Kind::Save) {
        request.filter = ctx.messages().fncGetMessage("Label", kLabelAllFiles) + "|*.*|" + files;
        request.overwritePrompt = true;
        request.pathMustExist = true;
    } else {
        request.filter = files;
    }
    return request;
}

// A bank or bank group save proposes no name (the last one would be another bank's), only
// the folder of the last one; the other dialogs propose the last file of their own kind.
std::optional<std::filesystem::path> chooseFile(OperationContext& ctx, const FileDialogRequest& request,
                                                const std::optional<std::string>& proposal = std::nullopt)
{
    auto chosen = ctx.dialogs.showFor(request, proposal);
    if (!chosen || chosen->empty())
        return std::nullopt;
    return chosen->front();
}

// The word of the save command, which names the kind of file it brings.
std::string saveKind(const BackupTarget& target)
{
    const std::string command = target.saveCommand();
    return command.substr(0, command.find(' '));
}

// What a save will bring, for its progress: the size of the file it replaces, else that of
// the last file of its kind received in this run, else nothing known.
int64_t expectedSaveBytes(OperationContext& ctx, const BackupTarget& target, const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        const auto size = std::filesystem::file_size(file, ec);
        if (!ec && size > 0)
            return int64_t(size);
    }
    const auto& last = ctx.state().lastSaveBytes;
    const auto seen = last.find(saveKind(target));
    return seen != last.end() ? seen->second : 0;
}

// The save after the file is chosen. The file is not deleted first: the transfer writes a
// temporary file beside it and replaces it only when everything arrived.
bool saveInFrame(OperationContext& ctx, OperationFrame& frame, const BackupTarget& target,
                 const std::filesystem::path& file)
{
    frame.openWindow();
    frame.step(kStepCommand);
    if (!ctx.link.commands().announceDataSave(target.kind, target.number))
        return ctx.fail(ctx.link.commands().lastFailure());
    frame.step(kStepReceiving);
    const int64_t expected = expectedSaveBytes(ctx, target, file);
    if (!receiveFileStep(ctx, file, expected))
        return false;
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec)
        ctx.state().lastSaveBytes[saveKind(target)] = int64_t(size);
    return true;
}

// The load after the file is chosen. A missing or empty file is refused before the command:
// once the controller has answered READY it waits for a transfer.
bool loadInFrame(OperationContext& ctx, OperationFrame& frame, const BackupTarget& target,
                 const std::filesystem::path& file)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return ctx.fail(OpResult::shownOr(ctx.messages().fncShowMessage("Message", kMessageNotFound),
                                          "no file " + file.string()));
    const auto size = std::filesystem::file_size(file, ec);
    if (ec)
        throw std::filesystem::filesystem_error("cannot read the size of the file", file, ec);
    if (size == 0)
        throw LinkError(kErrEmptyFile, "the file to send is empty");
    frame.openWindow();
    frame.step(kStepCommand);
    if (!ctx.link.commands().announceDataLoad(target.kind, target.number))
        return ctx.fail(ctx.link.commands().lastFailure());
    frame.step(kStepSending);
    return sendFileStep(ctx, file);
}

bool saveWithDialog(OperationContext& ctx, const BackupTarget& target, const std::optional<std::string>& proposal)
{
    return runOperation(ctx, OperationFrameKind::Receive, [&](OperationFrame& frame) {
        auto file = chooseFile(ctx, backupDialog(ctx, target, FileDialogRequest::Kind::Save), proposal);
        return file && saveInFrame(ctx, frame, target, *file);
    });
}

bool loadWithDialog(OperationContext& ctx, const BackupTarget& target)
{
    return runOperation(ctx, OperationFrameKind::Load, [&](OperationFrame& frame) {
        auto file = chooseFile(ctx, backupDialog(ctx, target, FileDialogRequest::Kind::Open));
        return file && loadInFrame(ctx, frame, target, *file);
    });
}

} // namespace

std::string BackupTarget::saveCommand() const
{
    return ControllerCommands::dataSaveLine(kind, number);
}

std::string BackupTarget::loadCommand() const
{
    return ControllerCommands::dataLoadLine(kind, number);
}

std::string BackupTarget::folderName() const
{
    switch (kind) {
    case Kind::Bank: return "BANK";
    case Kind::BankGroup: return "BANKGRP";
    case Kind::System: break;
    }
    return "SYSTEM";
}

std::string BackupTarget::extension() const
{
    switch (kind) {
    case Kind::Bank: return ".BNK";
    case Kind::BankGroup: return ".BNG";
    case Kind::System: break;
    }
    return ".SYS";
}

FileKind BackupTarget::fileKind() const
{
    switch (kind) {
    case Kind::Bank: return FileKind::Bank;
    case Kind::BankGroup: return FileKind::BankGroup;
    case Kind::System: break;
    }
    return FileKind::System;
}

long BackupTarget::filterLabel() const
{
    switch (kind) {
    case Kind::Bank: return 54;
    case Kind::BankGroup: return 57;
    case Kind::System: break;
    }
    return 53;
}

std::filesystem::path BackupTarget::backupName() const
{
    char two[8];
    std::snprintf(two, sizeof two, "%02d", int(number));
    switch (kind) {
    case Kind::Bank: return std::filesystem::path("BANK") / ("BANK" + std::string(two) + ".BNK");
    case Kind::BankGroup: return std::filesystem::path("BANKGRP") / ("BG" + std::string(two) + ".BNG");
    case Kind::System: break;
    }
    return std::filesystem::path("SYSTEM") / "SYSTEM.SYS";
}

bool fncBankChange(OperationContext& ctx, int16_t n)
{
    return changeCommand(ctx, &ControllerCommands::selectBank, n);
}

bool fncBankGroupChange(OperationContext& ctx, int16_t n)
{
    return changeCommand(ctx, &ControllerCommands::selectBankGroup, n);
}

bool fncBankSave(OperationContext& ctx, int16_t mode, int16_t n)
{
    return saveWithDialog(ctx, BackupTarget::forMode(mode, n), std::string());
}

bool fncSystemSave(OperationContext& ctx)
{
    return saveWithDialog(ctx, BackupTarget::system(), std::nullopt);
}

bool fucBankLoad(OperationContext& ctx, int16_t mode, int16_t n)
{
    return loadWithDialog(ctx, BackupTarget::forMode(mode, n));
}

bool fncSystemLoad(OperationContext& ctx)
{
    return loadWithDialog(ctx, BackupTarget::system());
}

bool saveBackup(OperationContext& ctx, const BackupTarget& target)
{
    if (target.kind == BackupTarget::Kind::System)
        return fncSystemSave(ctx);
    return fncBankSave(ctx, target.kind == BackupTarget::Kind::Bank ? 0 : 1, target.number);
}

bool loadBackup(OperationContext& ctx, const BackupTarget& target)
{
    if (target.kind == BackupTarget::Kind::System)
        return fncSystemLoad(ctx);
    return fucBankLoad(ctx, target.kind == BackupTarget::Kind::Bank ? 0 : 1, target.number);
}

bool loadBackupBytes(OperationContext& ctx, const BackupTarget& target, std::span<const uint8_t> bytes,
                     const std::string& name)
{
    return runOperation(ctx, OperationFrameKind::Load, [&](OperationFrame& frame) {
        // Refused before the command, like an empty file: the controller would wait.
        if (bytes.empty())
            throw LinkError(kErrEmptyFile, "The file " + name + " is empty.");
        frame.openWindow();
        frame.step(kStepCommand);
        if (!ctx.link.commands().announceDataLoad(target.kind, target.number))
            return ctx.fail(ctx.link.commands().lastFailure());
        frame.step(kStepSending);
        return sendBytesStep(ctx, bytes, name);
    });
}
