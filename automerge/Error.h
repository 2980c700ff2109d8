#pragma once

#include <string>
#include <utility>

#include "base/ErrorOr.h"

namespace automerge {

// What kind of failure an Error reports, so a caller can tell a document it must keep aside
// (Corrupt, TooLarge) from one it may not read at all (Unsupported) or from its own mistake.
enum class ErrorCode {
    Corrupt,            // bytes that are not a valid Automerge file: bad magic, checksum, columns
    MismatchingHeads,   // the rebuilt changes do not hash to the stored heads
    Unsupported,        // a valid document holding list, text, table or mark objects
    TooLarge,           // a declared length, count, nesting depth or inflated size past a bound
    MissingDependency,  // changes whose dependencies are not in the document
    InvalidArgument,    // a caller's mistake: unknown object, a transaction already open
};

// The error of every fallible operation in the library: a code and one message shaped
// "part: what failed".
struct Error {
    ErrorCode code { ErrorCode::Corrupt };
    std::string message;
};

template<typename T>
using ErrorOr = base::ErrorOr<T, Error>;
using Unexpected = base::Unexpected<Error>;

inline Unexpected make_error(ErrorCode code, std::string message)
{
    return Unexpected(Error { code, std::move(message) });
}

}
