#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/LogCapture.h"

namespace vexa::testing {

// A fresh directory under the temporary directory, removed with everything in it at the end.
class ScratchDirectory {
public:
    explicit ScratchDirectory(std::string const& name)
        : m_path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDirectory()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::filesystem::path const& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string read_text(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline void write_text(std::filesystem::path const& path, std::string const& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}
