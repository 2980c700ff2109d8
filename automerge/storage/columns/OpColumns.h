#pragma once

#include "automerge/Error.h"
#include "automerge/ScalarValue.h"
#include "automerge/storage/OpRef.h"
#include "automerge/storage/columns/ColumnHeader.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "automerge/storage/columns/RawColumns.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace automerge::storage {

// The op ids an op's group lists: its preds in a change chunk, its successors in a document.
struct OpGroupColumns {
    ColumnHeader count;
    ColumnHeader actor;
    ColumnHeader counter;
    char const* name;
};

inline constexpr OpGroupColumns pred_columns { op_columns::pred_group, op_columns::pred_actor, op_columns::pred_counter, "pred" };
inline constexpr OpGroupColumns succ_columns { op_columns::succ_group, op_columns::succ_actor, op_columns::succ_counter, "succ" };

// One op as the op columns hold it, in change chunks and document chunks alike. A change chunk
// stores no ids (they follow from its start op); a document chunk stores map keys only.
struct OpColumnsRow {
    std::optional<OpRef> obj;     // nothing for the root
    std::optional<OpRef> id;      // nothing in a change chunk
    std::optional<std::string_view> map_key;
    std::optional<OpRef> element; // a list or text key when there is no map key; counter 0 is the head
    bool insert { false };
    uint64_t action { 0 };
};

// Writes the op columns of either chunk kind; columns nothing was written to are left out.
class OpColumnsEncoder {
public:
    void add(OpColumnsRow const& row, ScalarValue const* value, std::span<const OpRef> group);
    // Adds the columns in column order; the writer borrows them until clear().
    void write_to(ColumnWriter& writer, OpGroupColumns const& group);
    void clear();

private:
    RleEncoder<uint64_t> m_obj_actor, m_obj_counter, m_key_actor, m_id_actor, m_action, m_group_count, m_group_actor;
    DeltaEncoder m_key_counter, m_id_counter, m_group_counter;
    RleEncoder<std::string_view> m_key_string;
    BooleanEncoder m_insert;
    ValueEncoder m_value;
};

// Reads the op columns of either chunk kind row by row, checking every actor index against
// `actor_count`. Errors begin with `what` ("change", "document").
class OpColumnsDecoder {
public:
    OpColumnsDecoder(RawColumns const& columns, OpGroupColumns const& group, std::string_view what);

    // The next row, its value and its group's size; false once the action column is exhausted.
    ErrorOr<bool> next(OpColumnsRow& row, ScalarValue& value, uint64_t& group_size, uint64_t actor_count);
    // One op id of the current row's group.
    ErrorOr<OpRef> next_group_entry(uint64_t actor_count);
    // Fails when any column holds more values than the rows read used: they belong to no op.
    ErrorOr<void> expect_exhausted();
    // Counts the rows left without consuming them (an upper bound for reserving room).
    uint64_t count_rows(uint64_t limit) const;

private:
    Unexpected corrupt(std::string const& message) const;

    std::string_view m_what;
    OpGroupColumns m_group;
    std::span<const uint8_t> m_action_bytes;
    RleDecoder<uint64_t> m_obj_actor, m_obj_counter, m_key_actor;
    DeltaDecoder m_key_counter;
    RleDecoder<std::string_view> m_key_string;
    RleDecoder<uint64_t> m_id_actor;
    DeltaDecoder m_id_counter;
    BooleanDecoder m_insert;
    RleDecoder<uint64_t> m_action;
    ValueDecoder m_value;
    RleDecoder<uint64_t> m_group_count, m_group_actor;
    DeltaDecoder m_group_counter;
};

// Fails when a decoder still holds values: `what` holds more values than its rows use.
template<typename Decoder>
ErrorOr<void> expect_exhausted(Decoder& decoder, std::string_view what)
{
    bool more = false;
    if constexpr (std::is_same_v<Decoder, BooleanDecoder>) {
        bool value = false;
        more = TRY(decoder.next(value));
    } else if constexpr (std::is_same_v<Decoder, ValueDecoder>) {
        ScalarValue value;
        more = TRY(decoder.next(value)) || !decoder.raw_exhausted();
    } else if constexpr (std::is_same_v<Decoder, DeltaDecoder>) {
        std::optional<int64_t> value;
        more = TRY(decoder.next(value));
    } else {
        std::optional<typename Decoder::Value> value;
        more = TRY(decoder.next(value));
    }
    if (more)
        return make_error(ErrorCode::Corrupt, std::string(what) + " holds more values than its rows use (invalid load length)");
    return {};
}

}
