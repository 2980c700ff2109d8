#pragma once

#include <optional>
#include <string>

namespace vexa {

// What would give the innertube backend proof-of-origin tokens for playable streams.
class BotguardProvider {
public:
    virtual ~BotguardProvider() = default;
    virtual std::string name() const = 0;
    virtual std::optional<std::string> request_token() = 0;
    virtual bool is_available() const = 0;
};

// The only provider: none. The backend is then metadata-only.
class NullBotguard final : public BotguardProvider {
public:
    std::string name() const override { return "null (metadata-only)"; }
    std::optional<std::string> request_token() override { return std::nullopt; }
    bool is_available() const override { return false; }
};

}
