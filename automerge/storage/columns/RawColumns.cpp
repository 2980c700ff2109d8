#include "automerge/storage/columns/RawColumns.h"

#include "automerge/storage/Compression.h"
#include "automerge/storage/Leb128.h"

#include <algorithm>
#include <string>

namespace automerge::storage {

ErrorOr<RawColumns> RawColumns::parse_header(Reader& reader, std::string_view what)
{
    RawColumns columns;
    columns.m_what = what;
    // Each column header takes at least two bytes.
    auto count = TRY(reader.count(what, reader.remaining() / 2));
    columns.m_columns.reserve(static_cast<size_t>(count));
    uint64_t total = 0;
    for (uint64_t i = 0; i < count; ++i) {
        auto spec = TRY(reader.uleb(what));
        if (spec > 0xffffffffu)
            return make_error(ErrorCode::Corrupt, std::string(what) + ": column spec out of range");
        auto length = TRY(reader.uleb(what));
        ColumnHeader column_spec { static_cast<uint32_t>(spec) };
        if (!columns.m_columns.empty() && columns.m_columns.back().spec.normalized() >= column_spec.normalized())
            return make_error(ErrorCode::Corrupt, std::string(what) + ": columns out of order");
        if (length > reader.remaining())
            return make_error(ErrorCode::Corrupt, std::string(what) + ": column length " + std::to_string(length) + " exceeds the bytes left");
        total += length;
        columns.m_columns.push_back({ column_spec, length, {} });
    }
    if (total > reader.remaining())
        return make_error(ErrorCode::Corrupt, std::string(what) + ": column lengths exceed the bytes left");
    return columns;
}

ErrorOr<void> RawColumns::take_data(Reader& reader, size_t& inflate_budget)
{
    for (auto& column : m_columns) {
        auto data = TRY(reader.take(static_cast<size_t>(column.length), m_what));
        if (column.spec.deflated()) {
            auto inflated = TRY(inflate_raw(data, inflate_budget, m_what));
            m_inflated.push_back(std::make_unique<std::vector<uint8_t>>(std::move(inflated)));
            column.data = *m_inflated.back();
        } else {
            column.data = data;
        }
    }
    return {};
}

std::span<const uint8_t> RawColumns::get(ColumnHeader spec) const
{
    for (auto const& column : m_columns) {
        if (column.spec.normalized() == spec.normalized())
            return column.data;
    }
    return {};
}

bool RawColumns::has_data_outside(std::span<const ColumnHeader> known) const
{
    for (auto const& column : m_columns) {
        if (column.data.empty())
            continue;
        bool found = std::ranges::any_of(known, [&](ColumnHeader spec) { return spec.normalized() == column.spec.normalized(); });
        if (!found)
            return true;
    }
    return false;
}

void ColumnWriter::add(ColumnHeader spec, std::span<const uint8_t> data)
{
    if (!data.empty() && m_count < std::size(m_columns))
        m_columns[m_count++] = Column { spec, data };
}

void ColumnWriter::write_header(std::vector<uint8_t>& out, size_t deflate_threshold)
{
    if (deflate_threshold > 0) {
        m_deflated.reserve(m_count);
        for (size_t i = 0; i < m_count; ++i) {
            auto& column = m_columns[i];
            if (column.data.size() >= deflate_threshold) {
                m_deflated.push_back(deflate_raw(column.data));
                column.data = m_deflated.back();
                column.spec = column.spec.with_deflate();
            }
        }
    }
    write_uleb(out, m_count);
    for (size_t i = 0; i < m_count; ++i) {
        write_uleb(out, m_columns[i].spec.raw);
        write_uleb(out, m_columns[i].data.size());
    }
}

size_t ColumnWriter::data_size() const
{
    size_t size = 0;
    for (size_t i = 0; i < m_count; ++i)
        size += m_columns[i].data.size();
    return size;
}

void ColumnWriter::write_data(std::vector<uint8_t>& out)
{
    out.reserve(out.size() + data_size());
    for (size_t i = 0; i < m_count; ++i)
        out.insert(out.end(), m_columns[i].data.begin(), m_columns[i].data.end());
}

void ColumnWriter::write(std::vector<uint8_t>& out, size_t deflate_threshold)
{
    write_header(out, deflate_threshold);
    write_data(out);
}

}
