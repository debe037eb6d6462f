#pragma once
// What the simulated controller keeps: its camera images, the image the tool uploaded, and
// the bank, bank group and system data. Banks, groups and system data start as fixed
// contents that name what they are; what the tool loads replaces them, in memory or, with a
// data folder, in files there that outlast the run.

#include <filesystem>
#include <map>
#include <optional>
#include <string>

class ControllerData {
public:
    explicit ControllerData(std::filesystem::path folder = {}) : folder_(std::move(folder)) {}

    // The file the controller sends for "IMG" (n = 0..99, -1 the live image), "BNK", "BGR"
    // (0..31) or "SYS".
    std::string fileToSend(const std::string& what, int number);
    // Keeps what the tool sent; false with a description when the data folder cannot take it.
    bool store(const std::string& what, int number, const std::string& bytes, std::string* error);

    // Contents of a bank, bank group or system data before anything was loaded.
    static std::string initialContents(const std::string& what, int number);

private:
    std::filesystem::path fileFor(const std::string& what, int number) const;

    std::filesystem::path folder_;
    std::map<std::string, std::string> stored_;
    std::optional<std::string> uploaded_; // the live image after an upload
};
