// The application's resource tree: the video on screen, navigation, the library and settings.
// The device-sync resource is built in DeviceSyncTree.cpp.

#include "src/app/ActionTree.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>
#include <span>

#include "src/actions/JsonValue.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TaggedJson.h"
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

template<typename T>
auto first_items(std::vector<T> const& list)
{
    return std::span(list.data(), std::min(list.size(), max_collection_items));
}

// Ids looked up by their hash in an open-addressed table of a fixed size, at most half full:
// the tree builds a few of these with a few hundred ids each, and one block holds them all.
template<typename Value>
class IdTable {
public:
    explicit IdTable(std::size_t capacity)
    {
        std::size_t size = 16;
        while (size < 2 * capacity)
            size *= 2;
        m_slots.resize(size);
    }

    // The value of `id`, added (value-initialised) when the table did not hold it. The table
    // must have room: no more ids than its capacity.
    Value& insert(std::string_view id)
    {
        auto hash = std::hash<std::string_view> {}(id);
        auto& slot = m_slots[probe(id, hash)];
        if (!slot.used) {
            slot.used = true;
            slot.hash = hash;
            slot.id = id;
        }
        return slot.value;
    }

    Value const* find(std::string_view id) const
    {
        auto const& slot = m_slots[probe(id, std::hash<std::string_view> {}(id))];
        return slot.used ? &slot.value : nullptr;
    }
    Value* find(std::string_view id) { return const_cast<Value*>(std::as_const(*this).find(id)); }
    bool contains(std::string_view id) const { return find(id) != nullptr; }

private:
    struct Slot {
        std::string_view id;
        std::size_t hash { 0 };
        bool used { false };
        Value value {};
    };

    // The slot holding `id`, or the empty one where it belongs.
    std::size_t probe(std::string_view id, std::size_t hash) const
    {
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            auto const& slot = m_slots[at];
            if (!slot.used || (slot.hash == hash && slot.id == id))
                return at;
        }
    }

    std::vector<Slot> m_slots;
};

// A set of ids.
class IdSet {
public:
    explicit IdSet(std::size_t capacity)
        : m_table(capacity)
    {
    }
    void add(std::string_view id) { m_table.insert(id); }
    bool contains(std::string_view id) const { return m_table.contains(id); }

private:
    IdTable<bool> m_table;
};

// The first item with each of a few hundred wanted ids in a list of thousands (videos, creators,
// playlists), found in one pass. Each item's id is tested first against a bitmap of the wanted
// ids' fingerprints, so nearly every item costs a few instructions and only the rest a lookup.
template<typename T>
class FirstById {
public:
    // At most `capacity` ids will be wanted.
    explicit FirstById(std::size_t capacity)
        : m_found(capacity)
    {
    }

    void want(std::string_view id)
    {
        auto& found = m_found.insert(id);
        if (!found.wanted) {
            found.wanted = true;
            ++m_left;
        }
        m_filter.set(fingerprint(id));
    }

    void resolve(std::vector<T> const& items)
    {
        for (auto const& item : items) {
            if (m_left == 0)
                break;
            if (!m_filter.test(fingerprint(item.id)))
                continue;
            auto* found = m_found.find(item.id);
            if (found && !found->item) {
                found->item = &item;
                --m_left;
            }
        }
    }

    T const* find(std::string_view id) const
    {
        auto const* found = m_found.find(id);
        return found ? found->item : nullptr;
    }

private:
    struct Found {
        bool wanted { false };
        T const* item { nullptr };
    };

    static constexpr std::size_t filter_bits = 8192;

    // Bits of the id's first and last eight bytes and its length, well mixed.
    static std::size_t fingerprint(std::string_view id)
    {
        uint64_t head = 0;
        uint64_t tail = 0;
        std::memcpy(&head, id.data(), std::min<std::size_t>(id.size(), 8));
        if (id.size() > 8)
            std::memcpy(&tail, id.data() + id.size() - 8, 8);
        uint64_t mixed = (head * 0x9e3779b97f4a7c15ull) ^ (tail * 0xc2b2ae3d27d4eb4full) ^ (id.size() * 0x165667b19e3779f9ull);
        mixed ^= mixed >> 29;
        mixed *= 0xbf58476d1ce4e5b9ull;
        return static_cast<std::size_t>(mixed >> 51) % filter_bits;
    }

