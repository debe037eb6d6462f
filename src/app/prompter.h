#pragma once
// How a message box reaches the user. The GUI shows a QMessageBox, plnctl prints to
// stderr, tests script the answers and record every box.

#include <string>

// Answer codes of a message box.
enum BoxAnswer : int { kAnswerOK = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// Style bits of a message box: buttons (low nibble) plus icon.
enum BoxStyle : int {
    kStyleOK = 0, kStyleOKCancel = 1, kStyleRetryCancel = 5, kStyleYesNo = 4,
    kStyleCritical = 16, kStyleQuestion = 32, kStyleExclamation = 48, kStyleInformation = 64,
};

struct BoxRequest {
    std::string text;    // UTF-8; CR+LF for line breaks
    int style = 0;       // buttons + icon, as above
    std::string title;   // usually kAppTitle
    // Where the text came from, for the record of tests: "Message"/"Question" and its number,
    // or empty and -1 for a fixed text or the description of a failure.
    std::string section;
    long number = -1;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows a modal box and returns the answer code of the button pressed.
    virtual int show(const BoxRequest& box) = 0;
};
