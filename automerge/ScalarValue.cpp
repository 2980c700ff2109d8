#include "automerge/ScalarValue.h"

#include "automerge/Hex.h"

#include <cstdio>

namespace automerge {

std::string ScalarValue::debug_text() const
{
    struct Visitor {
        std::string operator()(Null) const { return "null"; }
        std::string operator()(bool value) const { return value ? "true" : "false"; }
        std::string operator()(int64_t value) const { return std::to_string(value); }
        std::string operator()(uint64_t value) const { return std::to_string(value) + "u"; }
        std::string operator()(double value) const
        {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.17g", value);
            return buffer;
        }
        std::string operator()(std::string const& value) const { return "\"" + value + "\""; }
        std::string operator()(Bytes const& value) const { return "bytes(" + hex_encode(value) + ")"; }
        std::string operator()(Counter value) const { return "counter(" + std::to_string(value.value) + ")"; }
        std::string operator()(Timestamp value) const { return "timestamp(" + std::to_string(value.value) + ")"; }
        std::string operator()(Unknown const& value) const
        {
            return "unknown(" + std::to_string(value.type_code) + ", " + hex_encode(value.bytes) + ")";
        }
    };
    return std::visit(Visitor {}, m_data);
}

}
