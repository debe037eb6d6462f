#include "ui/panels/image_panel.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_wait.h"
#include "ui/panels/image_view.h"
#include "app/messenger_image_reporter.h"

#include "image/raw_conversion.h"
#include "link/device_link.h"
#include "operations/image_operations.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace {
constexpr long kQuestionDownload = 1;
constexpr long kQuestionDiscard = 2;
constexpr long kQuestionUpload = 3;
constexpr long kQuestionCapture = 4;
constexpr long kMessageDone = 1;
} // namespace

ImagePanel::ImagePanel(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs, ImageView& view)
    : QObject(frmMain), window_(frmMain), link_(link), state_(link.state()), messages_(link.messages()),
      dialogs_(dialogs), view_(view)
{
    optSelect0_ = findControlAs<QRadioButton>(frmMain, QStringLiteral("optSelect"), 0);
    lstImageNo_ = frmMain->findChild<QListWidget*>(QStringLiteral("lstImageNo"));
    auto button = [frmMain](const char* name) { return frmMain->findChild<QPushButton*>(QString::fromLatin1(name)); };
    Q_ASSERT(optSelect0_ && lstImageNo_);
    // A failure nothing below has reported ends the command with its description instead of
    // escaping into the event loop.
    auto trapped = [this](void (ImagePanel::*handler)()) {
        return [this, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                messages_.showErrorBox(e.what());
            }
        };
    };
    connect(button("cmdCapture"), &QPushButton::clicked, this, trapped(&ImagePanel::cmdCapture_Click));
    connect(button("cmdConvert"), &QPushButton::clicked, this, trapped(&ImagePanel::cmdConvert_Click));
    connect(button("cmdLoad"), &QPushButton::clicked, this, trapped(&ImagePanel::cmdLoad_Click));
}

bool ImagePanel::accepted(long question)
{
    const int answer = messages_.fncShowMessage("Question", question);
    return answer == kAnswerYes || answer == kAnswerOK;
}

int16_t ImagePanel::chosenImageNumber() const
{
    if (!optSelect0_->isChecked())
        return kLiveImage;
    // The list scrolls by whole entries, so the scroll position is the topmost entry.
    return static_cast<int16_t>(lstImageNo_->verticalScrollBar()->value());
}

void ImagePanel::cmdCapture_Click()
{
    if (!accepted(kQuestionCapture))
        return;
    if (runUnderWait(window_, link_, dialogs_, [](OperationContext& ctx) { return fncCapture(ctx); }))
        messages_.fncShowMessage("Message", kMessageDone);
}

void ImagePanel::cmdConvert_Click()
{
    if (!accepted(kQuestionDownload))
        return;
    if (!fncGetImage())
        return;
    state_.gUnsavedDownload = -1;
    messages_.fncShowMessage("Message", kMessageDone);
}

bool ImagePanel::fncGetImage()
{
    try {
        return getImage();
    } catch (const std::exception& e) {
        messages_.showErrorBox(e.what());
        return false;
    }
}

bool ImagePanel::getImage()
{
    if (state_.gUnsavedDownload == -1) {
        if (!accepted(kQuestionDiscard))
            return false;
        state_.gUnsavedDownload = 0;
    }
    view_.showNoImage();
    const int16_t number = chosenImageNumber();
    const std::filesystem::path tmp = state_.tmpFolder();
    if (!runUnderWait(window_, link_, dialogs_,
                      [&](OperationContext& ctx) { return fncImgConvert(ctx, number, tmp); }))
        return false;
    MessengerImageReporter reporter(messages_);
    if (fncConvertProcess(state_.images, reporter, state_.programFolder, tmp, kDownloadFile, 1).empty()) {
        reporter.showMessage("Message", kMessageConversionFailed, "The image could not be converted.");
        return false;
    }
    view_.setValues(state_.images.sensorImage.hkrHeader);
    QString error;
    if (!view_.showPicture(tmp / "tmp.bmp", error)) {
        messages_.showErrorBox(error.toStdString());
        return false;
    }
    return true;
}

void ImagePanel::cmdLoad_Click()
{
    if (!accepted(kQuestionUpload))
        return;
    MessengerImageReporter reporter(messages_);
    const std::filesystem::path tmp = state_.tmpFolder();
    if (!queryUploadHeader(link_, state_.images) || !makeUploadFile(state_.images, tmp, reporter))
        return;
    if (runUnderWait(window_, link_, dialogs_, [&](OperationContext& ctx) { return fncImgLoad(ctx, tmp); }))
        messages_.fncShowMessage("Message", kMessageDone);
}
