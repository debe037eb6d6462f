#include "ui/windows/frm_dir_browser.h"

#include "ui/shell/app_icon.h"
#include "app/messages.h"
#include "ui/qt/window_labels.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>

namespace fs = std::filesystem;

namespace {

constexpr int kAnswerRetry = 4;
constexpr int kPathRole = Qt::UserRole;

template <typename T>
T* named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QString driveText(const BrowserDrive& drive) {
    const QString root = QString::fromStdString(drive.root.string());
    return drive.name.empty() ? root : QStringLiteral("%1 [%2]").arg(root, QString::fromStdString(drive.name));
}

// The folders from the drive's root down to `folder`, both included.
std::vector<fs::path> ancestry(const fs::path& root, const fs::path& folder) {
    std::vector<fs::path> chain;
    for (fs::path p = folder;; p = p.parent_path()) {
        chain.insert(chain.begin(), p);
        if (p == root || p == p.parent_path() || p.empty()) {
            break;
        }
    }
    return chain;
}

} // namespace

std::vector<BrowserDrive> systemDrives() {
    std::vector<std::pair<std::string, BrowserDrive>> mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        mounts.push_back({volume.fileSystemType().toStdString(),
                          {fs::path(volume.rootPath().toStdString()), volume.name().toStdString()}});
    }
    return browserDrives(mounts, fs::path(QDir::homePath().toStdString()));
}

