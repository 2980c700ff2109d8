#include "kaso/platform/Log.h"

#include <mutex>
#include <string>

#include <spdlog/sinks/stdout_color_sinks.h>

namespace kaso::log {

namespace {

std::mutex s_mutex;

spdlog::sink_ptr shared_sink()
{
    static auto sink = std::make_shared<spdlog::sinks::stderr_color_sink_mt>();
    return sink;
}

}

void install()
{
    std::lock_guard lock(s_mutex);
    auto logger = std::make_shared<spdlog::logger>("kaso", shared_sink());
    spdlog::set_default_logger(logger);
    spdlog::set_pattern("%Y-%m-%dT%H:%M:%S.%fZ %^%5l%$ %n: %v", spdlog::pattern_time_type::utc);
    spdlog::set_level(spdlog::level::info);
}

std::shared_ptr<spdlog::logger> target(std::string_view name)
{
    std::lock_guard lock(s_mutex);
    std::string key(name);
    if (auto existing = spdlog::get(key))
        return existing;
    auto logger = std::make_shared<spdlog::logger>(key, shared_sink());
    logger->set_level(spdlog::get_level());
    spdlog::register_logger(logger);
    return logger;
}

void flush()
{
    spdlog::apply_all([](std::shared_ptr<spdlog::logger> logger) { logger->flush(); });
}

}
