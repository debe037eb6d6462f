#include "ui/windows/frm_about.h"

#include "ui/shell/app_icon.h"
#include "ui/qt/control_index.h"
#include "app/messages.h"
#include "ui/qt/picture_box.h"
#include "ui/qt/window_labels.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#ifndef PLNTOOL_VERSION_MAJOR
#define PLNTOOL_VERSION_MAJOR 1
#define PLNTOOL_VERSION_MINOR 0
#define PLNTOOL_VERSION_PATCH 0
#endif

QString versionLine(const QString& labelText, int major, int minor, int revision) {
    return QStringLiteral("%1 %2.%3%4").arg(labelText).arg(major).arg(minor).arg(revision);
}

namespace {

QFrame* line(int index) {
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("Line1"));
    setControlIndex(frame, index);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

QLabel* label(const char* name) {
    auto* l = new QLabel(QString::fromLatin1(name));
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

frmAbout::frmAbout(const AppState& state, Messenger& messages, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("frmAbout"));
    setWindowIcon(appIcon());

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new PictureBox;
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPicture(appIconImage(64));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    QLabel* title = label("lblTitle");
    QLabel* version = label("lblVersion");
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addStretch(1);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    layout->addWidget(line(0));
    layout->addWidget(line(1));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("cmdOK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    fncApplyLabels(this, state);
    version->setText(versionLine(QString::fromStdString(messages.fncGetMessage("Label", 10)),
                                 PLNTOOL_VERSION_MAJOR, PLNTOOL_VERSION_MINOR,
                                 PLNTOOL_VERSION_PATCH));
    title->setText(QString::fromLatin1(kAppTitle));
    setMinimumWidth(360);
}

std::filesystem::path helpFilePath(const AppState& state) {
    const std::filesystem::path base =
        state.textsFolder() / (state.gLanguage == 0 ? "PLN_HELP_JPN" : "PLN_HELP_ENG");
    // A compiled help file, when one was put there, comes first; the manual ships as HTML.
    std::filesystem::path chm = base;
    chm += ".chm";
    std::error_code ec;
    if (std::filesystem::is_regular_file(chm, ec)) {
        return chm;
    }
    std::filesystem::path html = base;
    html += ".html";
    return html;
}

void fncOpenDocument(const AppState& state, Messenger& messages, const std::function<bool(const QUrl&)>& open) {
    const std::filesystem::path path = helpFilePath(state);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return; // nothing to open, and nothing to say
    }
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path.string()));
    if (open ? open(url) : QDesktopServices::openUrl(url)) {
        return;
    }
    messages.fncShowMessageWithDetail("Message", kMsgNoViewer, path.string());
}
