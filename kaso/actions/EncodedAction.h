#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kaso::actions {

// An action as it crosses the runtime: its kind ("vexa.action", "vexa.operation", ...) and its
// JSON payload bytes.
struct EncodedAction {
    std::string kind;
    std::vector<uint8_t> payload;

    std::string payload_text() const { return std::string(payload.begin(), payload.end()); }
    static EncodedAction from_text(std::string kind, std::string_view json)
    {
        return EncodedAction { std::move(kind), std::vector<uint8_t>(json.begin(), json.end()) };
    }
    bool operator==(EncodedAction const&) const = default;
};

}
