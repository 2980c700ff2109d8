#include "automerge/storage/DocumentChunk.h"

#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/columns/Decoders.h"
#include "automerge/storage/columns/Encoders.h"
#include "automerge/storage/columns/OpColumns.h"
#include "automerge/storage/columns/RawColumns.h"

namespace automerge::storage {

namespace {

constexpr ColumnHeader doc_op_specs[] = {
    op_columns::obj_actor, op_columns::obj_counter, op_columns::key_actor, op_columns::key_counter,
    op_columns::key_string, op_columns::id_actor, op_columns::id_counter, op_columns::insert,
    op_columns::action, op_columns::value_meta, op_columns::value_raw, op_columns::succ_group,
    op_columns::succ_actor, op_columns::succ_counter,
};

constexpr ColumnHeader doc_change_specs[] = {
    change_columns::actor, change_columns::seq, change_columns::max_op, change_columns::time,
    change_columns::message, change_columns::deps_group, change_columns::deps_index,
    change_columns::extra_meta, change_columns::extra_raw,
};

}

struct DocumentEncoder::Columns {
    // Changes.
    RleEncoder<uint64_t> change_actor, deps_group;
    DeltaEncoder seq, max_op, time, deps_index;
    RleEncoder<std::string_view> message;
    ValueEncoder extra;
    OpColumnsEncoder ops;
};

DocumentEncoder::DocumentEncoder()
    : m_columns(std::make_unique<Columns>())
{
}

DocumentEncoder::~DocumentEncoder() = default;

void DocumentEncoder::add_change(DocChangeView const& change)
{
    auto& c = *m_columns;
    c.change_actor.append(uint64_t(change.actor));
    c.seq.append(static_cast<int64_t>(change.seq));
    c.max_op.append(static_cast<int64_t>(change.max_op));
    c.time.append(change.time);
    if (change.message)
        c.message.append(*change.message);
    else
        c.message.append_null();
    c.deps_group.append(uint64_t(change.deps.size()));
    for (auto dep : change.deps)
        c.deps_index.append(static_cast<int64_t>(dep));
    c.extra.append_raw(static_cast<uint8_t>(ValueType::Bytes), change.extra);
}

void DocumentEncoder::add_op(DocOpView const& op)
{
    OpColumnsRow row;
    row.obj = op.obj;
    row.id = op.id;
    row.map_key = op.key;
    row.action = op.action;
    m_columns->ops.add(row, op.value, op.succ);
}

std::vector<uint8_t> DocumentEncoder::finish(std::span<const ActorId> actors, std::span<const ChangeHash> heads, std::span<const uint64_t> head_indices, size_t deflate_threshold)
{
    auto& c = *m_columns;
    std::vector<uint8_t> out;
    write_uleb(out, actors.size());
    for (auto const& actor : actors)
        write_length_prefixed(out, actor.bytes());
    write_uleb(out, heads.size());
    for (auto const& head : heads)
        out.insert(out.end(), head.bytes.begin(), head.bytes.end());

    ColumnWriter change_columns;
    change_columns.add(change_columns::actor, c.change_actor.finish());
    change_columns.add(change_columns::seq, c.seq.finish());
    change_columns.add(change_columns::max_op, c.max_op.finish());
    change_columns.add(change_columns::time, c.time.finish());
    change_columns.add(change_columns::message, c.message.finish());
    change_columns.add(change_columns::deps_group, c.deps_group.finish());
    change_columns.add(change_columns::deps_index, c.deps_index.finish());
    change_columns.add(change_columns::extra_meta, c.extra.finish_meta());
    change_columns.add(change_columns::extra_raw, c.extra.finish_raw());

    ColumnWriter op_columns_writer;
    c.ops.write_to(op_columns_writer, succ_columns);

    // Headers of both blocks come before the data of both.
    change_columns.write_header(out, deflate_threshold);
    op_columns_writer.write_header(out, deflate_threshold);
    out.reserve(out.size() + change_columns.data_size() + op_columns_writer.data_size() + head_indices.size() * 10);
    change_columns.write_data(out);
    op_columns_writer.write_data(out);
    for (auto index : head_indices)
        write_uleb(out, index);
    return out;
}

std::vector<uint8_t> encode_document_body(DocumentRecord const& document, size_t deflate_threshold)
{
    DocumentEncoder encoder;
    for (auto const& change : document.changes) {
        DocChangeView view { change.actor, change.seq, change.max_op, change.time, std::nullopt, change.deps, change.extra };
        if (change.message)
            view.message = *change.message;
        encoder.add_change(view);
    }
    for (auto const& op : document.ops) {
        DocOpView view;
        view.id = op.id;
        view.obj = op.obj;
        view.key = op.map_key.value_or(std::string_view {});
        view.action = op.action;
        view.value = &op.value;
        view.succ = document.successors(op);
        encoder.add_op(view);
    }
    return encoder.finish(document.actors, document.heads, document.head_indices, deflate_threshold);
}

namespace {

// Keeps every op in the record.
class RecordSink final : public DocOpSink {
public:
    explicit RecordSink(DocumentRecord& record)
        : m_record(record)
    {
    }
    ErrorOr<void> begin(DocumentRecord const&, uint64_t op_count) override
    {
        m_record.ops.reserve(static_cast<size_t>(op_count));
        return {};
    }
    ErrorOr<void> op(DocOp& op, std::span<const OpRef> successors) override
    {
        op.succ_begin = static_cast<uint32_t>(m_record.succ.size());
        op.succ_count = static_cast<uint32_t>(successors.size());
        m_record.succ.insert(m_record.succ.end(), successors.begin(), successors.end());
        m_record.ops.push_back(std::move(op));
        return {};
    }

private:
    DocumentRecord& m_record;
};

}

ErrorOr<DocumentRecord> parse_document_body(std::span<const uint8_t> body, DocumentLimits const& limits, size_t& inflate_budget)
{
    DocumentRecord kept;
    RecordSink sink(kept);
    auto document = TRY(parse_document_body(body, limits, inflate_budget, sink));
    document.ops = std::move(kept.ops);
    document.succ = std::move(kept.succ);
    return document;
}

ErrorOr<DocumentRecord> parse_document_body(std::span<const uint8_t> body, DocumentLimits const& limits, size_t& inflate_budget, DocOpSink& sink)
{
    Reader reader(body);
    DocumentRecord document;
    auto actor_count = TRY(reader.count("document: actors", reader.remaining()));
    document.actors.reserve(static_cast<size_t>(actor_count));
    for (uint64_t i = 0; i < actor_count; ++i) {
        auto actor = TRY(reader.length_prefixed("document: actors"));
        document.actors.emplace_back(std::vector<uint8_t>(actor.begin(), actor.end()));
    }
    auto head_count = TRY(reader.count("document: heads", reader.remaining() / 32));
    document.heads.resize(static_cast<size_t>(head_count));
    for (auto& head : document.heads) {
        auto bytes = TRY(reader.take(32, "document: heads"));
        std::copy(bytes.begin(), bytes.end(), head.bytes.begin());
    }
    auto change_columns = TRY(RawColumns::parse_header(reader, "document: change columns"));
    auto op_columns_block = TRY(RawColumns::parse_header(reader, "document: op columns"));
    TRY(change_columns.take_data(reader, inflate_budget));
    TRY(op_columns_block.take_data(reader, inflate_budget));
    if (!reader.at_end()) {
        for (uint64_t i = 0; i < head_count; ++i)
            document.head_indices.push_back(TRY(reader.uleb("document: head indices")));
        if (!reader.at_end())
            return make_error(ErrorCode::Corrupt, "document: bytes after the head indices");
    }
    if (change_columns.has_data_outside(doc_change_specs))
        return make_error(ErrorCode::Corrupt, "document: a change column of an unknown specification");
    if (op_columns_block.has_data_outside(doc_op_specs))
        return make_error(ErrorCode::Unsupported, "unsupported document: it holds mark ops or columns this library does not read");

    // Changes.
    {
        RleDecoder<uint64_t> actor(change_columns.get(change_columns::actor), "document: change actor column");
        DeltaDecoder seq(change_columns.get(change_columns::seq), "document: change seq column");
        DeltaDecoder max_op(change_columns.get(change_columns::max_op), "document: change max op column");
        DeltaDecoder time(change_columns.get(change_columns::time), "document: change time column");
        RleDecoder<std::string> message(change_columns.get(change_columns::message), "document: change message column");
        RleDecoder<uint64_t> deps_group(change_columns.get(change_columns::deps_group), "document: change deps column");
        DeltaDecoder deps_index(change_columns.get(change_columns::deps_index), "document: change deps column");
        ValueDecoder extra(change_columns.get(change_columns::extra_meta), change_columns.get(change_columns::extra_raw), "document: change extra column");
        uint64_t total_deps = 0;
        document.changes.reserve(static_cast<size_t>(count_values(change_columns.get(change_columns::actor), limits.max_changes)));
        for (;;) {
            std::optional<uint64_t> actor_value;
            if (!TRY(actor.next(actor_value)))
                break;
            if (document.changes.size() >= limits.max_changes)
                return make_error(ErrorCode::TooLarge, "document: more changes than the limit of " + std::to_string(limits.max_changes));
            if (!actor_value || *actor_value >= actor_count)
                return make_error(ErrorCode::Corrupt, "document: change actor index out of range");
            DocChange change;
            change.actor = static_cast<uint32_t>(*actor_value);
            std::optional<int64_t> number;
            if (!TRY(seq.next(number)) || !number || *number <= 0)
                return make_error(ErrorCode::Corrupt, "document: change without a valid sequence number");
            change.seq = static_cast<uint64_t>(*number);
            if (!TRY(max_op.next(number)) || !number || *number < 0)
                return make_error(ErrorCode::Corrupt, "document: change without a valid max op");
            change.max_op = static_cast<uint64_t>(*number);
            if (!TRY(time.next(number)))
                return make_error(ErrorCode::Corrupt, "document: change without a time");
            change.time = number.value_or(0);
            (void)TRY(message.next(change.message));
            std::optional<uint64_t> dep_count;
            (void)TRY(deps_group.next(dep_count));
            total_deps += dep_count.value_or(0);
            if (total_deps > limits.max_changes * 16)
                return make_error(ErrorCode::TooLarge, "document: more dependencies than the limit");
            for (uint64_t i = 0; i < dep_count.value_or(0); ++i) {
                std::optional<int64_t> index;
                if (!TRY(deps_index.next(index)) || !index || *index < 0)
                    return make_error(ErrorCode::Corrupt, "document: change dependency column shorter than its group");
                if (static_cast<uint64_t>(*index) >= document.changes.size())
                    return make_error(ErrorCode::Corrupt, "document: change depends on a change not before it");
                change.deps.push_back(static_cast<uint32_t>(*index));
            }
            ScalarValue extra_value;
            if (TRY(extra.next(extra_value))) {
                if (auto const* bytes = extra_value.as_bytes())
                    change.extra = *bytes;
                else if (!extra_value.is_null())
                    return make_error(ErrorCode::Corrupt, "document: change extra data is not bytes");
            }
            document.changes.push_back(std::move(change));
        }
        TRY(expect_exhausted(seq, "document: change seq column"));
        TRY(expect_exhausted(max_op, "document: change max op column"));
        TRY(expect_exhausted(time, "document: change time column"));
        TRY(expect_exhausted(message, "document: change message column"));
        TRY(expect_exhausted(deps_group, "document: change deps column"));
        TRY(expect_exhausted(deps_index, "document: change deps index column"));
        TRY(expect_exhausted(extra, "document: change extra column"));
    }

    // Ops.
    {
        document.op_columns = std::move(op_columns_block);
        auto const& columns = document.op_columns;
        OpColumnsDecoder decoder(columns, succ_columns, "document");
        // Counting the action column up front is cheap next to the ops.
        TRY(sink.begin(document, decoder.count_rows(limits.max_ops)));
        OpColumnsRow row;
        DocOp op;
        std::vector<OpRef> successors;
        uint64_t op_count = 0;
        uint64_t succ_count = 0;
        uint64_t total_succ = 0;
        for (;;) {
            if (!TRY(decoder.next(row, op.value, succ_count, actor_count)))
                break;
            if (op_count >= limits.max_ops)
                return make_error(ErrorCode::TooLarge, "document: more ops than the limit of " + std::to_string(limits.max_ops));
            ++op_count;
            if (!row.id || row.id->counter == 0)
                return make_error(ErrorCode::Corrupt, "document: op without an id");
            op.id = *row.id;
            op.obj = row.obj;
            op.map_key = row.map_key;
            op.element = row.element;
            op.insert = row.insert;
            op.action = row.action;
            total_succ += succ_count;
            if (total_succ > limits.max_ops)
                return make_error(ErrorCode::TooLarge, "document: more successors than the op limit of " + std::to_string(limits.max_ops));
            successors.clear();
            for (uint64_t i = 0; i < succ_count; ++i)
                successors.push_back(TRY(decoder.next_group_entry(actor_count)));
            TRY(sink.op(op, successors));
        }
        TRY(decoder.expect_exhausted());
    }
    return document;
}

}
