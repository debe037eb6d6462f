#pragma once
// The main window's common file dialog as a QFileDialog. The dialog is Qt's own (not the
// desktop's), so it looks and behaves the same on every desktop, in tests and in screenshots.

#include "app/file_dialogs.h"

#include <QStringList>

class QWidget;

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}
    std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest& request) override;

private:
    // Asks before an existing file is replaced; True when it may be.
    static bool confirmReplace(QWidget* dialog, const std::filesystem::path& file);

    QWidget* parent_;
};

// The Qt name filters for a "description|pattern|description|pattern" filter, in its order.
// Each entry is the description followed by its patterns in parentheses; the dialog shows only
// the description (HideNameFilterDetails), as the filter's own syntax intends. Patterns match
// without regard to case ("*.BNK" also lists bank00.bnk) and "*.*" lists every file.
QStringList qtNameFilters(const std::string& filter);
