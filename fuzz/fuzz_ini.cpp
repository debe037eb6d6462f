// The INI reader and writer on any file: reads never fail hard, a written key reads back as
// the reader sees such a line, and no other key of the file changes.
//
// Input: file bytes, NUL, section, NUL, key, NUL, value (missing parts are empty).
#include "fuzz_support.h"
#include "app/ini_file.h"

#include <cstring>
#include <map>
#include <utility>

namespace {

const char* const kBlanks = " \t\r\n\v\f";

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(kBlanks);
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(kBlanks) - b + 1);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

// What a reader returns for a line "key=value": blanks trimmed, one pair of quotes removed.
std::string readBackOf(const std::string& value)
{
    std::string v = trim(value);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Every (section, key) name pair the file's lines mention, as the reader would see them.
std::vector<std::pair<std::string, std::string>> namePairs(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::string section;
    bool inSection = false;
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t j = text.find_first_of("\r\n", i);
        if (j == std::string::npos)
            j = text.size();
        const std::string line = trim(text.substr(i, j - i));
        const auto close = line.rfind(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos && close > 0) {
            section = trim(line.substr(1, close - 1));
            inSection = true;
        } else if (inSection && !line.empty() && line[0] != ';' && line.find('=') != std::string::npos) {
            pairs.emplace_back(section, trim(line.substr(0, line.find('='))));
        }
        i = j + 1;
    }
    return pairs;
}

std::string readText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::string parts[4];
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part < 3)
            ++part;
        else
            parts[part] += char(data[i]);
    }
    const std::string& original = parts[0];
    const std::string &section = parts[1], &key = parts[2], &value = parts[3];
    const auto path = writeInput("t.ini", reinterpret_cast<const uint8_t*>(original.data()), original.size());

    ini::readSectionBuffer(path, section, 64);
    const auto pairs = namePairs(original.rfind("\xEF\xBB\xBF", 0) == 0 ? original.substr(3) : original);
    std::map<std::pair<std::string, std::string>, std::optional<std::string>> before;
    for (const auto& p : pairs)
        before.emplace(p, ini::readKey(path, p.first, p.second));

    if (!ini::writeKey(path, section, key, value))
        return 0;
    const std::string after = readText(path);
    if (ini::readKey(path, section, key) != readBackOf(value))
        std::abort(); // the written key does not read back
    if ((original.rfind("\xEF\xBB\xBF", 0) == 0) != (after.rfind("\xEF\xBB\xBF", 0) == 0))
        std::abort(); // the byte-order mark was not kept
    for (const auto& [names, was] : before) {
        if (lower(names.first) == lower(trim(section)) && lower(names.second) == lower(trim(key)))
            continue;
        if (ini::readKey(path, names.first, names.second) != was)
            std::abort(); // another key changed
    }
    return 0;
}
