#pragma once
// The benchmarks' input: raw 608 x 464 files of random pixels (the same files in every run).

#include "image/pln_file.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// Writes one raw 608 x 464 file of random pixels drawn from gen, followed by trailer bytes.
inline void writeRawFile(const std::filesystem::path& file, std::mt19937& gen, const std::string& trailer)
{
    PlnHeader h;
    h.prefix = {0, 0, 0, 0xBA, 1, 0, 0};
    h.width = 608;
    h.height = 464;
    h.aux2 = 464;
    const auto header = h.toBytes();
    std::vector<char> pixels(608 * 464);
    for (auto& p : pixels)
        p = char(gen());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.write(pixels.data(), std::streamsize(pixels.size()));
    out.write(trailer.data(), std::streamsize(trailer.size()));
}

// Writes img0.BYR ... into folder (each with its four check bytes); returns their paths in order.
inline std::vector<std::filesystem::path> writeRawFiles(const std::filesystem::path& folder, int count)
{
    std::mt19937 gen(1);
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder / ("img" + std::to_string(i) + ".BYR"));
        writeRawFile(files.back(), gen, std::string(4, '\0'));
    }
    return files;
}
