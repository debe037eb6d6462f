// Captions and fonts from the label file: kinds of control, arrays, case, the window itself,
// the bank menus, malformed lines and CP932 texts.

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "temp_folder.h"
#include "ui/qt/window_labels.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

namespace {

// A small window with one control of each kind and a three-member array.
class TestWindow : public QMainWindow {
public:
    TestWindow() {
        setObjectName("frmTest");
        setWindowTitle("placeholder");
        auto* central = new QWidget(this);
        auto* frame = add<QGroupBox>(central, "fraBox");
        frame->setTitle("fraBox");
        add<QPushButton>(frame, "cmdOK")->setText("cmdOK");
        add<QPushButton>(frame, "cmdCancel")->setText("cmdCancel");
        add<QLineEdit>(frame, "txtName")->setText("typed");
        for (int i = 0; i < 3; ++i) {
            auto* item = add<QLabel>(central, "lblItem");
            item->setText(QString("lblItem(%1)").arg(i));
            setControlIndex(item, i);
        }
        setCentralWidget(central);
        QMenu* menu = menuBar()->addMenu("mnuFile");
        menu->setObjectName("mnuFile");
        auto* quit = new QAction("mnuQuit", menu);
        quit->setObjectName("mnuQuit");
        menu->addAction(quit);
    }
    template <typename T>
    T* add(QWidget* parent, const char* name) {
        auto* w = new T(parent);
        w->setObjectName(name);
        return w;
    }
    template <typename T>
    T* control(const char* name, int index = -1) {
        return findControlAs<T>(this, name, index);
    }
};

} // namespace

class WindowLabelsTest : public QObject {
    Q_OBJECT

    TempFolder folder_;
    AppState state_;

    void writeLabels(const std::string& body, const char* file = "LabelENG.ini") {
        folder_.write(file, body);
    }

private slots:
    void init() {
        state_ = AppState{};
        state_.programFolder = folder_.path();
        state_.gLanguage = 1;
        std::filesystem::remove(folder_ / "LabelENG.ini");
        std::filesystem::remove(folder_ / "LabelJPN.ini");
    }

    void eachKindGetsItsCaptionAndFont() {
        writeLabels("[frmTest]\r\n"
                    "; comment=not@a@1\r\n"
                    "fraBox=Box@DejaVu Sans@11\r\n"
                    "cmdOK=Two\\nLines@DejaVu Serif@9.5\r\n"
                    "txtName=ignored caption@DejaVu Sans Mono@10.5\r\n"
                    "lblItem@1=Second@DejaVu Sans@8\r\n"
                    "mnuFile=&File@DejaVu Sans@20\r\n"
                    "mnuQuit=E&xit@DejaVu Sans@20\r\n");
        TestWindow w;
        const QFont menuFont = w.control<QMenu>("mnuFile")->font();
        fncApplyLabels(&w, state_);

        QCOMPARE(w.control<QGroupBox>("fraBox")->title(), QString("Box"));
        QCOMPARE(w.control<QGroupBox>("fraBox")->font().pointSize(), 11);
        auto* ok = w.control<QPushButton>("cmdOK");
        QCOMPARE(ok->text(), QString("Two\nLines"));
        QCOMPARE(ok->font().family(), QString("DejaVu Serif"));
        QCOMPARE(ok->font().pointSize(), 10); // 9.5 rounds to the even 10
        auto* text = w.control<QLineEdit>("txtName");
        QCOMPARE(text->text(), QString("typed")); // a text box has no caption
        QCOMPARE(text->font().family(), QString("DejaVu Sans Mono"));
        QCOMPARE(text->font().pointSize(), 10); // 10.5 rounds to the even 10
        QCOMPARE(w.control<QLabel>("lblItem", 0)->text(), QString("lblItem(0)"));
        QCOMPARE(w.control<QLabel>("lblItem", 1)->text(), QString("Second"));
        QCOMPARE(w.control<QLabel>("lblItem", 2)->text(), QString("lblItem(2)"));
        QCOMPARE(w.control<QMenu>("mnuFile")->title(), QString("&File"));
        QCOMPARE(w.control<QMenu>("mnuFile")->font(), menuFont); // menus keep the desktop font
        QCOMPARE(w.control<QAction>("mnuQuit")->text(), QString("E&xit"));
        QCOMPARE(w.control<QPushButton>("cmdCancel")->text(), QString("cmdCancel"));
    }

    void namesMatchInAnyCaseButTheWindowOnlyExactly() {
        writeLabels("[frmTest]\r\n"
                    "CMDOK=Okay@DejaVu Sans@9\r\n"
                    "FRMTEST=Not the window@DejaVu Sans@9\r\n"
                    "frmTest=Title\\nkept@DejaVu Sans@9\r\n"
                    "LBLITEM=First only@DejaVu Sans@9\r\n");
        TestWindow w;
        fncApplyLabels(&w, state_);
        QCOMPARE(w.control<QPushButton>("cmdOK")->text(), QString("Okay"));
        QCOMPARE(w.windowTitle(), QString("Title\\nkept"));
        QCOMPARE(w.control<QLabel>("lblItem", 0)->text(), QString("First only"));
        QCOMPARE(w.control<QLabel>("lblItem", 1)->text(), QString("lblItem(1)"));
    }

