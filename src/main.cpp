#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kaso/platform/Log.h"
#include "kaso/ui/Launch.h"
#include "src/app/Launch.h"
#include "src/diagnostics/Console.h"
#include "src/diagnostics/DiagnosticMode.h"

namespace {

// How `main` ends: the exit status, and for status 1 the debug text printed after "Error: ".
struct Ending {
    int status { 0 };
    std::optional<std::string> error;
};

Ending run(std::vector<std::string> const& command_line)
{
    if (auto mode = vexa::select_diagnostic_mode(command_line)) {
        vexa::StandardConsole console;
        vexa::DiagnosticEnvironment environment { vexa::ServiceSettings::standard(), console };
        auto outcome = vexa::run_diagnostic_mode(*mode, environment);
        if (!outcome)
            return { 1, kaso::debug_text(outcome.error().message) };
        return { static_cast<int>(*outcome), std::nullopt };
    }
    auto descriptor = vexa::launch_descriptor();
    descriptor.arguments = std::vector<std::string>(command_line.begin() + (command_line.empty() ? 0 : 1), command_line.end());
    auto launched = kaso::ui::launch::run(std::move(descriptor));
    if (!launched)
        return { 1, launched.error().debug_text() };
    return { 0, std::nullopt };
}

}

int main(int argc, char** argv)
{
    kaso::log::install();
    std::vector<std::string> command_line(argv, argv + argc);
    auto ending = run(command_line);
    if (ending.error)
        std::fprintf(stderr, "Error: %s\n", ending.error->c_str());
    // Workers, and the image store's and media engine's threads, may be blocked on the network and
    // are never joined: end the process without running static destructors under them.
    kaso::log::flush();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(ending.status);
}
