#include "text_codec.h"

#include <QStringDecoder>

std::string decodeAnsi(const std::string& bytes, int language)
{
    QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    if (language == 0) {
        QStringDecoder cp932("cp932");
        if (cp932.isValid())
            return QString(cp932(raw)).toUtf8().toStdString();
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(raw);
    if (!utf8.hasError())
        return text.toUtf8().toStdString();
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return QString(cp1252(raw)).toUtf8().toStdString();
    return QString::fromLatin1(raw).toUtf8().toStdString();
}

std::string removeTabs(std::string text)
{
    std::erase(text, '\t');
    return text;
}

std::string expandLineBreaksAndTabs(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else if (text[i] != '\t') {
            out += text[i];
        }
    }
    return out;
}
