#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "automerge/ChangeHash.h"
#include "src/model/Segment.h"
#include "src/model/Settings.h"

namespace automerge {
class Document;
}

namespace vexa {

struct VexaModel;

// What the shared library document holds under "vexa", in the forms the model takes. A part is
// none when its key is missing, unreadable or of the wrong kind: the model then keeps its field.
struct LibrarySnapshot {
    std::optional<std::vector<std::string>> liked;         // "likes" keys whose value is true, byte order
    std::optional<std::map<std::string, bool>> comment_likes; // every boolean entry
    std::optional<std::vector<std::string>> subscriptions; // keys whose value is true, document order
    std::optional<std::vector<std::string>> queue;
    std::array<std::optional<bool>, 7> flags;              // in SettingFlag order
    std::optional<std::string> preferred_quality;          // only one of the four labels
    std::array<std::optional<SegmentMode>, 8> segment_modes; // in SegmentCategory order

    bool operator==(LibrarySnapshot const&) const = default;
};

// Reads the snapshot; a document without a "vexa" map gives an empty one.
LibrarySnapshot library_snapshot(automerge::Document const& document);

// Copies a snapshot into the model and returns whether any field changed. Likes list only the
// videos the model knows, in the model's order; subscriptions and the queue keep the document's
// key order; comment likes keep false entries too. A field is replaced only when the value
// really differs.
bool apply_library_snapshot(LibrarySnapshot const& snapshot, VexaModel& model);

// Copies what the shared library document holds under "vexa" into the model's likes, comment
// likes, subscriptions, queue and settings, and returns whether any of them changed.
//
// The document is the source of truth and the model a copy, but a copy that survives a damaged
// document: each field is read on its own, and one whose key is missing, of the wrong kind or
// unreadable keeps the value it had. An unchanged document never reports a change, so it never
// rebuilds the pages. Nothing is logged: this runs twice a frame.
bool read_shared_library(automerge::Document const& document, VexaModel& model);

// The per-frame form of read_shared_library, with the same result on every call. It reads the
// document again only when its heads moved (committed content is a function of the heads; a
// document with a transaction open is always read again), and lists the likes again only when
// the document or the model's videos changed. Belongs to one application object.
class LibraryReader {
public:
    bool read(automerge::Document const& document, VexaModel& model);

private:
    std::optional<std::vector<automerge::ChangeHash>> m_heads; // of the document m_snapshot was read from
    LibrarySnapshot m_snapshot;
    uint64_t m_snapshot_generation { 0 };

    // The likes listed for these videos from the snapshot of this generation.
    uint64_t m_liked_generation { 0 };
    std::vector<std::string> m_liked_for_videos;
    std::vector<std::string> m_liked;
};

}
