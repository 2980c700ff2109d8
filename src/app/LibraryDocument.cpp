#include "src/app/LibraryDocument.h"

#include "kaso/platform/Log.h"

namespace vexa {

bool LibraryDocument::read(automerge::Document const*, VexaModel&)
{
    // FIXME: read the "vexa" map (likes, queue, subscriptions, settings) into the model.
    return false;
}

namespace {

// Whether the action changes the library: the five that do, with a value the library can hold.
bool changes_library(UiAction const& action)
{
    switch (action.kind) {
    case UiActionKind::ToggleSubscription:
    case UiActionKind::ToggleLike: return true;
    case UiActionKind::CycleSegmentMode: return segment_category_from_index(action.index).has_value();
    case UiActionKind::ToggleSetting: return setting_flag_from_index(action.index).has_value();
    case UiActionKind::SetQuality: return is_quality_label(action.text);
    default: return false;
    }
}

}

void LibraryDocument::dispatch(automerge::Document const*, UiAction const& action, VexaModel const&)
{
    if (!changes_library(action))
        return;
    // FIXME: build the matching VexaAction and dispatch it on the document through m_host.
    kaso::log::target("vexa::app")->warn("action not carried out action={} missing=library document", kaso::debug_text(action.title()));
}

}