DirBrowser::DirBrowser(AppState& state, Messenger& messages, const char* name, std::vector<BrowserDrive> drives,
                       fs::path startFolder, QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages), drives_(std::move(drives)), folder_(std::move(startFolder)) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QString::fromLatin1(name));
    setWindowIcon(appIcon());
    if (drives_.empty()) {
        drives_.push_back({"/", ""});
    }
    drive1_ = named(new QComboBox, "Drive1");
    for (const BrowserDrive& d : drives_) {
        drive1_->addItem(driveText(d));
    }
    dir1_ = named(new QListWidget, "Dir1");
    dir1_->setIconSize(QSize(16, 16));
    dir1_->setUniformItemSizes(true);
    file1_ = named(new QListWidget, "File1");
    file1_->setSelectionMode(QAbstractItemView::SingleSelection);
    cboPattern_ = named(new QComboBox, "cboPattern");
    cmdCancel_ = named(new QPushButton(QStringLiteral("cmdCancel")), "cmdCancel");
    connect(drive1_, &QComboBox::activated, this, &DirBrowser::changeDrive);
    connect(dir1_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openFolderEntry(dir1_->row(item)); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void DirBrowser::start(QPushButton* confirm) {
    auto* layout = new QGridLayout(this);
    layout->addWidget(file1_, 0, 0);
    layout->addWidget(cboPattern_, 1, 0);
    layout->addWidget(dir1_, 0, 1);
    layout->addWidget(drive1_, 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(confirm);
    buttons->addWidget(cmdCancel_);
    buttons->addStretch(1);
    layout->addLayout(buttons, 0, 2, 2, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    confirm->setDefault(true);
    resize(520, 320);

    std::error_code ec;
    const fs::path start = folder_.empty() ? fs::current_path(ec) : folder_;
    std::string error;
    shownDrive_ = int(driveOf(drives_, start));
    drive1_->setCurrentIndex(shownDrive_);
    // A working folder that is gone or unreadable opens the drive's root instead.
    if (start.empty() || !moveTo(start, error)) {
        moveTo(drives_[std::size_t(shownDrive_)].root, error);
    }
}

bool DirBrowser::moveTo(const fs::path& folder, std::string& error) {
    FolderListing listing;
    if (!listFolder(folder, pattern_, listing, error)) {
        return false;
    }
    folder_ = folder;
    const std::size_t drive = driveOf(drives_, folder_);
    driveFolders_[drive] = folder_;

    dir1_->clear();
    const std::vector<fs::path> chain = ancestry(drives_[drive].root, folder_);
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    int level = 0;
    for (const fs::path& p : chain) {
        const std::string text = p == chain.front() ? p.string() : p.filename().string();
        auto* item = new QListWidgetItem(openIcon, QString(2 * level, QLatin1Char(' ')) + QString::fromStdString(text), dir1_);
        item->setData(kPathRole, QString::fromStdString(p.string()));
        ++level;
    }
    dir1_->setCurrentRow(int(chain.size()) - 1);
    for (const std::string& name : listing.folders) {
        auto* item = new QListWidgetItem(closedIcon, QString(2 * level, QLatin1Char(' ')) + QString::fromStdString(name), dir1_);
        item->setData(kPathRole, QString::fromStdString((folder_ / name).string()));
    }
    file1_->clear();
    for (const std::string& name : listing.files) {
        file1_->addItem(QString::fromStdString(name));
    }
    return true;
}

void DirBrowser::refreshFiles() {
    std::string error;
    if (!moveTo(folder_, error)) {
        messages_.showErrorBox(error);
    }
    folderShown();
}

void DirBrowser::changeDrive(int index) {
    if (index < 0 || std::size_t(index) >= drives_.size()) {
        return;
    }
    for (;;) {
        const auto remembered = driveFolders_.find(std::size_t(index));
        const fs::path target = remembered != driveFolders_.end() ? remembered->second : drives_[std::size_t(index)].root;
        std::string error;
        if (moveTo(target, error)) {
            shownDrive_ = index;
            folderShown();
            return;
        }
        BoxRequest box;
        box.text = error;
        box.style = kStyleRetryCancel + kStyleInformation;
        box.title = kAppTitle;
        const int answer = messages_.prompter().show(box);
        if (answer == kAnswerRetry) {
            continue;
        }
        if (answer == kAnswerCancel) {
            shownDrive_ = int(driveOf(drives_, folder_));
            drive1_->setCurrentIndex(shownDrive_);
            folderShown();
        }
        return;
    }
}

void DirBrowser::openFolderEntry(int row) {
    QListWidgetItem* item = dir1_->item(row);
    if (!item) {
        return;
    }
    const fs::path target = item->data(kPathRole).toString().toStdString();
    if (target != folder_) {
        std::string error;
        if (!moveTo(target, error)) {
            messages_.showErrorBox(error);
            dir1_->setCurrentRow(int(ancestry(drives_[driveOf(drives_, folder_)].root, folder_).size()) - 1);
        }
    }
    folderShown();
}

frmDirSearch::frmDirSearch(AppState& state, Messenger& messages, QWidget* parent, std::vector<BrowserDrive> drives,
                           fs::path startFolder)
    : DirBrowser(state, messages, "frmDirSearch", std::move(drives), std::move(startFolder), parent) {
    cmdOpen_ = named(new QPushButton(QStringLiteral("cmdOpen")), "cmdOpen");
    cboPattern_->setEditable(true);
    cboPattern_->lineEdit()->setReadOnly(true);
    cboPattern_->addItem(QStringLiteral("画像ファイル (*.BYR)"));
    cboPattern_->addItem(QStringLiteral("画像ファイル (*.GRY)"));
    pattern_ = "*.BYR";
    connect(cboPattern_, &QComboBox::activated, this, &frmDirSearch::choosePattern);
    connect(cmdOpen_, &QPushButton::clicked, this, &frmDirSearch::onOpen);
    start(cmdOpen_);
    fncApplyLabels(this, state_);
    cboPattern_->setEditText(QString::fromStdString(messages_.fncGetMessage("Label", 55)));
    folderShown();
}

void frmDirSearch::choosePattern(int index) {
    pattern_ = index == 0 ? "*.BYR" : "*.GRY";
    // The confirm button follows the list here too: an empty list cannot be confirmed.
    refreshFiles();
}

void frmDirSearch::folderShown() { cmdOpen_->setEnabled(file1_->count() > 0); }

void frmDirSearch::onOpen() {
    const int n = file1_->count();
    if (n == 0) {
        return;
    }
    const std::string folder = folderWithSeparator(folder_);
    state_.gFileNames.clear();
    state_.gFilePaths.clear();
    for (int i = 0; i < n; ++i) {
        const std::string name = file1_->item(i)->text().toStdString();
        state_.gFileNames.push_back(name);
        state_.gFilePaths.push_back(folder + name);
    }
    state_.gBrowseOK = -1;
    accept();
}

frmDirSave::frmDirSave(AppState& state, Messenger& messages, QWidget* parent, std::vector<BrowserDrive> drives,
                       fs::path startFolder)
    : DirBrowser(state, messages, "frmDirSave", std::move(drives), std::move(startFolder), parent) {
    auto* cmdSave = named(new QPushButton(QStringLiteral("cmdSave")), "cmdSave");
    cboPattern_->addItem(QStringLiteral("*.bmp"));
    pattern_ = "*.bmp";
    connect(cmdSave, &QPushButton::clicked, this, &frmDirSave::onSave);
    start(cmdSave);
    fncApplyLabels(this, state_);
}

void frmDirSave::onSave() {
    state_.gSaveFolder = folderWithSeparator(folder_);
    state_.gBrowseOK = -1;
    accept();
}
