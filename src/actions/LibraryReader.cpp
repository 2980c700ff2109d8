#include "src/actions/LibraryReader.h"

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

template<typename T>
bool replace_if_different(T& field, T&& value)
{
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

// The keys of a map whose value is the boolean true, in the document's key order.
std::optional<std::vector<std::string>> true_keys(Document const& document, ObjId map)
{
    auto keys = document.keys(map);
    if (!keys)
        return std::nullopt;
    std::vector<std::string> chosen;
    for (auto& key : *keys) {
        if (bool_at(document, map, key) == true)
            chosen.push_back(std::move(key));
    }
    return chosen;
}

bool read_likes(Document const& document, ObjId likes, VexaModel& model)
{
    std::vector<std::string> liked;
    for (auto const& video : model.videos) {
        if (bool_at(document, likes, video.id) == true)
            liked.push_back(video.id);
    }
    return replace_if_different(model.liked_videos, std::move(liked));
}

bool read_comment_likes(Document const& document, ObjId comment_likes, VexaModel& model)
{
    auto keys = document.keys(comment_likes);
    if (!keys)
        return false;
    std::map<std::string, bool> likes;
    for (auto& key : *keys) {
        if (auto liked = bool_at(document, comment_likes, key))
            likes.emplace(std::move(key), *liked);
    }
    return replace_if_different(model.comment_likes, std::move(likes));
}

bool read_key_list(Document const& document, ObjId map, std::vector<std::string>& field)
{
    auto keys = true_keys(document, map);
    return keys && replace_if_different(field, std::move(*keys));
}

bool read_settings(Document const& document, ObjId settings_map, Settings& settings)
{
    bool changed = false;
    for (auto flag : all_setting_flags) {
        auto value = bool_at(document, settings_map, setting_flag_key(flag));
        if (value && *value != settings.flag(flag)) {
            settings.set_flag(flag, *value);
            changed = true;
        }
    }
    if (auto quality = text_at(document, settings_map, "preferred_quality"); quality && is_quality_label(*quality))
        changed |= replace_if_different(settings.preferred_quality, std::move(*quality));
    if (auto categories = map_at(document, settings_map, "sponsor_categories")) {
        for (auto category : all_segment_categories) {
            auto api_id = segment_category_api_id(category);
            auto text = text_at(document, *categories, api_id);
            auto mode = text ? segment_mode_from_text(*text) : std::nullopt;
            if (!mode)
                continue;
            auto stored = settings.sponsor_categories.find(api_id);
            if (stored != settings.sponsor_categories.end() && stored->second == *mode)
                continue;
            settings.sponsor_categories.insert_or_assign(std::string(api_id), *mode);
            changed = true;
        }
    }
    return changed;
}

}

bool read_shared_library(Document const& document, VexaModel& model)
{
    auto vexa = map_at(document, automerge::ROOT, "vexa");
    if (!vexa)
        return false;
    bool changed = false;
    if (auto likes = map_at(document, *vexa, "likes"))
        changed |= read_likes(document, *likes, model);
    if (auto comment_likes = map_at(document, *vexa, "comment_likes"))
        changed |= read_comment_likes(document, *comment_likes, model);
    if (auto subscriptions = map_at(document, *vexa, "subscriptions"))
        changed |= read_key_list(document, *subscriptions, model.subscriptions);
    if (auto queue = map_at(document, *vexa, "queue"))
        changed |= read_key_list(document, *queue, model.queue);
    if (auto settings = map_at(document, *vexa, "settings"))
        changed |= read_settings(document, *settings, model.settings);
    return changed;
}

}
