// The application's resource tree: the video on screen, navigation, the library and settings.
// The device-sync resource is built in DeviceSyncTree.cpp.

#include "src/app/ActionTree.h"

#include <algorithm>

#include "src/actions/LibraryWriter.h"
#include "src/model/Text.h"
#include "src/model/VexaModel.h"

namespace vexa {

using kaso::actions::ActionArgs;
using kaso::actions::ActionParam;
using kaso::actions::ActionSpec;
using kaso::actions::EncodedAction;
using kaso::actions::Resource;
using kaso::actions::Unavailability;
using A = VexaAction;
using O = VexaOperation;

namespace {

bool contains(std::vector<std::string> const& list, std::string_view id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

template<typename T>
auto first_items(std::vector<T> const& list)
{
    return std::span(list.data(), std::min(list.size(), max_collection_items));
}

Resource resource(std::string address, std::string kind, std::string label)
{
    return Resource { std::move(address), std::move(kind), std::move(label), {}, {} };
}

ActionSpec described(ActionSpec spec, std::string description)
{
    spec.description = std::move(description);
    return spec;
}

ActionSpec unavailable(ActionSpec spec, std::string reason_code, std::string message)
{
    spec.unavailable = Unavailability { std::move(reason_code), std::move(message) };
    return spec;
}

// "reply": one text parameter "value"; an absent value replies with an empty text.
ActionSpec reply_action(std::string comment_id)
{
    ActionSpec spec;
    spec.id = "reply";
    spec.label = "Reply to comment";
    spec.input = kaso::actions::derive_input({ ActionParam { "value", "Reply", "your reply…", std::nullopt } },
        [comment_id = std::move(comment_id)](ActionArgs const& args) -> kaso::ErrorOr<EncodedAction> {
            std::string text(args.text("value").value_or(""));
            A action = A::SetCommentReply { comment_id, comment_reply_id(comment_id, text), text, true };
            return EncodedAction { "vexa.action", action.to_json_bytes() };
        });
    return spec;
}

Resource comment_resource(VexaModel const& model, std::string_view video_id, Comment const& comment)
{
    auto id = comment_resource_id(video_id, comment);
    auto liked = model.comment_likes.find(id);
    bool is_liked = liked != model.comment_likes.end() && liked->second;
    return resource("vexa.comment:" + id, "vexa.comment", comment_resource_label(comment))
        .with_action(vexa_action_spec("like", is_liked ? "Unlike comment" : "Like comment", A::SetCommentLiked { id, !is_liked }))
        .with_action(reply_action(id));
}

std::string title_or(Video const* video, std::string_view fallback, std::string_view id)
{
    if (video)
        return clean_resource_label(video->title);
    return clean_resource_label(std::string(fallback) + std::string(id));
}

Resource videos_collection(VexaModel const& model, std::string_view watched_id)
{
    auto collection = resource("vexa.videos", "vexa.collection", "Videos");
    for (auto const& video : first_items(model.videos)) {
        auto comments = video.id == watched_id ? WithComments::Yes : WithComments::No;
        if (auto child = video_action_resource(model, video.id, comments))
            collection.children.push_back(std::move(*child));
    }
    return collection;
}

Resource creators_collection(VexaModel const& model)
{
    auto collection = resource("vexa.creators", "vexa.collection", "Creators");
    for (auto const& channel : first_items(model.channels)) {
        collection.children.push_back(resource("vexa.channel:" + channel.id, "vexa.channel", clean_resource_label(channel.name))
                .with_action(vexa_operation_spec("open", "Open creator", O::OpenChannel { channel.id }))
                .with_action(vexa_action_spec("subscribe", "Subscribe or unsubscribe", A::SetSubscription { channel.id, !model.is_subscribed(channel.id) })));
    }
    return collection;
}

Resource playlists_collection(VexaModel const& model)
{
    auto collection = resource("vexa.playlists", "vexa.collection", "Playlists");
    for (auto const& playlist : first_items(model.playlists)) {
        collection.children.push_back(resource("vexa.playlist:" + playlist.id, "vexa.playlist", clean_resource_label(playlist.title))
                .with_action(vexa_operation_spec("open", "Open playlist", O::OpenPlaylist { playlist.id })));
    }
    return collection;
}

Resource subscriptions_collection(VexaModel const& model)
{
    auto collection = resource("vexa.subscriptions", "vexa.collection", "Subscriptions");
    for (auto const& id : first_items(model.subscriptions)) {
        auto const* channel = model.channel(id);
        auto label = clean_resource_label(channel ? channel->name : "Subscribed creator " + id);
        auto entry = resource("vexa.subscription:" + id, "vexa.subscription", std::move(label))
                         .with_action(vexa_action_spec("unsubscribe", "Unsubscribe", A::SetSubscription { id, false }));
        if (channel)
            entry.actions.push_back(vexa_operation_spec("open", "Open creator", O::OpenChannel { id }));
        collection.children.push_back(std::move(entry));
    }
    return collection;
}

Resource queue_collection(VexaModel const& model)
{
    auto collection = resource("vexa.queue", "vexa.collection", "Shared watch queue");
    for (auto const& id : first_items(model.queue)) {
        auto const* video = model.video(id);
        auto entry = resource("vexa.queue:" + id, "vexa.queue-entry", title_or(video, "Queued video ", id))
                         .with_action(vexa_action_spec("remove", "Remove from queue", A::SetQueueMembership { id, false }));
        if (video)
            entry.actions.push_back(vexa_operation_spec("open", "Open video", O::OpenVideo { id }));
        collection.children.push_back(std::move(entry));
    }
    return collection;
}

Resource history_collection(VexaModel const& model)
{
    auto collection = resource("vexa.history", "vexa.collection", "Watch history");
    auto clear = described(vexa_operation_spec("clear", "Clear watch history", O::ClearHistory {}),
        "Clear owner-local, device-synchronised watch history");
    collection.actions.push_back(std::move(clear.destructive()));
    for (auto const& id : first_items(model.history)) {
        collection.children.push_back(resource("vexa.history:" + id, "vexa.history-entry", title_or(model.video(id), "Watched video ", id))
                .with_action(vexa_operation_spec("open", "Open video", O::OpenVideo { id }))
                .with_action(vexa_operation_spec("remove", "Remove from history", O::RemoveHistory { id })));
    }
    return collection;
}

Resource search_results_collection(VexaModel const& model)
{
    auto query = text::trim(model.search_query);
    auto collection = resource("vexa.search-results", "vexa.collection",
        query.empty() ? std::string("Search results") : clean_resource_label("Search results: " + query));
    if (query.empty())
        return collection;
    auto add = [&](std::string address, std::string label, ActionSpec open) {
        collection.children.push_back(resource(std::move(address), "vexa.search-result", std::move(label)).with_action(std::move(open)));
    };
    for (auto const& id : first_items(model.search_video_ids)) {
        if (auto const* video = model.video(id))
            add("vexa.search-result:video:" + id, clean_resource_label(video->title), vexa_operation_spec("open", "Open video", O::OpenVideo { id }));
    }
    for (auto const& id : first_items(model.search_playlist_ids)) {
        if (auto const* playlist = model.playlist(id))
            add("vexa.search-result:playlist:" + id, clean_resource_label(playlist->title),
                vexa_operation_spec("open", "Open playlist", O::OpenPlaylist { id }));
    }
    for (auto const& id : first_items(model.search_channel_ids)) {
        if (auto const* channel = model.channel(id))
            add("vexa.search-result:channel:" + id, clean_resource_label(channel->name),
                vexa_operation_spec("open", "Open creator", O::OpenChannel { id }));
    }
    return collection;
}

Resource library_resource(VexaModel const& model, std::string_view watched_id)
{
    return resource("vexa.library", "vexa.library", "Known library")
        .with_child(videos_collection(model, watched_id))
        .with_child(creators_collection(model))
        .with_child(playlists_collection(model))
        .with_child(subscriptions_collection(model))
        .with_child(queue_collection(model))
        .with_child(history_collection(model))
        .with_child(search_results_collection(model))
        .with_child(resource("vexa.downloads", "vexa.collection", "Downloads (none available)"));
}

std::string next_quality(std::string_view current)
{
    auto found = std::find(quality_labels.begin(), quality_labels.end(), current);
    if (found == quality_labels.end())
        return "720p";
    ++found;
    return std::string(found == quality_labels.end() ? quality_labels.front() : *found);
}

std::string_view segment_mode_label(SegmentMode mode)
{
    switch (mode) {
    case SegmentMode::Skip:
        return "Auto-skip";
    case SegmentMode::Show:
        return "Show";
    case SegmentMode::Disabled:
        return "Off";
    }
    return "Auto-skip";
}

Resource settings_resource(Settings const& settings)
{
    auto toggle = [&](std::string id, std::string label, SettingFlag flag) {
        return vexa_action_spec(std::move(id), std::move(label), A::SetSetting { flag, !settings.flag(flag) });
    };
    auto root = resource("vexa.settings", "vexa.settings", "Playback settings")
                    .with_action(toggle("autoplay", "Toggle autoplay", SettingFlag::Autoplay))
                    .with_action(toggle("comments", "Toggle comments", SettingFlag::ShowComments))
                    .with_action(toggle("sponsorblock", "Toggle SponsorBlock", SettingFlag::SponsorBlock))
                    .with_action(toggle("dearrow", "Toggle DeArrow", SettingFlag::DeArrow))
                    .with_action(toggle("dislikes", "Toggle dislike counts", SettingFlag::ReturnDislike))
                    .with_child(resource("vexa.setting:preferred-quality", "vexa.setting", "Preferred quality: " + settings.preferred_quality)
                            .with_action(vexa_action_spec("cycle", "Cycle preferred quality", A::SetPreferredQuality { next_quality(settings.preferred_quality) })));
    for (auto category : all_segment_categories) {
        auto mode = settings.stored_segment_mode(category);
        auto label = std::string(segment_category_label(category));
        root.children.push_back(resource(fmt::format("vexa.setting:sponsor-category:{}", segment_category_api_id(category)), "vexa.setting",
            fmt::format("SponsorBlock {}: {}", label, segment_mode_label(mode)))
                .with_action(vexa_action_spec("cycle", "Cycle " + label + " handling", A::SetSponsorCategory { category, next_segment_mode_in_cycle(mode) })));
    }
    return root;
}

}

ActionSpec vexa_action_spec(std::string id, std::string label, VexaAction const& action)
{
    ActionSpec spec;
    spec.id = std::move(id);
    spec.label = std::move(label);
    spec.predicate = action.predicate();
    spec.invoke = [encoded = EncodedAction { "vexa.action", action.to_json_bytes() }] { return encoded; };
    // A fixed action sets a value, so invoking it again changes nothing more.
    spec.replay = 1;
    return spec;
}

ActionSpec vexa_operation_spec(std::string id, std::string label, VexaOperation const& operation)
{
    ActionSpec spec;
    spec.id = std::move(id);
    spec.label = std::move(label);
    spec.operation_type = operation.operation_type_number();
    spec.invoke = [encoded = EncodedAction { "vexa.operation", operation.to_json_bytes() }] { return encoded; };
    return spec;
}

Resource navigation_action_resource()
{
    struct Entry {
        std::string_view id;
        std::string_view label;
        Route route;
    };
    Entry const entries[] {
        { "home", "Open Home", Route::home() },
        { "trending", "Open Trending", Route::trending() },
        { "subscriptions", "Open subscriptions", Route::subscriptions() },
        { "queue", "Open shared watch queue", Route::queue() },
        { "history", "Open watch history", Route::history() },
        { "settings", "Open settings", Route::settings() },
    };
    auto navigation = resource("vexa.navigation", "vexa.navigation", "Navigate");
    for (auto const& entry : entries)
        navigation.actions.push_back(vexa_operation_spec(std::string(entry.id), std::string(entry.label), O::Navigate { entry.route }));
    navigation.actions.push_back(vexa_operation_spec("toggle-sidebar", "Show or hide navigation", O::ToggleSidebar {}));
    return navigation;
}

std::optional<Resource> video_action_resource(VexaModel const& model, std::string_view video_id, WithComments comments)
{
    auto const* video = model.video(video_id);
    if (!video)
        return std::nullopt;
    std::string id(video_id);
    bool liked = model.is_liked(id);
    bool queued = contains(model.queue, id);

    auto queue = described(vexa_action_spec("queue", queued ? "Remove from queue" : "Add to queue", A::SetQueueMembership { id, !queued }),
        "Set membership in the shared watch queue");
    queue.with_contract({});
    auto share = vexa_operation_spec("share", "Copy share link", O::Share { id });
    share.with_contract({ "clipboard", "sharing" });

    auto result = resource("vexa.video:" + id, "vexa.video", clean_resource_label(video->title))
                      .with_action(vexa_operation_spec("open", "Open video", O::OpenVideo { id }))
                      .with_action(described(vexa_action_spec("like", "Like video", A::SetVideoLiked { id, !liked }), "Set the like state for this video"))
                      .with_action(std::move(queue))
                      .with_action(described(vexa_operation_spec("mark-watched", "Mark watched", O::RecordHistory { id }),
                          "Add this video to owner-local, device-synchronised watch history"))
                      .with_action(unavailable(vexa_operation_spec("download", "Download video", O::Download { id }), "download_storage_unavailable",
                          "Vexa has no host-granted download storage capability"))
                      .with_action(std::move(share));
    if (comments == WithComments::Yes) {
        auto count = std::min(video->comments.size(), max_resource_comments);
        result.children.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            result.children.push_back(comment_resource(model, id, video->comments[i]));
    }
    return result;
}

Resource app_action_tree(VexaModel const& model)
{
    auto root = resource("vexa.app", "vexa.application", "Vexa");
    std::string_view watched_id;
    if (model.route.kind == RouteKind::Watch) {
        if (auto current = video_action_resource(model, model.route.text, WithComments::Yes)) {
            watched_id = model.route.text;
            current->address = "vexa.current:" + model.route.text;
            current->actions.push_back(vexa_operation_spec("play-pause", "Play or pause", O::TogglePlayback {}));
            root.children.push_back(std::move(*current));
        }
    }
    root.children.push_back(navigation_action_resource());
    root.children.push_back(library_resource(model, watched_id));
    root.children.push_back(settings_resource(model.settings));
    return root;
}

std::vector<Resource> action_resource_trees(VexaModel const& model, sync::DeviceSyncStatus const& status)
{
    auto root = app_action_tree(model);
    root.children.push_back(device_sync_action_tree(status));
    std::vector<Resource> trees;
    trees.push_back(std::move(root));
    return trees;
}

std::optional<kaso::actions::ActionBinding> video_queue_binding(VexaModel const& model, std::string_view video_id)
{
    auto video = video_action_resource(model, video_id, WithComments::No);
    if (!video)
        return std::nullopt;
    auto binding = kaso::actions::ActionBinding::unit_for(*video, "queue");
    return binding ? std::optional(std::move(*binding)) : std::nullopt;
}

std::optional<kaso::actions::ActionBinding> sidebar_toggle_binding()
{
    auto binding = kaso::actions::ActionBinding::unit_for(navigation_action_resource(), "toggle-sidebar");
    return binding ? std::optional(std::move(*binding)) : std::nullopt;
}

std::optional<kaso::actions::ActionBinding> navigation_binding(Route const& route)
{
    std::string_view id;
    switch (route.kind) {
    case RouteKind::Home:
        id = "home";
        break;
    case RouteKind::Trending:
        id = "trending";
        break;
    case RouteKind::Subscriptions:
        id = "subscriptions";
        break;
    case RouteKind::Queue:
        id = "queue";
        break;
    case RouteKind::History:
        id = "history";
        break;
    case RouteKind::Settings:
        id = "settings";
        break;
    case RouteKind::Watch:
    case RouteKind::Channel:
    case RouteKind::Playlist:
    case RouteKind::Search:
        return std::nullopt;
    }
    auto binding = kaso::actions::ActionBinding::unit_for(navigation_action_resource(), id);
    return binding ? std::optional(std::move(*binding)) : std::nullopt;
}

}
