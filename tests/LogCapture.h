#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <spdlog/sinks/ringbuffer_sink.h>

#include "kaso/platform/Log.h"

namespace vexa::testing {

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
    ~LogCapture() { std::erase(m_logger->sinks(), m_sink); }
    LogCapture(LogCapture const&) = delete;
    LogCapture& operator=(LogCapture const&) = delete;

    std::vector<std::string> lines() const { return m_sink->last_formatted(); }
    std::string text() const
    {
        std::string all;
        for (auto const& line : lines())
            all += line;
        return all;
    }
    // How many lines hold `needle`.
    size_t count(std::string_view needle) const
    {
        auto all = lines();
        return static_cast<size_t>(std::ranges::count_if(all, [&](std::string const& line) { return line.find(needle) != std::string::npos; }));
    }

private:
    std::shared_ptr<spdlog::logger> m_logger;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> m_sink;
};

}
