#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>

#include "automerge/Document.h"
#include "automerge/Transaction.h"

namespace vexa::testing {

// The value at a path of map keys from the root, or none when a step is missing or not a map.
inline std::optional<automerge::Value> value_at_path(automerge::Document const& document, std::initializer_list<std::string_view> path)
{
    automerge::ObjId object = automerge::ROOT;
    std::optional<automerge::Value> value;
    size_t step = 0;
    for (auto key : path) {
        if (step++ > 0) {
            if (!value || !value->is_map())
                return std::nullopt;
            object = value->object;
        }
        auto got = document.get(object, key);
        if (!got || !*got)
            return std::nullopt;
        value = **got;
    }
    return value;
}

inline std::optional<automerge::ScalarValue> scalar_at(automerge::Document const& document, std::initializer_list<std::string_view> path)
{
    auto value = value_at_path(document, path);
    if (!value || !value->is_scalar())
        return std::nullopt;
    return value->scalar;
}

// The map at a path, made (with its parents) when missing; for building documents by hand.
inline automerge::ObjId ensure_map(automerge::Document& document, std::initializer_list<std::string_view> path)
{
    automerge::ObjId object = automerge::ROOT;
    for (auto key : path) {
        auto got = document.get(object, key);
        if (got && *got && (*got)->is_map())
            object = (*got)->object;
        else
            object = *document.put_object(object, key, automerge::ObjType::Map);
    }
    return object;
}

}
