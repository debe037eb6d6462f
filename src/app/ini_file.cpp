#include "app/ini_file.h"

#include "files/file_util.h"

#include <cstdio>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace ini {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// Names are ASCII; folding only A-Z keeps the bytes of double-byte characters intact.
bool equalsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// One line of the file: its text and the line end that followed it ("" at the end of a file
// without a final line end), so a rewrite can keep every other byte as it was.
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> splitLines(const std::string& data)
{
    std::vector<Line> lines;
    std::size_t i = 0;
    while (i < data.size()) {
        std::size_t j = i;
        while (j < data.size() && data[j] != '\r' && data[j] != '\n')
            ++j;
        Line line{data.substr(i, j - i), {}};
        if (j < data.size()) {
            std::size_t endLen = (data[j] == '\r' && j + 1 < data.size() && data[j + 1] == '\n') ? 2 : 1;
            line.end = data.substr(j, endLen);
            j += endLen;
        }
        lines.push_back(std::move(line));
        i = j;
    }
    return lines;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool startsWith(const std::string& data, const char* prefix, std::size_t n)
{
    return data.size() >= n && data.compare(0, n, prefix, n) == 0;
}

bool isUtf16Text(const std::string& data)
{
    return startsWith(data, "\xFF\xFE", 2) || startsWith(data, "\xFE\xFF", 2);
}

// The file's bytes through the checked reader, without a leading UTF-8 byte-order mark
// (bom tells whether there was one). A UTF-16 file cannot be read on its bytes: unreadable.
bool readFile(const std::filesystem::path& file, std::string& data, bool* bom = nullptr)
{
    int errorNumber = 0;
    if (!readWholeFile(file, data, kFileLimit, errorNumber) || isUtf16Text(data))
        return false;
    const bool hasBom = startsWith(data, kUtf8Bom, 3);
    if (hasBom)
        data.erase(0, 3);
    if (bom)
        *bom = hasBom;
    return true;
}

// The name of a section header line, or nullopt when the line is not a header.
std::optional<std::string> headerName(const std::string& text)
{
    std::string t = trim(text);
    if (t.empty() || t[0] != '[')
        return std::nullopt;
    std::size_t close = t.rfind(']');
    if (close == std::string::npos || close == 0)
        return std::nullopt;
    return trim(t.substr(1, close - 1));
}

bool isComment(const std::string& text)
{
    std::string t = trim(text);
    return !t.empty() && t[0] == ';';
}

// Key and value of a line, or false for a line without "=" or a comment.
bool splitKeyValue(const std::string& text, std::string& key, std::string& value)
{
    if (isComment(text))
        return false;
    std::size_t eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(text.substr(0, eq));
    value = trim(text.substr(eq + 1));
    return true;
}

std::string unquote(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Index range [first, last) of the body lines of the first section of that name.
struct SectionRange {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionRange> findSection(const std::vector<Line>& lines, const std::string& section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = headerName(lines[i].text);
        if (!name || !equalsNoCase(*name, trim(section)))
            continue;
        std::size_t j = i + 1;
        while (j < lines.size() && !headerName(lines[j].text))
            ++j;
        return SectionRange{i, i + 1, j};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, const SectionRange& range, const std::string& key)
{
    for (std::size_t i = range.first; i < range.last; ++i) {
        std::string k, v;
        if (splitKeyValue(lines[i].text, k, v) && equalsNoCase(k, trim(key)))
            return i;
    }
    return std::nullopt;
}

} // namespace

bool isUtf16File(const std::filesystem::path& file)
{
    std::string data;
    int errorNumber = 0;
    return readWholeFile(file, data, kFileLimit, errorNumber) && isUtf16Text(data);
}

std::optional<std::string> readKey(const std::filesystem::path& file, const std::string& section, const std::string& key)
{
    std::string data;
    if (!readFile(file, data))
        return std::nullopt;
    auto lines = splitLines(data);
    auto range = findSection(lines, section);
    if (!range)
        return std::nullopt;
    auto at = findKey(lines, *range, key);
    if (!at)
        return std::nullopt;
    std::string k, v;
    splitKeyValue(lines[*at].text, k, v);
    return unquote(v);
}

std::vector<std::string> readSection(const std::filesystem::path& file, const std::string& section)
{
    std::vector<std::string> entries;
    std::string data;
    if (!readFile(file, data))
        return entries;
    auto lines = splitLines(data);
    auto range = findSection(lines, section);
    if (!range)
        return entries;
    for (std::size_t i = range->first; i < range->last; ++i) {
        const std::string& text = lines[i].text;
        std::string t = trim(text);
        if (t.empty())
            continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos || t[0] == ';')
            entries.push_back(t);
        else
            entries.push_back(trim(t.substr(0, eq)) + "=" + trim(t.substr(eq + 1)));
    }
    return entries;
}

std::string readSectionBuffer(const std::filesystem::path& file, const std::string& section, std::size_t bufferSize)
{
    std::string buffer;
    for (const auto& entry : readSection(file, section)) {
        buffer += entry;
        buffer += '\0';
    }
    if (bufferSize < 2)
        bufferSize = 2;
    if (buffer.size() + 1 > bufferSize) {
        buffer.resize(bufferSize - 2);
        buffer += '\0';
    }
    if (buffer.empty())
        buffer += '\0';
    buffer += '\0';
    return buffer;
}

bool writeKey(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value)
{
    for (const std::string* s : {&section, &key, &value})
        if (s->find_first_of("\r\n") != std::string::npos)
            return false;
    if (trim(key).empty() || key.find('=') != std::string::npos || trim(section).empty())
        return false;
    // A key line starting with ";" would be a comment and one starting with "[" could be a
    // header: neither could be read back.
    if (trim(key)[0] == ';' || trim(key)[0] == '[')
        return false;

    std::string data;
    bool bom = false;
    bool exists = readFile(file, data, &bom);
    struct stat info {};
    if (!exists && ::stat(file.c_str(), &info) == 0)
        return false; // there but unreadable (or UTF-16): never replace what we could not read
    // A read-only settings file stays as it is, also for root, whom access() lets write.
    if (exists && (::access(file.c_str(), W_OK) != 0 || ::stat(file.c_str(), &info) != 0 || (info.st_mode & 0222) == 0))
        return false;
    auto lines = splitLines(data);
    const std::string newLine = "\r\n";
    auto range = findSection(lines, section);
    if (range) {
        if (auto at = findKey(lines, *range, key)) {
            std::string k, v;
            splitKeyValue(lines[*at].text, k, v);
            if (v == value)
                return true;
            lines[*at].text = k + "=" + value;
        } else {
            std::size_t after = range->header;
            for (std::size_t i = range->first; i < range->last; ++i)
                if (!trim(lines[i].text).empty())
                    after = i;
            if (lines[after].end.empty())
                lines[after].end = newLine;
            lines.insert(lines.begin() + std::ptrdiff_t(after + 1), Line{trim(key) + "=" + value, newLine});
        }
    } else {
        if (!lines.empty() && lines.back().end.empty())
            lines.back().end = newLine;
        lines.push_back(Line{"[" + trim(section) + "]", newLine});
        lines.push_back(Line{trim(key) + "=" + value, newLine});
    }
    std::string out = bom ? kUtf8Bom : "";
    for (const auto& line : lines)
        out += line.text + line.end;
    std::string error;
    return writeFileReplacing(file, {{reinterpret_cast<const uint8_t*>(out.data()), out.size()}}, error);
}

} // namespace ini
