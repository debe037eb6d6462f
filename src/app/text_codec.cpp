#include "app/text_codec.h"

#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstdlib>

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

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

std::string trimChars(const std::string& text, const char* blanks)
{
    std::size_t b = text.find_first_not_of(blanks);
    if (b == std::string::npos)
        return {};
    return text.substr(b, text.find_last_not_of(blanks) - b + 1);
}

std::optional<int16_t> wholeNumber(const std::string& text)
{
    std::string t = trimChars(text, " \t");
    // from_chars reads "." as the decimal point whatever the locale (Qt sets the C library's
    // at start-up); unlike strtod it takes no hexadecimal. A leading "+" is allowed as before.
    if (!t.empty() && t[0] == '+' && (t.size() < 2 || t[1] != '-'))
        t.erase(0, 1);
    if (t.empty() || t.find_first_of("xXpPnNiI") != std::string::npos)
        return std::nullopt;
    double v = 0;
    const char* end = t.data() + t.size();
    auto [at, ec] = std::from_chars(t.data(), end, v);
    if (ec != std::errc() || at != end || !std::isfinite(v))
        return std::nullopt;
    double r = std::nearbyint(v);
    if (r < -32768 || r > 32767)
        return std::nullopt;
    return int16_t(r);
}
