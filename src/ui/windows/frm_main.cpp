#include "ui/windows/frm_main.h"

#include "ui/shell/app_icon.h"
#include "ui/qt/control_index.h"
#include "ui/qt/picture_box.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// Until the labels are applied a control shows its own name, so a caption missing from the
// label file is easy to spot.
template <typename T>
T* named(T* object, const char* name, int index = -1) {
    object->setObjectName(QString::fromLatin1(name));
    if (index >= 0) {
        setControlIndex(object, index);
    }
    return object;
}

QString placeholder(const char* name, int index = -1) {
    return index < 0 ? QString::fromLatin1(name)
                     : QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QGroupBox* frame(const char* name) {
    auto* box = named(new QGroupBox(placeholder(name)), name);
    return box;
}

QPushButton* button(const char* name) { return named(new QPushButton(placeholder(name)), name); }

QRadioButton* option(const char* name, int index) {
    return named(new QRadioButton(placeholder(name, index)), name, index);
}

QLabel* label(const char* name, int index = -1) {
    auto* l = named(new QLabel(placeholder(name, index)), name, index);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QAction* entry(QMenu* menu, const char* name, const QString& text, int index = -1) {
    auto* action = named(new QAction(text, menu), name, index);
    menu->addAction(action);
    return action;
}

QAction* separator(QMenu* menu, const char* name) {
    auto* action = named(new QAction(menu), name);
    action->setSeparator(true);
    menu->addAction(action);
    return action;
}

QMenu* submenu(QMenu* parent, const char* name) {
    auto* menu = named(new QMenu(placeholder(name), parent), name);
    parent->addMenu(menu);
    return menu;
}

// Disabled until the code that runs them (BankMenus) is attached.
void bankEntries(QMenu* menu, const char* name) {
    for (int i = 0; i < frmMain::kBankCount; ++i) {
        entry(menu, name, placeholder(name, i), i)->setEnabled(false);
    }
}

// Asks for room to show the whole picture; the layout may still make it smaller, and the
// picture then scrolls.
// A picture fitted to the window fills what the area shows of it.
class PictureScrollArea : public QScrollArea {
public:
    QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        if (auto* box = qobject_cast<PictureBox*>(widget()); box && box->zoom() == PictureBox::kFit) {
            return box->sizeHint().expandedTo(QSize(frmMain::kPictureWidth, frmMain::kPictureHeight)) + QSize(frame, frame);
        }
        return widget() ? widget()->size() + QSize(frame, frame) : QScrollArea::sizeHint();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QScrollArea::resizeEvent(event);
        if (auto* box = qobject_cast<PictureBox*>(widget())) {
            box->setFitArea(maximumViewportSize());
        }
    }
};

// Checkable entries of which one is chosen at a time.
QActionGroup* exclusive(QMenu* menu, std::initializer_list<QAction*> entries) {
    auto* group = new QActionGroup(menu);
    for (QAction* a : entries) {
        a->setCheckable(true);
        group->addAction(a);
    }
    return group;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("frmMain"));
    setWindowIcon(appIcon());

    buildMenus();

    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    columns->addWidget(buildImageSide(), 1);
    columns->addWidget(buildControlSide(), 0);
    setCentralWidget(central);

    setStartupConnectionState();
}

