#include "app/ini_read.h"

#include "app/ini_file.h"

IniRead fncReadIni(const std::filesystem::path& file, const std::string& section, const std::string& key,
                   std::string& value)
{
    value.clear();
    auto found = ini::readKey(file, section, key);
    if (!found || found->empty())
        return IniRead::Missing;
    if (found->size() > kIniValueLimit)
        return IniRead::TooLong;
    value = *found;
    return IniRead::Ok;
}
