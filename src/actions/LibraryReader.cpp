#include "src/actions/LibraryReader.h"

#include <algorithm>

#include "automerge/Document.h"
#include "src/model/VexaModel.h"

namespace vexa {

namespace {

using automerge::Document;
using automerge::ObjId;

// What a key holds, with a failed read counted as nothing.
std::optional<automerge::Value> value_at(Document const& document, ObjId object, std::string_view key)
{
    auto value = document.get(object, key);
    if (!value)
        return std::nullopt;
    return std::move(*value);
}

std::optional<ObjId> map_at(Document const& document, ObjId object, std::string_view key)
{
    auto value = value_at(document, object, key);
    if (!value || !value->is_map())
        return std::nullopt;
    return value->object;
}

std::optional<bool> bool_at(Document const& document, ObjId object, std::string_view key)
{
    auto value = value_at(document, object, key);
    if (!value || !value->is_scalar())
        return std::nullopt;
    return value->scalar.as_bool();
}

std::optional<std::string> text_at(Document const& document, ObjId object, std::string_view key)
{
    auto value = value_at(document, object, key);
    if (!value || !value->is_scalar() || !value->scalar.as_str())
        return std::nullopt;
    return *value->scalar.as_str();
}

// The keys of a map whose value is the boolean true, in the document's key order.
std::optional<std::vector<std::string>> true_keys(Document const& document, std::optional<ObjId> map)
{
    if (!map)
        return std::nullopt;
    auto keys = document.keys(*map);
    if (!keys)
        return std::nullopt;
    std::vector<std::string> chosen;
    for (auto& key : *keys) {
        if (bool_at(document, *map, key) == true)
            chosen.push_back(std::move(key));
    }
    return chosen;
}

std::optional<std::map<std::string, bool>> boolean_entries(Document const& document, std::optional<ObjId> map)
{
    if (!map)
        return std::nullopt;
    auto keys = document.keys(*map);
    if (!keys)
        return std::nullopt;
    std::map<std::string, bool> entries;
    for (auto& key : *keys) {
        if (auto value = bool_at(document, *map, key))
            entries.emplace(std::move(key), *value);
    }
    return entries;
}

void read_settings(Document const& document, ObjId settings, LibrarySnapshot& snapshot)
{
    for (size_t i = 0; i < all_setting_flags.size(); ++i)
        snapshot.flags[i] = bool_at(document, settings, setting_flag_key(all_setting_flags[i]));
    if (auto quality = text_at(document, settings, "preferred_quality"); quality && is_quality_label(*quality))
        snapshot.preferred_quality = std::move(*quality);
    if (auto categories = map_at(document, settings, "sponsor_categories")) {
        for (size_t i = 0; i < all_segment_categories.size(); ++i) {
            auto text = text_at(document, *categories, segment_category_api_id(all_segment_categories[i]));
            snapshot.segment_modes[i] = text ? segment_mode_from_text(*text) : std::nullopt;
        }
    }
}

template<typename T>
bool replace_if_different(T& field, T const& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// The ids of the model's videos whose like is true, in the model's order. `liked` is sorted.
std::vector<std::string> liked_known_videos(std::vector<std::string> const& liked, VexaModel const& model)
{
    std::vector<std::string> known;
    for (auto const& video : model.videos) {
        if (std::ranges::binary_search(liked, video.id))
            known.push_back(video.id);
    }
    return known;
}

bool apply_settings(LibrarySnapshot const& snapshot, Settings& settings)
{
    bool changed = false;
    for (size_t i = 0; i < all_setting_flags.size(); ++i) {
        auto value = snapshot.flags[i];
        if (value && *value != settings.flag(all_setting_flags[i])) {
            settings.set_flag(all_setting_flags[i], *value);
            changed = true;
        }
    }
    if (snapshot.preferred_quality)
        changed |= replace_if_different(settings.preferred_quality, *snapshot.preferred_quality);
    for (size_t i = 0; i < all_segment_categories.size(); ++i) {
        auto mode = snapshot.segment_modes[i];
        if (!mode)
            continue;
        auto api_id = segment_category_api_id(all_segment_categories[i]);
        auto stored = settings.sponsor_categories.find(api_id);
        if (stored != settings.sponsor_categories.end() && stored->second == *mode)
            continue;
        settings.sponsor_categories.insert_or_assign(std::string(api_id), *mode);
        changed = true;
    }
    return changed;
}

bool apply_except_likes(LibrarySnapshot const& snapshot, VexaModel& model)
{
    bool changed = false;
    if (snapshot.comment_likes)
        changed |= replace_if_different(model.comment_likes, *snapshot.comment_likes);
    if (snapshot.subscriptions)
        changed |= replace_if_different(model.subscriptions, *snapshot.subscriptions);
    if (snapshot.queue)
        changed |= replace_if_different(model.queue, *snapshot.queue);
    changed |= apply_settings(snapshot, model.settings);
    return changed;
}

bool same_video_ids(std::vector<std::string> const& ids, std::vector<Video> const& videos)
{
    return std::ranges::equal(ids, videos, [](std::string const& id, Video const& video) { return id == video.id; });
}

}

LibrarySnapshot library_snapshot(Document const& document)
{
    LibrarySnapshot snapshot;
    auto vexa = map_at(document, automerge::ROOT, "vexa");
    if (!vexa)
        return snapshot;
    // Keys come in byte order, so the liked ids are sorted for the lookups of the model's videos.
    snapshot.liked = true_keys(document, map_at(document, *vexa, "likes"));
    snapshot.comment_likes = boolean_entries(document, map_at(document, *vexa, "comment_likes"));
    snapshot.subscriptions = true_keys(document, map_at(document, *vexa, "subscriptions"));
    snapshot.queue = true_keys(document, map_at(document, *vexa, "queue"));
    if (auto settings = map_at(document, *vexa, "settings"))
        read_settings(document, *settings, snapshot);
    return snapshot;
}

bool apply_library_snapshot(LibrarySnapshot const& snapshot, VexaModel& model)
{
    bool changed = false;
    if (snapshot.liked)
        changed |= replace_if_different(model.liked_videos, liked_known_videos(*snapshot.liked, model));
    changed |= apply_except_likes(snapshot, model);
    return changed;
}

bool read_shared_library(Document const& document, VexaModel& model) { return apply_library_snapshot(library_snapshot(document), model); }

bool LibraryReader::read(Document const& document, VexaModel& model)
{
    bool fresh = !m_heads || document.pending_ops() > 0 || *m_heads != document.heads();
    if (fresh) {
        auto snapshot = library_snapshot(document);
        if (snapshot != m_snapshot || !m_heads) {
            m_snapshot = std::move(snapshot);
            ++m_snapshot_generation;
        }
        if (document.pending_ops() > 0)
            m_heads.reset();
        else
            m_heads = document.heads();
    }

    bool changed = false;
    if (m_snapshot.liked) {
        if (m_liked_generation != m_snapshot_generation || !same_video_ids(m_liked_for_videos, model.videos)) {
            m_liked = liked_known_videos(*m_snapshot.liked, model);
            m_liked_for_videos.clear();
            for (auto const& video : model.videos)
                m_liked_for_videos.push_back(video.id);
            m_liked_generation = m_snapshot_generation;
        }
        changed |= replace_if_different(model.liked_videos, m_liked);
    }
    changed |= apply_except_likes(m_snapshot, model);
    return changed;
}

}
