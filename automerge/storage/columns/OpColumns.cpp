#include "automerge/storage/columns/OpColumns.h"

namespace automerge::storage {

namespace {

// The names errors give each column, per chunk kind.
struct ColumnNames {
    std::string_view obj_actor, obj_counter, key_actor, key_counter, key_string, id_actor, id_counter, insert, action, value, group_count, group_actor, group_counter;
};

constexpr ColumnNames change_names {
    "change: object actor column", "change: object counter column", "change: key actor column", "change: key counter column",
    "change: key string column", "change: id actor column", "change: id counter column", "change: insert column",
    "change: action column", "change: value column", "change: pred group column", "change: pred actor column", "change: pred counter column",
};

constexpr ColumnNames document_names {
    "document: object actor column", "document: object counter column", "document: key actor column", "document: key counter column",
    "document: key string column", "document: id actor column", "document: id counter column", "document: insert column",
    "document: action column", "document: value column", "document: succ group column", "document: succ actor column", "document: succ counter column",
};

ColumnNames const& names_of(std::string_view what)
{
    return what == "change" ? change_names : document_names;
}

}

void OpColumnsEncoder::add(OpColumnsRow const& row, ScalarValue const* value, std::span<const OpRef> group)
{
    if (row.obj) {
        m_obj_actor.append(uint64_t(row.obj->actor));
        m_obj_counter.append(row.obj->counter);
    } else {
        m_obj_actor.append_null();
        m_obj_counter.append_null();
    }
    if (row.map_key || !row.element) {
        m_key_actor.append_null();
        m_key_counter.append_null();
        m_key_string.append(row.map_key.value_or(std::string_view {}));
    } else {
        if (row.element->counter == 0)
            m_key_actor.append_null();
        else
            m_key_actor.append(uint64_t(row.element->actor));
        m_key_counter.append(static_cast<int64_t>(row.element->counter));
        m_key_string.append_null();
    }
    if (row.id) {
        m_id_actor.append(uint64_t(row.id->actor));
        m_id_counter.append(static_cast<int64_t>(row.id->counter));
    }
    m_insert.append(row.insert);
    m_action.append(row.action);
    static ScalarValue const null_value;
    m_value.append(value ? *value : null_value);
    m_group_count.append(uint64_t(group.size()));
    for (auto const& entry : group) {
        m_group_actor.append(uint64_t(entry.actor));
        m_group_counter.append(static_cast<int64_t>(entry.counter));
    }
}

void OpColumnsEncoder::write_to(ColumnWriter& writer, OpGroupColumns const& group)
{
    writer.add(op_columns::obj_actor, m_obj_actor.finish());
    writer.add(op_columns::obj_counter, m_obj_counter.finish());
    writer.add(op_columns::key_actor, m_key_actor.finish());
    writer.add(op_columns::key_counter, m_key_counter.finish());
    writer.add(op_columns::key_string, m_key_string.finish());
    writer.add(op_columns::id_actor, m_id_actor.finish());
    writer.add(op_columns::id_counter, m_id_counter.finish());
    writer.add(op_columns::insert, m_insert.finish());
    writer.add(op_columns::action, m_action.finish());
    writer.add(op_columns::value_meta, m_value.finish_meta());
    writer.add(op_columns::value_raw, m_value.finish_raw());
    writer.add(group.count, m_group_count.finish());
    writer.add(group.actor, m_group_actor.finish());
    writer.add(group.counter, m_group_counter.finish());
}

void OpColumnsEncoder::clear()
{
    m_obj_actor.clear();
    m_obj_counter.clear();
    m_key_actor.clear();
    m_key_counter.clear();
    m_key_string.clear();
    m_id_actor.clear();
    m_id_counter.clear();
    m_insert.clear();
    m_action.clear();
    m_value.clear();
    m_group_count.clear();
    m_group_actor.clear();
    m_group_counter.clear();
}

OpColumnsDecoder::OpColumnsDecoder(RawColumns const& columns, OpGroupColumns const& group, std::string_view what)
    : m_what(what)
    , m_group(group)
    , m_action_bytes(columns.get(op_columns::action))
    , m_obj_actor(columns.get(op_columns::obj_actor), names_of(what).obj_actor)
    , m_obj_counter(columns.get(op_columns::obj_counter), names_of(what).obj_counter)
    , m_key_actor(columns.get(op_columns::key_actor), names_of(what).key_actor)
    , m_key_counter(columns.get(op_columns::key_counter), names_of(what).key_counter)
    , m_key_string(columns.get(op_columns::key_string), names_of(what).key_string)
    , m_id_actor(columns.get(op_columns::id_actor), names_of(what).id_actor)
    , m_id_counter(columns.get(op_columns::id_counter), names_of(what).id_counter)
    , m_insert(columns.get(op_columns::insert), names_of(what).insert)
    , m_action(m_action_bytes, names_of(what).action)
    , m_value(columns.get(op_columns::value_meta), columns.get(op_columns::value_raw), names_of(what).value)
    , m_group_count(columns.get(group.count), names_of(what).group_count)
    , m_group_actor(columns.get(group.actor), names_of(what).group_actor)
    , m_group_counter(columns.get(group.counter), names_of(what).group_counter)
{
}

Unexpected OpColumnsDecoder::corrupt(std::string const& message) const
{
    return make_error(ErrorCode::Corrupt, std::string(m_what) + ": " + message);
}

// An op id from an actor column and a counter column (uLEB or delta): both null, or both set.
template<typename Counters>
static ErrorOr<std::optional<OpRef>> read_ref(RleDecoder<uint64_t>& actors, Counters& counters, uint64_t actor_count, std::string_view what, char const* name)
{
    constexpr bool is_delta = std::is_same_v<Counters, DeltaDecoder>;
    std::optional<uint64_t> actor;
    std::optional<std::conditional_t<is_delta, int64_t, uint64_t>> counter;
    (void)TRY(actors.next(actor));
    (void)TRY(counters.next(counter));
    if (!actor && !counter)
        return std::optional<OpRef> {};
    auto corrupt = [&](std::string const& message) { return make_error(ErrorCode::Corrupt, std::string(what) + ": " + name + message); };
    if (!actor || !counter)
        return corrupt(" with only one of actor and counter");
    if (*actor >= actor_count)
        return corrupt(" actor index out of range");
    if constexpr (is_delta) {
        if (*counter < 0)
            return corrupt(" with a negative counter");
    }
    return std::optional<OpRef> { OpRef { static_cast<uint64_t>(*counter), static_cast<uint32_t>(*actor) } };
}

ErrorOr<bool> OpColumnsDecoder::next(OpColumnsRow& row, ScalarValue& value, uint64_t& group_size, uint64_t actor_count)
{
    std::optional<uint64_t> action;
    if (!TRY(m_action.next(action)))
        return false;
    if (!action)
        return corrupt("op without an action");
    row.action = *action;
    row.obj = TRY(read_ref(m_obj_actor, m_obj_counter, actor_count, m_what, "object id"));
    row.id = TRY(read_ref(m_id_actor, m_id_counter, actor_count, m_what, "op id"));

    std::optional<uint64_t> key_actor;
    std::optional<int64_t> key_counter;
    (void)TRY(m_key_actor.next(key_actor));
    (void)TRY(m_key_counter.next(key_counter));
    (void)TRY(m_key_string.next(row.map_key));
    row.element.reset();
    if (!row.map_key) {
        if (!key_counter || *key_counter < 0)
            return corrupt("op without a key");
        if (key_actor && *key_actor >= actor_count)
            return corrupt("key actor index out of range");
        row.element = OpRef { static_cast<uint64_t>(*key_counter), static_cast<uint32_t>(key_actor.value_or(0)) };
    }
    bool insert = false;
    (void)TRY(m_insert.next(insert));
    row.insert = insert;
    if (!TRY(m_value.next(value)))
        value = ScalarValue::null();
    std::optional<uint64_t> count;
    (void)TRY(m_group_count.next(count));
    group_size = count.value_or(0);
    return true;
}

ErrorOr<OpRef> OpColumnsDecoder::next_group_entry(uint64_t actor_count)
{
    auto entry = TRY(read_ref(m_group_actor, m_group_counter, actor_count, m_what, m_group.name));
    if (!entry || entry->counter == 0)
        return corrupt(std::string(m_group.name) + " column shorter than its group");
    return *entry;
}

ErrorOr<void> OpColumnsDecoder::expect_exhausted()
{
    auto const& names = names_of(m_what);
    TRY(storage::expect_exhausted(m_obj_actor, names.obj_actor));
    TRY(storage::expect_exhausted(m_obj_counter, names.obj_counter));
    TRY(storage::expect_exhausted(m_key_actor, names.key_actor));
    TRY(storage::expect_exhausted(m_key_counter, names.key_counter));
    TRY(storage::expect_exhausted(m_key_string, names.key_string));
    TRY(storage::expect_exhausted(m_id_actor, names.id_actor));
    TRY(storage::expect_exhausted(m_id_counter, names.id_counter));
    TRY(storage::expect_exhausted(m_insert, names.insert));
    TRY(storage::expect_exhausted(m_value, names.value));
    TRY(storage::expect_exhausted(m_group_count, names.group_count));
    TRY(storage::expect_exhausted(m_group_actor, names.group_actor));
    TRY(storage::expect_exhausted(m_group_counter, names.group_counter));
    return {};
}

uint64_t OpColumnsDecoder::count_rows(uint64_t limit) const
{
    return count_values(m_action_bytes, limit);
}

}