void frmMain::showEvent(QShowEvent* event) {
    // A new window is given at most two thirds of the screen, too small for the picture at 1:1;
    // the first show asks for the whole layout, as far as the screen allows. The labels are
    // applied by then, so their fonts count.
    if (!sized_) {
        sized_ = true;
        QSize wanted = sizeHint();
        if (QScreen* s = screen()) {
            wanted = wanted.boundedTo(s->availableSize());
        }
        resize(wanted.expandedTo(size()));
    }
    QMainWindow::showEvent(event);
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();

    auto* file = named(new QMenu(placeholder("mnuFile"), bar), "mnuFile");
    bar->addMenu(file);
    entry(file, "mnuBinsave2", QStringLiteral("BinSave"))->setEnabled(false);
    // The open entries and the image buttons do nothing until the image code connects them.
    entry(file, "mnuBinload2", QStringLiteral("BinLoad"))->setEnabled(false);
    separator(file, "mnuSeparate3");
    entry(file, "mnuBmpSave", QStringLiteral("BmpSave"))->setEnabled(false);
    entry(file, "mnuBmpLoad", QStringLiteral("BmpLoad"))->setEnabled(false);
    separator(file, "mnuSeparate4");
    QMenu* conv = submenu(file, "mnuBinBmpConv2");
    conv->setTitle(QStringLiteral("BinBmpConv"));
    // The batch conversions are enabled by the code that connects them.
    entry(conv, "mnuEachConv2", placeholder("mnuEachConv2"))->setEnabled(false);
    entry(conv, "mnuAllConv2", placeholder("mnuAllConv2"))->setEnabled(false);
    separator(file, "mnuSeparate1");
    QAction* quit = entry(file, "mnuQuit", QStringLiteral("Quit"));
    connect(quit, &QAction::triggered, this, &frmMain::exitRequested);

    // Zoom steps and the histogram of the picture shown.
    auto* view = named(new QMenu(placeholder("mnuView"), bar), "mnuView");
    bar->addMenu(view);
    QAction* fit = entry(view, "mnuZoomFit", placeholder("mnuZoomFit"));
    QAction* zoom1 = entry(view, "mnuZoom1", placeholder("mnuZoom1"));
    QAction* zoom2 = entry(view, "mnuZoom2", placeholder("mnuZoom2"));
    QAction* zoom4 = entry(view, "mnuZoom4", placeholder("mnuZoom4"));
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    zoom1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    zoom2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    zoom4->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
    exclusive(view, {fit, zoom1, zoom2, zoom4});
    zoom1->setChecked(true);
    separator(view, "mnuSeparate5");
    entry(view, "mnuHistogram", placeholder("mnuHistogram"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));

    auto* system = named(new QMenu(placeholder("mnuSystem"), bar), "mnuSystem");
    bar->addMenu(system);
    entry(system, "mnuSystemSave", placeholder("mnuSystemSave"))->setEnabled(false);
    entry(system, "mnuSystemLoad", placeholder("mnuSystemLoad"))->setEnabled(false);
    separator(system, "mnuSeparate7");
    entry(system, "mnuSystemBackupAll", placeholder("mnuSystemBackupAll"))->setEnabled(false);
    entry(system, "mnuSystemRestoreAll", placeholder("mnuSystemRestoreAll"))->setEnabled(false);

    auto* bank = named(new QMenu(placeholder("MnuBank"), bar), "MnuBank");
    bar->addMenu(bank);
    bankEntries(submenu(bank, "mnuBankSave"), "mnuBankSelect");
    bankEntries(submenu(bank, "mnuBankLoad"), "mnuBankLoadSelect");
    bankEntries(submenu(bank, "mnuBankChange"), "mnuBankChangeSelect");

    auto* group = named(new QMenu(placeholder("mnuBankGroup"), bar), "mnuBankGroup");
    bar->addMenu(group);
    bankEntries(submenu(group, "mnuBankGroupSave"), "mnuBankGroupSelect");
    bankEntries(submenu(group, "mnuBankGroupLoad"), "mnuBankGroupLoadSelect");
    bankEntries(submenu(group, "mnuBankGroupChange"), "mnuBankGroupChangeSelect");

    auto* options = named(new QMenu(placeholder("mnuOption"), bar), "mnuOption");
    bar->addMenu(options);
    entry(options, "mnuConvert", placeholder("mnuConvert"));
    entry(options, "mnuComSet", placeholder("mnuComSet"));
    entry(options, "mnuTelnetSetting", placeholder("mnuTelnetSetting"));
    entry(options, "mnuLanSet", placeholder("mnuLanSet"));
    separator(options, "mnuSeparate6");
    QMenu* language = submenu(options, "mnuLanguage");
    exclusive(language, {entry(language, "mnuLanguageSelect", placeholder("mnuLanguageSelect", 0), 0),
                         entry(language, "mnuLanguageSelect", placeholder("mnuLanguageSelect", 1), 1)});

    auto* help = named(new QMenu(placeholder("mnuHelp"), bar), "mnuHelp");
    bar->addMenu(help);
    entry(help, "mnuContents", placeholder("mnuContents"));
    separator(help, "mnuSeparate2");
    entry(help, "mnuVersion", placeholder("mnuVersion"));
}

