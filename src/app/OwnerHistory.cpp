#include "src/app/OwnerHistory.h"

#include "kaso/platform/Log.h"

namespace vexa {

namespace {

bool unavailable(char const* action)
{
    kaso::log::target("vexa::app")->warn("action not carried out action={} missing=owner history store", kaso::debug_text(action));
    return false;
}

}

OwnerHistory OwnerHistory::open(std::string owner_id) { return OwnerHistory(HistoryStore::open(std::move(owner_id))); }

OwnerHistory OwnerHistory::in_memory() { return OwnerHistory(HistoryStore::in_memory()); }

// FIXME: the four below apply their OwnerHistoryAction through the store once it has a document.
bool OwnerHistory::record_watched(std::string const&, VexaModel&) { return unavailable("Open video"); }

bool OwnerHistory::clear(VexaModel&) { return unavailable("Clear watch history"); }

bool OwnerHistory::migrate_legacy(automerge::Document const*, VexaModel&) { return false; }

bool OwnerHistory::refresh_list(VexaModel&) { return false; }

}
