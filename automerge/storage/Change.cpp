#include "automerge/storage/Change.h"

#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "automerge/storage/columns/RawColumns.h"

namespace automerge::storage {

namespace {

constexpr ColumnHeader change_op_specs[] = {
    op_columns::obj_actor, op_columns::obj_counter, op_columns::key_actor, op_columns::key_counter,
    op_columns::key_string, op_columns::insert, op_columns::action, op_columns::value_meta,
    op_columns::value_raw, op_columns::pred_group, op_columns::pred_actor, op_columns::pred_counter,
};

}

struct ChangeEncoder::Columns {
    RleEncoder<uint64_t> obj_actor, obj_counter, key_actor, action, pred_group, pred_actor;
    DeltaEncoder key_counter, pred_counter;
    RleEncoder<std::string_view> key_string;
    BooleanEncoder insert;
    ValueEncoder value;
};

ChangeEncoder::ChangeEncoder()
    : m_columns(std::make_unique<Columns>())
{
}

ChangeEncoder::~ChangeEncoder() = default;

void ChangeEncoder::add(ChangeOpView const& op)
{
    auto& c = *m_columns;
    if (op.obj) {
        c.obj_actor.append(uint64_t(op.obj->actor));
        c.obj_counter.append(op.obj->counter);
    } else {
        c.obj_actor.append_null();
        c.obj_counter.append_null();
    }
    if (!op.element_key) {
        c.key_actor.append_null();
        c.key_counter.append_null();
        c.key_string.append(op.key);
    } else {
        auto element = op.element_key->element.value_or(OpRef {});
        if (element.counter == 0)
            c.key_actor.append_null();
        else
            c.key_actor.append(uint64_t(element.actor));
        c.key_counter.append(static_cast<int64_t>(element.counter));
        c.key_string.append_null();
    }
    c.insert.append(op.insert);
    c.action.append(op.action);
    static ScalarValue const null_value;
    c.value.append(op.value ? *op.value : null_value);
    c.pred_group.append(uint64_t(op.pred.size()));
    for (auto const& pred : op.pred) {
        c.pred_actor.append(uint64_t(pred.actor));
        c.pred_counter.append(static_cast<int64_t>(pred.counter));
    }
}

std::vector<uint8_t> ChangeEncoder::finish(ChangeHeader const& header)
{
    std::vector<uint8_t> out;
    finish_into(header, out);
    return out;
}

void ChangeEncoder::finish_into(ChangeHeader const& header, std::vector<uint8_t>& out)
{
    auto& c = *m_columns;
    out.clear();
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

    ColumnWriter columns;
    columns.add(op_columns::obj_actor, c.obj_actor.finish());
    columns.add(op_columns::obj_counter, c.obj_counter.finish());
    columns.add(op_columns::key_actor, c.key_actor.finish());
    columns.add(op_columns::key_counter, c.key_counter.finish());
    columns.add(op_columns::key_string, c.key_string.finish());
    columns.add(op_columns::insert, c.insert.finish());
    columns.add(op_columns::action, c.action.finish());
    columns.add(op_columns::value_meta, c.value.finish_meta());
    columns.add(op_columns::value_raw, c.value.finish_raw());
    columns.add(op_columns::pred_group, c.pred_group.finish());
    columns.add(op_columns::pred_actor, c.pred_actor.finish());
    columns.add(op_columns::pred_counter, c.pred_counter.finish());
    columns.write(out);
    out.insert(out.end(), header.extra.begin(), header.extra.end());
    c.obj_actor.clear();
    c.obj_counter.clear();
    c.key_actor.clear();
    c.key_counter.clear();
    c.key_string.clear();
    c.insert.clear();
    c.action.clear();
    c.value.clear();
    c.pred_group.clear();
    c.pred_actor.clear();
    c.pred_counter.clear();
}

std::vector<uint8_t> encode_change_body(ChangeRecord const& change)
{
    ChangeEncoder encoder;
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
    auto actor_count = TRY(reader.count("change: other actors", reader.remaining()));
    change.other_actors.reserve(static_cast<size_t>(actor_count));
    for (uint64_t i = 0; i < actor_count; ++i) {
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

    RleDecoder<uint64_t> obj_actor(columns.get(op_columns::obj_actor), "change: object actor column");
    RleDecoder<uint64_t> obj_counter(columns.get(op_columns::obj_counter), "change: object counter column");
    RleDecoder<uint64_t> key_actor(columns.get(op_columns::key_actor), "change: key actor column");
    DeltaDecoder key_counter(columns.get(op_columns::key_counter), "change: key counter column");
    RleDecoder<std::string> key_string(columns.get(op_columns::key_string), "change: key string column");
    BooleanDecoder insert(columns.get(op_columns::insert), "change: insert column");
    RleDecoder<uint64_t> action(columns.get(op_columns::action), "change: action column");
    ValueDecoder value(columns.get(op_columns::value_meta), columns.get(op_columns::value_raw), "change: value column");
    RleDecoder<uint64_t> pred_group(columns.get(op_columns::pred_group), "change: pred group column");
    RleDecoder<uint64_t> pred_actor(columns.get(op_columns::pred_actor), "change: pred actor column");
    DeltaDecoder pred_counter(columns.get(op_columns::pred_counter), "change: pred counter column");

    uint64_t actor_limit = change.other_actors.size();
    auto check_actor = [&](uint64_t index, char const* what) -> ErrorOr<uint32_t> {
        if (index > actor_limit)
            return make_error(ErrorCode::Corrupt, std::string("change: ") + what + " actor index out of range");
        return static_cast<uint32_t>(index);
    };
    auto check_counter = [&](std::optional<int64_t> counter, char const* what) -> ErrorOr<uint64_t> {
        if (!counter || *counter < 0)
            return make_error(ErrorCode::Corrupt, std::string("change: missing or negative ") + what + " counter");
        return static_cast<uint64_t>(*counter);
    };

    uint64_t total_preds = 0;
    for (;;) {
        std::optional<uint64_t> action_value;
        if (!TRY(action.next(action_value)))
            break;
        if (change.ops.size() >= limits.max_ops)
            return make_error(ErrorCode::TooLarge, "change: more ops than the limit of " + std::to_string(limits.max_ops));
        if (!action_value)
            return make_error(ErrorCode::Corrupt, "change: op without an action");
        ChangeOp op;
        op.action = *action_value;

        std::optional<uint64_t> actor_value, counter_value;
        bool has_actor = TRY(obj_actor.next(actor_value)) && actor_value;
        bool has_counter = TRY(obj_counter.next(counter_value)) && counter_value;
        if (has_actor != has_counter)
            return make_error(ErrorCode::Corrupt, "change: object id with only one of actor and counter");
        if (has_actor)
            op.obj = OpRef { *counter_value, TRY(check_actor(*actor_value, "object")) };

        std::optional<uint64_t> key_actor_value;
        std::optional<int64_t> key_counter_value;
        std::optional<std::string> key_string_value;
        (void)TRY(key_actor.next(key_actor_value));
        (void)TRY(key_counter.next(key_counter_value));
        (void)TRY(key_string.next(key_string_value));
        if (key_string_value) {
            op.key.map_key = std::move(key_string_value);
        } else {
            auto counter = TRY(check_counter(key_counter_value, "key"));
            uint32_t key_actor_index = key_actor_value ? TRY(check_actor(*key_actor_value, "key")) : 0;
            op.key.element = OpRef { counter, key_actor_index };
        }
        bool insert_value = false;
        (void)TRY(insert.next(insert_value));
        op.insert = insert_value;
        if (!TRY(value.next(op.value)))
            op.value = ScalarValue::null();

        std::optional<uint64_t> pred_count;
        (void)TRY(pred_group.next(pred_count));
        uint64_t count = pred_count.value_or(0);
        total_preds += count;
        if (total_preds > limits.max_ops)
            return make_error(ErrorCode::TooLarge, "change: more preds than the limit of " + std::to_string(limits.max_ops));
        for (uint64_t i = 0; i < count; ++i) {
            std::optional<uint64_t> pred_actor_value;
            std::optional<int64_t> pred_counter_value;
            if (!TRY(pred_actor.next(pred_actor_value)) || !pred_actor_value)
                return make_error(ErrorCode::Corrupt, "change: pred column shorter than its group");
            (void)TRY(pred_counter.next(pred_counter_value));
            auto counter = TRY(check_counter(pred_counter_value, "pred"));
            op.pred.push_back(OpRef { counter, TRY(check_actor(*pred_actor_value, "pred")) });
        }
        change.ops.push_back(std::move(op));
    }
    if (!change.ops.empty() && change.start_op > UINT64_MAX - change.ops.size())
        return make_error(ErrorCode::Corrupt, "change: op counters overflow");
    return change;
}

}
