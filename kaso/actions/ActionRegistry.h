#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/actions/DocumentAction.h"

namespace kaso::actions {

// Turns an encoded payload into the typed action it stands for.
using ActionDecoder = std::function<ErrorOr<std::unique_ptr<DocumentAction>>(std::span<uint8_t const> payload)>;

// The application's map from action kind to the decoder of that kind's payloads.
class ActionRegistry {
public:
    // Binds `kind` to `decoder`, replacing an earlier binding of the same kind.
    void insert(std::string kind, ActionDecoder decoder);

    bool contains(std::string_view kind) const;
    std::vector<std::string> kinds() const;

    // Decodes a payload of `kind`: "action registry: unknown action kind ..." when none is bound.
    ErrorOr<std::unique_ptr<DocumentAction>> decode(std::string_view kind, std::span<uint8_t const> payload) const;

private:
    std::map<std::string, ActionDecoder, std::less<>> m_decoders;
};

}
