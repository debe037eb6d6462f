#include "ui/windows/frm_wait.h"

#include "ui/shell/app_icon.h"
#include "ui/qt/window_labels.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {
constexpr long kLabelTimeLeft = 320;
constexpr long kLabelElapsed = 350;

// QProgressBar counts in int; a file longer than that is shown in proportion.
int barUnits(int64_t value, int64_t maximum)
{
    constexpr int64_t kLimit = std::numeric_limits<int>::max();
    if (maximum <= kLimit)
        return int(std::clamp<int64_t>(value, 0, kLimit));
    return int(std::clamp<int64_t>(value, 0, maximum) * (kLimit / 1024) / (maximum / 1024));
}
} // namespace

frmWait::frmWait(AppState& state, QWidget* mainWindow) : QDialog(nullptr), state_(state), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("frmWait"));
    setWindowIcon(appIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    lblWhole_ = new QLabel;
    lblWhole_->setObjectName(QStringLiteral("lblWhole"));
    lblWhole_->setTextFormat(Qt::PlainText);
    lblWhole_->setVisible(false);
    layout->addWidget(lblWhole_);
    lblWait_ = new QLabel(QStringLiteral("処理しています。しばらくおまちください。"));
    lblWait_->setObjectName(QStringLiteral("lblWait"));
    lblWait_->setTextFormat(Qt::PlainText);
    lblWait_->setMinimumWidth(320);
    layout->addWidget(lblWait_);
    lblRead_ = new QLabel;
    lblRead_->setObjectName(QStringLiteral("lblRead"));
    lblRead_->setTextFormat(Qt::PlainText);
    lblRead_->setVisible(false);
    layout->addWidget(lblRead_);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 0);
    progress_->setVisible(false);
    layout->addWidget(progress_);
    lblTimeLeft_ = new QLabel;
    lblTimeLeft_->setObjectName(QStringLiteral("lblTimeLeft"));
    lblTimeLeft_->setTextFormat(Qt::PlainText);
    lblTimeLeft_->setVisible(false);
    layout->addWidget(lblTimeLeft_);
    btnStop_ = new QPushButton(QStringLiteral("キャンセル"));
    btnStop_->setObjectName(QStringLiteral("btnStop"));
    layout->addWidget(btnStop_, 0, Qt::AlignHCenter);
    connect(btnStop_, &QPushButton::clicked, this, &frmWait::btnStop_Click);
    readTimer_.setSingleShot(true);
    connect(&readTimer_, &QTimer::timeout, this, &frmWait::showReadText);
    Form_Load();
}

void frmWait::Form_Load()
{
    fncApplyLabels(this, state_);
}

void frmWait::btnStop_Click()
{
    state_.gStopRequest = -1;
}

void frmWait::setStep(long labelNumber, const std::string& text)
{
    step_ = labelNumber;
    lblWait_->setText(QString::fromStdString(text));
}

void frmWait::setReadVisible(bool visible)
{
    lblRead_->setVisible(visible);
}

void frmWait::setProgressVisible(bool visible)
{
    progress_->setVisible(visible);
}

void frmWait::showWindow()
{
    adjustSize();
    if (mainWindow_) {
        move(mainWindow_->geometry().center() - rect().center());
        winId();
        if (QWindow* handle = windowHandle())
            handle->setTransientParent(mainWindow_->windowHandle());
    }
    show();
}

void frmWait::unloadWindow()
{
    if (barForReceive_) {
        barForReceive_ = false;
        progress_->setVisible(false);
        progress_->setRange(0, 0);
    }
    lblTimeLeft_->setVisible(false);
    hide();
}

void frmWait::setMainWindowEnabled(bool enabled)
{
    if (mainWindow_)
        mainWindow_->setEnabled(enabled);
}

void frmWait::repaint()
{
    // An operation that repaints wants its newest count seen now.
    if (readTimer_.isActive())
        showReadText();
    QDialog::repaint();
}

void frmWait::setReadText(const std::string& text)
{
    // The receiver reports every 128-byte block; on an X display drawing each count costs more
    // than receiving the block, so the label takes the newest count at most every 50 ms, or at
    // once when the operation repaints the window.
    constexpr qint64 kRedrawMs = 50;
    pendingRead_ = QString::fromStdString(text);
    if (!readShown_.isValid() || readShown_.elapsed() >= kRedrawMs) {
        showReadText();
        return;
    }
    if (!readTimer_.isActive())
        readTimer_.start(int(kRedrawMs - readShown_.elapsed()));
}

