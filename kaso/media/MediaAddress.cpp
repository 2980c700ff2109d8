#include "kaso/media/MediaAddress.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kaso::media {

namespace {

std::string lowercase(std::string_view text)
{
    std::string result(text);
    std::ranges::transform(result, result.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

}

ErrorOr<std::string> checked_media_address(std::string_view address)
{
    if (address.empty())
        return make_error("MediaEngine: the stream address is empty");
    if (address.size() > 64 * 1024)
        return make_error("MediaEngine: the stream address is too long");
    bool has_bad_character = std::ranges::any_of(address, [](unsigned char c) { return c <= 0x20 || c == 0x7f; });
    if (has_bad_character)
        return make_error("MediaEngine: the stream address contains whitespace or control characters");

    auto colon = address.find("://");
    if (colon == std::string_view::npos)
        return make_error("MediaEngine: the stream address has no scheme");
    auto scheme = lowercase(address.substr(0, colon));
    auto rest = address.substr(colon + 3);

    static constexpr std::array network_schemes { "http", "https" };
    if (std::ranges::find(network_schemes, scheme) != network_schemes.end()) {
        auto host_end = rest.find_first_of("/?#");
        if (rest.substr(0, host_end).empty())
            return make_error("MediaEngine: the stream address has no host");
    } else if (scheme == "file") {
        if (!rest.starts_with('/'))
            return make_error("MediaEngine: a file address must name an absolute path");
    } else {
        return std::unexpected(Error::format("MediaEngine: the scheme \"{}\" is not played (only http, https and file)", scheme));
    }
    return std::string(scheme) + std::string(address.substr(colon));
}

}
