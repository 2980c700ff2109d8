#pragma once

#include <string>

#include "src/diagnostics/ModeOutcome.h"

namespace vexa {

struct DiagnosticEnvironment;

// "--live-shots": stills of the application filled with live data, written into `directory` as
// watch.png (the default video playing a real decoded frame), search.png and home.png (from a
// search for `query`) and playlist.png (the first playlist of that search that resolves). A still
// whose data cannot be had is skipped with a line that says so.
ModeOutcome run_live_shots(DiagnosticEnvironment& environment, std::string const& directory, std::string const& query);

}