void frmWait::showReadText()
{
    readTimer_.stop();
    lblRead_->setText(pendingRead_);
    readShown_.restart();
}

void frmWait::setProgressMaximum(int64_t maximum)
{
    maximum_ = maximum;
    value_ = std::min(value_, maximum_);
    progress_->setRange(0, barUnits(maximum_, maximum_));
    progress_->setValue(barUnits(value_, maximum_));
}

int64_t frmWait::progressMaximum() const
{
    return maximum_;
}

void frmWait::setProgressValue(int64_t value)
{
    value_ = value;
    progress_->setValue(barUnits(value_, maximum_));
}

int64_t frmWait::progressValue() const
{
    return value_;
}

void frmWait::setEstimateWords(const std::string& timeLeft, const std::string& elapsed)
{
    timeLeftWord_ = QString::fromStdString(timeLeft);
    elapsedWord_ = QString::fromStdString(elapsed);
}

void frmWait::estimated(const TransferFigures& figures)
{
    // Drawn at most ten times a second; the first and the last figures always.
    constexpr qint64 kRedrawMs = 100;
    if (!figures.finished && figures.bytes > 0 && estimateShown_.isValid() && estimateShown_.elapsed() < kRedrawMs)
        return;
    estimateShown_.restart();
    showEstimate(figures);
}

void frmWait::showEstimate(const TransferFigures& figures)
{
    const bool grows = lblTimeLeft_->isHidden();
    QString word, time;
    if (figures.total > 0) {
        word = timeLeftWord_;
        time = figures.secondsLeft ? QString::fromStdString(minutesSeconds(*figures.secondsLeft))
             : figures.finished    ? QStringLiteral("0:00")
                                   : QStringLiteral("--:--");
    } else {
        word = elapsedWord_;
        time = QString::fromStdString(minutesSeconds(figures.elapsedSeconds));
    }
    QString text = word.isEmpty() ? time : word + QLatin1Char(' ') + time;
    if (figures.bytesPerSecond > 0)
        text += QStringLiteral("    ") + QString::fromStdString(kilobytesPerSecond(figures.bytesPerSecond));
    lblTimeLeft_->setText(text);
    lblTimeLeft_->setVisible(true);
    // A send's bar is the sender's own; a receive of a known size gets one in proportion.
    if (maximum_ == 0 && figures.fraction) {
        constexpr int kSteps = 1000;
        if (!barForReceive_) {
            barForReceive_ = true;
            progress_->setRange(0, kSteps);
            progress_->setVisible(true);
        }
        progress_->setValue(int(*figures.fraction * kSteps + 0.5));
    }
    if (grows)
        adjustSize();
}

void frmWait::setWholeRun(const std::string& where, const std::string& timeLeft)
{
    lblWhole_->setText(QString::fromStdString(where));
    lblWhole_->setVisible(!where.empty());
    lblTimeLeft_->setText(QString::fromStdString(timeLeft));
    lblTimeLeft_->setVisible(!timeLeft.empty());
}

QString frmWait::wholeRunText() const
{
    return !lblWhole_->isHidden() ? lblWhole_->text() : QString();
}

QString frmWait::timeLeftText() const
{
    return !lblTimeLeft_->isHidden() ? lblTimeLeft_->text() : QString();
}

void frmWait::closeEvent(QCloseEvent* event)
{
    // The window goes when its operation ends; closing it asks that operation to stop.
    btnStop_Click();
    event->ignore();
}

void frmWait::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog and hide it under a running operation.
    if (event->key() == Qt::Key_Escape) {
        btnStop_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool runUnderWait(QWidget* mainWindow, DeviceLink& link, FileDialogs& dialogs,
                  const std::function<bool(OperationContext&)>& op)
{
    frmWait window(link.state(), mainWindow);
    window.setEstimateWords(link.messages().fncGetMessage("Label", kLabelTimeLeft),
                            link.messages().fncGetMessage("Label", kLabelElapsed));
    OperationContext ctx{link, window, dialogs};
    return op(ctx);
}
