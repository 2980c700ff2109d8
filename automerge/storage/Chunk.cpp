#include "automerge/storage/Chunk.h"

#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"
#include "automerge/storage/Sha256.h"

#include <algorithm>
#include <cstring>

namespace automerge::storage {

static constexpr uint8_t magic[4] = { 0x85, 0x6f, 0x4a, 0x83 };

// The type byte and uLEB128 length that precede a body: at most 11 bytes.
static size_t write_prefix(uint8_t* out, ChunkType type, uint64_t length)
{
    size_t size = 0;
    out[size++] = static_cast<uint8_t>(type);
    do {
        uint8_t byte = length & 0x7f;
        length >>= 7;
        if (length != 0)
            byte |= 0x80;
        out[size++] = byte;
    } while (length != 0);
    return size;
}

ChangeHash chunk_hash(ChunkType type, std::span<const uint8_t> body)
{
    uint8_t prefix[11];
    size_t prefix_size = write_prefix(prefix, type, body.size());
    ChangeHash hash;
    sha256_two_parts(std::span<const uint8_t>(prefix, prefix_size), body, hash.bytes.data());
    return hash;
}

ErrorOr<Chunk> parse_chunk(std::span<const uint8_t> bytes)
{
    Reader reader(bytes);
    auto head = reader.take(4, "chunk: magic bytes");
    if (!head)
        return make_error(ErrorCode::Corrupt, "chunk: truncated header");
    if (std::memcmp(head->data(), magic, 4) != 0)
        return make_error(ErrorCode::Corrupt, "chunk: bad magic bytes");
    auto checksum = reader.take(4, "chunk: checksum");
    if (!checksum)
        return make_error(ErrorCode::Corrupt, "chunk: truncated header");
    auto type_byte = reader.byte("chunk: type");
    if (!type_byte)
        return make_error(ErrorCode::Corrupt, "chunk: truncated header");
    if (*type_byte > 2)
        return make_error(ErrorCode::Corrupt, "chunk: unknown chunk type " + std::to_string(*type_byte));
    auto length = reader.uleb("chunk: length");
    if (!length)
        return make_error(ErrorCode::Corrupt, "chunk: truncated header");
    if (*length > reader.remaining())
        return make_error(ErrorCode::Corrupt, "chunk: declared length " + std::to_string(*length) + " exceeds the " + std::to_string(reader.remaining()) + " bytes left");
    Chunk chunk;
    chunk.type = static_cast<ChunkType>(*type_byte);
    chunk.body = TRY(reader.take(static_cast<size_t>(*length), "chunk: body"));
    chunk.size = reader.offset();
    std::copy(checksum->begin(), checksum->end(), chunk.checksum.begin());
    if (chunk.type == ChunkType::CompressedChange)
        return chunk;
    chunk.hash = chunk_hash(chunk.type, chunk.body);
    if (!std::equal(checksum->begin(), checksum->end(), chunk.hash.bytes.begin()))
        return make_error(ErrorCode::Corrupt, "chunk: wrong checksum");
    return chunk;
}

std::vector<uint8_t> write_chunk(ChunkType type, std::span<const uint8_t> body, ChangeHash* hash_out)
{
    auto hash = chunk_hash(type, body);
    uint8_t prefix[11];
    size_t prefix_size = write_prefix(prefix, type, body.size());
    // Reserved and appended: sizing the vector up front would zero every byte before the copy.
    uint8_t header[8 + sizeof prefix];
    std::memcpy(header, magic, 4);
    std::memcpy(header + 4, hash.bytes.data(), 4);
    std::memcpy(header + 8, prefix, prefix_size);
    std::vector<uint8_t> out;
    out.reserve(8 + prefix_size + body.size());
    out.assign(header, header + 8 + prefix_size);
    out.insert(out.end(), body.begin(), body.end());
    if (hash_out)
        *hash_out = hash;
    return out;
}

}