QWidget* frmMain::buildImageSide() {
    auto* side = new QWidget;
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);

    layout->addWidget(label("lblTitle"));

    picCnvBmp_ = named(new PictureBox, "picCnvBmp");
    picCnvBmp_->setBoxSize(QSize(kPictureWidth, kPictureHeight));
    auto* scroll = new PictureScrollArea;
    scroll->setWidget(picCnvBmp_);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Dark);
    // Below this the picture scrolls; the side panel keeps its size.
    scroll->setMinimumSize(320, 240);
    scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(scroll, 1);

    // The status line under the picture: the pixel under the mouse, and the zoom. A row of the
    // window's own layout, so a label font applied later is counted in the window's size.
    auto* statusLine = new QHBoxLayout;
    QLabel* pixel = label("lblPixel");
    pixel->setText(QString());
    statusLine->addWidget(pixel, 1);
    QLabel* zoom = label("lblZoom");
    zoom->setText(QString());
    statusLine->addWidget(zoom);
    layout->addLayout(statusLine);

    // Item names and values of the image shown: pattern, gains, width, height.
    auto* values = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        const int row = i / 3;
        const int col = (i % 3) * 2;
        values->addWidget(label("lblItem", i), row, col);
        QLabel* value = label("lblValue", i);
        value->setText(QString());
        value->setMinimumWidth(60);
        value->setFrameShape(QFrame::StyledPanel);
        value->setFrameShadow(QFrame::Sunken);
        values->addWidget(value, row, col + 1);
    }
    for (int col = 1; col < 6; col += 2) {
        values->setColumnStretch(col, 1);
    }
    layout->addLayout(values);
    return side;
}

