#pragma once

namespace automerge {
class Document;
}

namespace vexa {

struct VexaModel;

// Copies what the shared library document holds under "vexa" into the model's likes, comment
// likes, subscriptions, queue and settings, and returns whether any of them changed.
//
// The document is the source of truth and the model a copy, but a copy that survives a damaged
// document: each field is read on its own, and one whose key is missing, of the wrong kind or
// unreadable keeps the value it had. A field is replaced, and a change reported, only when the
// value read really differs, so an unchanged document never rebuilds the pages. Nothing is
// logged: this runs twice a frame.
//
// Likes list only the videos the model knows, in the model's order; subscriptions and the
// queue keep the document's key order; comment likes keep false entries too.
bool read_shared_library(automerge::Document const& document, VexaModel& model);

}