    void malformedLinesAreSkipped_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("no such control") << QByteArray("cmdNone=Gone@DejaVu Sans@9");
        QTest::newRow("two fields") << QByteArray("cmdOK=Caption@DejaVu Sans");
        QTest::newRow("size not a number") << QByteArray("cmdOK=Caption@DejaVu Sans@big");
        QTest::newRow("no equals sign") << QByteArray("cmdOK Caption@DejaVu Sans@9");
        QTest::newRow("index on a plain control") << QByteArray("cmdOK@2=Caption@DejaVu Sans@9");
        QTest::newRow("index past the array") << QByteArray("lblItem@7=Caption@DejaVu Sans@9");
        QTest::newRow("index not a number") << QByteArray("lblItem@x=Caption@DejaVu Sans@9");
    }
    void malformedLinesAreSkipped() {
        QFETCH(QByteArray, line);
        writeLabels("[frmTest]\r\n" + line.toStdString() + "\r\ncmdCancel=Still read@DejaVu Sans@9\r\n");
        TestWindow w;
        fncApplyLabels(&w, state_);
        QCOMPARE(w.control<QPushButton>("cmdOK")->text(), QString("cmdOK"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(w.control<QLabel>("lblItem", i)->text(), QString("lblItem(%1)").arg(i));
        }
        QCOMPARE(w.control<QPushButton>("cmdCancel")->text(), QString("Still read"));
    }

    void missingFileOrSectionLeavesPlaceholders() {
        TestWindow w;
        fncApplyLabels(&w, state_);
        QCOMPARE(w.windowTitle(), QString("placeholder"));
        QCOMPARE(w.control<QPushButton>("cmdOK")->text(), QString("cmdOK"));
        writeLabels("[frmOther]\r\ncmdOK=Other window@DejaVu Sans@9\r\n");
        fncApplyLabels(&w, state_);
        QCOMPARE(w.control<QPushButton>("cmdOK")->text(), QString("cmdOK"));
    }

    void oneBankLineLabelsTheThreeBankMenus() {
        writeLabels("[frmMain]\r\n"
                    "mnuBankSelect@5=Bank five@DejaVu Sans@9\r\n"
                    "mnuBankGroupSelect@31=Group 31@DejaVu Sans@9\r\n");
        frmMain w;
        fncApplyLabels(&w, state_);
        for (const char* name : {"mnuBankSelect", "mnuBankLoadSelect", "mnuBankChangeSelect"}) {
            QCOMPARE(findControlAs<QAction>(&w, name, 5)->text(), QString("Bank five"));
            QCOMPARE(findControlAs<QAction>(&w, name, 4)->text(), QString("%1(4)").arg(name));
        }
        for (const char* name :
             {"mnuBankGroupSelect", "mnuBankGroupLoadSelect", "mnuBankGroupChangeSelect"}) {
            QCOMPARE(findControlAs<QAction>(&w, name, 31)->text(), QString("Group 31"));
        }
    }

    void japaneseTextsWithAsciiTrailBytes() {
        // 表 95 5C, ソ 83 5C, the ideographic space 81 40, ゼ 83 5B, ゾ 83 5D: second bytes
        // that read as "\\", "@", "[" and "]" in ASCII must not split or escape anything.
        const std::string hyou = "\x95\x5C", so = "\x83\x5C", space = "\x81\x40";
        const std::string ze = "\x83\x5B", zo = "\x83\x5D";
        writeLabels("[frmTest]\r\n"
                    "cmdOK=" + hyou + so + space + ze + zo + "@Noto Sans CJK JP@9\r\n"
                    "cmdCancel=" + hyou + "\\n" + so + "@Noto Sans CJK JP@9\r\n",
                    "LabelJPN.ini");
        state_.gLanguage = 0;
        TestWindow w;
        fncApplyLabels(&w, state_);
        QCOMPARE(w.control<QPushButton>("cmdOK")->text(), QString::fromUtf8("表ソ　ゼゾ"));
        QCOMPARE(w.control<QPushButton>("cmdOK")->font().family(), QString("Noto Sans CJK JP"));
        QCOMPARE(w.control<QPushButton>("cmdCancel")->text(), QString::fromUtf8("表\nソ"));
    }

    void setControlTextByHand() {
        TestWindow w;
        fncSetControlText(&w, "LBLITEM", 2, "Third\\nline", "DejaVu Sans", 0);
        auto* third = w.control<QLabel>("lblItem", 2);
        QCOMPARE(third->text(), QString("Third\nline"));
        QCOMPARE(third->font().family(), QString("DejaVu Sans"));
        QVERIFY(third->font().pointSize() > 0); // a size of 0 is not applied
        fncSetControlText(&w, "nothing", -1, "x", "DejaVu Sans", 9); // no match, no harm
    }
};

QTEST_MAIN(WindowLabelsTest)
#include "window_labels_test.moc"