QWidget* frmMain::buildControlSide() {
    // Two columns, the controller's operations and the link, so the window fits the height
    // of a laptop screen with the picture at 1:1.
    auto* side = new QWidget;
    auto* sideColumns = new QHBoxLayout(side);
    sideColumns->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout;
    auto* linkColumn = new QVBoxLayout;
    sideColumns->addLayout(layout);
    sideColumns->addLayout(linkColumn);

    // Capture.
    QGroupBox* frame1 = frame("Frame1");
    auto* frame1Layout = new QHBoxLayout(frame1);
    auto* picture1 = named(new PictureBox, "Picture1");
    picture1->setPicture(appIconImage(40));
    frame1Layout->addWidget(picture1);
    QPushButton* capture = button("cmdCapture");
    capture->setEnabled(false);
    frame1Layout->addWidget(capture, 1);
    layout->addWidget(frame1);

    // Download or upload an image; the list is a one-line spinner of image numbers whose
    // topmost visible entry is the number chosen.
    QGroupBox* fraImage = frame("fraImage");
    auto* imageLayout = new QGridLayout(fraImage);
    imageLayout->addWidget(option("optSelect", 0), 0, 0);
    auto* list = named(new QListWidget, "lstImageNo");
    constexpr int kRowHeight = 26; // room for a caption font up to about 12 points
    for (int i = 0; i < kImageNumbers; ++i) {
        auto* item = new QListWidgetItem(QString::number(i), list);
        item->setSizeHint(QSize(40, kRowHeight));
    }
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
    list->setCurrentRow(0);
    // The number shown is the one chosen: keep the selection on it while it scrolls.
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, list,
            [list](int top) { list->setCurrentRow(top); });
    list->setFixedHeight(kRowHeight + 2 * list->frameWidth());
    list->setFixedWidth(80);
    imageLayout->addWidget(list, 0, 1);
    imageLayout->addWidget(option("optSelect", 1), 1, 0, 1, 2);
    findControlAs<QRadioButton>(fraImage, QStringLiteral("optSelect"), 0)->setChecked(true);
    auto* imageButtons = new QHBoxLayout;
    QPushButton* download = button("cmdConvert");
    download->setEnabled(false);
    imageButtons->addWidget(download);
    QPushButton* load = button("cmdLoad");
    load->setEnabled(false);
    imageButtons->addWidget(load);
    imageLayout->addLayout(imageButtons, 2, 0, 1, 2);
    layout->addWidget(fraImage);

    // Measurement.
    QGroupBox* fraMesure = frame("FraMesure");
    auto* mesureLayout = new QGridLayout(fraMesure);
    for (int i = 0; i < 3; ++i) {
        QRadioButton* opt = option("optMesure", i);
        opt->setChecked(i == 0);
        mesureLayout->addWidget(opt, i, 0);
    }
    mesureLayout->addWidget(button("cmdMeasure"), 0, 1, 3, 1);
    layout->addWidget(fraMesure);

    QGroupBox* fraGetMesure = frame("fraGetMesure");
    auto* getLayout = new QGridLayout(fraGetMesure);
    for (int i = 6; i < 8; ++i) {
        getLayout->addWidget(label("lblItem", i), i - 6, 0);
        QLabel* value = label("lblValue", i);
        value->setText(QString());
        value->setMinimumWidth(80);
        value->setFrameShape(QFrame::StyledPanel);
        value->setFrameShadow(QFrame::Sunken);
        getLayout->addWidget(value, i - 6, 1);
    }
    getLayout->setColumnStretch(1, 1);
    getLayout->addWidget(button("cmdGetMesure"), 0, 2, 2, 1);
    layout->addWidget(fraGetMesure);
    layout->addStretch(1);

    // Connection panel.
    QGroupBox* commMethod = frame("CommMethod");
    auto* commLayout = new QGridLayout(commMethod);
    serial_ = option("Serial", -1);
    lan_ = option("Lan", -1);
    serial_->setText(placeholder("Serial"));
    lan_->setText(placeholder("Lan"));
    commLayout->addWidget(serial_, 0, 0);
    commLayout->addWidget(lan_, 0, 1);
    ipAddrLabel_ = label("IPAddrLabel");
    commLayout->addWidget(ipAddrLabel_, 1, 0, 1, 2);
    QGroupBox* frame2 = frame("Frame2");
    frame2->setFlat(true); // only holds the address box
    auto* frame2Layout = new QHBoxLayout(frame2);
    frame2Layout->setContentsMargins(0, 0, 0, 0);
    txtIPaddress_ = named(new QComboBox, "txtIPaddress");
    txtIPaddress_->setEditable(true);
    txtIPaddress_->setInsertPolicy(QComboBox::NoInsert);
    txtIPaddress_->setMinimumContentsLength(15);
    frame2Layout->addWidget(txtIPaddress_);
    commLayout->addWidget(frame2, 2, 0, 1, 2);
    cmdConnect_ = button("cmdConnect");
    cmdCloseConnection_ = button("cmdCloseConnection");
    commLayout->addWidget(cmdConnect_, 3, 0);
    commLayout->addWidget(cmdCloseConnection_, 3, 1);
    connect(serial_, &QRadioButton::clicked, this, &frmMain::onSerialClicked);
    connect(lan_, &QRadioButton::clicked, this, &frmMain::onLanClicked);
    linkColumn->addWidget(commMethod);

    // Connection log.
    QGroupBox* statusDisp = frame("StatusDisp");
    auto* statusLayout = new QVBoxLayout(statusDisp);
    status_ = named(new QPlainTextEdit, "Status");
    status_->setReadOnly(true);
    // The log takes the height that is left; it does not make the window taller.
    status_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    status_->setMinimumHeight(120);
    statusLayout->addWidget(status_);
    linkColumn->addWidget(statusDisp, 1);

    side->setMaximumWidth(680);
    return side;
}

void frmMain::setStartupConnectionState() {
    serial_->setEnabled(true);
    lan_->setEnabled(true);
    serial_->setChecked(true);
    txtIPaddress_->setEnabled(false);
    ipAddrLabel_->setEnabled(false);
    cmdConnect_->setEnabled(true);
    cmdCloseConnection_->setEnabled(false); // no link yet
}

void frmMain::onSerialClicked() {
    txtIPaddress_->setEnabled(false);
    ipAddrLabel_->setEnabled(false);
}

void frmMain::onLanClicked() {
    txtIPaddress_->setEnabled(true);
    ipAddrLabel_->setEnabled(true);
}

void frmMain::closeEvent(QCloseEvent* event) {
    emit exitRequested();
    event->accept();
}
