#pragma once

#include <chrono>
#include <cstddef>
#include "base/ErrorOr.h"
#include <string>
#include <vector>

namespace kaso::platform {

// Why a command produced no finished run.
enum class CommandErrorKind {
    Failed,  // it could not be started, wrote more than the limit or ran past its time-out
    Refused, // the runner would not start it (an unusable program name or argument)
};

struct CommandError {
    CommandErrorKind kind { CommandErrorKind::Failed };
    std::string message;
};

// A finished run. `exit_status` is the program's exit code, or 128 plus the signal that ended it.
struct CommandOutput {
    std::string standard_output;
    std::string standard_error;
    int exit_status { 0 };
};

struct CommandLimits {
    size_t output_limit { 8 * 1024 * 1024 }; // bytes, for each of standard output and standard error
    std::chrono::milliseconds timeout { 30'000 };
};

// Runs `program` (looked up on PATH when it holds no slash) with `arguments`, without a shell,
// with standard input on /dev/null, collecting both output streams. A program that writes more
// than the limit, or is still running at the time-out, is killed together with every process
// it started in its process group, and the run fails.
base::ErrorOr<CommandOutput, CommandError> run_command(
    std::string const& program, std::vector<std::string> const& arguments, CommandLimits limits);

}
