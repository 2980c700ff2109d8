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

struct ChangeEncoder::Columns : OpColumnsEncoder {
    // Kept for encode_single_into.
    std::vector<uint8_t> single;
    ValueEncoder single_value;
};

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
    constexpr uint8_t literal_of_one = 0x7f; // sLEB128 of -1
    struct Column {
        ColumnHeader spec;
        uint32_t begin;
        uint32_t end;
    };
    Column columns[12];
    size_t count = 0;
    auto& data = m_columns->single;
    data.clear();
    auto column = [&](ColumnHeader spec, size_t begin) { columns[count++] = Column { spec, static_cast<uint32_t>(begin), static_cast<uint32_t>(data.size()) }; };
    auto unsigned_column = [&](ColumnHeader spec, uint64_t value) {
        size_t begin = data.size();
        data.push_back(literal_of_one);
        write_uleb(data, value);
        column(spec, begin);
    };
    if (op.obj) {
        unsigned_column(op_columns::obj_actor, op.obj->actor);
        unsigned_column(op_columns::obj_counter, op.obj->counter);
    }
    {
        size_t begin = data.size();
        data.push_back(literal_of_one);
        write_uleb(data, op.key.size());
        data.insert(data.end(), op.key.begin(), op.key.end());
        column(op_columns::key_string, begin);
    }
    {
        // Runs alternate starting with false: a true op is an empty false run, then one true.
        size_t begin = data.size();
        if (op.insert)
            data.push_back(0);
        data.push_back(1);
        column(op_columns::insert, begin);
    }
    unsigned_column(op_columns::action, op.action);
    {
        auto& value = m_columns->single_value;
        value.clear();
        static ScalarValue const null_value;
        value.append(op.value ? *op.value : null_value);
        auto meta = value.finish_meta();
        auto raw = value.finish_raw();
        size_t begin = data.size();
        data.insert(data.end(), meta.begin(), meta.end());
        column(op_columns::value_meta, begin);
        if (!raw.empty()) {
            begin = data.size();
            data.insert(data.end(), raw.begin(), raw.end());
            column(op_columns::value_raw, begin);
        }
    }
    unsigned_column(op_columns::pred_group, op.pred.size());
    if (!op.pred.empty()) {
        unsigned_column(op_columns::pred_actor, op.pred[0].actor);
        // A delta column's first value is its difference from zero.
        size_t begin = data.size();
        data.push_back(literal_of_one);
        write_sleb(data, static_cast<int64_t>(op.pred[0].counter));
        column(op_columns::pred_counter, begin);
    }

    out.clear();
    write_change_header(header, out);
    write_uleb(out, count);
    for (size_t i = 0; i < count; ++i) {
        write_uleb(out, columns[i].spec.raw);
        write_uleb(out, columns[i].end - columns[i].begin);
    }
    out.insert(out.end(), data.begin(), data.end());
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
