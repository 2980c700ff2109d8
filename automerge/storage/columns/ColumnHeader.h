#pragma once

#include <cstdint>

namespace automerge::storage {

// A column header packs an id, a deflate flag and a type into one uLEB128 number:
//
//   header = id << 4 | deflate << 3 | type
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

struct ColumnHeader {
    uint32_t raw { 0 };

    static constexpr ColumnHeader of(uint32_t id, ColumnType type) { return ColumnHeader { id << 4 | static_cast<uint32_t>(type) }; }

    constexpr uint32_t id() const { return raw >> 4; }
    constexpr ColumnType type() const { return static_cast<ColumnType>(raw & 7); }
    constexpr bool deflated() const { return raw & 8; }
    constexpr uint32_t normalized() const { return raw & ~uint32_t(8); }
    constexpr ColumnHeader with_deflate() const { return ColumnHeader { raw | 8 }; }
};

// The columns of ops, in a change chunk and in a document chunk.
namespace op_columns {
inline constexpr ColumnHeader obj_actor = ColumnHeader::of(0, ColumnType::Actor);         // 0x01
inline constexpr ColumnHeader obj_counter = ColumnHeader::of(0, ColumnType::Integer);     // 0x02
inline constexpr ColumnHeader key_actor = ColumnHeader::of(1, ColumnType::Actor);         // 0x11
inline constexpr ColumnHeader key_counter = ColumnHeader::of(1, ColumnType::Delta);       // 0x13
inline constexpr ColumnHeader key_string = ColumnHeader::of(1, ColumnType::String);       // 0x15
inline constexpr ColumnHeader id_actor = ColumnHeader::of(2, ColumnType::Actor);          // 0x21, documents only
inline constexpr ColumnHeader id_counter = ColumnHeader::of(2, ColumnType::Delta);        // 0x23, documents only
inline constexpr ColumnHeader insert = ColumnHeader::of(3, ColumnType::Boolean);          // 0x34
inline constexpr ColumnHeader action = ColumnHeader::of(4, ColumnType::Integer);          // 0x42
inline constexpr ColumnHeader value_meta = ColumnHeader::of(5, ColumnType::ValueMetadata); // 0x56
inline constexpr ColumnHeader value_raw = ColumnHeader::of(5, ColumnType::Value);         // 0x57
inline constexpr ColumnHeader pred_group = ColumnHeader::of(7, ColumnType::Group);        // 0x70, changes only
inline constexpr ColumnHeader pred_actor = ColumnHeader::of(7, ColumnType::Actor);        // 0x71
inline constexpr ColumnHeader pred_counter = ColumnHeader::of(7, ColumnType::Delta);      // 0x73
inline constexpr ColumnHeader succ_group = ColumnHeader::of(8, ColumnType::Group);        // 0x80, documents only
inline constexpr ColumnHeader succ_actor = ColumnHeader::of(8, ColumnType::Actor);        // 0x81
inline constexpr ColumnHeader succ_counter = ColumnHeader::of(8, ColumnType::Delta);      // 0x83
inline constexpr ColumnHeader expand = ColumnHeader::of(9, ColumnType::Boolean);          // 0x94, marks
inline constexpr ColumnHeader mark_name = ColumnHeader::of(10, ColumnType::String);       // 0xa5, marks
}

// The columns of change metadata in a document chunk.
namespace change_columns {
inline constexpr ColumnHeader actor = ColumnHeader::of(0, ColumnType::Actor);             // 0x01
inline constexpr ColumnHeader seq = ColumnHeader::of(0, ColumnType::Delta);               // 0x03
inline constexpr ColumnHeader max_op = ColumnHeader::of(1, ColumnType::Delta);            // 0x13
inline constexpr ColumnHeader time = ColumnHeader::of(2, ColumnType::Delta);              // 0x23
inline constexpr ColumnHeader message = ColumnHeader::of(3, ColumnType::String);          // 0x35
inline constexpr ColumnHeader deps_group = ColumnHeader::of(4, ColumnType::Group);        // 0x40
inline constexpr ColumnHeader deps_index = ColumnHeader::of(4, ColumnType::Delta);        // 0x43
inline constexpr ColumnHeader extra_meta = ColumnHeader::of(5, ColumnType::ValueMetadata); // 0x56
inline constexpr ColumnHeader extra_raw = ColumnHeader::of(5, ColumnType::Value);         // 0x57
}

}
