#pragma once

#include <string>
#include <string_view>

#include "kaso/actions/EncodedAction.h"
#include "kaso/platform/Error.h"

namespace kaso::actions {

// An identifier as words for people: "SetVideoLiked" → "Set video liked",
// "dearrow_titles" → "Dearrow titles", "HTTPServer" → "Http server". Words break at case
// changes (a run of capitals keeps together, its last capital starting the next word when a
// lower-case letter follows), at digits after letters, and at '_', '-', '.' and spaces; the first
// word is capitalised and the rest are lower case. An identifier with no letters or digits gives
// an empty text.
std::string humanize_identifier(std::string_view identifier);

// An operation's encoded action checked against the kind its namespace declares: the action
// itself when the kinds match exactly, else an error naming both kinds (the payload is never
// shown, since an operation may carry a secret).
ErrorOr<EncodedAction> enforce_operation_type(EncodedAction action, std::string_view operation_kind);

}
