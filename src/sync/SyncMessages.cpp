#include "src/sync/SyncMessages.h"

#include "src/sync/JsonFields.h"

namespace vexa::sync {

namespace {

using Ordered = nlohmann::ordered_json;

std::string_view text_of(std::span<uint8_t const> payload)
{
    return { reinterpret_cast<char const*>(payload.data()), payload.size() };
}

// What the values of a checked string-keyed map must be.
enum class MapValues {
    Strings,
    Integers,
};

kaso::ErrorOr<void> check_string_map(json::Value const* value, std::string_view what, MapValues values)
{
    if (!value)
        return {};
    if (!value->is_object())
        return kaso::make_error(fmt::format("invalid type for `{}`", what));
    for (auto const& [key, item] : value->items()) {
        if (values == MapValues::Integers)
            TRY(json::integer_of(item, what, INT64_MIN, INT64_MAX));
        else
            TRY(json::string_of(item, what));
    }
    return {};
}

kaso::ErrorOr<void> check_platform_id(json::Value const& value)
{
    auto fields = TRY(json::Fields::open(value, { "platform", "value", "pluginId", "claimType", "claimFieldType" }));
    TRY(fields.string("platform"));
    TRY(fields.optional_string("value"));
    TRY(fields.optional_string("pluginId"));
    TRY(fields.optional_integer("claimType", INT32_MIN, INT32_MAX));
    TRY(fields.optional_integer("claimFieldType", INT32_MIN, INT32_MAX));
    return {};
}

kaso::ErrorOr<std::string> channel_url(json::Value const& subscription)
{
    auto fields = TRY(json::Fields::open(subscription, { "channel", "creationTime" }));
    TRY(fields.optional_integer("creationTime", INT64_MIN, INT64_MAX));
    auto const* channel = TRY(fields.required("channel"));
    auto channel_fields = TRY(json::Fields::open(*channel,
        { "id", "name", "thumbnail", "banner", "subscribers", "description", "url", "links", "urlAlternatives" }));
    auto const* id = TRY(channel_fields.required("id"));
    TRY(check_platform_id(*id));
    TRY(channel_fields.string("name"));
    TRY(channel_fields.optional_string("thumbnail"));
    TRY(channel_fields.optional_string("banner"));
    TRY(channel_fields.optional_integer("subscribers", INT64_MIN, INT64_MAX));
    TRY(channel_fields.optional_string("description"));
    auto url = TRY(channel_fields.string("url"));
    TRY(check_string_map(channel_fields.find("links"), "links", MapValues::Strings));
    if (channel_fields.find("urlAlternatives"))
        TRY(channel_fields.string_array("urlAlternatives"));
    return url;
}

}

kaso::ErrorOr<std::string> encode_session_state(std::string const& public_key)
{
    Ordered state;
    state["publicKey"] = public_key;
    state["lastHistory"] = -1;
    state["lastSubscription"] = -1;
    try {
        return state.dump();
    } catch (std::exception const& error) {
        return kaso::make_error(error.what());
    }
}

kaso::ErrorOr<std::string> encode_subscriptions_package(std::span<std::string const> channel_urls, int64_t creation_time)
{
    Ordered package;
    package["subscriptions"] = Ordered::array();
    for (auto const& url : channel_urls) {
        Ordered id;
        id["platform"] = "YouTube";
        id["value"] = url;
        id["pluginId"] = nullptr;
        id["claimType"] = 0;
        id["claimFieldType"] = -1;
        Ordered channel;
        channel["id"] = std::move(id);
        channel["name"] = url;
        channel["thumbnail"] = nullptr;
        channel["banner"] = nullptr;
        channel["subscribers"] = 0;
        channel["description"] = nullptr;
        channel["url"] = url;
        channel["links"] = Ordered::object();
        channel["urlAlternatives"] = Ordered::array();
        Ordered subscription;
        subscription["channel"] = std::move(channel);
        subscription["creationTime"] = creation_time;
        package["subscriptions"].push_back(std::move(subscription));
    }
    package["subscriptionRemovals"] = Ordered::object();
    try {
        return package.dump();
    } catch (std::exception const& error) {
        return kaso::make_error(error.what());
    }
}

std::optional<std::vector<std::string>> parse_subscriptions_package(std::span<uint8_t const> payload)
{
    auto parsed = [&]() -> kaso::ErrorOr<std::vector<std::string>> {
        auto value = TRY(json::parse(text_of(payload)));
        auto fields = TRY(json::Fields::open(value, { "subscriptions", "subscriptionRemovals" }));
        TRY(check_string_map(fields.find("subscriptionRemovals"), "subscriptionRemovals", MapValues::Integers));
        auto const* subscriptions = fields.find("subscriptions");
        if (!subscriptions || !subscriptions->is_array())
            return kaso::make_error("missing field `subscriptions`");
        std::vector<std::string> urls;
        urls.reserve(subscriptions->size());
        for (auto const& subscription : *subscriptions)
            urls.push_back(TRY(channel_url(subscription)));
        return urls;
    }();
    if (!parsed)
        return std::nullopt;
    return std::move(*parsed);
}

std::optional<std::vector<std::string>> parse_history(std::span<uint8_t const> payload)
{
    auto parsed = [&]() -> kaso::ErrorOr<std::vector<std::string>> {
        auto value = TRY(json::parse(text_of(payload)));
        if (!value.is_array())
            return kaso::make_error("history is not an array");
        std::vector<std::string> urls;
        for (auto const& item : value) {
            auto fields = TRY(json::Fields::open(item, { "video" }));
            auto const* video = fields.find("video");
            if (!video)
                continue;
            auto video_fields = TRY(json::Fields::open(*video, { "url" }));
            if (auto url = TRY(video_fields.optional_string("url")))
                urls.push_back(std::move(*url));
        }
        return urls;
    }();
    if (!parsed)
        return std::nullopt;
    return std::move(*parsed);
}

}
