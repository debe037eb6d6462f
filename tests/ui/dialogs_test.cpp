// The option dialog, the About box, the help file and the message boxes.

#include "ui/qt/control_index.h"
#include "ui/windows/frm_about.h"
#include "ui/windows/frm_option.h"
#include "ui/qt/message_box_prompter.h"
#include "app/messages.h"
#include "recording_prompter.h"
#include "temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

class DialogsTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    AppState state_;

    void resetState(int language) {
        state_ = AppState{};
        state_.programFolder = folder_.path();
        state_.gLanguage = language;
    }

private slots:
    void init() { resetState(1); }

    void optionOkRecordsTheChoiceCancelDoesNot() {
        folder_.write("LabelENG.ini", "[frmOption]\r\nfrmOption=Image option@DejaVu Sans@9\r\n"
                                      "optImage@1=Second@DejaVu Sans@9\r\n");
        {
            frmOption dialog(state_);
            QCOMPARE(dialog.windowTitle(), QString("Image option"));
            auto* second = findControlAs<QRadioButton>(&dialog, "optImage", 1);
            QCOMPARE(second->text(), QString("Second"));
            QVERIFY(findControlAs<QRadioButton>(&dialog, "optImage", 0)->isChecked());
            second->setChecked(true);
            findControlAs<QPushButton>(&dialog, "cmdOK")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(state_.gImageOption, 1);
        }
        {
            frmOption dialog(state_);
            // Reopened, it shows the recorded choice.
            QVERIFY(findControlAs<QRadioButton>(&dialog, "optImage", 1)->isChecked());
            findControlAs<QRadioButton>(&dialog, "optImage", 0)->setChecked(true);
            findControlAs<QPushButton>(&dialog, "cmdCancel")->click();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(state_.gImageOption, 1);
        }
    }

    void versionLineJoinsMinorAndRevision() {
        QCOMPARE(versionLine("Version", 1, 0, 0), QString("Version 1.00"));
        QCOMPARE(versionLine("Version", 2, 1, 3), QString("Version 2.13"));
        QCOMPARE(versionLine("Version", 2, 1, 10), QString("Version 2.110"));
    }

    void aboutBoxShowsTitleAndVersion() {
        folder_.write("LabelENG.ini", "[frmAbout]\r\nfrmAbout=About@DejaVu Sans@9\r\n"
                                      "lblTitle=placeholder title@DejaVu Sans@14\r\n"
                                      "cmdOK=Close@DejaVu Sans@9\r\n");
        folder_.write("MessageENG.ini", "[Label]\r\n10=Version\r\n");
        RecordingPrompter prompter;
        Messenger messages(state_, prompter);
        frmAbout about(state_, messages);
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(findControlAs<QLabel>(&about, "lblVersion")->text(), QString("Version 1.00"));
        auto* title = findControlAs<QLabel>(&about, "lblTitle");
        QCOMPARE(title->text(), QString("Lumivex PLN TOOL"));
        QCOMPARE(title->font().pointSize(), 14);
        QVERIFY(findControl(&about, "picIcon"));
        QVERIFY(findControl(&about, "Line1", 0) && findControl(&about, "Line1", 1));
        QCOMPARE(findControlAs<QPushButton>(&about, "cmdOK")->text(), QString("Close"));
    }

    void helpOpensTheFileOfTheLanguageInTheProgramFolder() {
        RecordingPrompter prompter;
        Messenger messages(state_, prompter);
        std::vector<QUrl> opened;
        auto open = [&](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        fncOpenDocument(state_, messages, open); // no help file: nothing happens
        QVERIFY(opened.empty());
        QVERIFY(prompter.shown.empty());

        folder_.write("PLN_HELP_ENG.chm", "help");
        folder_.write("PLN_HELP_JPN.chm", "help");
        QVERIFY(QDir::setCurrent(QDir::tempPath())); // the working folder does not matter
        fncOpenDocument(state_, messages, open);
        resetState(0);
        fncOpenDocument(state_, messages, open);
        QCOMPARE(opened.size(), std::size_t(2));
        QCOMPARE(opened[0], QUrl::fromLocalFile(QString::fromStdString((folder_ / "PLN_HELP_ENG.chm").string())));
        QCOMPARE(opened[1], QUrl::fromLocalFile(QString::fromStdString((folder_ / "PLN_HELP_JPN.chm").string())));
    }

    void boxStylesGiveButtonsIconAndDefault() {
        using SB = QMessageBox::StandardButton;
        BoxLayout okOnly = boxLayout(0);
        QCOMPARE(okOnly.buttons, (QList<SB>{SB::Ok}));
        QCOMPARE(okOnly.icon, QMessageBox::NoIcon);
        BoxLayout question = boxLayout(4 + 32 + 256);
        QCOMPARE(question.buttons, (QList<SB>{SB::Yes, SB::No}));
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.defaultButton, 1);
        QCOMPARE(boxLayout(1 + 48).buttons, (QList<SB>{SB::Ok, SB::Cancel}));
        QCOMPARE(boxLayout(1 + 48).icon, QMessageBox::Warning);
        QCOMPARE(boxLayout(16).icon, QMessageBox::Critical);
        QCOMPARE(boxLayout(64).icon, QMessageBox::Information);
        QCOMPARE(boxLayout(5).buttons, (QList<SB>{SB::Retry, SB::Cancel}));
        QCOMPARE(boxLayout(0 + 512).defaultButton, 0); // no third button: the first
        QCOMPARE(answerCode(SB::Ok), 1);
        QCOMPARE(answerCode(SB::Cancel), 2);
        QCOMPARE(answerCode(SB::Yes), 6);
        QCOMPARE(answerCode(SB::No), 7);
    }

    void messageBoxAnswersWithTheButtonPressed_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("press"); // a StandardButton, or 0 for Escape
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << 4 + 32 << int(QMessageBox::Yes) << 6;
        QTest::newRow("no") << 4 + 32 << int(QMessageBox::No) << 7;
        QTest::newRow("ok of ok/cancel") << 1 << int(QMessageBox::Ok) << 1;
        QTest::newRow("escape, ok/cancel") << 1 << 0 << 2;
        QTest::newRow("escape, ok only") << 16 << 0 << 1;
    }
    void messageBoxAnswersWithTheButtonPressed() {
        QFETCH(int, style);
        QFETCH(int, press);
        QFETCH(int, answer);
        QString seenText, seenTitle;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenText = box->text();
            seenTitle = box->windowTitle();
            if (press) {
                box->button(QMessageBox::StandardButton(press))->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        MessageBoxPrompter prompter;
        BoxRequest request;
        request.text = "first line\r\nsecond line";
        request.style = style;
        request.title = "Lumivex PLN TOOL";
        QCOMPARE(prompter.show(request), answer);
        QCOMPARE(seenText, QString("first line\nsecond line"));
        QCOMPARE(seenTitle, QString("Lumivex PLN TOOL"));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
