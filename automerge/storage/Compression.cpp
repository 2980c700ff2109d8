#include "automerge/storage/Compression.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <string>
#include <zlib.h>

namespace automerge::storage {

namespace {

constexpr int level = 6;

// The reference deflates with miniz_oxide, whose output zlib cannot reproduce byte for byte.
// zlib's level 6 is up to a fifth larger on the columns of many small similar records (history
// entries), where short matches found quickly (nice length 8, chain 4) do better, and faster.
void tune(z_stream& stream) { deflateTune(&stream, 4, 16, 8, 4); }

// How much of a stretch of bytes lies inside 4-byte repeats, found with one probe per position
// into a table of recent positions: a cheap stand-in for what a match search would find. Text
// drawn from a small alphabet, numbers and random bytes score near zero; records that repeat
// their field names score high.
class RepeatProbe {
public:
    RepeatProbe() { std::memset(m_table, 0xff, sizeof m_table); }

    double share(uint8_t const* base, size_t begin, size_t end)
    {
        size_t covered = 0;
        size_t at = begin;
        while (at + 4 <= end) {
            uint32_t word;
            std::memcpy(&word, base + at, 4);
            uint32_t& slot = m_table[(word * 2654435761u) >> (32 - table_bits)];
            uint32_t previous = slot;
            slot = static_cast<uint32_t>(at);
            if (previous != empty && at - previous <= 32768 && std::memcmp(base + previous, &word, 4) == 0) {
                covered += 4;
                at += 4;
                continue;
            }
            ++at;
        }
        return end > begin ? double(covered) / double(end - begin) : 0;
    }

private:
    static constexpr unsigned table_bits = 12;
    static constexpr uint32_t empty = 0xffffffffu;
    uint32_t m_table[1u << table_bits];
};

// One deflate stream per thread, reset for every column instead of set up and torn down.
class Deflater {
public:
    Deflater()
    {
        if (deflateInit2(&m_stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            __builtin_trap();
    }
    ~Deflater() { deflateEnd(&m_stream); }
    Deflater(Deflater const&) = delete;
    Deflater& operator=(Deflater const&) = delete;

    // The whole input as one stream with one strategy: the tuned matcher or level 6 as is.
    std::vector<uint8_t> whole(std::span<const uint8_t> bytes, bool tuned)
    {
        start(Z_DEFAULT_STRATEGY, tuned, bytes.size());
        feed(bytes, Z_FINISH);
        return finish();
    }

    // Large input in segments, each deflated with the matcher only where its bytes repeat
    // enough to pay for the search, and with Huffman codes alone elsewhere: on text of a small
    // alphabet, numbers or random bytes the matches are few and short, the search costs most
    // of the time and wins nothing (zlib still falls back to stored blocks where codes do not
    // pay either).
    std::vector<uint8_t> segmented(std::span<const uint8_t> bytes)
    {
        constexpr size_t segment = 64 * 1024;
        constexpr size_t probed = 8 * 1024;
        constexpr double worth_matching = 0.1;
        RepeatProbe probe;
        int strategy = Z_DEFAULT_STRATEGY;
        start(strategy, true, bytes.size());
        for (size_t at = 0; at < bytes.size(); at += segment) {
            size_t end = std::min(bytes.size(), at + segment);
            // The segment's first bytes stand for all of it: probing every byte cost a fifth of
            // a save, and a column's bytes change kind seldom within a segment.
            size_t probed_end = std::min(end, at + probed);
            int wanted = probe.share(bytes.data(), at, probed_end) >= worth_matching ? Z_DEFAULT_STRATEGY : Z_HUFFMAN_ONLY;
            if (wanted != strategy) {
                switch_strategy(wanted);
                strategy = wanted;
            }
            feed(bytes.subspan(at, end - at), end == bytes.size() ? Z_FINISH : Z_NO_FLUSH);
        }
        if (bytes.empty())
            feed(bytes, Z_FINISH);
        return finish();
    }

private:
    void start(int strategy, bool tuned, size_t input_size)
    {
        deflateReset(&m_stream);
        // Right after a reset this only sets the strategy; nothing is flushed.
        deflateParams(&m_stream, level, strategy);
        if (tuned)
            tune(m_stream);
        m_out.resize(deflateBound(&m_stream, input_size));
        m_used = 0;
    }

    void make_room()
    {
        if (m_out.size() - m_used < 4096)
            m_out.resize(std::max(m_out.size() * 2, m_used + 65536));
        m_stream.next_out = m_out.data() + m_used;
        m_stream.avail_out = static_cast<uInt>(std::min<size_t>(m_out.size() - m_used, 1u << 30));
    }

    void took_output() { m_used = static_cast<size_t>(m_stream.next_out - m_out.data()); }

    void feed(std::span<const uint8_t> bytes, int flush)
    {
        m_stream.next_in = const_cast<Bytef*>(bytes.data());
        m_stream.avail_in = static_cast<uInt>(bytes.size());
        for (;;) {
            make_room();
            int result = deflate(&m_stream, flush);
            took_output();
            if (result == Z_STREAM_END)
                return;
            if (result != Z_OK && result != Z_BUF_ERROR)
                __builtin_trap();
            if (flush != Z_FINISH && m_stream.avail_in == 0 && m_stream.avail_out != 0)
                return;
        }
    }

    // Changing the strategy mid-stream ends the current block first, which needs output room.
    void switch_strategy(int strategy)
    {
        m_stream.next_in = nullptr;
        m_stream.avail_in = 0;
        for (;;) {
            make_room();
            int result = deflateParams(&m_stream, level, strategy);
            took_output();
            if (result == Z_OK)
                break;
            if (result != Z_BUF_ERROR)
                __builtin_trap();
        }
        if (strategy == Z_DEFAULT_STRATEGY)
            tune(m_stream);
    }

    // Small output is copied out of the kept buffer; large output takes the buffer itself, so a
    // thread never holds on to the room of its largest column.
    std::vector<uint8_t> finish()
    {
        if (m_out.capacity() > kept_capacity) {
            m_out.resize(m_used);
            return std::exchange(m_out, {});
        }
        return std::vector<uint8_t>(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_used));
    }

    static constexpr size_t kept_capacity = 1u << 20;

    z_stream m_stream {};
    std::vector<uint8_t> m_out;
    size_t m_used { 0 };
};

Deflater& thread_deflater()
{
    thread_local Deflater deflater;
    return deflater;
}

}

// Small columns try the tuned matcher and plain level 6 and keep the smaller; large ones, where
// the time goes, are deflated in segments (see Deflater::segmented). The inflated bytes are the
// reference's either way.
std::vector<uint8_t> deflate_raw(std::span<const uint8_t> bytes)
{
    auto& deflater = thread_deflater();
    if (bytes.size() > 4096)
        return deflater.segmented(bytes);
    auto tuned = deflater.whole(bytes, true);
    auto standard = deflater.whole(bytes, false);
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
