#include "cli/json_report.h"

#include "operations/backup_manifest.h"
#include "cli/stderr_prompter.h"

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

int JsonReport::failed(const StderrPrompter& prompter, const OpResult& result, const std::string& text)
{
    return failedWith(result.failedReported() ? &prompter : nullptr, text);
}

int JsonReport::failed(const std::string& text)
{
    return failedWith(nullptr, text);
}

int JsonReport::failedAfterRun(const StderrPrompter& prompter, const std::string& text)
{
    return failedWith(&prompter, text);
}

int JsonReport::failedWith(const StderrPrompter* box, const std::string& text)
{
    set("status", QStringLiteral("failed"));
    QJsonObject message;
    if (box && box->hasLastBox) {
        if (box->lastNumber >= 0)
            message.insert(QStringLiteral("number"), qint64(box->lastNumber));
        message.insert(QStringLiteral("text"), QString::fromStdString(box->lastText));
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
