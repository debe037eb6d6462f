#include "app/file_dialogs.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string filterExtension(const std::string& filter, int entry)
{
    if (entry < 1)
        return {};
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const auto bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    const std::size_t at = std::size_t(entry) * 2 - 1;
    if (at >= parts.size())
        return {};
    const std::string pattern = trimmed(parts[at].substr(0, parts[at].find(';')));
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0)
        return {};
    const std::string extension = pattern.substr(1);
    if (extension.find_first_of("*?[") != std::string::npos)
        return {};
    return extension;
}

fs::path chosenFile(const fs::path& typed, const FileDialogRequest& request, int entry)
{
    fs::path file = typed;
    const std::string extension = filterExtension(request.filter, entry);
    if (!extension.empty() && typed.has_filename() && !typed.filename().has_extension()) {
        fs::path withExtension = typed;
        withExtension += extension;
        std::error_code ec;
        if (request.kind == FileDialogRequest::Kind::Save ||
            (!fs::exists(typed, ec) && fs::exists(withExtension, ec)))
            file = withExtension;
    }
    return request.writtenAs ? request.writtenAs(file) : file;
}

std::optional<std::vector<fs::path>> FileDialogs::showFor(FileDialogRequest request,
                                                          const std::optional<std::string>& proposal)
{
    const fs::path last = lastFile(request.fileKind);
    if (!last.empty() && !last.parent_path().empty())
        request.initialFolder = last.parent_path();
    fileName = proposal ? *proposal : last.string();
    auto chosen = show(request);
    if (chosen && !chosen->empty())
        lastFiles_[request.fileKind] = chosen->front();
    return chosen;
}

fs::path FileDialogs::lastFile(FileKind kind) const
{
    const auto it = lastFiles_.find(kind);
    return it == lastFiles_.end() ? fs::path() : it->second;
}
