#pragma once
// The serial settings string ("38400,N,8,1"): what a port can do, checked field by field so
// that a refusal names the field that is wrong.

#include <optional>
#include <string>

enum class ComSettingsField { None, Form, Speed, Parity, DataBits, StopBits };

struct ComSettingsCheck {
    ComSettingsField badField = ComSettingsField::None;
    std::string problem; // English, naming the field and the value: for stderr and the status box
    int baud = 0;
    char parity = 'N';     // N, E, O, M (mark), S (space)
    int dataBits = 8;      // 5..8
    double stopBits = 1;   // 1, 1.5 or 2
    bool ok() const { return badField == ComSettingsField::None; }
};

// Four comma-separated fields: a positive speed (at most 10000000), parity N/E/O/M/S (either
// case), data bits 5 to 8, stop bits 1, 1.5 or 2. Blanks around a field are allowed.
ComSettingsCheck checkComSettings(const std::string& settings);

// The message file's box for a bad field of Setting.ini's serial settings.
long comSettingsMessage(ComSettingsField field);
