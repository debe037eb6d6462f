#pragma once
// INI files with the behaviour of the private-profile functions: names match without regard
// to case, only the first section/key of a name counts, blanks around names and values are
// trimmed, one pair of matching quotes is removed from a value, lines keep their bytes when
// another key is written. Texts are bytes in the file's code page; callers decode.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ini {

// Files are read through the checked reader: regular files only, of at most this size (far
// above any settings or text file); anything else reads like a missing file. A leading UTF-8
// byte-order mark is skipped when reading and kept when writing.
inline constexpr std::size_t kFileLimit = 4u << 20;

// True for a file that starts with a UTF-16 byte-order mark: it reads as missing and is never
// written, so callers can say why.
bool isUtf16File(const std::filesystem::path& file);

// Reads one key. nullopt when the file, the section or the key is missing (a key with
// an empty value gives ""). A value is returned whole; callers apply their own buffer limits.
std::optional<std::string> readKey(const std::filesystem::path& file, const std::string& section,
                                   const std::string& key);

// Reads the whole first section of that name: one entry per line ("key=value" with blanks
// trimmed and quotes kept, or the bare text of a line without "="), in file order.
// Comment lines are included; blank lines are not.
std::vector<std::string> readSection(const std::filesystem::path& file, const std::string& section);

// The same entries in the double-NUL form of an 8192-character buffer: each entry followed
// by NUL, the last by a second NUL; data that does not fit cuts the last entry.
std::string readSectionBuffer(const std::filesystem::path& file, const std::string& section,
                              std::size_t bufferSize = 8192);

// Writes one key: in place (keeping the key's spelling and every other byte), appended to
// its section, or with a new section at the end; creates the file. Lines end in CR LF.
// Refuses (returns false) a value holding CR or LF, and fails when the file cannot be written.
// A file that is there but unreadable, or has no write permission bit, is left alone; a
// symlinked file is written through the link and keeps its permission bits.
bool writeKey(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value);

} // namespace ini
