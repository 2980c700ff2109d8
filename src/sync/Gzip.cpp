#include "src/sync/Gzip.h"

#include <zlib.h>

namespace vexa::sync {

kaso::ErrorOr<std::vector<uint8_t>> gzip_compress(std::span<uint8_t const> data)
{
    z_stream stream {};
    // windowBits 15 + 16 writes a gzip wrapper with a zeroed header.
    if (deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return kaso::make_error("gzip: could not start deflate");
    std::vector<uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int const result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        return kaso::make_error("gzip: deflate did not finish");
    return out;
}

kaso::ErrorOr<std::vector<uint8_t>> gzip_decompress_bounded(std::span<uint8_t const> data, std::size_t limit)
{
    z_stream stream {};
    if (inflateInit2(&stream, 15 + 16) != Z_OK)
        return kaso::make_error("gzip: could not start inflate");
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());

    std::vector<uint8_t> out;
    std::size_t const cap = limit + 1;
    int result = Z_OK;
    while (out.size() < cap) {
        std::size_t const chunk = std::min<std::size_t>(cap - out.size(), 64 * 1024);
        std::size_t const before = out.size();
        out.resize(before + chunk);
        stream.next_out = out.data() + before;
        stream.avail_out = static_cast<uInt>(chunk);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + (chunk - stream.avail_out));
        if (result == Z_STREAM_END)
            break;
        if (result == Z_BUF_ERROR && stream.avail_in == 0) {
            inflateEnd(&stream);
            return kaso::make_error("unexpected end of file");
        }
        if (result != Z_OK && result != Z_BUF_ERROR) {
            std::string message = stream.msg ? stream.msg : "corrupt deflate stream";
            inflateEnd(&stream);
            return kaso::make_error(message);
        }
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END && out.size() <= limit)
        return kaso::make_error("unexpected end of file");
    return out;
}

}
