#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "kaso/actions/EncodedAction.h"

namespace vexa {

// The contract an operation was declared with: 0 none, 1 a plain operation, 2 one that changes
// what is on screen (playback, the rail, navigation, opening an item).
enum class OperationType : uint8_t {
    None = 0,
    Plain = 1,
    Presenting = 2,
};

// A "vexa.operation" that reaches the application to be carried out, with the type the runtime
// found it declared as.
struct OperationCall {
    OperationType declared_type { OperationType::None };
    kaso::actions::EncodedAction action;
};

// An invocation of one of the application's own action resources, waiting for the runtime to
// take it: the resource's address ("vexa.device-sync", "vexa.video:<id>"), the operation's type
// and the encoded operation.
struct ControlInvocation {
    std::string address;
    OperationType operation_type { OperationType::None };
    kaso::actions::EncodedAction action;
};

// The device-sync invocations waiting for the runtime, oldest first.
class ControlInvocations {
public:
    void push(ControlInvocation invocation) { m_waiting.push_back(std::move(invocation)); }
    std::optional<ControlInvocation> take();
    bool is_empty() const { return m_waiting.empty(); }

private:
    std::deque<ControlInvocation> m_waiting;
};

}
