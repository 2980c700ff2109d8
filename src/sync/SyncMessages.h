#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kaso/platform/Error.h"

// The JSON messages exchanged with a Grayjay device, with its key names. Written compact with
// keys in order; read with keys in any order, unknown keys ignored, duplicates refused, and an
// array of the values in field order accepted for any object.
namespace vexa::sync {

namespace data_type {
constexpr uint8_t state_exchange = 150;        // SyncSessionState, sent by pull
constexpr uint8_t subscriptions_package = 202; // SyncSubscriptionsPackage, sent by push, read by pull
constexpr uint8_t history = 203;               // array of history items, read by pull
}

// {"publicKey":…,"lastHistory":-1,"lastSubscription":-1}
kaso::ErrorOr<std::string> encode_session_state(std::string const& public_key);

// One subscription per channel address, each with the given creation time, and no removals.
kaso::ErrorOr<std::string> encode_subscriptions_package(std::span<std::string const> channel_urls, int64_t creation_time);

// The `url` of each subscription's channel, in package order; none when the package is malformed.
std::optional<std::vector<std::string>> parse_subscriptions_package(std::span<uint8_t const> payload);

// The `url` of the `video` of every item that has both, in order; none when the list is malformed.
std::optional<std::vector<std::string>> parse_history(std::span<uint8_t const> payload);

}
