#pragma once
// The backup of the whole controller into one folder, and its restore: every bank, every bank
// group and the system data, each in its own file (BANK/BANK07.BNK, BANKGRP/BG07.BNG,
// SYSTEM/SYSTEM.SYS), with MANIFEST.txt listing the size and SHA-256 of each. plnctl's backup
// and restore and the window's whole-controller commands run this same code; they see its
// progress through ControllerBackupProgress and stop it through the same interface.

#include "operations/bank_operations.h"
#include "operations/operation_view.h"

#include "link/device_link.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Where a whole-controller backup or restore stands.
struct BackupFileProgress {
    int index = 0;           // 1 for the first file
    int count = 0;           // files in the whole backup (65)
    std::string name;        // below the backup folder, "/"-separated: "BANK/BANK07.BNK"
    int64_t fileBytes = 0;   // bytes of this file moved so far
    int64_t totalBytes = 0;  // bytes of the whole run moved so far, this file's included
};

class ControllerBackupProgress {
public:
    virtual ~ControllerBackupProgress() = default;
    virtual void fileStarted(const BackupFileProgress& at) { (void)at; }
    // After each block of the current file.
    virtual void fileBytes(const BackupFileProgress& at) { (void)at; }
    virtual void fileDone(const BackupFileProgress& at) { (void)at; }
    // Asked before each file and after a file that failed: true ends the run as stopped. A
    // stop in the middle of a file reaches the transfer through gStopRequest, as the Stop
    // button does.
    virtual bool stopRequested() { return false; }
};

struct ControllerBackupResult {
    enum class Outcome { Done, Stopped, Failed };
    Outcome outcome = Outcome::Failed;
    // A failure that nobody has reported yet (a file that cannot be read, a manifest that does
    // not match); empty when a lower layer has already told the user.
    std::string error;
    std::string failedName;           // the file the run ended on, "" when it ended before any
    std::vector<std::string> loaded;  // restore: the files the controller has already taken

    bool ok() const { return outcome == Outcome::Done; }
};

// Every file of a whole-controller backup, in the order they are saved and loaded: the
// banks, the bank groups, then the system data (last, as it may change how the controller
// talks).
std::vector<BackupTarget> controllerBackupTargets();

// Saves every target into folder (made when missing) and writes the manifest.
ControllerBackupResult backupController(DeviceLink& link, OperationView& view, const std::filesystem::path& folder,
                                        ControllerBackupProgress& progress);

// Checks folder against its manifest, then loads every target back.
ControllerBackupResult restoreController(DeviceLink& link, OperationView& view, const std::filesystem::path& folder,
                                         ControllerBackupProgress& progress);
