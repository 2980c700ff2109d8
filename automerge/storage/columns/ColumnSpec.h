#pragma once

#include <cstdint>

namespace automerge::storage {

// A column header packs an id, a deflate flag and a type into one uLEB128 number:
//
//   spec = id << 4 | deflate << 3 | type
//
// Columns are written in ascending (id, type) order; the deflate flag is not part of the order.
enum class ColumnType : uint8_t {
    Group = 0,
    Actor = 1,
    Integer = 2, // uLEB128 RLE
    Delta = 3,
    Boolean = 4,
    String = 5,
    ValueMetadata = 6,
    Value = 7,
};

struct ColumnSpec {
    uint32_t raw { 0 };

    static constexpr ColumnSpec of(uint32_t id, ColumnType type) { return ColumnSpec { id << 4 | static_cast<uint32_t>(type) }; }

    constexpr uint32_t id() const { return raw >> 4; }
    constexpr ColumnType type() const { return static_cast<ColumnType>(raw & 7); }
    constexpr bool deflated() const { return raw & 8; }
    constexpr uint32_t normalized() const { return raw & ~uint32_t(8); }
    constexpr ColumnSpec with_deflate() const { return ColumnSpec { raw | 8 }; }
};

// The columns of ops, in a change chunk and in a document chunk.
namespace op_columns {
inline constexpr ColumnSpec obj_actor = ColumnSpec::of(0, ColumnType::Actor);         // 0x01
inline constexpr ColumnSpec obj_counter = ColumnSpec::of(0, ColumnType::Integer);     // 0x02
inline constexpr ColumnSpec key_actor = ColumnSpec::of(1, ColumnType::Actor);         // 0x11
inline constexpr ColumnSpec key_counter = ColumnSpec::of(1, ColumnType::Delta);       // 0x13
inline constexpr ColumnSpec key_string = ColumnSpec::of(1, ColumnType::String);       // 0x15
inline constexpr ColumnSpec id_actor = ColumnSpec::of(2, ColumnType::Actor);          // 0x21, documents only
inline constexpr ColumnSpec id_counter = ColumnSpec::of(2, ColumnType::Delta);        // 0x23, documents only
inline constexpr ColumnSpec insert = ColumnSpec::of(3, ColumnType::Boolean);          // 0x34
inline constexpr ColumnSpec action = ColumnSpec::of(4, ColumnType::Integer);          // 0x42
inline constexpr ColumnSpec value_meta = ColumnSpec::of(5, ColumnType::ValueMetadata); // 0x56
inline constexpr ColumnSpec value_raw = ColumnSpec::of(5, ColumnType::Value);         // 0x57
inline constexpr ColumnSpec pred_group = ColumnSpec::of(7, ColumnType::Group);        // 0x70, changes only
inline constexpr ColumnSpec pred_actor = ColumnSpec::of(7, ColumnType::Actor);        // 0x71
inline constexpr ColumnSpec pred_counter = ColumnSpec::of(7, ColumnType::Delta);      // 0x73
inline constexpr ColumnSpec succ_group = ColumnSpec::of(8, ColumnType::Group);        // 0x80, documents only
inline constexpr ColumnSpec succ_actor = ColumnSpec::of(8, ColumnType::Actor);        // 0x81
inline constexpr ColumnSpec succ_counter = ColumnSpec::of(8, ColumnType::Delta);      // 0x83
inline constexpr ColumnSpec expand = ColumnSpec::of(9, ColumnType::Boolean);          // 0x94, marks
inline constexpr ColumnSpec mark_name = ColumnSpec::of(10, ColumnType::String);       // 0xa5, marks
}

// The columns of change metadata in a document chunk.
namespace change_columns {
inline constexpr ColumnSpec actor = ColumnSpec::of(0, ColumnType::Actor);             // 0x01
inline constexpr ColumnSpec seq = ColumnSpec::of(0, ColumnType::Delta);               // 0x03
inline constexpr ColumnSpec max_op = ColumnSpec::of(1, ColumnType::Delta);            // 0x13
inline constexpr ColumnSpec time = ColumnSpec::of(2, ColumnType::Delta);              // 0x23
inline constexpr ColumnSpec message = ColumnSpec::of(3, ColumnType::String);          // 0x35
inline constexpr ColumnSpec deps_group = ColumnSpec::of(4, ColumnType::Group);        // 0x40
inline constexpr ColumnSpec deps_index = ColumnSpec::of(4, ColumnType::Delta);        // 0x43
inline constexpr ColumnSpec extra_meta = ColumnSpec::of(5, ColumnType::ValueMetadata); // 0x56
inline constexpr ColumnSpec extra_raw = ColumnSpec::of(5, ColumnType::Value);         // 0x57
}

}
