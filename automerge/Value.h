#pragma once

#include "automerge/ScalarValue.h"

#include <compare>
#include <cstdint>
#include <functional>

namespace automerge {

// An object of a document: the root map, or the object made by the op with this id. The actor
// is an index into the document's own actor table, so an ObjId belongs to the document (and its
// later states) that returned it.
struct ObjId {
    uint64_t counter { 0 }; // 0 only for the root
    uint32_t actor { 0 };

    static constexpr ObjId root() { return ObjId {}; }
    bool is_root() const { return counter == 0; }
    bool operator==(ObjId const&) const = default;
};

inline constexpr ObjId ROOT = ObjId::root();

struct ObjIdHasher {
    size_t operator()(ObjId const& id) const { return std::hash<uint64_t> {}(id.counter * 1000003u ^ id.actor); }
};

enum class ObjType : uint8_t { Map, List, Text, Table };

// What a key holds: a scalar, or a child object with its type.
struct Value {
    enum class Kind : uint8_t { Scalar, Object };

    Kind kind { Kind::Scalar };
    ScalarValue scalar;        // when kind is Scalar
    ObjId object;              // when kind is Object
    ObjType object_type { ObjType::Map };

    static Value of(ScalarValue scalar) { return Value { Kind::Scalar, std::move(scalar), {}, ObjType::Map }; }
    static Value of_object(ObjId id, ObjType type) { return Value { Kind::Object, {}, id, type }; }

    bool is_scalar() const { return kind == Kind::Scalar; }
    bool is_map() const { return kind == Kind::Object && object_type == ObjType::Map; }
    ScalarValue const* as_scalar() const { return is_scalar() ? &scalar : nullptr; }

    bool operator==(Value const&) const = default;
};

}