    IdTable<Found> m_found;
    std::bitset<filter_bits> m_filter;
    std::size_t m_left { 0 }; // wanted ids not found yet
};

// The model's lookups the tree makes, answered from tables built once per tree: the model's own
// lookups scan its lists, and the tree makes hundreds of them over lists of thousands. Only the
// ids the tree asks about are looked up (the first items of each collection, the route's video),
// and the first item with an id wins, as in the model.
class TreeLookups {
public:
    explicit TreeLookups(VexaModel const& model)
        : model(model)
        , m_videos(first_items(model.queue).size() + first_items(model.history).size() + first_items(model.search_video_ids).size() + 1)
        , m_channels(first_items(model.subscriptions).size() + first_items(model.search_channel_ids).size() + first_items(model.channels).size())
        , m_playlists(first_items(model.search_playlist_ids).size())
        , m_liked(model.liked_videos.size())
        , m_queued(model.queue.size())
        , m_subscriptions(model.subscriptions.size())
        , m_subscribed_paths(model.subscriptions.size())
    {
        auto want = [](auto& table, std::vector<std::string> const& ids) {
            for (auto const& id : first_items(ids))
                table.want(id);
        };
        want(m_videos, model.queue);
        want(m_videos, model.history);
        want(m_videos, model.search_video_ids);
        m_videos.want(model.route.text);
        m_videos.resolve(model.videos);

        want(m_channels, model.subscriptions);
        want(m_channels, model.search_channel_ids);
        for (auto const& channel : first_items(model.channels))
            m_channels.want(channel.id);
        m_channels.resolve(model.channels);

        want(m_playlists, model.search_playlist_ids);
        m_playlists.resolve(model.playlists);

        for (auto const& id : model.liked_videos)
            m_liked.add(id);
        for (auto const& id : model.queue)
            m_queued.add(id);
        for (auto const& entry : model.subscriptions) {
            m_subscriptions.add(entry);
            if (std::string_view(entry).starts_with(creator_address_prefix))
                m_subscribed_paths.add(std::string_view(entry).substr(creator_address_prefix.size()));
        }
    }

    // Only ids of the first items of the queue, the history and the search results, and the
    // route's, are known here.
    Video const* video(std::string_view id) const { return m_videos.find(id); }
    // Only ids of the first subscriptions, channel search results and channels are known here.
    Channel const* channel(std::string_view id) const { return m_channels.find(id); }
    // Only ids of the first playlist search results are known here.
    Playlist const* playlist(std::string_view id) const { return m_playlists.find(id); }
    bool is_liked(std::string_view id) const { return m_liked.contains(id); }
    bool is_queued(std::string_view id) const { return m_queued.contains(id); }
    // Whether a subscription names the creator, as VexaModel::subscription_names matches them:
    // by its id, its handle, or the address of its handle.
    bool is_subscribed(std::string_view channel_id) const
    {
        if (m_subscriptions.contains(channel_id))
            return true;
        auto const* known = channel(channel_id);
        if (!known)
            return false;
        std::string_view handle = known->handle;
        while (handle.starts_with('/'))
            handle.remove_prefix(1);
        if (handle.empty())
            return false;
        return m_subscriptions.contains(known->handle) || m_subscribed_paths.contains(handle);
    }

    VexaModel const& model;

private:
    FirstById<Video> m_videos;
    FirstById<Channel> m_channels;
    FirstById<Playlist> m_playlists;
    IdSet m_liked;
    IdSet m_queued;
    IdSet m_subscriptions;
    IdSet m_subscribed_paths; // subscriptions given as a creator's address, without its prefix
};

// The JSON of a tagged variant written straight into bytes, the same text as `to_json_text`
// without building a JSON tree first: the tree encodes some two thousand actions per build.
// Texts and flags are written here; other field kinds go through the general writer.
void append_field(std::string& out, std::string const& field) { append_json_string(out, field); }
void append_field(std::string& out, bool field) { out += field ? "true" : "false"; }
template<typename Field>
void append_field(std::string& out, Field const& field)
{
    out += write_json(tagged_json::write_field(field));
}

