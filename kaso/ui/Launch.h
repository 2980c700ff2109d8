#pragma once

#include "base/ErrorOr.h"
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/platform/Error.h"
#include "kaso/ui/App.h"
#include "kaso/ui/LaunchArgs.h"
#include "kaso/ui/Persist.h"
#include "kaso/ui/Theme.h"
#include "kaso/ui/Widget.h"

namespace kaso::ui::launch {

struct LaunchError {
    std::string message;
    // What the program prints after "Error: ".
    std::string debug_text() const { return fmt::format("LaunchError {{ message: {} }}", kaso::debug_text(message)); }
};

// Everything the launcher needs to run one application: its identity, its flags, and the
// callbacks that build its root widget, register its actions and size its window.
struct LaunchDescriptor {
    std::string application_id; // reverse-DNS, e.g. "io.kaso.vexa"
    std::vector<std::string_view> bool_flags;
    std::vector<std::string_view> value_flags;
    std::function<ErrorOr<WidgetBox>(LaunchArgs const&)> build_from_args;
    std::function<WidgetBox()> build_default;
    std::function<void(app::App&)> register_actions;
    std::function<WindowSize(LaunchArgs const&)> initial_window_size;
    // Whether the first page plays media: GStreamer then starts in the background at launch;
    // otherwise only when a video player is first drawn, so a window that plays nothing never
    // holds it. Without the callback every launch starts it.
    std::function<bool(LaunchArgs const&)> plays_at_launch;
    std::function<std::shared_ptr<persist::Store>(std::string_view)> open_persistence;
    bool fullscreen { false };
    bool resizable { true };
    bool high_dpi { true };
    // The theme the window paints with; the dark theme when none is given.
    std::optional<Theme> theme;
    // The command line without the program name; when absent the launcher reads the process's own.
    std::optional<std::vector<std::string>> arguments;
};

// Which builder a start uses: a plain start (no known flag, value or window size) gets the
// default application, any other the one built from the arguments.
enum class Builder {
    Default,
    FromArgs,
};
Builder builder_for(LaunchArgs const& args);

// The window's title: the last label of the identifier with its first letter in capitals.
std::string window_title(std::string_view application_id);

// The process's command line without the program name.
std::vector<std::string> process_arguments();

// Opens the window and runs the event loop until it is closed.
base::ErrorOr<void, LaunchError> run(LaunchDescriptor descriptor);

}
