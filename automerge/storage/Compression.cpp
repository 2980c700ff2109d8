#include "automerge/storage/Compression.h"

#include <algorithm>
#include <string>
#include <zlib.h>

namespace automerge::storage {

static std::vector<uint8_t> deflate_with(std::span<const uint8_t> bytes, bool tuned)
{
    z_stream stream {};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        __builtin_trap();
    if (tuned)
        deflateTune(&stream, 4, 16, 8, 4);
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

// The reference deflates with miniz_oxide, whose output zlib cannot reproduce byte for byte.
// zlib's level 6 is up to a fifth larger on the columns of many small similar records (history
// entries), where short matches found quickly (nice length 8, chain 4) do better, and faster.
// Small columns try both and keep the smaller; large ones, where the time goes, take the tuned
// form. The inflated bytes are the reference's either way.
std::vector<uint8_t> deflate_raw(std::span<const uint8_t> bytes)
{
    auto tuned = deflate_with(bytes, true);
    if (bytes.size() > 4096)
        return tuned;
    auto standard = deflate_with(bytes, false);
    return tuned.size() < standard.size() ? tuned : standard;
}

ErrorOr<std::vector<uint8_t>> inflate_raw(std::span<const uint8_t> bytes, size_t& budget, std::string_view what)
{
    z_stream stream {};
    if (inflateInit2(&stream, -15) != Z_OK)
        return make_error(ErrorCode::Corrupt, std::string(what) + ": could not start inflate");
    // Inflates straight into the output, which grows geometrically but never past what the
    // budget still allows (plus one byte, to tell a stream that ends at the bound from one that
    // goes past it).
    std::vector<uint8_t> out;
    size_t used = 0;
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        if (used == out.size()) {
            size_t grown = std::max<size_t>(16384, std::min<size_t>(out.size() * 2, size_t(1) << 30));
            grown = std::min(grown, used + budget + 1);
            if (grown <= used) {
                inflateEnd(&stream);
                return make_error(ErrorCode::TooLarge, std::string(what) + ": inflated data exceeds the inflate limit (64 MiB by default)");
            }
            out.resize(grown);
        }
        size_t room = std::min<size_t>(out.size() - used, 1u << 30);
        stream.next_out = out.data() + used;
        stream.avail_out = static_cast<uInt>(room);
        result = inflate(&stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) {
            inflateEnd(&stream);
            return make_error(ErrorCode::Corrupt, std::string(what) + ": invalid deflate stream");
        }
        size_t produced = room - stream.avail_out;
        if (produced > budget) {
            inflateEnd(&stream);
            return make_error(ErrorCode::TooLarge, std::string(what) + ": inflated data exceeds the inflate limit (64 MiB by default)");
        }
        budget -= produced;
        used += produced;
        if (result == Z_OK && produced == 0 && stream.avail_in == 0) {
            inflateEnd(&stream);
            return make_error(ErrorCode::Corrupt, std::string(what) + ": truncated deflate stream");
        }
    }
    bool trailing = stream.avail_in != 0;
    inflateEnd(&stream);
    out.resize(used);
    if (trailing)
        return make_error(ErrorCode::Corrupt, std::string(what) + ": bytes after the deflate stream");
    return out;
}

}
