// Fuzz target of the typed action readers: any bytes are read as a VexaAction and as a
// VexaOperation. Whatever reads must write back to a text that reads as the same value, and the
// JSON reader's own output must read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "src/actions/JsonValue.h"
#include "src/actions/VexaAction.h"
#include "src/actions/VexaOperation.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<char const*>(data), size);
    if (auto json = vexa::parse_json(text)) {
        auto written = vexa::write_json(*json);
        auto again = vexa::parse_json(written);
        if (!again || vexa::write_json(*again) != written)
            std::abort();
    }
    if (auto action = vexa::VexaAction::deserialize(text)) {
        if (vexa::VexaAction::deserialize(action->to_json_text()) != *action)
            std::abort();
        (void)action->debug_text();
    }
    if (auto operation = vexa::VexaOperation::deserialize(text)) {
        if (vexa::VexaOperation::deserialize(operation->to_json_text()) != *operation)
            std::abort();
    }
    return 0;
}
