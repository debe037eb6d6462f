#pragma once
// Message texts of the current language and the message boxes built from them.

#include "app/prompter.h"

#include <string>

struct AppState;

class Messenger {
public:
    Messenger(AppState& state, Prompter& prompter) : state_(state), prompter_(prompter) {}

    // The value of section/number in the message file of the current language, decoded to
    // UTF-8, backslash-n turned into CR+LF and TABs removed; "" when missing or unreadable.
    std::string fncGetMessage(const std::string& section, long number);

    // Shows the box section/number (text "@" style) with the application title; stores the
    // split value in gMsgParts and the answer in gMsgAnswer. A missing or malformed value
    // shows nothing and returns 0 (the caller's error trap takes over).
    int fncShowMessage(const std::string& section, long number);
    // The same with every "%1" in the text replaced by subject (the device or address the
    // message is about).
    int fncShowMessageAbout(const std::string& section, long number, const std::string& subject);
    // The same box with detail (a path the user has to find) below the text, after a blank line.
    int fncShowMessageWithDetail(const std::string& section, long number, const std::string& detail);

    // fncGetMessage with "%1" replaced by subject; fallback (with the same replacement) when
    // the text is missing.
    std::string fncGetMessageAbout(const std::string& section, long number, const std::string& subject,
                                   const std::string& fallback = {});

    // Reports a settings failure with Message 99; when that box cannot be shown, shows the
    // failure's description in a plain OK box and returns false: the caller must end the program.
    bool fncIniErrorMessage(const std::string& failureDescription);

    // A box with a failure's description, the error icon and the application title.
    void showErrorBox(const std::string& description);

    AppState& state() { return state_; }
    Prompter& prompter() { return prompter_; }

private:
    int showBox(const std::string& section, long number, const std::string& text, const std::string& detail);

    AppState& state_;
    Prompter& prompter_;
};
