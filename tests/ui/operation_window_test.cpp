// The operation window and the common file dialog.

#include "ui/windows/frm_wait.h"
#include "ui/qt/qt_file_dialogs.h"
#include "temp_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

class OperationWindowTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    AppState state_;

    // Runs inspect on the file dialog once it is open, then closes it with accept or reject.
    void whenDialogOpens(std::function<void(QFileDialog&)> inspect, bool accept)
    {
        QTimer::singleShot(0, this, [this, inspect, accept] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!d) {
                whenDialogOpens(inspect, accept);
                return;
            }
            inspect(*d);
            accept ? static_cast<QDialog*>(d)->accept() : d->reject();
        });
    }

private slots:
    void init()
    {
        state_ = AppState{};
        state_.programFolder = folder_.path();
        state_.gLanguage = 1;
    }

    void captionsComeFromTheLabelsAndStopOnlySetsTheFlag()
    {
        {
            frmWait plain(state_, nullptr);
            QCOMPARE(plain.findChild<QLabel*>("lblWait")->text(), QString("処理しています。しばらくおまちください。"));
            QCOMPARE(plain.findChild<QPushButton*>("btnStop")->text(), QString("キャンセル"));
        }
        folder_.write("LabelENG.ini", "[frmWait]\r\nfrmWait=Please Wait@DejaVu Sans@9\r\n"
                                      "lblWait=Working@DejaVu Sans@9\r\nbtnStop=Stop@DejaVu Sans@9\r\n");
        QMainWindow main;
        main.show();
        frmWait wait(state_, &main);
        QCOMPARE(wait.windowTitle(), QString("Please Wait"));
        QCOMPARE(wait.findChild<QPushButton*>("btnStop")->text(), QString("Stop"));
        QVERIFY(!wait.findChild<QLabel*>("lblRead")->isVisibleTo(&wait));

        wait.setMainWindowEnabled(false);
        wait.showWindow();
        QVERIFY(!main.isEnabled());
        auto* stop = wait.findChild<QPushButton*>("btnStop");
        QVERIFY(stop->isEnabled());
        QTest::mouseClick(stop, Qt::LeftButton);
        QCOMPARE(state_.gStopRequest, int16_t(-1));
        QVERIFY(wait.isVisible());

        // Closing the window while its operation runs asks it to stop and leaves it open.
        state_.gStopRequest = 0;
        wait.close();
        QCOMPARE(state_.gStopRequest, int16_t(-1));
        QVERIFY(wait.isVisible());

        wait.setMainWindowEnabled(true);
        wait.unloadWindow();
        QVERIFY(main.isEnabled());
        QVERIFY(!wait.isVisible());
    }

    void progressBarFollowsLongFiles()
    {
        frmWait wait(state_, nullptr);
        auto* bar = wait.findChild<QProgressBar*>("ProgressBar1");
        wait.setProgressMaximum(1000);
        wait.setProgressValue(250);
        QCOMPARE(bar->maximum(), 1000);
        QCOMPARE(bar->value(), 250);
        const int64_t big = int64_t(1) << 40;
        wait.setProgressMaximum(big);
        wait.setProgressValue(big / 2);
        QCOMPARE(wait.progressValue(), big / 2);
        QVERIFY(std::abs(double(bar->value()) / bar->maximum() - 0.5) < 0.001);
    }

    void nameFiltersKeepTheEntriesInOrder()
    {
        QCOMPARE(qtNameFilters("All files (*.*)|*.*|Bank data (*.BNK)| *.BNK"),
                 QStringList({"All files (*.*) (*)", "Bank data (*.BNK) (*.[Bb][Nn][Kk])"}));
        QCOMPARE(qtNameFilters("Images| *.BYR; *.gry"), QStringList({"Images (*.[Bb][Yy][Rr] *.[Gg][Rr][Yy])"}));
        QCOMPARE(qtNameFilters(""), QStringList());
    }

    void saveDialogShowsTheRequestAndRemembersTheChoice()
    {
        std::filesystem::create_directories(folder_.path() / "BANK");
        folder_.write("BANK/OLD.BNK", "x");
        QtFileDialogs dialogs(nullptr);
        FileDialogRequest request;
        request.kind = FileDialogRequest::Kind::Save;
        request.filter = "All files (*.*)|*.*|Bank data (*.BNK)| *.BNK";
        request.filterIndex = 2;
        request.initialFolder = folder_.path() / "BANK";
        request.overwritePrompt = true;
        QString filterShown, folderShown;
        QStringList filters;
        bool ownDialog = false;
        whenDialogOpens([&](QFileDialog& d) {
            filterShown = d.selectedNameFilter();
            filters = d.nameFilters();
            folderShown = d.directory().absolutePath();
            ownDialog = d.testOption(QFileDialog::DontUseNativeDialog);
            d.findChild<QLineEdit*>("fileNameEdit")->setText("NEW.BNK");
        }, true);
        auto chosen = dialogs.show(request);
        QCOMPARE(filterShown, QString("Bank data (*.BNK)"));
        QCOMPARE(filters, qtNameFilters(request.filter));
        QCOMPARE(QFileInfo(folderShown).canonicalFilePath(),
                 QFileInfo(QString::fromStdString((folder_.path() / "BANK").string())).canonicalFilePath());
        QVERIFY(ownDialog);
        QVERIFY(chosen);
        QCOMPARE(chosen->size(), size_t(1));
        QCOMPARE(chosen->front().filename().string(), std::string("NEW.BNK"));
        QCOMPARE(dialogs.fileName, chosen->front().string());

        // The next dialog proposes it; a cancel keeps it and returns nothing.
        QString proposed;
        whenDialogOpens([&](QFileDialog& d) { proposed = d.findChild<QLineEdit*>("fileNameEdit")->text(); }, false);
        QVERIFY(!dialogs.show(request));
        QCOMPARE(proposed, QString("NEW.BNK"));
        QCOMPARE(dialogs.fileName, chosen->front().string());
    }
};

QTEST_MAIN(OperationWindowTest)
#include "operation_window_test.moc"
