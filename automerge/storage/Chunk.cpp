#include "automerge/storage/Chunk.h"

#include "automerge/storage/Leb128.h"
#include "automerge/storage/Reader.h"

#include <algorithm>
#include <cstring>
#include <sodium.h>

namespace automerge::storage {

static constexpr uint8_t magic[4] = { 0x85, 0x6f, 0x4a, 0x83 };

ChangeHash chunk_hash(ChunkType type, std::span<const uint8_t> body)
{
    std::vector<uint8_t> prefix;
    prefix.push_back(static_cast<uint8_t>(type));
    write_uleb(prefix, body.size());
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, prefix.data(), prefix.size());
    crypto_hash_sha256_update(&state, body.data(), body.size());
    ChangeHash hash;
    crypto_hash_sha256_final(&state, hash.bytes.data());
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
    chunk.body = AM_TRY(reader.take(static_cast<size_t>(*length), "chunk: body"));
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
    std::vector<uint8_t> out;
    out.reserve(body.size() + 18);
    out.insert(out.end(), magic, magic + 4);
    out.insert(out.end(), hash.bytes.begin(), hash.bytes.begin() + 4);
    out.push_back(static_cast<uint8_t>(type));
    write_uleb(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    if (hash_out)
        *hash_out = hash;
    return out;
}

}
