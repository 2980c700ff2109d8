#include "src/app/LibraryDocument.h"

#include "kaso/actions/LibraryStore.h"
#include "kaso/platform/Log.h"
#include "src/actions/TypedDispatch.h"

namespace vexa {

bool LibraryDocument::read(automerge::Document const* document, VexaModel& model)
{
    if (!document)
        return false;
    return m_reader.read(*document, model);
}

std::optional<VexaAction> LibraryDocument::library_action_for(UiAction const& action, VexaModel const& model)
{
    switch (action.kind) {
    case UiActionKind::ToggleSubscription:
        // The entry that names the channel (it may be a creator address), so that unsubscribing
        // clears the entry the library really holds.
        return VexaAction::SetSubscription { model.subscription_for(action.text).value_or(action.text), !model.is_subscribed(action.text) };
    case UiActionKind::ToggleLike: return VexaAction::SetVideoLiked { action.text, !model.is_liked(action.text) };
    case UiActionKind::CycleSegmentMode:
        if (auto category = segment_category_from_index(action.index))
            return VexaAction::SetSponsorCategory { *category, next_segment_mode_in_cycle(model.settings.segment_mode(*category)) };
        return std::nullopt;
    case UiActionKind::ToggleSetting:
        if (auto flag = setting_flag_from_index(action.index))
            return VexaAction::SetSetting { *flag, !model.settings.flag(*flag) };
        return std::nullopt;
    case UiActionKind::SetQuality:
        if (is_quality_label(action.text))
            return VexaAction::SetPreferredQuality { action.text };
        return std::nullopt;
    default: return std::nullopt;
    }
}

void LibraryDocument::dispatch(kaso::actions::LibraryStore* store, UiAction const& action, VexaModel const& model)
{
    if (auto library_action = library_action_for(action, model))
        dispatch(store, *library_action);
}

bool LibraryDocument::dispatch(kaso::actions::LibraryStore* store, VexaAction const& action)
{
    if (!store) {
        kaso::log::target("vexa::app")->warn("action not kept action={} missing=library document", kaso::debug_text(action.variant_name()));
        return false;
    }
    auto dispatched = dispatch_vexa_action(m_host, *store, action, dispatch_request(vexa_provenance_id, vexa_provenance_title, action));
    if (!dispatched) {
        // Nothing is shown: the local echo stays until the next read of the document settles it.
        kaso::log::target("vexa::app")->warn("action dispatch failed kind={} error={}", kaso::debug_text(vexa_action_kind),
            kaso::debug_text(dispatched.error().message));
    }
    return dispatched.has_value();
}

bool LibraryDocument::tell_store_notice(kaso::actions::LibraryStore const* store, VexaModel& model)
{
    if (m_notice_told || !store)
        return false;
    m_notice_told = true;
    auto const& notice = store->notice();
    if (notice)
        model.push_notice(*notice);
    return notice.has_value();
}

}
