#include "src/actions/LibraryWriter.h"

#include "automerge/Transaction.h"

namespace vexa {

namespace {

using automerge::ObjId;
using automerge::ScalarValue;

kaso::Error document_error(automerge::Error const& error) { return kaso::Error { fmt::format("library document: {}", error.message) }; }

// Unwraps a document result inside a function returning kaso::ErrorOr.
#define DOC_TRY(expression)                                               \
    __extension__({                                                       \
        auto&& _doc_result = (expression);                                \
        if (!_doc_result.has_value())                                     \
            return std::unexpected(document_error(_doc_result.error()));  \
        std::move(_doc_result).value();                                   \
    })

struct Writer {
    automerge::Transaction& transaction;
    ObjId vexa;

    kaso::ErrorOr<ObjId> map(ObjId parent, std::string_view key) { return DOC_TRY(doc_get_checked(transaction, parent, key)); }

    kaso::ErrorOr<void> put(ObjId parent, std::string_view key, ScalarValue value)
    {
        DOC_TRY(transaction.put(parent, key, std::move(value)));
        return {};
    }

    kaso::ErrorOr<void> put_in(std::string_view container, std::string_view key, ScalarValue value)
    {
        return put(TRY(map(vexa, container)), key, std::move(value));
    }

    kaso::ErrorOr<void> operator()(VexaAction::SetVideoLiked const& action) { return put_in("likes", action.video_id, ScalarValue::boolean(action.liked)); }
    kaso::ErrorOr<void> operator()(VexaAction::AddToQueue const& action) { return put_in("queue", action.video_id, ScalarValue::boolean(true)); }
    kaso::ErrorOr<void> operator()(VexaAction::SetQueueMembership const& action)
    {
        return put_in("queue", action.video_id, ScalarValue::boolean(action.queued));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetSubscription const& action)
    {
        return put_in("subscriptions", action.channel_id, ScalarValue::boolean(action.subscribed));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetSetting const& action)
    {
        return put_in("settings", setting_flag_key(action.setting), ScalarValue::boolean(action.enabled));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetPreferredQuality const& action)
    {
        return put_in("settings", "preferred_quality", ScalarValue::str(action.quality));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetSponsorCategory const& action)
    {
        auto settings = TRY(map(vexa, "settings"));
        auto categories = TRY(map(settings, "sponsor_categories"));
        return put(categories, segment_category_api_id(action.category), ScalarValue::str(std::string(segment_mode_text(action.mode))));
    }
    kaso::ErrorOr<void> operator()(VexaAction::LikeComment const& action)
    {
        return put_in("comment_likes", comment_key(action.comment_id, action.video_id, action.index), ScalarValue::boolean(true));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetCommentLiked const& action)
    {
        return put_in("comment_likes", action.comment_id, ScalarValue::boolean(action.liked));
    }
    kaso::ErrorOr<void> operator()(VexaAction::ReplyToComment const& action)
    {
        auto key = comment_key(action.comment_id, action.video_id, action.index);
        auto replies = TRY(map(vexa, "comment_replies"));
        auto comment = TRY(map(replies, key));
        return put(comment, comment_reply_id(key, action.text), ScalarValue::str(action.text));
    }
    kaso::ErrorOr<void> operator()(VexaAction::SetCommentReply const& action)
    {
        auto replies = TRY(map(vexa, "comment_replies"));
        auto comment = TRY(map(replies, action.comment_id));
        auto reply = TRY(map(comment, action.reply_id));
        TRY(put(reply, "text", ScalarValue::str(action.text)));
        return put(reply, "active", ScalarValue::boolean(action.active));
    }

    // Refused before the write; never reached.
    template<typename Refused>
    kaso::ErrorOr<void> operator()(Refused const&)
    {
        return kaso::make_error(std::string(refused_by_document_message));
    }
};

bool is_refused(VexaAction const& action)
{
    return action.get_if<VexaAction::LikeVideo>() || action.get_if<VexaAction::SetHistoryEntry>() || action.get_if<VexaAction::ClearHistory>()
        || action.get_if<VexaAction::ToggleSubscription>() || action.get_if<VexaAction::CyclePreferredQuality>();
}

}

automerge::ErrorOr<ObjId> doc_get_checked(automerge::Transaction& transaction, ObjId parent, std::string_view key)
{
    auto existing = TRY(transaction.get(parent, key));
    if (existing && existing->is_map())
        return existing->object;
    return transaction.put_object(parent, key, automerge::ObjType::Map);
}

kaso::ErrorOr<void> write_library_action(automerge::Transaction& transaction, VexaAction const& action)
{
    if (is_refused(action))
        return kaso::make_error(std::string(refused_by_document_message));
    if (auto const* quality = action.get_if<VexaAction::SetPreferredQuality>(); quality && !is_quality_label(quality->quality)) {
        return kaso::make_error(fmt::format("unsupported preferred quality: {}", quality->quality));
    }
    if (!action.texts_are_utf8())
        return kaso::make_error(fmt::format("{} carries a text that is not valid UTF-8", action.variant_name()));

    auto vexa = DOC_TRY(doc_get_checked(transaction, automerge::ROOT, "vexa"));
    Writer writer { transaction, vexa };
    return std::visit(writer, action.value);
}

std::string format_indexed_key(std::string_view text, uint64_t number) { return fmt::format("{}#{}", text, number); }

std::string comment_key(std::string_view comment_id, std::string_view video_id, uint64_t index)
{
    if (!comment_id.empty())
        return std::string(comment_id);
    return format_indexed_key(video_id, index);
}

std::string comment_reply_id(std::string_view comment_id, std::string_view text)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    };
    for (char c : comment_id)
        mix(static_cast<unsigned char>(c));
    mix(0xff);
    for (char c : text)
        mix(static_cast<unsigned char>(c));
    return fmt::format("reply-{:016x}", hash);
}

}
