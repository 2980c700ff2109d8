#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace vexa::testing {

// Sets up the stand-in yt-dlp (first on PATH in these tests) for one scenario and reads back the
// argument lists it was run with. Set before any worker thread starts.
class StandInYtDlp {
public:
    explicit StandInYtDlp(std::string const& scenario = "success")
    {
        m_log = std::filesystem::temp_directory_path() / ("vexa-yt-dlp-" + std::to_string(::getpid()) + "-" + std::to_string(s_serial++) + ".log");
        std::filesystem::remove(m_log);
        ::setenv("VEXA_FAKE_YTDLP_SCENARIO", scenario.c_str(), 1);
        ::setenv("VEXA_FAKE_YTDLP_LOG", m_log.c_str(), 1);
    }
    ~StandInYtDlp()
    {
        ::unsetenv("VEXA_FAKE_YTDLP_SCENARIO");
        ::unsetenv("VEXA_FAKE_YTDLP_LOG");
        std::error_code ignored;
        std::filesystem::remove(m_log, ignored);
    }

    void set_scenario(std::string const& scenario) { ::setenv("VEXA_FAKE_YTDLP_SCENARIO", scenario.c_str(), 1); }

    // Every run's arguments, in order.
    std::vector<std::vector<std::string>> runs() const
    {
        std::vector<std::vector<std::string>> all;
        std::ifstream file(m_log);
        std::vector<std::string> current;
        std::string line;
        while (std::getline(file, line)) {
            if (line == "--") {
                all.push_back(std::move(current));
                current.clear();
            } else {
                current.push_back(line);
            }
        }
        return all;
    }

private:
    static inline int s_serial = 0;
    std::filesystem::path m_log;
};

}
