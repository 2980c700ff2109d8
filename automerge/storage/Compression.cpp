#include "automerge/storage/Compression.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <string>
#include <string_view>
#include <unordered_map>
#include <zlib.h>

namespace automerge::storage {

namespace {

constexpr int level = 6;

// The reference deflates with miniz_oxide, whose output zlib cannot reproduce byte for byte.
// zlib's level 6 is up to a fifth larger on the columns of many small similar records (history
// entries), where short matches found quickly (nice length 8, chain 4) do better, and faster.
void tune(z_stream& stream) { deflateTune(&stream, 4, 16, 8, 4); }

// Which match search a stream starts with: zlib's own for the level, or the tuned one above.
enum class Matcher {
    Standard,
    Tuned,
};

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
    // `last_flush` is Z_FINISH for a stream of its own, Z_SYNC_FLUSH for a piece of one (see
    // deflate_raw).
    // `dictionary` holds the bytes that come just before these in the stream, which matches
    // may reach back into.
    std::vector<uint8_t> whole(std::span<const uint8_t> bytes, Matcher matcher, int last_flush, std::span<const uint8_t> dictionary)
    {
        start(Z_DEFAULT_STRATEGY, matcher, bytes.size(), dictionary);
        feed(bytes, last_flush);
        return finish();
    }

