#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "kaso/actions/ActionEmitter.h"

namespace vexa {

// What the executor answers an operation declared with a type other than its own.
inline constexpr char const* operation_contract_mismatch = "Vexa operation kind does not match its declared contract";

// The link a shared video is copied as: "https://" + the short-link host of the service
// settings + "/" + the video id.
std::string share_link(std::string_view video_id);

// The invocations of the application's own resources (the device-sync commands) waiting for
// the runtime, oldest first. No bound of its own: it grows by one per accepted request and
// shrinks as the runtime takes them.
class ControlInvocations {
public:
    void push(kaso::actions::ControlInvocation invocation) { m_waiting.push_back(std::move(invocation)); }
    std::optional<kaso::actions::ControlInvocation> take();
    bool is_empty() const { return m_waiting.empty(); }
    size_t size() const { return m_waiting.size(); }

private:
    std::deque<kaso::actions::ControlInvocation> m_waiting;
};

}
