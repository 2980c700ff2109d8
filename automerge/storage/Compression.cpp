#include "automerge/storage/Compression.h"

#include <string>
#include <zlib.h>

namespace automerge::storage {

std::vector<uint8_t> deflate_raw(std::span<const uint8_t> bytes)
{
    z_stream stream {};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        __builtin_trap();
    std::vector<uint8_t> out(deflateBound(&stream, bytes.size()));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&stream, Z_FINISH);
    if (result != Z_STREAM_END)
        __builtin_trap(); // deflateBound guarantees room
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

ErrorOr<std::vector<uint8_t>> inflate_raw(std::span<const uint8_t> bytes, size_t& budget, std::string_view what)
{
    z_stream stream {};
    if (inflateInit2(&stream, -15) != Z_OK)
        return make_error(ErrorCode::Corrupt, std::string(what) + ": could not start inflate");
    std::vector<uint8_t> out;
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    uint8_t buffer[16384];
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        stream.next_out = buffer;
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) {
            inflateEnd(&stream);
            return make_error(ErrorCode::Corrupt, std::string(what) + ": invalid deflate stream");
        }
        size_t produced = sizeof buffer - stream.avail_out;
        if (produced > budget) {
            inflateEnd(&stream);
            return make_error(ErrorCode::TooLarge, std::string(what) + ": inflated data exceeds the inflate limit (64 MiB by default)");
        }
        budget -= produced;
        out.insert(out.end(), buffer, buffer + produced);
        if (result == Z_OK && produced == 0 && stream.avail_in == 0) {
            inflateEnd(&stream);
            return make_error(ErrorCode::Corrupt, std::string(what) + ": truncated deflate stream");
        }
    }
    bool trailing = stream.avail_in != 0;
    inflateEnd(&stream);
    if (trailing)
        return make_error(ErrorCode::Corrupt, std::string(what) + ": bytes after the deflate stream");
    return out;
}

}
