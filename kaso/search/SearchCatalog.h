#pragma once

#include <cstddef>
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kaso/search/PostingsIndex.h"
#include "kaso/search/SearchResult.h"

namespace kaso::search {

// What `SearchCatalog::upsert` did. The numbers are the platform's codes.
enum class UpsertResult : uint8_t {
    EmptyKey = 0,
    NoActionAddress = 1,    // the result opens no action
    KeyMismatch = 2,        // the key is not the text of the result's action address
    GenerationExhausted = 3,
    DocumentsExhausted = 4,
    Stored = 255,           // stored, or already held unchanged
};

// The catalogue's size and version, in the order the platform reports them.
struct CatalogStats {
    uint64_t entries { 0 };
    uint64_t postings { 0 };   // (gram or token, key) pairs ever added, saturating
    uint64_t characters { 0 }; // characters of every normalised text ever added, saturating
    uint64_t generation { 0 }; // raised by one on every change

    bool operator==(CatalogStats const&) const = default;
};

// Where a paged search stands: the catalogue's generation when it was made and how many hits
// earlier pages took.
struct SearchCursor {
    uint64_t generation { 0 };
    std::size_t offset { 0 };

    bool operator==(SearchCursor const&) const = default;
};

struct SearchPage {
    std::vector<SearchResult> results;
    std::optional<SearchCursor> next; // none on the last page
};

// The runtime's index of things to find, each stored under the text of the action address it
// opens. A query's words must all be found in an entry: a word of three characters or more
// anywhere in its text (through the index of three-character fragments), a shorter one at the
// start of one of its words. Hits are ranked by how well each word matched — a whole word,
// the start of a word, elsewhere — and then by the order in which the entries first came in.
//
// Shared between the application, which fills it, and the runtime's searches: every call takes
// the catalogue's lock, the write side for a change and the read side for a search, so a change
// is seen whole or not at all.
class SearchCatalog {
public:
    explicit SearchCatalog(std::string name);
    // A catalogue whose counters continue from the values given (a catalogue that had already
    // changed `generation` times and numbered `next_document` entries).
    SearchCatalog(std::string name, uint64_t generation, uint64_t next_document);

    std::string const& name() const { return m_name; }

    // Stores `result` under `key`, found by `search_text`. An entry already held with the same
    // normalised text and an equal result is left alone (nothing changes, not even the
    // generation); one that differs is replaced whole and keeps its document number.
    UpsertResult upsert(std::string key, std::string search_text, SearchResult result);

    CatalogStats stats() const;
    bool cursor_is_current(SearchCursor const& cursor) const;
    // The best `limit` hits, best first.
    std::vector<SearchResult> search_limited(std::string_view query, std::size_t limit) const;
    // `page_size` hits after the cursor (from the first without one). A cursor of an older
    // generation starts again from the first hit.
    SearchPage query_page(std::string_view query, std::optional<SearchCursor> cursor, std::size_t page_size) const;

    // The stored result of a key, for inspection.
    std::optional<SearchResult> result(std::string_view key) const;
    std::optional<uint64_t> document_number(std::string_view key) const;

private:
    // A three-character fragment packed into two words: its bytes (at most twelve in valid
    // UTF-8) and its length, so fragments are hashed and compared without a string.
    struct GramKey {
        uint64_t low;
        uint64_t high;
        bool operator==(GramKey const&) const = default;
        auto operator<=>(GramKey const&) const = default;
    };
    struct GramHash {
        std::size_t operator()(GramKey key) const;
    };
    // Words and keys are short: eight bytes at a time through a multiply, then a finishing mix
    // that spreads every byte into the low bits the tables probe by.
    struct TextHash {
        std::size_t operator()(std::string_view text) const;
    };

    // A word of an entry's normalised text, by its place in that text (an offset survives the
    // text being moved, a view may not).
    struct Token {
        std::size_t offset { 0 };
        std::size_t size { 0 };
    };

    struct Entry {
        std::string normalized; // its words are read off it, so none are kept beside it
        SearchResult result;
        uint64_t document { 0 };
    };

    struct Hit {
        uint64_t document;
        unsigned score;
    };

    static GramKey gram_key(std::string_view gram);
    struct IndexedText {
        std::size_t characters;
        std::size_t grams;
    };
    // One pass over a normalised text: its words, each once, into `tokens`; the key of every
    // fragment as it comes, repeats included, into the first places of `grams` (grown when
    // short, never cut). Returns the text's characters and how many fragments it has.
    static IndexedText index_text(std::string_view normalized, std::vector<Token>* tokens, std::vector<GramKey>& grams);
    static bool add_posting(Postings& postings, uint64_t document);
    [[gnu::noinline]] static void make_room(Postings& postings);
    [[gnu::noinline]] static bool add_posting_in_order(Postings& postings, uint64_t document);
    static void remove_posting(Postings& postings, uint64_t document);
    void remove_postings(Entry const& entry);
    Entry const& entry_of(uint64_t document) const { return *m_by_document[document - m_first_document]; }
    std::vector<Hit> ranked_hits(std::string_view query, std::size_t limit) const;
    // How many entries at most hold the word, cheaply bounded; and the entries that may.
    std::size_t estimate(std::string_view word) const;
    Postings candidates(std::string_view word) const;

    std::string m_name;
    mutable std::shared_mutex m_lock;
    // Everything below is guarded by m_lock.
    std::unordered_map<std::string, Entry, TextHash> m_entries;
    PostingsIndex<GramKey, GramHash> m_grams;
    PostingsIndex<std::string, TextHash> m_tokens;
    // The entry of each document number from the first this catalogue gave out (entries are
    // never removed, and a map's entries stay where they are).
    std::vector<Entry const*> m_by_document;
    uint64_t m_first_document { 0 };
    uint64_t m_postings { 0 };
    uint64_t m_characters { 0 };
    uint64_t m_generation { 0 };
    uint64_t m_next_document { 0 };
};

using SearchCatalogHandle = std::shared_ptr<SearchCatalog>;

}
