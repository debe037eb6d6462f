#include "ui/qt/qt_file_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString fromPath(const std::filesystem::path& p)
{
    return QFile::decodeName(QByteArray::fromStdString(p.native()));
}

std::filesystem::path toPath(const QString& s)
{
    return std::filesystem::path(QFile::encodeName(s).toStdString());
}

// A wildcard pattern that matches letters of either case.
QString anyCase(const QString& pattern)
{
    if (pattern == QLatin1String("*.*"))
        return QStringLiteral("*");
    QString out;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

// The 1-based entry of the filter shown: the dialog names it with or without its patterns.
int chosenEntry(const QStringList& filters, const QString& selected)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& f = filters[i];
        if (f == selected || f.left(f.lastIndexOf(QLatin1String(" ("))) == selected)
            return int(i) + 1;
    }
    return 0;
}

// A folder chooser of the same dialog; it proposes the request's folder and leaves the
// remembered file name alone.
std::optional<std::vector<std::filesystem::path>> chooseFolder(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.initialFolder.empty())
        dialog.setDirectory(fromPath(request.initialFolder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::vector<std::filesystem::path>{toPath(dialog.selectedFiles().front())};
}

} // namespace

QStringList qtNameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!p.trimmed().isEmpty())
                patterns.append(anyCase(p.trimmed()));
        }
        filters.append(parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

std::optional<std::vector<std::filesystem::path>> QtFileDialogs::show(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    using Kind = FileDialogRequest::Kind;
    if (request.kind == Kind::Folder)
        return chooseFolder(parent_, request);
    dialog.setAcceptMode(request.kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // An open may name a file that is not there: the command reports it with its own message.
    dialog.setFileMode(request.kind == Kind::OpenMany ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    // The replace question is asked below, about the file that will really be written: the
    // name typed may still get the filter's extension or become a raw image's name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);

    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
    }
    if (!request.initialFolder.empty())
        dialog.setDirectory(fromPath(request.initialFolder));
    if (!fileName.empty()) {
        // A remembered name with a folder opens that folder, as the platform's own dialog does.
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(fileName)));
    }

    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return std::nullopt;
        if (request.pathMustExist && !QFileInfo(chosen.front()).absoluteDir().exists()) {
            // A name typed into a folder that is not there: ask again from where the user was.
            dialog.setDirectory(dialog.directory());
            continue;
        }
        const int entry = chosenEntry(filters, dialog.selectedNameFilter());
        std::vector<std::filesystem::path> paths;
        for (const QString& f : chosen)
            paths.push_back(request.kind == Kind::OpenMany ? toPath(f) : chosenFile(toPath(f), request, entry));
        if (request.kind == Kind::Save && request.overwritePrompt && !confirmReplace(&dialog, paths.front()))
            continue;
        fileName = paths.front().string();
        return paths;
    }
}

bool QtFileDialogs::confirmReplace(QWidget* dialog, const std::filesystem::path& file)
{
    if (!QFileInfo::exists(fromPath(file)))
        return true;
    // Qt's own question (and its translation), naming the file that will be replaced.
    const QString text = QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                             .arg(QFileInfo(fromPath(file)).fileName());
    return QMessageBox::warning(dialog, dialog->windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}
