#include "src/actions/VexaOperation.h"

namespace vexa {

namespace {

using Tagged = tagged_json::TaggedEnum<VexaOperation::Variant>;

}

std::span<std::string_view const> VexaOperation::variant_names() { return Tagged::names; }

std::string_view VexaOperation::variant_name() const { return Tagged::name_of(value); }

VexaOperation::Type VexaOperation::operation_type() const
{
    return std::visit([](auto const& alternative) { return std::remove_cvref_t<decltype(alternative)>::type; }, value);
}

JsonValue VexaOperation::to_json_value() const { return Tagged::write(value); }

std::string VexaOperation::to_json_text() const { return write_json(to_json_value()); }

std::vector<uint8_t> VexaOperation::to_json_bytes() const
{
    auto text = to_json_text();
    return std::vector<uint8_t>(text.begin(), text.end());
}

kaso::ErrorOr<VexaOperation> VexaOperation::deserialize(std::string_view json)
{
    return VexaOperation(TRY(Tagged::read(TRY(parse_json(json)), enum_name)));
}

std::string VexaOperation::debug_text() const
{
    if (std::holds_alternative<PairDevice>(value))
        return "PairDevice { invite: <redacted> }";
    return Tagged::debug(value);
}

}
