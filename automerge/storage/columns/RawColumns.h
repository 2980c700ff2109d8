#pragma once

#include "automerge/Error.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/columns/ColumnHeader.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace automerge::storage {

// A block of columns as chunks store them:
//
//   count (uLEB) | (spec uLEB, length uLEB) * count | data of each column, in the same order
//
// Specs must ascend strictly by (id, type). Deflated columns are inflated on parse against the
// load's shared budget, so every span handed out is uncompressed data.
class RawColumns {
public:
    // Reads the header block only.
    static ErrorOr<RawColumns> parse_header(Reader& reader, std::string_view what);
    // Takes each column's data from the reader, inflating deflated ones.
    ErrorOr<void> take_data(Reader& reader, size_t& inflate_budget);

    // The data of a column, empty when the column is absent.
    std::span<const uint8_t> get(ColumnHeader spec) const;
    // Whether a column outside `known` holds data.
    bool has_data_outside(std::span<const ColumnHeader> known) const;

private:
    struct Column {
        ColumnHeader spec;
        uint64_t length { 0 };
        std::span<const uint8_t> data;
    };
    std::vector<Column> m_columns;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> m_inflated;
    std::string_view m_what;
};

// Writes a block of columns, dropping empty ones. With `deflate_threshold` set, a column whose
// data is at least that long is raw-deflated and flagged. It borrows the data it is given.
class ColumnWriter {
public:
    void add(ColumnHeader spec, std::span<const uint8_t> data);
    // Header (count, specs and lengths) and data, one after the other.
    void write(std::vector<uint8_t>& out, size_t deflate_threshold = 0);
    // The two halves apart, for document chunks (both headers come before both data blocks).
    void write_header(std::vector<uint8_t>& out, size_t deflate_threshold = 0);
    void write_data(std::vector<uint8_t>& out);
    // The bytes write_data will write (after write_header, the deflated sizes).
    size_t data_size() const;

private:
    struct Column {
        ColumnHeader spec;
        std::span<const uint8_t> data;
    };
    Column m_columns[24];
    size_t m_count { 0 };
    std::vector<std::vector<uint8_t>> m_deflated;
};

inline constexpr size_t deflate_min_size = 256;

}
