#include "json_report.h"

#include "operations/backup_manifest.h"
#include "stderr_prompter.h"

#include <QJsonDocument>

#include <cstdio>

JsonReport::JsonReport(const CliOptions& options, const std::string& command) : enabled_(options.json)
{
    set("command", QString::fromStdString(command));
}

JsonReport::~JsonReport()
{
    // A return that said neither ok nor failed is a failure the report must still show.
    if (!printed_) {
        set("status", QStringLiteral("failed"));
        print();
    }
}

bool JsonReport::addFile(const std::filesystem::path& folder, const std::string& name, std::string& error)
{
    auto entry = describeFile(folder, name, error);
    if (!entry)
        return false;
    addFile(name, entry->size, entry->sha256);
    return true;
}

void JsonReport::addFile(const std::string& name, uint64_t size, const std::string& sha256)
{
    files_.append(QJsonObject{{QStringLiteral("name"), QString::fromStdString(name)},
                              {QStringLiteral("size"), qint64(size)},
                              {QStringLiteral("sha256"), QString::fromStdString(sha256)}});
}

int JsonReport::ok()
{
    set("status", QStringLiteral("ok"));
    print();
    return kExitOk;
}

int JsonReport::failed(const StderrPrompter& prompter, int boxesBefore, const std::string& text)
{
    set("status", QStringLiteral("failed"));
    QJsonObject message;
    if (prompter.shown > boxesBefore) {
        if (prompter.lastNumber >= 0)
            message.insert(QStringLiteral("number"), qint64(prompter.lastNumber));
        message.insert(QStringLiteral("text"), QString::fromStdString(prompter.lastText));
    } else {
        message.insert(QStringLiteral("text"), QString::fromStdString(text));
    }
    set("message", message);
    print();
    return kExitFailed;
}

void JsonReport::print()
{
    printed_ = true;
    if (!enabled_)
        return;
    object_.insert(QStringLiteral("files"), files_);
    const QByteArray text = QJsonDocument(object_).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
