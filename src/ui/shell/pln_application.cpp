#include "ui/shell/pln_application.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_about.h"
#include "ui/windows/frm_main.h"
#include "ui/windows/frm_option.h"
#include "app/settings.h"
#include "ui/qt/window_labels.h"
#include "app/qt_translations.h"
#include "ui/shell/working_folders.h"

#include <QAction>
#include <QApplication>
#include <QFont>

#include <cstdio>
#include <cstdlib>

namespace {

void endProcess(int status) {
    // No further window event may run: open dialogs and the link go with the process.
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace

PlnApplication::PlnApplication(std::filesystem::path programFolder, Prompter& prompter,
                               QObject* parent)
    : QObject(parent), messenger_(state_, prompter), mainWindow_(std::make_unique<frmMain>()) {
    terminate = endProcess;
    state_.programFolder = std::move(programFolder);

    connect(mainWindow_.get(), &frmMain::exitRequested, this, &PlnApplication::fncExitApplication);
    auto action = [this](const char* name) {
        return mainWindow_->findChild<QAction*>(QString::fromLatin1(name));
    };
    connect(action("mnuConvert"), &QAction::triggered, this, &PlnApplication::openOptionDialog);
    connect(action("mnuVersion"), &QAction::triggered, this, &PlnApplication::showAboutBox);
    for (QAction* entry : mainWindow_->findChildren<QAction*>(QStringLiteral("mnuLanguageSelect"))) {
        connect(entry, &QAction::triggered, this, [this, entry] { chooseLanguage(controlIndex(entry)); });
    }
    connect(action("mnuContents"), &QAction::triggered, this, [this] { fncOpenDocument(state_, messenger_, openUrl); });
}

PlnApplication::~PlnApplication() = default;

bool PlnApplication::start() {
    fncMakeFolders(state_);
    if (!fncLoadSettings(state_, messenger_)) {
        terminate(1);
        return false;
    }
    // Checked before the stale work files are deleted: they may be the other program's.
    if (folderLock_.acquire(state_.tmpFolder()) == ProgramFolderLock::Result::InUse) {
        messenger_.fncShowMessage("Message", kMsgAlreadyRunning);
        terminate(1);
        return false;
    }
    useJapaneseFontFallback();
    useQtTexts();
    fncApplyLabels(mainWindow_.get(), state_);
    checkLanguageEntry(state_.gLanguage);
    fncDeleteTempFiles(state_);
    // The link's views show the link the port opening makes.
    mainWindow_->setStartupConnectionState();
    state_.gLinkMode = openSerialPort && openSerialPort() ? kLinkSerial : kLinkNone;
    state_.gLanDelimiter = "\r";
    return true;
}

void PlnApplication::fncExitApplication() {
    if (exiting_) {
        return;
    }
    exiting_ = true;
    if (nextLanguage_ >= 0) {
        writeLanguage(state_, nextLanguage_);
    } else {
        fncSaveLanguage(state_, messenger_);
    }
    fncDeleteTempFiles(state_);
    if (stopMeasurement) {
        stopMeasurement();
    }
    terminate(0);
}

void PlnApplication::requestClose() {
    if (exiting_) {
        terminate(0);
        return;
    }
    fncExitApplication();
}

void PlnApplication::chooseLanguage(int32_t language) {
    nextLanguage_ = language == 0 ? 0 : 1;
    checkLanguageEntry(nextLanguage_);
    writeLanguage(state_, nextLanguage_);
    messenger_.fncShowMessage("Message", kMsgLanguageAtNextStart);
}

void PlnApplication::checkLanguageEntry(int32_t language) {
    for (QAction* entry : mainWindow_->findChildren<QAction*>(QStringLiteral("mnuLanguageSelect"))) {
        entry->setChecked(controlIndex(entry) == language);
    }
}

void PlnApplication::openOptionDialog() {
    frmOption dialog(state_, mainWindow_.get());
    dialog.exec();
}

void PlnApplication::showAboutBox() {
    frmAbout dialog(state_, messenger_, mainWindow_.get());
    dialog.exec();
}

void PlnApplication::useQtTexts() {
    if (qtTexts_) {
        QCoreApplication::removeTranslator(qtTexts_.get());
    }
    qtTexts_ = qtTranslatorFor(state_.gLanguage);
    if (qtTexts_) {
        QCoreApplication::installTranslator(qtTexts_.get());
    }
}

void PlnApplication::useJapaneseFontFallback() {
    // Menus and message boxes use the application font; in Japanese its kanji and kana must come
    // from a Japanese font, not from whichever CJK font the system falls back to first.
    if (state_.gLanguage != 0 || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return;
    }
    QFont font = QApplication::font();
    QStringList families = font.families();
    if (families.isEmpty()) {
        families.append(font.family());
    }
    families.append(QStringLiteral("Noto Sans CJK JP"));
    font.setFamilies(families);
    QApplication::setFont(font);
}
