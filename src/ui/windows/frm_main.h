#pragma once
// The main window: image panel, picture, measurement panels, connection panel, status log and
// the menus. Controls carry the names the label files use (objectName, and "controlIndex" for the
// members of a control array); the panels' behaviour is attached by the code that owns it,
// which finds the controls by name. Captions start as placeholders until the labels apply.

#include <QMainWindow>

class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class PictureBox;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Size of the controller's picture, shown at 1:1 in picCnvBmp.
    static constexpr int kPictureWidth = 608;
    static constexpr int kPictureHeight = 464;
    static constexpr int kBankCount = 32;
    static constexpr int kImageNumbers = 100;

    explicit frmMain(QWidget* parent = nullptr);

    // The connection controls before any link: Serial selected, the address box, its label
    // and Close disabled, the rest enabled.
    void setStartupConnectionState();

    // The controls other code works with most.
    PictureBox* picCnvBmp() const { return picCnvBmp_; }
    QPlainTextEdit* statusLog() const { return status_; }
    QComboBox* addressBox() const { return txtIPaddress_; }

signals:
    // mnuQuit or any close request of the window. The exit routine ends the program; the
    // close is never cancelled.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    QWidget* buildImageSide();
    QWidget* buildControlSide();
    void onSerialClicked();
    void onLanClicked();

    PictureBox* picCnvBmp_ = nullptr;
    QPlainTextEdit* status_ = nullptr;
    QComboBox* txtIPaddress_ = nullptr;
    QLabel* ipAddrLabel_ = nullptr;
    QRadioButton* serial_ = nullptr;
    QRadioButton* lan_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdCloseConnection_ = nullptr;
    bool sized_ = false;
};
