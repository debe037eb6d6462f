#pragma once
// The benchmarks' input: raw 608 x 464 files of random pixels (the same files in every run).

#include "image/pln_file.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// Writes img0.BYR ... into folder; returns their paths in order.
inline std::vector<std::filesystem::path> writeRawFiles(const std::filesystem::path& folder, int count)
{
    PlnHeader h;
    h.prefix = {0, 0, 0, 0xBA, 1, 0, 0};
    h.width = 608;
    h.height = 464;
    h.aux2 = 464;
    const auto header = h.toBytes();
    std::mt19937 gen(1);
    std::vector<char> pixels(608 * 464);
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < count; ++i) {
        for (auto& p : pixels)
            p = char(gen());
        files.push_back(folder / ("img" + std::to_string(i) + ".BYR"));
        std::ofstream out(files.back(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), header.size());
        out.write(pixels.data(), std::streamsize(pixels.size()));
        out.write("\0\0\0\0", 4);
    }
    return files;
}
