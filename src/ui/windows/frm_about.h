#pragma once
// The About box and the help file of the current language.

#include "app/app_state.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <string>

class Messenger;

// The version line: the label text, one blank, major "." minor and the revision written
// directly after the minor number (1.0.0 gives "1.00", 2.1.10 gives "2.110").
QString versionLine(const QString& labelText, int major, int minor, int revision);

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Applies the labels, then sets the version line (Label 10) and the application title.
    frmAbout(const AppState& state, Messenger& messages, QWidget* parent = nullptr);
};

// The help file of the current language in the program folder: PLN_HELP_JPN.chm or
// PLN_HELP_ENG.chm when there is one, else the manual PLN_HELP_JPN.html or PLN_HELP_ENG.html.
std::filesystem::path helpFilePath(const AppState& state);

// Message 290: no program could open the manual; the box gives the manual's path after it.
inline constexpr long kMsgNoViewer = 290;

// Opens the help file with the desktop's viewer. A missing file shows nothing; when no viewer
// starts (no xdg-open, no browser) Message 290 names the file, so Help never does nothing.
// `open` is QDesktopServices::openUrl unless a test gives its own.
void fncOpenDocument(const AppState& state, Messenger& messages,
                     const std::function<bool(const QUrl&)>& open = {});