// The text around a variant's field values, which is the same for every value of it: before
// the first field `{"Name":{"field":`, before each other field `,"field":`, and `}}` at the end;
// a variant without fields is its quoted name alone.
template<typename Variant>
auto const& variant_json_parts()
{
    static auto const parts = [] {
        constexpr std::size_t count = Variant::field_names.size();
        std::array<std::string, count + 1> made;
        if constexpr (count == 0) {
            append_json_string(made[0], Variant::name);
        } else {
            made[0] = "{";
            append_json_string(made[0], Variant::name);
            made[0] += ":{";
            for (std::size_t i = 0; i < count; ++i) {
                if (i > 0)
                    made[i] = ",";
                append_json_string(made[i], Variant::field_names[i]);
                made[i] += ':';
            }
            made[count] = "}}";
        }
        return made;
    }();
    return parts;
}

// The JSON text of a variant, in a buffer of the calling thread that the next call overwrites.
template<typename Variant>
std::string_view tagged_json_text(Variant const& variant)
{
    auto const& parts = variant_json_parts<Variant>();
    static thread_local std::string out;
    out.clear();
    auto fields = variant.fields();
    [&]<std::size_t... I>(std::index_sequence<I...>) { ((out += parts[I], append_field(out, std::get<I>(fields))), ...); }(
        std::make_index_sequence<std::tuple_size_v<decltype(fields)>>());
    out += parts.back();
    return out;
}

template<typename Tagged>
std::string_view json_text(Tagged const& value)
{
    return std::visit([](auto const& variant) { return tagged_json_text(variant); }, value.value);
}

// The payloads of fixed actions, kept in blocks that the actions written into them share: one
// tree encodes some two thousand actions, which then take a few blocks instead of a buffer
// each. A block is never written past the size reserved for it, so text once written never
// moves; each action keeps its block alive. One set of blocks per thread.
kaso::actions::ActionInvoker fixed_encoded_action(std::string_view kind, std::string_view payload)
{
    constexpr std::size_t block_size = 16 * 1024;
    static thread_local std::shared_ptr<std::string> current;
    if (!current || current->capacity() - current->size() < payload.size()) {
        current = std::make_shared<std::string>();
        current->reserve(std::max(block_size, payload.size()));
    }
    auto offset = current->size();
    current->append(payload);
    return kaso::actions::ActionInvoker::fixed(kind, current, std::string_view(*current).substr(offset, payload.size()));
}

// A resource with room for the actions and children it will be given, so adding them never
// moves the ones already there.
Resource resource(std::string address, std::string kind, std::string label, std::size_t actions = 0, std::size_t children = 0)
{
    Resource made { std::move(address), std::move(kind), std::move(label), {}, {} };
    made.actions.reserve(actions);
    made.children.reserve(children);
    return made;
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
            A action = A::SetCommentReply { .comment_id = comment_id, .reply_id = comment_reply_id(comment_id, text), .text = text, .active = true };
            return EncodedAction { "vexa.action", action.to_json_bytes() };
        });
    return spec;
}

Resource comment_resource(TreeLookups const& model, std::string_view video_id, Comment const& comment)
{
    auto id = comment_resource_id(video_id, comment);
    auto liked = model.model.comment_likes.find(id);
    bool is_liked = liked != model.model.comment_likes.end() && liked->second;
    return resource("vexa.comment:" + id, "vexa.comment", comment_resource_label(comment), 2)
        .with_action(vexa_action_spec("like", is_liked ? "Unlike comment" : "Like comment", A::SetCommentLiked { id, !is_liked }))
        .with_action(reply_action(id));
}

std::string title_or(Video const* video, std::string_view fallback, std::string_view id)
{
    if (video)
        return clean_resource_label(video->title);
    return clean_resource_label(std::string(fallback) + std::string(id));
}

