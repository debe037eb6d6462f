// Shows the batch conversion window with a long list, labelled from a program folder, for a
// screenshot under Xvfb (scripts/screens-batch). Not a test: it only shows the window.
//   batch_window_shot PROGRAM_FOLDER LANGUAGE(0 Japanese, 1 English) SECONDS [FOLDER]
// With FOLDER it shows frmDirSearch opened there instead.

#include "app/file_dialogs.h"
#include "ui/windows/frm_bin_bmp_conv.h"
#include "ui/windows/frm_dir_browser.h"
#include "app/messages.h"
#include "recording_prompter.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

namespace {

class NoDialogs : public FileDialogs {
public:
    std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest&) override { return std::nullopt; }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        return 2;
    }
    AppState state;
    state.programFolder = argv[1];
    state.gLanguage = std::atoi(argv[2]);
    if (state.gLanguage == 0) {
        QFont font = QApplication::font();
        font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK JP")});
        QApplication::setFont(font);
    }
    for (int i = 1; i <= 40; ++i) {
        const std::string number = (i < 10 ? "0" : "") + std::to_string(i);
        std::string name = i % 7 == 3 ? "line2_inspection_camera_front_left_station_B_" + number + "_20261210_031500.BYR"
                                      : "IMG" + number + (i % 5 == 0 ? ".GRY" : ".BYR");
        if (state.gLanguage == 0 && i % 4 == 1) {
            name = "検査画像_" + number + ".BYR";
        }
        state.gFileNames.push_back(name);
        state.gFilePaths.push_back("/data/" + name);
    }
    RecordingPrompter prompter;
    Messenger messages(state, prompter);
    NoDialogs dialogs;
    if (argc > 4) {
        frmDirSearch search(state, messages, nullptr, systemDrives(), argv[4]);
        search.move(40, 40);
        search.show();
        QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
        return app.exec();
    }
    frmBinBmpConv window(state, messages, dialogs);
    window.setAutoConvert([] { return true; });
    window.move(40, 40);
    window.show();
    QTimer::singleShot(std::atoi(argv[3]) * 1000, &app, &QApplication::quit);
    return app.exec();
}
