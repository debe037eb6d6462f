// The label files shipped in the program folder caption every control of the windows built
// here, in both languages: no caption is left as it was before the labels.

#include "ui/windows/frm_about.h"
#include "ui/windows/frm_bin_bmp_conv.h"
#include "ui/windows/frm_dir_browser.h"
#include "ui/windows/frm_histogram.h"
#include "ui/windows/frm_main.h"
#include "ui/windows/frm_option.h"
#include "app/messages.h"
#include "ui/qt/picture_box.h"
#include "recording_prompter.h"
#include "scripted_file_dialogs.h"
#include "ui/qt/window_labels.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include "ui/qt/control_index.h"

namespace {

const QString kSentinel = QStringLiteral("\u2047placeholder");

// Qt's own helpers (the menu bar's extension button) are named "qt_...".
bool isOurControl(const QObject* control) {
    const QString name = control->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// Puts the sentinel into every caption, so that whatever the labels leave shows.
void markCaptions(QWidget* window) {
    window->setWindowTitle(kSentinel);
    for (QObject* control : windowControls(window)) {
        if (!isOurControl(control)) continue;
        if (auto* label = qobject_cast<QLabel*>(control)) label->setText(kSentinel);
        else if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(kSentinel);
        else if (auto* group = qobject_cast<QGroupBox*>(control)) group->setTitle(kSentinel);
        else if (auto* menu = qobject_cast<QMenu*>(control)) menu->setTitle(kSentinel);
        else if (auto* action = qobject_cast<QAction*>(control); action && !action->isSeparator())
            action->setText(kSentinel);
    }
}

QStringList captionsLeft(QWidget* window) {
    QStringList left;
    if (window->windowTitle() == kSentinel) left << window->objectName();
    for (QObject* control : windowControls(window)) {
        if (!isOurControl(control)) continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(control)) text = group->title();
        else if (auto* menu = qobject_cast<QMenu*>(control)) text = menu->title();
        else if (auto* action = qobject_cast<QAction*>(control)) text = action->text();
        if (text == kSentinel) {
            const int index = controlIndex(control);
            left << (index < 0 ? control->objectName()
                               : QString("%1(%2)").arg(control->objectName()).arg(index));
        }
    }
    return left;
}

} // namespace

class ShippedLabelsTest : public QObject {
    Q_OBJECT

    AppState state_;

    // A fresh state reading the program folder's own text files in the given language.
    void useShippedFiles(int language)
    {
        state_ = AppState{};
        state_.programFolder = PLNTOOL_PROGRAM_DIR;
        state_.gLanguage = language;
    }

private slots:
    void everyCaptionComesFromTheLabelFile_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("Japanese") << 0;
        QTest::newRow("English") << 1;
    }
    void everyCaptionComesFromTheLabelFile() {
        QFETCH(int, language);
        useShippedFiles(language);
        if (!std::filesystem::exists(state_.labelFile())) {
            QSKIP("the label files are not built");
        }
        RecordingPrompter prompter;
        Messenger messages(state_, prompter);

        frmMain main;
        frmOption option(state_);
        frmAbout about(state_, messages);
        ScriptedFileDialogs dialogs;
        frmBinBmpConv batch(state_, messages, dialogs);
        frmDirSearch search(state_, messages, nullptr, {{"/", ""}}, "/");
        frmDirSave save(state_, messages, nullptr, {{"/", ""}}, "/");
        frmHistogram histogram(state_);
        for (QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&option),
                                static_cast<QWidget*>(&about), static_cast<QWidget*>(&batch),
                                static_cast<QWidget*>(&search), static_cast<QWidget*>(&save),
                                static_cast<QWidget*>(&histogram)}) {
            markCaptions(window);
            fncApplyLabels(window, state_);
            const QStringList left = captionsLeft(window);
            QVERIFY2(left.isEmpty(), qPrintable(window->objectName() + ": " + left.join(", ")));
        }
        QVERIFY(!messages.fncGetMessage("Label", 10).empty());
        for (long readout = 340; readout <= 344; ++readout)
            QVERIFY2(!messages.fncGetMessage("Label", readout).empty(), qPrintable(QString::number(readout)));
    }

    // Help > Contents finds the manual of each language in the program folder, and every
    // picture the manual shows is there too.
    void manualOfEachLanguageShipsWithItsPictures_data() { everyCaptionComesFromTheLabelFile_data(); }
    void manualOfEachLanguageShipsWithItsPictures() {
        QFETCH(int, language);
        useShippedFiles(language);
        const std::filesystem::path manual = helpFilePath(state_);
        QVERIFY2(std::filesystem::is_regular_file(manual), manual.c_str());
        QFile file(QString::fromStdString(manual.string()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
        int pictures = 0;
        for (auto it = image.globalMatch(html); it.hasNext(); ++pictures) {
            const QString src = it.next().captured(1);
            QVERIFY2(std::filesystem::is_regular_file(state_.programFolder / src.toStdString()), qPrintable(src));
        }
        QVERIFY(pictures >= 10);
    }

    // With the shipped captions the main window shows the picture at 1:1 within a laptop's
    // 1366 x 768 screen less a title bar and a panel, and at its minimum size (which the
    // window enforces) no control is squeezed below what its text needs.
    void mainWindowFitsALaptopScreen_data() { everyCaptionComesFromTheLabelFile_data(); }
    void mainWindowFitsALaptopScreen() {
        QFETCH(int, language);
        useShippedFiles(language);
        if (!std::filesystem::exists(state_.labelFile())) {
            QSKIP("the label files are not built");
        }
        frmMain main;
        fncApplyLabels(&main, state_);
        const QSize wanted = main.sizeHint();
        QVERIFY2(wanted.width() <= 1366 && wanted.height() <= 690,
                 qPrintable(QString("%1x%2").arg(wanted.width()).arg(wanted.height())));
        main.show();
        main.resize(wanted);
        QCoreApplication::processEvents();
        auto* viewport = qobject_cast<QWidget*>(main.picCnvBmp()->parent());
        QVERIFY2(viewport->width() >= frmMain::kPictureWidth && viewport->height() >= frmMain::kPictureHeight,
                 qPrintable(QString("viewport %1x%2 in %3x%4").arg(viewport->width()).arg(viewport->height()).arg(wanted.width()).arg(wanted.height())));

        main.resize(200, 200);
        QCoreApplication::processEvents();
        QCOMPARE(main.size(), main.minimumSizeHint().expandedTo(main.size()));
        for (QWidget* w : main.findChildren<QWidget*>()) {
            // Fixed-size controls (the picture, the one-line image number list) are as built.
            if (!w->isVisible() || !isOurControl(w) || w->minimumSize() == w->maximumSize()) continue;
            const QSize need = w->minimumSizeHint();
            QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
                     qPrintable(QString("%1 is %2x%3, needs %4x%5").arg(w->objectName()).arg(w->width())
                                    .arg(w->height()).arg(need.width()).arg(need.height())));
        }
    }
};

QTEST_MAIN(ShippedLabelsTest)
#include "shipped_labels_test.moc"