Resource video_resource(TreeLookups const& model, Video const& video, WithComments comments)
{
    auto const& id = video.id;
    bool liked = model.is_liked(id);
    bool queued = model.is_queued(id);

    auto queue = described(vexa_action_spec("queue", queued ? "Remove from queue" : "Add to queue", A::SetQueueMembership { .video_id = id, .queued = !queued }),
        "Set membership in the shared watch queue");
    queue.with_contract({});
    auto share = vexa_operation_spec("share", "Copy share link", O::Share { id });
    share.with_contract({ "clipboard", "sharing" });

    // Room for "play-pause" too, which the current video gets.
    auto result = resource("vexa.video:" + id, "vexa.video", clean_resource_label(video.title), 7)
                      .with_action(vexa_operation_spec("open", "Open video", O::OpenVideo { id }))
                      .with_action(described(vexa_action_spec("like", "Like video", A::SetVideoLiked { id, !liked }), "Set the like state for this video"))
                      .with_action(std::move(queue))
                      .with_action(described(vexa_operation_spec("mark-watched", "Mark watched", O::RecordHistory { id }),
                          "Add this video to owner-local, device-synchronised watch history"))
                      .with_action(unavailable(vexa_operation_spec("download", "Download video", O::Download { id }), "download_storage_unavailable",
                          "Vexa has no host-granted download storage capability"))
                      .with_action(std::move(share));
    if (comments == WithComments::Yes) {
        auto count = std::min(video.comments.size(), max_resource_comments);
        result.children.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            result.children.push_back(comment_resource(model, id, video.comments[i]));
    }
    return result;
}

Resource videos_collection(TreeLookups const& model, std::string_view watched_id)
{
    auto collection = resource("vexa.videos", "vexa.collection", "Videos", 0, first_items(model.model.videos).size());
    for (auto const& video : first_items(model.model.videos)) {
        auto comments = video.id == watched_id ? WithComments::Yes : WithComments::No;
        collection.children.push_back(video_resource(model, video, comments));
    }
    return collection;
}

Resource creators_collection(TreeLookups const& model)
{
    auto collection = resource("vexa.creators", "vexa.collection", "Creators", 0, first_items(model.model.channels).size());
    for (auto const& channel : first_items(model.model.channels)) {
        collection.children.push_back(resource("vexa.channel:" + channel.id, "vexa.channel", clean_resource_label(channel.name), 2)
                .with_action(vexa_operation_spec("open", "Open creator", O::OpenChannel { channel.id }))
                .with_action(vexa_action_spec("subscribe", "Subscribe or unsubscribe", A::SetSubscription { .channel_id = channel.id, .subscribed = !model.is_subscribed(channel.id) })));
    }
    return collection;
}

Resource playlists_collection(TreeLookups const& model)
{
    auto collection = resource("vexa.playlists", "vexa.collection", "Playlists", 0, first_items(model.model.playlists).size());
    for (auto const& playlist : first_items(model.model.playlists)) {
        collection.children.push_back(resource("vexa.playlist:" + playlist.id, "vexa.playlist", clean_resource_label(playlist.title), 1)
                .with_action(vexa_operation_spec("open", "Open playlist", O::OpenPlaylist { playlist.id })));
    }
    return collection;
}

Resource subscriptions_collection(TreeLookups const& model)
{
    auto collection = resource("vexa.subscriptions", "vexa.collection", "Subscriptions", 0, first_items(model.model.subscriptions).size());
    for (auto const& id : first_items(model.model.subscriptions)) {
        auto const* channel = model.channel(id);
        auto label = clean_resource_label(channel ? channel->name : "Subscribed creator " + id);
        auto entry = resource("vexa.subscription:" + id, "vexa.subscription", std::move(label), 2)
                         .with_action(vexa_action_spec("unsubscribe", "Unsubscribe", A::SetSubscription { .channel_id = id, .subscribed = false }));
        if (channel)
            entry.actions.push_back(vexa_operation_spec("open", "Open creator", O::OpenChannel { id }));
        collection.children.push_back(std::move(entry));
    }
    return collection;
}

Resource queue_collection(TreeLookups const& model)
{
    auto collection = resource("vexa.queue", "vexa.collection", "Shared watch queue", 0, first_items(model.model.queue).size());
    for (auto const& id : first_items(model.model.queue)) {
        auto const* video = model.video(id);
        auto entry = resource("vexa.queue:" + id, "vexa.queue-entry", title_or(video, "Queued video ", id), 2)
                         .with_action(vexa_action_spec("remove", "Remove from queue", A::SetQueueMembership { .video_id = id, .queued = false }));
        if (video)
            entry.actions.push_back(vexa_operation_spec("open", "Open video", O::OpenVideo { id }));
        collection.children.push_back(std::move(entry));
    }
    return collection;
}

