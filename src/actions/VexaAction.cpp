#include "src/actions/VexaAction.h"

namespace vexa {

namespace {

using Tagged = tagged_json::TaggedEnum<VexaAction::Variant>;

}

std::span<std::string_view const> VexaAction::variant_names() { return Tagged::names; }

std::string_view VexaAction::variant_name() const { return Tagged::name_of(value); }

JsonValue VexaAction::to_json_value() const { return Tagged::write(value); }

std::string VexaAction::to_json_text() const { return write_json(to_json_value()); }

std::vector<uint8_t> VexaAction::to_json_bytes() const
{
    auto text = to_json_text();
    return std::vector<uint8_t>(text.begin(), text.end());
}

kaso::ErrorOr<VexaAction> VexaAction::from_json_value(JsonValue const& json)
{
    return VexaAction(TRY(Tagged::read(json, enum_name)));
}

kaso::ErrorOr<VexaAction> VexaAction::deserialize(std::string_view json)
{
    return from_json_value(TRY(parse_json(json)));
}

std::string VexaAction::debug_text() const { return Tagged::debug(value); }

bool VexaAction::predicate() const
{
    return std::holds_alternative<AddToQueue>(value) || std::holds_alternative<SetQueueMembership>(value)
        || std::holds_alternative<ReplyToComment>(value) || std::holds_alternative<SetCommentReply>(value);
}

bool VexaAction::texts_are_utf8() const
{
    return std::visit(
        [](auto const& alternative) {
            return std::apply(
                [](auto const&... field) {
                    auto valid = [](auto const& one) {
                        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(one)>, std::string>)
                            return is_valid_utf8(one);
                        else
                            return true;
                    };
                    (void)valid; // unused by the variant without fields
                    return (valid(field) && ...);
                },
                alternative.fields());
        },
        value);
}

}
