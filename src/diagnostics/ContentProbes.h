#pragma once

#include <string>

#include "src/diagnostics/ModeOutcome.h"

namespace vexa {

struct DiagnosticEnvironment;

// The probes of the live content sources. Each prints what the sources really delivered and
// ends with success, with `ExitStatus::NoResults` when its search or feed gave nothing at all, or
// with an error when a backend cannot be built (or, for the yt-dlp and avatar probes, a call
// they cannot go on without fails).

// "--probe-trending": the dedicated trending endpoint, else a popular feed composed of topics.
ModeOutcome run_probe_trending(DiagnosticEnvironment& environment);
// "--probe-ytdlp": a yt-dlp search, the first video's details and its creator's channel.
ModeOutcome run_probe_ytdlp(DiagnosticEnvironment& environment, std::string const& query);
// "--probe-avatars": how creator avatars of the innertube search match the yt-dlp search, and
// whether the image store decodes them.
ModeOutcome run_probe_avatars(DiagnosticEnvironment& environment, std::string const& query);
// "--probe": the innertube search and its follow-up calls.
ModeOutcome run_probe_search(DiagnosticEnvironment& environment, std::string const& query);

}