Resource history_collection(TreeLookups const& model)
{
    auto collection = resource("vexa.history", "vexa.collection", "Watch history", 1, first_items(model.model.history).size());
    auto clear = described(vexa_operation_spec("clear", "Clear watch history", O::ClearHistory {}),
        "Clear owner-local, device-synchronised watch history");
    collection.actions.push_back(std::move(clear.destructive()));
    for (auto const& id : first_items(model.model.history)) {
        collection.children.push_back(resource("vexa.history:" + id, "vexa.history-entry", title_or(model.video(id), "Watched video ", id), 2)
                .with_action(vexa_operation_spec("open", "Open video", O::OpenVideo { id }))
                .with_action(vexa_operation_spec("remove", "Remove from history", O::RemoveHistory { id })));
    }
    return collection;
}

Resource search_results_collection(TreeLookups const& model)
{
    auto query = text::trim(model.model.search_query);
    auto collection = resource("vexa.search-results", "vexa.collection",
        query.empty() ? std::string("Search results") : clean_resource_label("Search results: " + query));
    if (query.empty())
        return collection;
    collection.children.reserve(first_items(model.model.search_video_ids).size() + first_items(model.model.search_playlist_ids).size()
        + first_items(model.model.search_channel_ids).size());
    auto add = [&](std::string address, std::string label, ActionSpec open) {
        collection.children.push_back(resource(std::move(address), "vexa.search-result", std::move(label), 1).with_action(std::move(open)));
    };
    for (auto const& id : first_items(model.model.search_video_ids)) {
        if (auto const* video = model.video(id))
            add("vexa.search-result:video:" + id, clean_resource_label(video->title), vexa_operation_spec("open", "Open video", O::OpenVideo { id }));
    }
    for (auto const& id : first_items(model.model.search_playlist_ids)) {
        if (auto const* playlist = model.playlist(id))
            add("vexa.search-result:playlist:" + id, clean_resource_label(playlist->title),
                vexa_operation_spec("open", "Open playlist", O::OpenPlaylist { id }));
    }
    for (auto const& id : first_items(model.model.search_channel_ids)) {
        if (auto const* channel = model.channel(id))
            add("vexa.search-result:channel:" + id, clean_resource_label(channel->name),
                vexa_operation_spec("open", "Open creator", O::OpenChannel { id }));
    }
    return collection;
}

Resource library_resource(TreeLookups const& model, std::string_view watched_id)
{
    return resource("vexa.library", "vexa.library", "Known library", 0, 8)
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
    auto root = resource("vexa.settings", "vexa.settings", "Playback settings", 5, 1 + all_segment_categories.size())
                    .with_action(toggle("autoplay", "Toggle autoplay", SettingFlag::Autoplay))
                    .with_action(toggle("comments", "Toggle comments", SettingFlag::ShowComments))
                    .with_action(toggle("sponsorblock", "Toggle SponsorBlock", SettingFlag::SponsorBlock))
                    .with_action(toggle("dearrow", "Toggle DeArrow", SettingFlag::DeArrow))
                    .with_action(toggle("dislikes", "Toggle dislike counts", SettingFlag::ReturnDislike))
                    .with_child(resource("vexa.setting:preferred-quality", "vexa.setting", "Preferred quality: " + settings.preferred_quality, 1)
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
    spec.invoke = fixed_encoded_action("vexa.action", json_text(action));
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
    spec.invoke = fixed_encoded_action("vexa.operation", json_text(operation));
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
    auto navigation = resource("vexa.navigation", "vexa.navigation", "Navigate", std::size(entries) + 1);
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
    return video_resource(TreeLookups(model), *video, comments);
}

Resource app_action_tree(VexaModel const& model)
{
    TreeLookups lookups(model);
    auto root = resource("vexa.app", "vexa.application", "Vexa", 0, 5);
    std::string_view watched_id;
    if (model.route.kind == RouteKind::Watch) {
        if (auto const* video = lookups.video(model.route.text)) {
            watched_id = model.route.text;
            auto current = video_resource(lookups, *video, WithComments::Yes);
            current.address = "vexa.current:" + model.route.text;
            current.actions.push_back(vexa_operation_spec("play-pause", "Play or pause", O::TogglePlayback {}));
            root.children.push_back(std::move(current));
        }
    }
    root.children.push_back(navigation_action_resource());
    root.children.push_back(library_resource(lookups, watched_id));
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
