#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kaso/platform/Log.h"
#include "kaso/ui/Launch.h"
#include "src/app/Launch.h"
#include "src/diagnostics/DiagnosticMode.h"

namespace {

// What `main` returns: success, or the debug text printed after "Error: ".
std::optional<std::string> run(std::vector<std::string> const& command_line)
{
    if (auto mode = vexa::select_diagnostic_mode(command_line)) {
        auto result = vexa::run_diagnostic_mode(*mode, command_line);
        if (!result)
            return kaso::debug_text(result.error().message);
        return std::nullopt;
    }
    auto descriptor = vexa::launch_descriptor();
    descriptor.arguments = std::vector<std::string>(command_line.begin() + (command_line.empty() ? 0 : 1), command_line.end());
    auto launched = kaso::ui::launch::run(std::move(descriptor));
    if (!launched)
        return launched.error().debug_text();
    return std::nullopt;
}

}

int main(int argc, char** argv)
{
    kaso::log::install();
    std::vector<std::string> command_line(argv, argv + argc);
    auto error = run(command_line);
    if (error)
        std::fprintf(stderr, "Error: %s\n", error->c_str());
    // Workers are never joined: end the process without running static destructors under them.
    kaso::log::flush();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(error ? 1 : 0);
}