    // Large input in segments, each deflated with the matcher only where its bytes repeat
    // enough to pay for the search, and with Huffman codes alone elsewhere: on text of a small
    // alphabet, numbers or random bytes the matches are few and short, the search costs most
    // of the time and wins nothing (zlib still falls back to stored blocks where codes do not
    // pay either).
    std::vector<uint8_t> segmented(std::span<const uint8_t> bytes, int last_flush, std::span<const uint8_t> dictionary)
    {
        constexpr size_t segment = 64 * 1024;
        constexpr size_t probed = 8 * 1024;
        constexpr double worth_matching = 0.1;
        RepeatProbe probe;
        int strategy = Z_DEFAULT_STRATEGY;
        start(strategy, Matcher::Tuned, bytes.size(), dictionary);
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
            feed(bytes.subspan(at, end - at), end == bytes.size() ? last_flush : Z_NO_FLUSH);
        }
        if (bytes.empty())
            feed(bytes, last_flush);
        return finish();
    }

private:
    void start(int strategy, Matcher matcher, size_t input_size, std::span<const uint8_t> dictionary)
    {
        deflateReset(&m_stream);
        // Right after a reset this only sets the strategy; nothing is flushed.
        deflateParams(&m_stream, level, strategy);
        if (matcher == Matcher::Tuned)
            tune(m_stream);
        if (!dictionary.empty())
            deflateSetDictionary(&m_stream, dictionary.data(), static_cast<uInt>(dictionary.size()));
        // The buffer's size is its room: it only grows, so a column does not pay for zeroing
        // bytes that the last one already had.
        if (auto bound = deflateBound(&m_stream, input_size); m_out.size() < bound)
            m_out.resize(bound);
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

// Small input tries the tuned matcher and plain level 6 and keeps the smaller; large input,
// where the time goes, is deflated in segments (see Deflater::segmented). A small piece of a
// pieced column takes the tuned matcher alone: the piece holding an edit is deflated again on
// every save, and a second pass would double that.
enum class Passes {
    BestOfTwo,
    TunedOnly,
};

std::vector<uint8_t> deflate_stream(std::span<const uint8_t> bytes, int last_flush, std::span<const uint8_t> dictionary = {}, Passes passes = Passes::BestOfTwo)
{
    auto& deflater = thread_deflater();
    if (bytes.size() > 4096)
        return deflater.segmented(bytes, last_flush, dictionary);
    auto tuned = deflater.whole(bytes, Matcher::Tuned, last_flush, dictionary);
    if (passes == Passes::TunedOnly)
        return tuned;
    auto standard = deflater.whole(bytes, Matcher::Standard, last_flush, dictionary);
    return tuned.size() < standard.size() ? tuned : standard;
}

// Large input is cut into pieces where its content says: a cut follows the bytes whose rolling
// hash (over the last 64 bytes) has its top `cut_bits` clear, at least `min` bytes after the
// last cut and at most `max`. A cut depends only on the bytes just before it, so an edit in one
// place moves the cuts near it and leaves the others where they were.
//
// A piece may match into the `dictionary` bytes just before it, which the inflater has in its
// window: an empty window would cost each piece its first repeats (field names, key prefixes).
struct PieceShape {
    size_t min;
    size_t max;
    unsigned cut_bits;
    size_t dictionary;
};

// Columns of a few KiB up to `small_pieces_below` (a library's keys) change in one place per
// save and are deflated mostly from memory: small pieces keep the piece deflated again small.
// Larger columns (long histories) take larger pieces, which cost less per byte and lose less to
// each piece's own codes when a save deflates most of them.
constexpr size_t pieced_min_size = 8 * 1024;
constexpr size_t small_pieces_below = 64 * 1024;
constexpr PieceShape small_pieces { 1024, 8 * 1024, 10, 2 * 1024 }; // a cut every 1 KiB past the minimum
constexpr PieceShape large_pieces { 8 * 1024, 64 * 1024, 12, 4 * 1024 }; // every 4 KiB
constexpr size_t hash_span = 64;
static_assert(small_pieces.min >= hash_span && large_pieces.min >= hash_span);

constexpr std::array<uint64_t, 256> gear_table = [] {
    // splitmix64: fixed pseudo-random words, so cuts fall in the same places in every process.
    std::array<uint64_t, 256> table {};
    uint64_t state = 0;
    for (auto& word : table) {
        state += 0x9e3779b97f4a7c15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        word = z ^ (z >> 31);
    }
    return table;
}();

size_t next_cut(std::span<const uint8_t> bytes, size_t at, PieceShape const& shape)
{
    size_t end = std::min(bytes.size(), at + shape.max);
    if (end - at <= shape.min)
        return end;
    // Each step shifts the hash left by one, so after 64 bytes it depends on those alone.
    uint64_t hash = 0;
    size_t i = at + shape.min - hash_span;
    for (; i < at + shape.min; ++i)
        hash = (hash << 1) + gear_table[bytes[i]];
    for (; i < end; ++i) {
        hash = (hash << 1) + gear_table[bytes[i]];
        if ((hash >> (64 - shape.cut_bits)) == 0)
            return i + 1;
    }
    return end;
}

// The deflated pieces of a thread's recent saves, keyed by their input. Two generations bound
// the memory: when the current one holds `budget` bytes of input it becomes the previous one,
// and a piece found in the previous generation moves back into the current one.
class PieceCache {
public:
    // Appends the deflated bytes of `input` after `dictionary` to `out` when they are known.
    bool append(std::span<const uint8_t> dictionary, std::span<const uint8_t> input, size_t key, std::vector<uint8_t>& out)
    {
        if (auto* piece = find(m_current, dictionary, input, key)) {
            out.insert(out.end(), piece->output.begin(), piece->output.end());
            return true;
        }
        auto* piece = find(m_previous, dictionary, input, key);
        if (!piece)
            return false;
        out.insert(out.end(), piece->output.begin(), piece->output.end());
        auto moved = std::move(*piece);
        m_previous.erase(key);
        add(key, std::move(moved));
        return true;
    }

    void add(std::span<const uint8_t> dictionary, std::span<const uint8_t> input, size_t key, std::vector<uint8_t> output)
    {
        add(key, Piece { std::vector<uint8_t>(dictionary.begin(), dictionary.end()), std::vector<uint8_t>(input.begin(), input.end()), std::move(output) });
    }

private:
    struct Piece {
        std::vector<uint8_t> dictionary;
        std::vector<uint8_t> input;
        std::vector<uint8_t> output;
    };
    using Pieces = std::unordered_map<size_t, Piece>;

    static Piece* find(Pieces& pieces, std::span<const uint8_t> dictionary, std::span<const uint8_t> input, size_t key)
    {
        auto it = pieces.find(key);
        if (it == pieces.end() || !std::ranges::equal(it->second.input, input) || !std::ranges::equal(it->second.dictionary, dictionary))
            return nullptr;
        return &it->second;
    }

    void add(size_t key, Piece piece)
    {
        if (m_current_bytes >= budget) {
            m_previous = std::move(m_current);
            m_current.clear();
            m_current_bytes = 0;
        }
        m_current_bytes += piece.dictionary.size() + piece.input.size() + piece.output.size();
        m_current.insert_or_assign(key, std::move(piece));
    }

    static constexpr size_t budget = 4u << 20;
    Pieces m_current;
    Pieces m_previous;
    size_t m_current_bytes { 0 };
};

PieceCache& thread_piece_cache()
{
    thread_local PieceCache cache;
    return cache;
}

}

// Columns up to `pieced_min_size` are one deflate stream. Larger ones are a run of pieces (see
// next_cut), each deflated on its own (with the bytes before it as its dictionary) and ended
// with a sync flush, which leaves the output byte-aligned and every block non-final; an empty
// final block closes the whole. A piece's deflated bytes depend on its input and the few KiB
// before it alone, so saving a document that changed in a few places deflates only the pieces
// around them again. The inflated bytes are the reference's either way.
std::vector<uint8_t> deflate_raw(std::span<const uint8_t> bytes)
{
    if (bytes.size() < pieced_min_size)
        return deflate_stream(bytes, Z_FINISH);
    auto const& shape = bytes.size() < small_pieces_below ? small_pieces : large_pieces;
    auto& cache = thread_piece_cache();
    std::vector<uint8_t> out;
    out.reserve(bytes.size() / 4);
    for (size_t at = 0; at < bytes.size();) {
        size_t end = next_cut(bytes, at, shape);
        auto piece = bytes.subspan(at, end - at);
        size_t before = std::min(at, shape.dictionary);
        auto dictionary = bytes.subspan(at - before, before);
        auto hash = [](std::span<const uint8_t> span) { return std::hash<std::string_view> {}(std::string_view(reinterpret_cast<char const*>(span.data()), span.size())); };
        size_t key = hash(piece) ^ (hash(dictionary) * 0x9e3779b97f4a7c15ull);
        if (!cache.append(dictionary, piece, key, out)) {
            auto deflated = deflate_stream(piece, Z_SYNC_FLUSH, dictionary, Passes::TunedOnly);
            out.insert(out.end(), deflated.begin(), deflated.end());
            cache.add(dictionary, piece, key, std::move(deflated));
        }
        at = end;
    }
    // A final block with fixed codes and nothing but its end code: bits 1, 01, 0000000.
    out.push_back(0x03);
    out.push_back(0x00);
    return out;
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
