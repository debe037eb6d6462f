#pragma once
// The operation window: the running step (lblWait), the received byte count (lblRead), the send
// progress (ProgressBar1) and the Stop button (btnStop), which only sets gStopRequest.
//
// A main-window command runs its operation under a fresh window with runUnderWait:
//
//     bool ok = runUnderWait(mainWindow, link, fileDialogs, [&](OperationContext& ctx) {
//         return fncBankSave(ctx, 0, n);
//     });
//     if (ok) messages.fncShowMessage("Message", 1);
//
// The operation's frame (operation_frame.h) shows the window, disables the main window and
// unloads the window again; runUnderWait deletes it afterwards.

#include "app/app_state.h"
#include "app/messages.h"
#include "operations/operation_frame.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class frmWait : public QDialog, public OperationView {
    Q_OBJECT
public:
    // mainWindow is the window disabled while the operation runs. The window has no parent (a
    // disabled parent would disable its Stop button too) and stays above the main window.
    frmWait(AppState& state, QWidget* mainWindow);

    // Applies the label texts of section frmWait.
    void Form_Load();
    // Sets gStopRequest to -1; the running transfer sees it at its next wait.
    void btnStop_Click();

    // OperationView
    void setStep(long labelNumber, const std::string& text) override;
    void setReadVisible(bool visible) override;
    void setProgressVisible(bool visible) override;
    void showWindow() override;
    void unloadWindow() override;
    void setMainWindowEnabled(bool enabled) override;
    void repaint() override;
    // TransferView
    void setReadText(const std::string& text) override;
    void setProgressMaximum(int64_t maximum) override;
    int64_t progressMaximum() const override;
    void setProgressValue(int64_t value) override;
    int64_t progressValue() const override;
    // Below the bar the time left (label 320) or, while the size is not known, the time since
    // the transfer began (label 350), with the rate. A receive whose size is known shows the
    // bar too, in proportion.
    void estimated(const TransferFigures& figures) override;
    // The words of the estimate line, in the current language.
    void setEstimateWords(const std::string& timeLeft, const std::string& elapsed);

    // The step caption shown last (label number), for whoever watches the window.
    long stepLabel() const { return step_; }

    // A run of many files (the whole-controller backup): lblWhole shows where it stands ("3 / 65
    // BANK/BANK02.BNK") above the step, lblTimeLeft the estimate below the bar. Empty texts
    // hide them.
    void setWholeRun(const std::string& where, const std::string& timeLeft);
    QString wholeRunText() const;
    QString timeLeftText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showReadText();
    void showEstimate(const TransferFigures& figures);

    AppState& state_;
    QWidget* mainWindow_;
    QLabel* lblWait_ = nullptr;
    QLabel* lblRead_ = nullptr;
    QLabel* lblWhole_ = nullptr;
    QLabel* lblTimeLeft_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* btnStop_ = nullptr;
    int64_t maximum_ = 0;
    int64_t value_ = 0;
    long step_ = 0;
    QString pendingRead_;      // the newest byte count, shown by showReadText
    QElapsedTimer readShown_;  // since the count was last drawn
    QTimer readTimer_;         // draws a count that arrived too soon after the last one
    QString timeLeftWord_;
    QString elapsedWord_;
    QElapsedTimer estimateShown_;  // since the estimate was last drawn
    bool barForReceive_ = false;   // the bar was shown for a receive, not by the frame
};

// Runs op under a new frmWait for mainWindow and returns its result; the window is deleted
// when op has returned.
bool runUnderWait(QWidget* mainWindow, DeviceLink& link, FileDialogs& dialogs,
                  const std::function<bool(OperationContext&)>& op);
