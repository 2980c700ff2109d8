#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "kaso/platform/Log.h"

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

// Collects what one log target writes while it lives: "<level> <message>" lines.
class LogCapture {
public:
    explicit LogCapture(std::string_view target)
        : m_logger(kaso::log::target(target))
        , m_sink(std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(256))
    {
        m_sink->set_pattern("%l %v");
        m_logger->sinks().push_back(m_sink);
    }
    ~LogCapture()
    {
        auto& sinks = m_logger->sinks();
        std::erase(sinks, m_sink);
    }
    std::vector<std::string> lines() const { return m_sink->last_formatted(); }
    std::string text() const
    {
        std::string all;
        for (auto const& line : lines())
            all += line;
        return all;
    }

private:
    std::shared_ptr<spdlog::logger> m_logger;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> m_sink;
};

}
