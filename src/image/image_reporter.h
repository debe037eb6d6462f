#pragma once
// How the image functions tell the user about a failure. The GUI maps it to message boxes,
// plnctl to lines on stderr, tests record it.

#include <string>

class ImageReporter {
public:
    virtual ~ImageReporter() = default;
    // An error box with the description of what failed (error icon, application title).
    virtual void showError(const std::string& description) = 0;
    // A box of the message file, e.g. ("Message", 12). The description says the same in
    // English for front ends that have no message file.
    virtual void showMessage(const std::string& section, int number, const std::string& description) = 0;
};

// Message numbers of the message file used by the conversions.
inline constexpr int kMessageFileMissing = 12;
inline constexpr int kMessageConversionFailed = 13;
