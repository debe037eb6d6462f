#pragma once
// Banks, bank groups and system data: switching the active bank or bank group, and backing
// them up into files on the PC and loading such backups back, by XMODEM. Each runs in the
// operation frame (operation_frame.h) and returns True on success; the caller shows Message 1.
// Backup files are opaque: the bytes the controller sends, a multiple of 128.

#include "operations/operation_frame.h"

#include "link/controller_commands.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// What a save or load works on: a bank (mode 0) or bank group (any other mode) n, or the system
// data.
struct BackupTarget {
    using Kind = ControllerDataKind;
    Kind kind = Kind::Bank;
    int16_t number = 0;

    static BackupTarget forMode(int16_t mode, int16_t n) { return {mode == 0 ? Kind::Bank : Kind::BankGroup, n}; }
    static BackupTarget system() { return {Kind::System, 0}; }

    std::string saveCommand() const;   // the command that has the controller send it
    std::string loadCommand() const;   // the command that has the controller take it
    std::string folderName() const;    // "BANK", "BANKGRP", "SYSTEM"
    std::string extension() const;     // ".BNK", ".BNG", ".SYS"
    long filterLabel() const;          // label text of the file kind: 54, 57, 53
    FileKind fileKind() const;         // the kind whose last file its dialogs remember
    // The file a backup of all data names it: "BANK/BANK07.BNK", "BANKGRP/BG07.BNG",
    // "SYSTEM/SYSTEM.SYS".
    std::filesystem::path backupName() const;
};

// Switches the active bank / bank group without showing the window: True when the
// controller answered "OK".
bool fncBankChange(OperationContext& ctx, int16_t n);
bool fncBankGroupChange(OperationContext& ctx, int16_t n);

// Asks for the file to save into, then receives the bank (mode 0) or bank group n into it.
// A failed or stopped save leaves an existing file of that name as it was.
bool fncBankSave(OperationContext& ctx, int16_t mode, int16_t n);
bool fncSystemSave(OperationContext& ctx);

// Asks for the file to load, then sends it. A missing file shows Message 12 and an empty one
// Message 22, both before anything is sent.
bool fucBankLoad(OperationContext& ctx, int16_t mode, int16_t n);
bool fncSystemLoad(OperationContext& ctx);

// The save or load of any target, each by its own function above (plnctl's backup of all data).
bool saveBackup(OperationContext& ctx, const BackupTarget& target);
bool loadBackup(OperationContext& ctx, const BackupTarget& target);

// Loads bytes read and checked beforehand (a whole-controller restore) into the target, in
// the same frame as a load from a file. `name` is the file they came from, for messages.
bool loadBackupBytes(OperationContext& ctx, const BackupTarget& target, std::span<const uint8_t> bytes,
                     const std::string& name);
