#include "ui/panels/batch_menu.h"

#include "app/file_dialogs.h"
#include "ui/windows/frm_bin_bmp_conv.h"
#include "ui/windows/frm_dir_browser.h"
#include "ui/windows/frm_wait.h"
#include "app/messages.h"
#include "link/qt_waiter.h"
#include "link/steady_clock.h"
#include "operations/auto_convert.h"

#include <QAction>

#include <exception>
#include <QWidget>

BatchCommands::BatchCommands(AppState& state, Messenger& messages, FileDialogs& dialogs, QWidget* mainWindow)
    : QObject(mainWindow), state_(state), messages_(messages), dialogs_(dialogs), mainWindow_(mainWindow) {
    browseInputFolder = [this] {
        frmDirSearch browser(state_, messages_, mainWindow_);
        browser.exec();
    };
    showBatchWindow = [](frmBinBmpConv& window) { window.exec(); };
    autoConvert = [this] {
        frmWait wait(state_, mainWindow_);
        SteadyClock clock;
        QtWaiter waiter(clock);
        AutoConvertContext ctx{state_, messages_, wait, dialogs_, clock, waiter,
                               mainWindow_ ? mainWindow_->windowTitle().toStdString() : std::string(kAppTitle)};
        return fncHkrAutoConvert(ctx);
    };
}

void BatchCommands::attachMenu() {
    for (const char* name : {"mnuEachConv2", "mnuAllConv2"}) {
        auto* action = mainWindow_->findChild<QAction*>(QString::fromLatin1(name));
        if (!action) {
            continue;
        }
        action->setEnabled(true);
        if (name[3] == 'E') {
            connect(action, &QAction::triggered, this, &BatchCommands::mnuEachConv2_Click);
        } else {
            connect(action, &QAction::triggered, this, &BatchCommands::mnuAllConv2_Click);
        }
    }
}

void BatchCommands::mnuEachConv2_Click() {
    // A failure nobody has reported yet (no memory, a path the system refuses) is shown once.
    try {
        eachCommand();
    } catch (const std::exception& e) {
        messages_.showErrorBox(e.what());
    }
}

void BatchCommands::mnuAllConv2_Click() {
    try {
        allCommand();
    } catch (const std::exception& e) {
        messages_.showErrorBox(e.what());
    }
}

void BatchCommands::eachCommand() {
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::OpenMany;
    request.filter = messages_.fncGetMessage("Label", 56) + "|*.GRY|" + messages_.fncGetMessage("Label", 55) + "|*.BYR";
    request.filterIndex = 2;
    request.initialFolder = state_.imageFolder();
    request.fileKind = FileKind::RawImage;
    const auto chosen = dialogs_.showFor(request);
    if (!chosen || chosen->empty()) {
        return;
    }
    state_.gFileNames.clear();
    state_.gFilePaths.clear();
    for (const std::filesystem::path& path : *chosen) {
        state_.gFileNames.push_back(path.filename().string());
        state_.gFilePaths.push_back(path.string());
    }
    openBatchWindow();
}

void BatchCommands::allCommand() {
    browseInputFolder();
    if (state_.gBrowseOK == -1) {
        state_.gBrowseOK = 0;
        openBatchWindow();
    } else {
        dialogs_.fileName.clear();
    }
}

void BatchCommands::openBatchWindow() {
    frmBinBmpConv window(state_, messages_, dialogs_, mainWindow_);
    if (autoConvert) {
        window.setAutoConvert(autoConvert);
    }
    showBatchWindow(window);
}
