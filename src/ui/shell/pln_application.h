#pragma once
// The running program: the shared state, the message texts, the main window, the start-up
// sequence and the exit routine that every way of quitting goes through.

#include "app/app_state.h"
#include "app/messages.h"
#include "app/program_folder_lock.h"

#include <QObject>
#include <QTranslator>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>

class frmMain;
class Prompter;

class PlnApplication : public QObject {
    Q_OBJECT
public:
    PlnApplication(std::filesystem::path programFolder, Prompter& prompter,
                   QObject* parent = nullptr);
    ~PlnApplication() override;

    // Working folders, settings, the program folder's lock, the main window's labels, stale
    // temporary files, the serial port and the LAN terminator, in that order. False when the
    // program ended (terminate has been called): a settings failure that could not be
    // reported, or another PLNTOOL on the same program folder (Message 280).
    bool start();

    // Saves the language (the one chosen for the next start, if any), deletes the temporary files, stops a running continuous measurement
    // and ends the process with status 0. Runs once: a second call while it runs does nothing.
    void fncExitApplication();

    // A close request from outside (SIGTERM, the session ending): the exit routine; a second
    // request while the routine waits for a message box ends the process at once.
    void requestClose();

    AppState& state() { return state_; }
    Messenger& messenger() { return messenger_; }
    frmMain& mainWindow() { return *mainWindow_; }

    // Opens the serial port with the current settings (fncOpenComPort): true when it opened.
    // Not set: the port cannot be opened and the link stays at 0.
    std::function<bool()> openSerialPort;
    // The measurement stop of the exit routine: ends a running continuous measurement.
    std::function<void()> stopMeasurement;
    // Asks the desktop to open a document (Help > Contents); QDesktopServices::openUrl unless
    // a test sets it.
    std::function<bool(const QUrl&)> openUrl;
    // Ends the process with the given status. Tests replace it to stay alive.
    std::function<void(int)> terminate;

    // Options > Language: writes the language for the next start to Setting.ini and says
    // when it takes effect (Message 340); the window keeps its language until then.
    void chooseLanguage(int32_t language);

private:
    void openOptionDialog();
    void checkLanguageEntry(int32_t language);
    void showAboutBox();
    void useJapaneseFontFallback();
    void useQtTexts();

    AppState state_;
    Messenger messenger_;
    std::unique_ptr<frmMain> mainWindow_;
    std::unique_ptr<QTranslator> qtTexts_; // Qt's own texts in the interface language
    ProgramFolderLock folderLock_;
    bool exiting_ = false;
    int32_t nextLanguage_ = -1; // chosen in Options > Language; -1 keeps gLanguage
};

// Shown when another PLNTOOL already works on the program folder; the program then ends.
inline constexpr long kMsgAlreadyRunning = 280;
// Options > Language: the language chosen takes effect at the next start.
inline constexpr long kMsgLanguageAtNextStart = 340;
