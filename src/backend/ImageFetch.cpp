#include "src/backend/ImageFetch.h"

#include <optional>
#include <string>

namespace vexa {

ImageHttpClient image_http_client()
{
    ImageHttpClient client;
    client.options.user_agent = "Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0";
    client.options.connect_timeout = std::chrono::milliseconds(10'000);
    client.options.total_timeout = std::chrono::milliseconds(10'000);
    client.options.max_body_bytes = kaso::platform::image_body_limit;
    return client;
}

std::optional<std::vector<uint8_t>> fetch_image_bytes(ImageHttpClient const& client, std::string_view address)
{
    std::string url = address.starts_with("//") ? "https://" + std::string(address.substr(2)) : std::string(address);
    // Thumbnails come from a few hosts, so a thread's connection is worth keeping between
    // fetches; other options than the kept client's make a new one.
    thread_local std::optional<kaso::platform::HttpClient> connection;
    if (!connection || connection->options() != client.options)
        connection.emplace(client.options);
    auto response = connection->get(url);
    if (!response || !response->is_success())
        return std::nullopt;
    return std::vector<uint8_t>(response->body.begin(), response->body.end());
}

ImageFetchFunction image_fetch_function()
{
    return [client = image_http_client()](std::string_view address) { return fetch_image_bytes(client, address); };
}

}
