#pragma once
// A connection status box (the main window's `Status`, frmLanSet's `Status`) and the connect
// button beside it, as the link code sees them.

#include <string>

class StatusLog {
public:
    virtual ~StatusLog() = default;
    // Inserts line + CR+LF at the box's insertion point.
    virtual void appendLine(const std::string& line) = 0;
    // Enables the `cmdConnect` button that belongs with this box.
    virtual void enableConnect() {}
};

// A status box nobody looks at (plnctl without --verbose, tests that do not care).
class NullStatusLog : public StatusLog {
public:
    void appendLine(const std::string&) override {}
};
