#include "src/backend/InnertubeWatch.h"

#include <map>

#include "src/backend/InnertubeRenderers.h"
#include "src/backend/InnertubeText.h"
#include "src/backend/YtDlpJson.h"
#include "src/model/Formatting.h"

namespace vexa::innertube {

namespace {

// The like count from the like button's accessibility text ("like this video along with 1,234
// other people"), current and older shapes.
uint64_t like_count(JsonValue primary)
{
    for (auto button : array(at(primary, { "videoActions", "menuRenderer", "topLevelButtons" }))) {
        auto like_view = at(button, { "segmentedLikeDislikeButtonViewModel", "likeButtonViewModel", "likeButtonViewModel",
            "toggleButtonViewModel", "toggleButtonViewModel", "defaultButtonViewModel", "buttonViewModel" });
        if (auto label = text_of(at(like_view, { "accessibilityText" })); !label.empty())
            return parse_count(label);
        for (auto legacy : { at(button, { "toggleButtonRenderer" }), at(button, { "segmentedLikeDislikeButtonRenderer", "likeButton", "toggleButtonRenderer" }) }) {
            if (auto label = text_of(at(legacy, { "accessibilityData", "accessibilityData", "label" })); !label.empty())
                return parse_count(label);
            if (auto label = text_of(at(legacy, { "defaultText", "accessibility", "accessibilityData", "label" })); !label.empty())
                return parse_count(label);
        }
    }
    return 0;
}

void read_primary(JsonValue primary, Video& video)
{
    video.title = text_of(at(primary, { "title" }));
    auto view_count = at(primary, { "viewCount", "videoViewCountRenderer" });
    video.views = parse_count(text_of(at(view_count, { "viewCount" })));
    video.live = at(view_count, { "isLive" }).is_true();
    video.published = text_of(at(primary, { "dateText" }));
    video.likes = like_count(primary);
}

void read_secondary(JsonValue secondary, Video& video)
{
    auto owner = at(secondary, { "owner", "videoOwnerRenderer" });
    auto run = at(owner, { "title", "runs", 0 });
    video.channel_name = text_of(at(run, { "text" }));
    if (auto id = at(run, { "navigationEndpoint", "browseEndpoint", "browseId" }); id.is_string())
        video.channel_id = std::string(id.string());
    video.channel_seed = video.channel_id;
    video.channel_avatar_url = best_thumbnail_url(at(owner, { "thumbnail" }));
    if (video.channel_name.empty())
        video.channel_name = "Unknown";
    video.description = text_of(at(secondary, { "attributedDescription" }));
    if (video.description.empty())
        video.description = text_of(at(secondary, { "description" }));
}

std::string engagement_panel_token(JsonValue answer)
{
    for (auto panel : array(at(answer, { "engagementPanels" }))) {
        auto section = at(panel, { "engagementPanelSectionListRenderer" });
        if (at(section, { "targetId" }) != "engagement-panel-comments-section")
            continue;
        auto token = at(section, { "header", "engagementPanelTitleHeaderRenderer", "menu", "sortFilterSubMenuRenderer", "subMenuItems", 0,
            "serviceEndpoint", "continuationCommand", "token" });
        if (token.is_string())
            return std::string(token.string());
    }
    return {};
}

// The length, when the answer carries one; the watch page itself usually does not.
uint32_t length_of(JsonValue answer)
{
    auto seconds = at(answer, { "videoDetails", "lengthSeconds" });
    if (seconds.is_string())
        return parse_length(seconds.string());
    return 0;
}

struct EntityPayloads {
    // The first payload of each key counts.
    std::map<std::string_view, JsonValue> comments; // commentEntityPayload by key
    std::map<std::string_view, JsonValue> toolbars; // engagementToolbarStateEntityPayload by key
};

EntityPayloads entity_payloads(JsonValue answer)
{
    EntityPayloads payloads;
    for (auto mutation : array(at(answer, { "frameworkUpdates", "entityBatchUpdate", "mutations" }))) {
        auto comment = at(mutation, { "payload", "commentEntityPayload" });
        if (auto key = comment["key"]; key.is_string())
            payloads.comments.emplace(key.string(), comment);
        auto toolbar = at(mutation, { "payload", "engagementToolbarStateEntityPayload" });
        if (auto key = toolbar["key"]; key.is_string())
            payloads.toolbars.emplace(key.string(), toolbar);
    }
    return payloads;
}

void finish_comment(Comment& comment)
{
    // The initials come from the name as given, so a comment without one shows "?".
    comment.initials = initials_of(comment.author);
    if (comment.author.empty())
        comment.author = "Unknown";
}

std::optional<Comment> current_comment(JsonValue view, EntityPayloads const& payloads)
{
    auto key = at(view, { "commentKey" });
    if (!key.is_string())
        return std::nullopt;
    Comment comment;
    comment.pinned = !text_of(at(view, { "pinnedText" })).empty();
    if (auto found = payloads.comments.find(key.string()); found != payloads.comments.end()) {
        auto payload = found->second;
        comment.text = text_of(at(payload, { "properties", "content" }));
        comment.time_ago = text_of(at(payload, { "properties", "publishedTime" }));
        comment.author = text_of(at(payload, { "author", "displayName" }));
        comment.likes = parse_count(text_of(at(payload, { "toolbar", "likeCountNotliked" })));
        comment.replies = static_cast<uint32_t>(std::min<uint64_t>(parse_count(text_of(at(payload, { "toolbar", "replyCount" }))), UINT32_MAX));
    }
    if (auto toolbar_key = at(view, { "toolbarStateKey" }); toolbar_key.is_string()) {
        if (auto found = payloads.toolbars.find(toolbar_key.string()); found != payloads.toolbars.end())
            comment.hearted = found->second["heartState"] == "TOOLBAR_HEART_STATE_HEARTED";
    }
    return comment;
}

std::optional<Comment> legacy_comment(JsonValue thread, JsonValue renderer)
{
    if (!renderer.is_object())
        return std::nullopt;
    Comment comment;
    comment.author = text_of(at(renderer, { "authorText" }));
    comment.text = text_of(at(renderer, { "contentText" }));
    comment.time_ago = text_of(at(renderer, { "publishedTimeText" }));
    comment.likes = parse_count(text_of(at(renderer, { "voteCount" })));
    auto replies = at(renderer, { "replyCount" });
    if (auto count = replies.unsigned_integer())
        comment.replies = static_cast<uint32_t>(std::min<uint64_t>(*count, UINT32_MAX));
    comment.pinned = at(renderer, { "pinnedCommentBadge" }).is_object()
        || at(thread, { "renderingPriority" }) == "RENDERING_PRIORITY_PINNED_COMMENT";
    comment.hearted = at(renderer, { "actionButtons", "commentActionButtonsRenderer", "creatorHeart", "creatorHeartRenderer", "isHearted" }).is_true();
    return comment;
}

}

BackendResult<WatchPage> watch_page(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin)
{
    auto answered_id = at(answer, { "currentVideoEndpoint", "watchEndpoint", "videoId" });
    if (answered_id.is_string() && answered_id.string() != requested_id)
        return backend_error("answer is for video " + std::string(answered_id.string()));

    WatchPage page;
    page.video.id = std::string(requested_id);
    page.video.seed = page.video.id;
    page.video.thumbnail_url = ytdlp::hq_thumbnail_url(thumbnail_origin, requested_id);
    page.video.category = "Video";
    page.video.channel_name = "Unknown";
    page.video.duration = length_of(answer);

    bool found_primary = false;
    for (auto content : array(at(answer, { "contents", "twoColumnWatchNextResults", "results", "results", "contents" }))) {
        if (auto primary = at(content, { "videoPrimaryInfoRenderer" }); primary.is_object()) {
            read_primary(primary, page.video);
            found_primary = true;
        } else if (auto secondary = at(content, { "videoSecondaryInfoRenderer" }); secondary.is_object()) {
            read_secondary(secondary, page.video);
        } else if (auto section = at(content, { "itemSectionRenderer" }); section.is_object()) {
            if (at(section, { "sectionIdentifier" }) != "comment-item-section")
                continue;
            auto token = at(section, { "contents", 0, "continuationItemRenderer", "continuationEndpoint", "continuationCommand", "token" });
            if (token.is_string())
                page.comments_token = std::string(token.string());
        }
    }
    if (!found_primary && !answered_id.is_string())
        return backend_error("answer holds no video " + std::string(requested_id));
    if (page.comments_token.empty())
        page.comments_token = engagement_panel_token(answer);

    auto related = collect_items(at(answer, { "contents", "twoColumnWatchNextResults", "secondaryResults", "secondaryResults", "results" }), thumbnail_origin);
    page.related = std::move(related.videos);
    return page;
}

std::vector<Comment> comment_page(JsonValue answer, size_t limit)
{
    std::vector<Comment> comments;
    auto payloads = entity_payloads(answer);
    for (auto endpoint : array(at(answer, { "onResponseReceivedEndpoints" }))) {
        auto items = at(endpoint, { "reloadContinuationItemsCommand", "continuationItems" });
        if (!items.is_array())
            items = at(endpoint, { "appendContinuationItemsAction", "continuationItems" });
        for (auto item : array(items)) {
            if (comments.size() >= limit)
                return comments;
            auto thread = at(item, { "commentThreadRenderer" });
            if (!thread.is_object())
                continue;
            std::optional<Comment> comment;
            if (auto view = at(thread, { "commentViewModel", "commentViewModel" }); view.is_object())
                comment = current_comment(view, payloads);
            else
                comment = legacy_comment(thread, at(thread, { "comment", "commentRenderer" }));
            if (!comment)
                continue;
            finish_comment(*comment);
            comments.push_back(std::move(*comment));
        }
    }
    return comments;
}

}
