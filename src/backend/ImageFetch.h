#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "kaso/platform/Http.h"

namespace vexa {

// The image client's settings: a browser user agent, 10 s per request and a 16 MiB body cap.
// A value, not a connection, so it may be used from any thread; each thread that fetches keeps
// one connection of its own between fetches.
struct ImageHttpClient {
    kaso::platform::HttpOptions options;
};

ImageHttpClient image_http_client();

// The bytes of an image ("//host/..." is fetched over https), or nothing on any failure.
// Callable from several threads at once.
std::optional<std::vector<uint8_t>> fetch_image_bytes(ImageHttpClient const& client, std::string_view address);

// The function the image store is given: `fetch_image_bytes` bound to `image_http_client()`.
using ImageFetchFunction = std::function<std::optional<std::vector<uint8_t>>(std::string_view address)>;
ImageFetchFunction image_fetch_function();

}
