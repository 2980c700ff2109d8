#include "tests/diagnostics/DiagnosticServices.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <httplib.h>
#include <unistd.h>

#include "kaso/ui/Offscreen.h"

namespace vexa::testing {

namespace {

ServiceSettings loopback_settings(std::string const& origin)
{
    auto settings = ServiceSettings::loopback(origin);
    settings.ytdlp_program = (source_dir() / "tests/diagnostics/stand-in/yt-dlp").string();
    settings.invidious_instances = { origin + "/invidious" };
    return settings;
}

std::string read_text(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}

std::filesystem::path source_dir()
{
    char const* dir = std::getenv("VEXA_SOURCE_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::current_path();
}

DiagnosticServices::DiagnosticServices()
    : m_environment { loopback_settings(m_innertube.origin()), m_console }
{
    static int serial = 0;
    m_ytdlp_dir = std::filesystem::temp_directory_path() / ("vexa-diag-ytdlp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(m_ytdlp_dir);
    std::filesystem::create_directories(m_ytdlp_dir);
    ::setenv("VEXA_DIAG_YTDLP_DIR", m_ytdlp_dir.c_str(), 1);
    ::unsetenv("KASO_VEXA_INVIDIOUS");
}

DiagnosticServices::~DiagnosticServices()
{
    ::unsetenv("VEXA_DIAG_YTDLP_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(m_ytdlp_dir, ignored);
}

std::string DiagnosticServices::with_origin(std::string text) const
{
    std::string const marker = "@ORIGIN@";
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
        text.replace(at, marker.size(), origin());
    return text;
}

void DiagnosticServices::serve_innertube(std::string const& key, std::string const& fixture)
{
    m_innertube.serve(key, 200, with_origin(read_text(source_dir() / "tests/diagnostics/fixtures/innertube" / fixture)));
}

void DiagnosticServices::answer_ytdlp(std::string const& kind, std::string const& text)
{
    std::ofstream(m_ytdlp_dir / (kind + ".out"), std::ios::binary) << with_origin(text);
}

void DiagnosticServices::break_ytdlp_version() { std::ofstream(m_ytdlp_dir / "version.fail") << "broken"; }

void DiagnosticServices::serve_image(std::string const& path, uint8_t red, uint8_t green, uint8_t blue, int width, int height)
{
    kaso::ui::Image image;
    image.width = width;
    image.height = height;
    image.stride = width * 4;
    image.opaque = true;
    image.pixels.resize(std::size_t(image.stride) * std::size_t(height));
    for (std::size_t at = 0; at < image.pixels.size(); at += 4) {
        image.pixels[at] = blue;
        image.pixels[at + 1] = green;
        image.pixels[at + 2] = red;
        image.pixels[at + 3] = 255;
    }
    auto png = kaso::ui::encode_png(image);
    std::string body(reinterpret_cast<char const*>(png->data()), png->size());
    server().serve(path, 200, std::move(body), "image/png");
}

std::vector<std::string> DiagnosticServices::transcript() const
{
    std::vector<std::string> lines;
    for (auto const& line : m_console.lines())
        lines.push_back((line.stream == Console::Stream::Out ? "out: " : "err: ") + line.text);
    return lines;
}

}
