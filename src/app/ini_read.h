#pragma once
// The program's one-key read: a buffer of 1000 characters, so a value of 999 characters or
// more cannot be told from a cut one and is refused.

#include <filesystem>
#include <string>

enum class IniRead { Ok, Missing, TooLong };

// value is "" unless the result is Ok.
IniRead fncReadIni(const std::filesystem::path& file, const std::string& section, const std::string& key,
                   std::string& value);

inline constexpr std::size_t kIniValueLimit = 998;
