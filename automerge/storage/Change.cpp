#include "automerge/storage/Change.h"

#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "automerge/storage/columns/OpColumns.h"
#include "automerge/storage/columns/RawColumns.h"

namespace automerge::storage {

namespace {

constexpr ColumnHeader change_op_specs[] = {
    op_columns::obj_actor, op_columns::obj_counter, op_columns::key_actor, op_columns::key_counter,
    op_columns::key_string, op_columns::insert, op_columns::action, op_columns::value_meta,
    op_columns::value_raw, op_columns::pred_group, op_columns::pred_actor, op_columns::pred_counter,
};

}

struct ChangeEncoder::Columns : OpColumnsEncoder { };

ChangeEncoder::ChangeEncoder()
    : m_columns(std::make_unique<Columns>())
{
}

ChangeEncoder::~ChangeEncoder() = default;

void ChangeEncoder::add(ChangeOpView const& op)
{
    OpColumnsRow row;
    row.obj = op.obj;
    if (op.element_key)
        row.element = op.element_key->element.value_or(OpRef {});
    else
        row.map_key = op.key;
    row.insert = op.insert;
    row.action = op.action;
    m_columns->add(row, op.value, op.pred);
}

std::vector<uint8_t> ChangeEncoder::finish(ChangeHeader const& header)
{
    std::vector<uint8_t> out;
    finish_into(header, out);
    return out;
}

namespace {

// The fields of a change body before its op columns.
void write_change_header(ChangeHeader const& header, std::vector<uint8_t>& out)
{
    write_uleb(out, header.deps.size());
    for (auto const& dep : header.deps)
        out.insert(out.end(), dep.bytes.begin(), dep.bytes.end());
    write_length_prefixed(out, header.actor);
    write_uleb(out, header.seq);
    write_uleb(out, header.start_op);
    write_sleb(out, header.time);
    if (header.message)
        write_length_prefixed(out, std::span(reinterpret_cast<uint8_t const*>(header.message->data()), header.message->size()));
    else
        write_uleb(out, 0);
    write_uleb(out, header.other_actors.size());
    for (auto const& actor : header.other_actors)
        write_length_prefixed(out, actor.bytes());
}

}

void ChangeEncoder::finish_into(ChangeHeader const& header, std::vector<uint8_t>& out)
{
    auto& c = *m_columns;
    out.clear();
    write_change_header(header, out);
    ColumnWriter columns;
    c.write_to(columns, pred_columns);
    columns.write(out);
    out.insert(out.end(), header.extra.begin(), header.extra.end());
    c.clear();
}

// With one op, every column holds one value, a literal run of one (-1, value), or a null alone,
// which leaves the column out; the boolean insert column is one run. Most changes of a history
// hold one op, and running each through the general encoders cost more than the rest of the
// change. An element key or several preds go the general way.
void ChangeEncoder::encode_single_into(ChangeHeader const& header, ChangeOpView const& op, std::vector<uint8_t>& out)
{
    if (op.element_key || op.pred.size() > 1) {
        add(op);
        finish_into(header, out);
        return;
    }
    // Each column is a few bytes formed here, then possibly borrowed bytes (a key, a string
    // value), so nothing is copied twice.
    struct Column {
        ColumnHeader spec;
        uint8_t length { 0 };
        uint8_t bytes[22];
        std::span<const uint8_t> tail;
        size_t size() const { return length + tail.size(); }
    };
    Column columns[12];
    size_t count = 0;
    uint8_t value_scratch[10];
    auto put_uleb = [](Column& column, uint64_t value) { column.length = static_cast<uint8_t>(storage::put_uleb(column.bytes + column.length, value) - column.bytes); };
    auto put_sleb = [](Column& column, int64_t value) { column.length = static_cast<uint8_t>(storage::put_sleb(column.bytes + column.length, value) - column.bytes); };
    constexpr uint8_t literal_of_one = 0x7f; // sLEB128 of -1
    auto next = [&](ColumnHeader spec) -> Column& {
        auto& column = columns[count++];
        column.spec = spec;
        return column;
    };
    auto unsigned_column = [&](ColumnHeader spec, uint64_t value) {
        auto& column = next(spec);
        column.bytes[column.length++] = literal_of_one;
        put_uleb(column, value);
    };
    if (op.obj) {
        unsigned_column(op_columns::obj_actor, op.obj->actor);
        unsigned_column(op_columns::obj_counter, op.obj->counter);
    }
    {
        auto& column = next(op_columns::key_string);
        column.bytes[column.length++] = literal_of_one;
        put_uleb(column, op.key.size());
        column.tail = std::span(reinterpret_cast<uint8_t const*>(op.key.data()), op.key.size());
    }
    {
        // Runs alternate starting with false: a true op is an empty false run, then one true.
        auto& column = next(op_columns::insert);
        if (op.insert)
            column.bytes[column.length++] = 0;
        column.bytes[column.length++] = 1;
    }
    unsigned_column(op_columns::action, op.action);
    {
        // The metadata is length << 4 | type; the raw column holds the value's bytes, borrowed
        // from the value or from `value_scratch`.
        static ScalarValue const null_value;
        auto value = raw_value(op.value ? *op.value : null_value, value_scratch);
        Column raw;
        raw.spec = op_columns::value_raw;
        raw.tail = value.bytes;
        unsigned_column(op_columns::value_meta, static_cast<uint64_t>(raw.size()) << 4 | value.type);
        if (raw.size() > 0)
            columns[count++] = raw;
    }
    unsigned_column(op_columns::pred_group, op.pred.size());
    if (!op.pred.empty()) {
        unsigned_column(op_columns::pred_actor, op.pred[0].actor);
        // A delta column's first value is its difference from zero.
        auto& column = next(op_columns::pred_counter);
        column.bytes[column.length++] = literal_of_one;
        put_sleb(column, static_cast<int64_t>(op.pred[0].counter));
    }

    size_t data_size = 0;
    for (size_t i = 0; i < count; ++i)
        data_size += columns[i].size();
    out.clear();
    out.reserve(64 + header.deps.size() * 32 + header.actor.size() + (header.message ? header.message->size() : 0) + header.other_actors.size() * 17 + count * 4 + data_size + header.extra.size());
    write_change_header(header, out);
    write_uleb(out, count);
    for (size_t i = 0; i < count; ++i) {
        write_uleb(out, columns[i].spec.raw);
        write_uleb(out, columns[i].size());
    }
    for (size_t i = 0; i < count; ++i) {
        out.insert(out.end(), columns[i].bytes, columns[i].bytes + columns[i].length);
        out.insert(out.end(), columns[i].tail.begin(), columns[i].tail.end());
    }
    out.insert(out.end(), header.extra.begin(), header.extra.end());
}

std::vector<uint8_t> encode_change_body(ChangeRecord const& change)
{
    ChangeEncoder encoder;
    bool single = change.ops.size() == 1;
    std::optional<ChangeOpView> single_view;
    for (auto const& op : change.ops) {
        ChangeOpView view;
        view.obj = op.obj;
        if (op.key.map_key)
            view.key = *op.key.map_key;
        else
            view.element_key = &op.key;
        view.insert = op.insert;
        view.action = op.action;
        view.value = &op.value;
        view.pred = op.pred;
        if (single)
            single_view = view;
        else
            encoder.add(view);
    }
    ChangeHeader header;
    header.deps = change.deps;
    header.actor = change.actor.bytes();
    header.seq = change.seq;
    header.start_op = change.start_op;
    header.time = change.time;
    if (change.message)
        header.message = *change.message;
    header.other_actors = change.other_actors;
    header.extra = change.extra;
    if (single_view) {
        std::vector<uint8_t> out;
        encoder.encode_single_into(header, *single_view, out);
        return out;
    }
    return encoder.finish(header);
}

ErrorOr<ChangeRecord> parse_change_body(std::span<const uint8_t> body, ChangeLimits const& limits, size_t& inflate_budget)
{
    Reader reader(body);
    ChangeRecord change;
    auto dep_count = TRY(reader.count("change: dependencies", reader.remaining() / 32));
    change.deps.resize(static_cast<size_t>(dep_count));
    for (auto& dep : change.deps) {
        auto bytes = TRY(reader.take(32, "change: dependencies"));
        std::copy(bytes.begin(), bytes.end(), dep.bytes.begin());
    }
    auto actor = TRY(reader.length_prefixed("change: actor id"));
    change.actor = ActorId(std::vector<uint8_t>(actor.begin(), actor.end()));
    change.seq = TRY(reader.uleb("change: sequence number"));
    change.start_op = TRY(reader.uleb("change: start op"));
    change.time = TRY(reader.sleb("change: time"));
    auto message = TRY(reader.utf8("change: message"));
    if (!message.empty())
        change.message = std::move(message);
    auto other_count = TRY(reader.count("change: other actors", reader.remaining()));
    change.other_actors.reserve(static_cast<size_t>(other_count));
    for (uint64_t i = 0; i < other_count; ++i) {
        auto other = TRY(reader.length_prefixed("change: other actors"));
        change.other_actors.emplace_back(std::vector<uint8_t>(other.begin(), other.end()));
    }
    if (change.seq == 0)
        return make_error(ErrorCode::Corrupt, "change: sequence number 0");
    if (change.start_op == 0)
        return make_error(ErrorCode::Corrupt, "change: start op 0");

    auto columns = TRY(RawColumns::parse_header(reader, "change: op columns"));
    TRY(columns.take_data(reader, inflate_budget));
    auto rest = reader.rest();
    change.extra.assign(rest.begin(), rest.end());
    if (columns.has_data_outside(change_op_specs))
        return make_error(ErrorCode::Unsupported, "unsupported document: change holds columns this library does not read (marks)");

    // Actor index 0 is the change's own actor, 1.. its other actors.
    uint64_t actor_count = change.other_actors.size() + 1;
    OpColumnsDecoder decoder(columns, pred_columns, "change");
    OpColumnsRow row;
    uint64_t pred_count = 0;
    uint64_t total_preds = 0;
    for (;;) {
        ChangeOp op;
        if (!TRY(decoder.next(row, op.value, pred_count, actor_count)))
            break;
        if (change.ops.size() >= limits.max_ops)
            return make_error(ErrorCode::TooLarge, "change: more ops than the limit of " + std::to_string(limits.max_ops));
        op.action = row.action;
        op.obj = row.obj;
        if (row.map_key)
            op.key.map_key = std::string(*row.map_key);
        else
            op.key.element = row.element;
        op.insert = row.insert;
        total_preds += pred_count;
        if (total_preds > limits.max_ops)
            return make_error(ErrorCode::TooLarge, "change: more preds than the limit of " + std::to_string(limits.max_ops));
        for (uint64_t i = 0; i < pred_count; ++i)
            op.pred.push_back(TRY(decoder.next_group_entry(actor_count)));
        change.ops.push_back(std::move(op));
    }
    if (!change.ops.empty() && change.start_op > UINT64_MAX - change.ops.size())
        return make_error(ErrorCode::Corrupt, "change: op counters overflow");
    return change;
}

}
