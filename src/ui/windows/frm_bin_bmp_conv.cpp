#include "ui/windows/frm_bin_bmp_conv.h"

#include "ui/shell/app_icon.h"
#include "app/file_dialogs.h"
#include "ui/windows/frm_dir_browser.h"
#include "window_models/batch_window_layout.h"
#include "files/file_util.h"
#include "image/raw_conversion.h"
#include "app/messages.h"
#include "operations/batch_file_step.h"
#include "ui/qt/window_labels.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <exception>
#include <system_error>

namespace fs = std::filesystem;

namespace {

QRect pixels(const TwipRect& r) {
    return QRect(r.left / kTwipsPerPixel, r.top / kTwipsPerPixel, r.width / kTwipsPerPixel,
                 r.height / kTwipsPerPixel);
}

int twips(int pixels) { return pixels * kTwipsPerPixel; }

// The client size that makes the outer window of the given twips.
QSize clientSize(int heightTwips, int widthTwips) {
    return QSize((widthTwips - kBorderWidthTwips) / kTwipsPerPixel,
                 (heightTwips - kBorderHeightTwips) / kTwipsPerPixel);
}

// The hourglass for the time a file converts.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    void restore() {
        if (shown_) {
            QApplication::restoreOverrideCursor();
            shown_ = false;
        }
    }

private:
    bool shown_ = true;
};

template <typename T>
T* named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace

frmBinBmpConv::frmBinBmpConv(AppState& state, Messenger& messages, FileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmBinBmpConv"));
    setWindowTitle(QStringLiteral("frmBinBmpConv"));
    setWindowIcon(appIcon());

    convFrame_ = named(new QGroupBox(QStringLiteral("ConvFrame"), this), "ConvFrame");
    fileBox_ = named(new QLabel(QStringLiteral("FileBox"), this), "FileBox");
    fileBox_->setTextFormat(Qt::PlainText);
    fileBox_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    fileBox_->setFrameShape(QFrame::StyledPanel);
    fileBox_->setFrameShadow(QFrame::Sunken);
    fileBox_->setBackgroundRole(QPalette::Base);
    fileBox_->setAutoFillBackground(true);
    tateScr_ = named(new QScrollBar(Qt::Vertical, this), "TateScr");
    yokoScr_ = named(new QScrollBar(Qt::Horizontal, this), "YokoScr");
    cmdOK_ = named(new QPushButton(QStringLiteral("cmdOK"), this), "cmdOK");
    cmdAuto_ = named(new QPushButton(QStringLiteral("cmdAuto"), this), "cmdAuto");
    cmdCancel_ = named(new QPushButton(QStringLiteral("cmdCancel"), this), "cmdCancel");
    cmdAuto_->setEnabled(false);
    for (QScrollBar* bar : {tateScr_, yokoScr_}) {
        bar->setMinimum(0);
        bar->setMaximum(0);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, &frmBinBmpConv::showList);
    }
    connect(cmdOK_, &QPushButton::clicked, this, &frmBinBmpConv::onOK);
    connect(cmdAuto_, &QPushButton::clicked, this, &frmBinBmpConv::onAuto);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmBinBmpConv::onCancel);

    browseSaveFolder = [this] {
        frmDirSave browser(state_, messages_, this);
        browser.exec();
    };

    fncApplyLabels(this, state_);
    setMinimumSize(clientSize(kMinWindowHeight, kMinWindowWidth));
    resize(clientSize(5400, 7200));
    layOut();
    showList();
}

void frmBinBmpConv::setAutoConvert(std::function<bool()> run) {
    autoConvert_ = std::move(run);
    cmdAuto_->setEnabled(bool(autoConvert_));
}

void frmBinBmpConv::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layOut();
}

void frmBinBmpConv::layOut() {
    const BatchWindowLayout l = batchWindowLayout(twips(height()) + kBorderHeightTwips,
                                                  twips(width()) + kBorderWidthTwips, state_.gFileNames);
    convFrame_->setGeometry(pixels(l.convFrame));
    convFrame_->lower();
    fileBox_->setGeometry(pixels(l.fileBox));
    tateScr_->setGeometry(pixels(l.tateScr));
    yokoScr_->setGeometry(pixels(l.yokoScr));
    cmdOK_->setGeometry(pixels(l.cmdOK));
    cmdAuto_->setGeometry(pixels(l.cmdAuto));
    cmdCancel_->setGeometry(pixels(l.cmdCancel));
    // A bar that is not needed scrolls back to the start, so no entry stays out of sight.
    tateScr_->setMaximum(l.tate.visible ? l.tate.maximum : 0);
    tateScr_->setVisible(l.tate.visible);
    yokoScr_->setMaximum(0);
    yokoScr_->setMaximum(l.yoko.visible ? l.yoko.maximum : 0);
    yokoScr_->setVisible(l.yoko.visible);
}

void frmBinBmpConv::showList() {
    QStringList lines;
    for (const std::string& line : fileBoxLines(state_.gFileNames, tateScr_->value(), yokoScr_->value())) {
        lines << QString::fromStdString(line);
    }
    fileBox_->setText(lines.join(QLatin1Char('\n')));
}

std::string frmBinBmpConv::mainCaption() const {
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    return main ? main->windowTitle().toStdString() : std::string(kAppTitle);
}

bool frmBinBmpConv::convertFileByFile() {
    // A failure nobody has reported yet (no memory, a path the system refuses) is shown once;
    // before the save dialog it closes the window like a failed conversion, from the dialog on
    // it keeps the window open like a failed save.
    bool saving = false;
    try {
        return convertEach(saving);
    } catch (const std::exception& e) {
        messages_.showErrorBox(e.what()); // the hourglass went with the stack
        return !saving;
    }
}

bool frmBinBmpConv::convertEach(bool& saving) {
    const fs::path tmpBmp = state_.tmpFolder() / "tmp.bmp";
    for (std::size_t i = 0; i < state_.gFilePaths.size(); ++i) {
        saving = false;
        WaitCursor hourglass;
        if (!convertBatchFile(state_, messages_, i, mainCaption())) {
            return true; // the failure has been shown; the window closes as after a conversion
        }
        hourglass.restore();
        saving = true;
        const std::string proposal = batchOutputName(
            i < state_.gFileNames.size() ? state_.gFileNames[i] : fs::path(state_.gFilePaths[i]).filename().string());
        FileDialogRequest request;
        request.kind = FileDialogRequest::Kind::Save;
        request.filter = messages_.fncGetMessage("Label", 51) + "|*.*|*.bmp|*.bmp";
        request.filterIndex = 2;
        request.pathMustExist = true;
        request.overwritePrompt = true;
        request.initialFolder = state_.imageFolder();
        request.fileKind = FileKind::Bitmap;
        const auto chosen = dialogs_.showFor(request, proposal);
        if (!chosen || chosen->empty()) {
            return false;
        }
        std::string error;
        if (!copyFileReplacing(tmpBmp, chosen->front(), error)) {
            messages_.showErrorBox(error);
            return false;
        }
    }
    messages_.fncShowMessage("Message", 1);
    return true;
}

void frmBinBmpConv::onOK() {
    if (convertFileByFile()) {
        accept();
    }
}

void frmBinBmpConv::onAuto() {
    if (!autoConvert_) {
        return;
    }
    browseSaveFolder();
    if (state_.gBrowseOK != -1) {
        return;
    }
    state_.gBrowseOK = 0;
    hide();
    if (autoConvert_()) {
        dialogs_.fileName.clear();
    }
    accept();
}

void frmBinBmpConv::onCancel() {
    dialogs_.fileName.clear();
    reject();
}
