#pragma once

#include <cstdint>

namespace vexa {

class OperationQueue; // the UI-thread queue of UiAction values
struct UiAction;      // a request a widget hands to the application
enum class UiActionKind : uint8_t;

}
