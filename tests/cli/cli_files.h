// The files the CLI tests hand to kx4xx and read back: temporary paths,
// whole files, and the JSON lines of an operation log.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

inline std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + name;
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline std::vector<nlohmann::json> ReadLogLines(const std::string& path)
{
    std::vector<nlohmann::json> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}
