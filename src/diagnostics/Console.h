#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>

namespace vexa {

// Where the diagnostic modes print their lines: each line goes to standard output or to standard
// error, whole, with its line break. Tests record the lines in order instead.
class Console {
public:
    enum class Stream {
        Out,
        Err,
    };

    virtual ~Console() = default;
    virtual void write_line(Stream stream, std::string_view line) = 0;

    template<typename... Args>
    void out(fmt::format_string<Args...> format, Args&&... args)
    {
        write_line(Stream::Out, fmt::format(format, std::forward<Args>(args)...));
    }
    template<typename... Args>
    void err(fmt::format_string<Args...> format, Args&&... args)
    {
        write_line(Stream::Err, fmt::format(format, std::forward<Args>(args)...));
    }
};

// The process's own streams. Standard output is made line-buffered, so that its lines and those
// of standard error come out in the order they were written.
class StandardConsole final : public Console {
public:
    StandardConsole();
    void write_line(Stream stream, std::string_view line) override;
};

// Keeps every line with its stream, in order.
class RecordingConsole final : public Console {
public:
    struct Line {
        Stream stream;
        std::string text;
        bool operator==(Line const&) const = default;
    };

    void write_line(Stream stream, std::string_view line) override { m_lines.push_back({ stream, std::string(line) }); }
    std::vector<Line> const& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    std::vector<Line> m_lines;
};

}
