#include "kaso/search/SearchCatalog.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <limits>
#include <mutex>
#include <span>

#include "kaso/search/SearchText.h"

namespace kaso::search {

namespace {

constexpr uint64_t max_u64 = std::numeric_limits<uint64_t>::max();

uint64_t saturating_add(uint64_t a, uint64_t b) { return b > max_u64 - a ? max_u64 : a + b; }

// How well one query word matched an entry: a whole word, the start of a word, or elsewhere in
// its text (0: not at all). Words shorter than three characters match only at a word's start.
template<typename Entry>
unsigned word_score(Entry const& entry, std::string_view word)
{
    // The entry's words, read off its text (a word that comes again scores as it did).
    unsigned best = 0;
    std::string_view rest = entry.normalized;
    while (!rest.empty()) {
        auto end = rest.find(' ');
        auto text = rest.substr(0, end);
        if (text == word)
            return 3;
        if (text.starts_with(word))
            best = 2;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    if (best == 0 && character_count(word) >= 3 && entry.normalized.find(word) != std::string_view::npos)
        best = 1;
    return best;
}

}

SearchCatalog::SearchCatalog(std::string name)
    : m_name(std::move(name))
{
}

SearchCatalog::SearchCatalog(std::string name, uint64_t generation, uint64_t next_document)
    : m_name(std::move(name))
    , m_first_document(next_document)
    , m_generation(generation)
    , m_next_document(next_document)
{
}

SearchCatalog::GramKey SearchCatalog::gram_key(std::string_view gram)
{
    GramKey key {};
    if (gram.size() < 16) {
        // The bytes in order from the low word's lowest byte on, the length in the high word's
        // top byte.
        for (std::size_t i = 0; i < gram.size(); ++i) {
            uint64_t byte = static_cast<unsigned char>(gram[i]);
            if (i < 8)
                key.low |= byte << (8 * i);
            else
                key.high |= byte << (8 * (i - 8));
        }
        key.high |= uint64_t(gram.size()) << 56;
    } else {
        // Longer than any fragment of valid UTF-8. A hash keeps it findable: a fragment only
        // narrows the field of a search, and the entry's own text decides.
        key.low = std::hash<std::string_view> {}(gram);
        key.high = uint64_t(0xff) << 56;
    }
    return key;
}

SearchCatalog::IndexedText SearchCatalog::index_text(std::string_view normalized, std::vector<Token>* tokens, std::vector<GramKey>& grams)
{
    // A text has fewer fragments than bytes: the buffer is grown to as many when it is shorter
    // (and never cut, so a buffer kept from text to text is seldom touched) and written
    // through a pointer.
    std::size_t const size = normalized.size();
    auto const* bytes = reinterpret_cast<unsigned char const*>(normalized.data());
    if (grams.size() < size)
        grams.resize(size);
    GramKey* out = grams.data();
    constexpr uint64_t three_bytes = uint64_t(3) << 56;
    std::size_t characters = 0;
    std::size_t start = 0;
    while (start < size) {
        // The word's end, and whether any of its bytes is outside ASCII.
        std::size_t end = start;
        unsigned char any_high = 0;
        while (end < size && bytes[end] != ' ') {
            any_high |= bytes[end];
            ++end;
        }
        if (any_high < 0x80) {
            // Every character is one byte: each fragment is the three bytes ending at each byte
            // from the third on, packed as gram_key packs them.
            if (end - start >= 3) {
                uint64_t window = uint64_t(bytes[start]) | uint64_t(bytes[start + 1]) << 8;
                for (std::size_t at = start + 2; at < end; ++at) {
                    window |= uint64_t(bytes[at]) << 16;
                    *out++ = { window, three_bytes };
                    window >>= 8;
                }
            }
            characters += end - start;
        } else {
            // One walk over the word's characters. The last three bytes are the fragment
            // whenever its three characters are one byte each; the byte offsets of the last
            // three characters give it otherwise.
            uint64_t last_bytes = 0;
            std::size_t starts[3] = { 0, 0, 0 };
            std::size_t seen = 0;
            for (std::size_t at = start; at < end;) {
                auto next = std::min(at + utf8_length(bytes[at]), end);
                for (auto byte = at; byte < next; ++byte)
                    last_bytes = (last_bytes >> 8) | (uint64_t(bytes[byte]) << 16);
                starts[seen % 3] = at;
                ++seen;
                if (seen >= 3) {
                    auto from = starts[(seen - 3) % 3];
                    if (next - from == 3)
                        *out++ = { last_bytes & 0xffffff, three_bytes };
                    else
                        *out++ = gram_key(normalized.substr(from, next - from));
                }
                at = next;
            }
            characters += seen;
        }
        if (tokens && end > start) {
            // A word seldom comes twice in a text, and most differ from the others in their
            // length or first byte before any comparison of the rest.
            std::size_t length = end - start;
            bool held = false;
            for (auto token : *tokens) {
                if (token.size == length && bytes[token.offset] == bytes[start] && std::memcmp(bytes + token.offset, bytes + start, length) == 0) {
                    held = true;
                    break;
                }
            }
            if (!held)
                tokens->push_back({ start, length });
        }
        if (end < size)
            ++characters; // the space
        start = end + 1;
    }
    return { characters, static_cast<std::size_t>(out - grams.data()) };
}

std::size_t SearchCatalog::TextHash::operator()(std::string_view text) const
{
    uint64_t hash = 0x9e3779b97f4a7c15ull ^ text.size();
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        hash = (hash ^ word) * 0xff51afd7ed558ccdull;
        hash ^= hash >> 32;
    }
    // The bytes after the last whole eight, read without a loop: the last eight bytes of the
    // text (overlapping ones already mixed) when it has as many; else two overlapping four, or
    // the first, middle and last byte, which together give every byte of a shorter text.
    std::size_t rest = text.size() - at;
    if (rest > 0) {
        auto const* bytes = reinterpret_cast<unsigned char const*>(text.data());
        uint64_t tail;
        if (text.size() >= 8) {
            std::memcpy(&tail, bytes + text.size() - 8, 8);
        } else if (rest >= 4) {
            uint32_t first;
            uint32_t last;
            std::memcpy(&first, bytes, 4);
            std::memcpy(&last, bytes + rest - 4, 4);
            tail = uint64_t(first) | uint64_t(last) << 32;
        } else {
            tail = uint64_t(bytes[0]) | uint64_t(bytes[rest / 2]) << 8 | uint64_t(bytes[rest - 1]) << 16;
        }
        hash ^= tail;
    }
    hash ^= hash >> 30;
    hash *= 0xbf58476d1ce4e5b9ull;
    hash ^= hash >> 27;
    hash *= 0x94d049bb133111ebull;
    hash ^= hash >> 31;
    return static_cast<std::size_t>(hash);
}

std::size_t SearchCatalog::GramHash::operator()(GramKey key) const
{
    uint64_t hash = key.low * 0x9e3779b97f4a7c15ull ^ (key.high + 0x632be59bd9b4e019ull) * 0xc2b2ae3d27d4eb4full;
    return static_cast<std::size_t>(hash ^ (hash >> 31));
}

[[gnu::always_inline]] inline bool SearchCatalog::add_posting(Postings& postings, uint64_t document)
{
    // Documents mostly arrive in increasing order, so this is nearly always an append; the rest
    // (growth, a repeat, an earlier document) is kept out of line.
    if (postings.empty() || postings.back() < document) [[likely]] {
        if (postings.size() == postings.capacity()) [[unlikely]]
            make_room(postings);
        postings.push_back(document);
        return true;
    }
    return add_posting_in_order(postings, document);
}

void SearchCatalog::make_room(Postings& postings)
{
    // Most words and fragments are held by a few entries: their first growth steps are taken at
    // once.
    postings.reserve(postings.empty() ? 4 : 2 * postings.size());
}

bool SearchCatalog::add_posting_in_order(Postings& postings, uint64_t document)
{
    // A repeat of the fragment just added for the same entry, or a document already held.
    if (postings.back() == document)
        return false;
    auto at = std::ranges::lower_bound(postings, document);
    if (at != postings.end() && *at == document)
        return false;
    postings.insert(at, document);
    return true;
}

void SearchCatalog::remove_posting(Postings& postings, uint64_t document)
{
    auto at = std::ranges::lower_bound(postings, document);
    if (at != postings.end() && *at == document)
        postings.erase(at);
}

void SearchCatalog::remove_postings(Entry const& entry)
{
    // A fragment that comes again finds the document already gone.
    std::vector<GramKey> grams;
    std::vector<Token> tokens;
    auto indexed = index_text(entry.normalized, &tokens, grams);
    for (auto gram : std::span(grams).first(indexed.grams)) {
        if (auto* postings = m_grams.find(gram))
            remove_posting(*postings, entry.document);
    }
    std::string_view text = entry.normalized;
    for (auto token : tokens) {
        if (auto* postings = m_tokens.find(text.substr(token.offset, token.size)))
            remove_posting(*postings, entry.document);
    }
}

UpsertResult SearchCatalog::upsert(std::string key, std::string search_text, SearchResult result)
{
    if (key.empty())
        return UpsertResult::EmptyKey;
    // As SearchResult::action_address reads it, without copying the address.
    if (result.resource.empty() || result.action.empty())
        return UpsertResult::NoActionAddress;
    // The key must be the address's text, "<resource>#<action>".
    std::string_view resource = result.resource;
    std::string_view action = result.action;
    std::string_view text = key;
    if (text.size() != resource.size() + 1 + action.size() || !text.starts_with(resource) || text[resource.size()] != '#' || !text.ends_with(action))
        return UpsertResult::KeyMismatch;

    // The text work happens before the lock is taken; readers wait only for the index updates.
    Entry entry;
    entry.normalized = normalize_search_text(search_text);
    // The fragments' keys and the words' places are needed only until the upsert returns: each
    // thread gathers them in buffers of its own.
    static thread_local std::vector<GramKey> grams;
    static thread_local std::vector<Token> tokens;
    tokens.clear();
    auto indexed = index_text(entry.normalized, &tokens, grams);
    entry.result = std::move(result);

    std::unique_lock lock(m_lock);
    // One lookup finds the held entry or makes the place of a new one (given up again when the
    // upsert fails).
    auto [held, added] = m_entries.try_emplace(std::move(key));
    if (!added && held->second.normalized == entry.normalized && held->second.result == entry.result)
        return UpsertResult::Stored;
    if (m_generation == max_u64 || (added && m_next_document == max_u64)) {
        bool exhausted_generation = m_generation == max_u64;
        if (added)
            m_entries.erase(held);
        return exhausted_generation ? UpsertResult::GenerationExhausted : UpsertResult::DocumentsExhausted;
    }
    if (added) {
        entry.document = m_next_document++;
        m_by_document.push_back(&held->second);
    } else {
        entry.document = held->second.document;
        remove_postings(held->second);
    }
    // A fragment that comes again in the same text is already posted and not counted again.
    uint64_t added_postings = 0;
    for (auto gram : std::span(grams).first(indexed.grams))
        added_postings += add_posting(m_grams.ensure(gram), entry.document);
    std::string_view text_of_entry = entry.normalized;
    for (auto token : tokens)
        added_postings += add_posting(m_tokens.ensure(text_of_entry.substr(token.offset, token.size)), entry.document);
    m_postings = saturating_add(m_postings, added_postings);
    m_characters = saturating_add(m_characters, indexed.characters);
    held->second = std::move(entry);
    ++m_generation;
    return UpsertResult::Stored;
}

CatalogStats SearchCatalog::stats() const
{
    std::shared_lock lock(m_lock);
    return { m_entries.size(), m_postings, m_characters, m_generation };
}

bool SearchCatalog::cursor_is_current(SearchCursor const& cursor) const
{
    std::shared_lock lock(m_lock);
    return cursor.generation == m_generation;
}

std::size_t SearchCatalog::estimate(std::string_view word) const
{
    if (character_count(word) < 3)
        return m_entries.size();
    std::size_t fewest = m_entries.size();
    for (auto gram : index_gram_views(word)) {
        auto const* postings = m_grams.find(gram_key(gram));
        fewest = std::min(fewest, postings ? postings->size() : 0);
    }
    return fewest;
}

Postings SearchCatalog::candidates(std::string_view word) const
{
    Postings found;
    if (character_count(word) < 3) {
        // Every entry holding a word that starts with this one. Short words are rare in a
        // query, so they pay for a walk over the words instead of every upsert for an index.
        m_tokens.for_each([&](std::string const& token, Postings const& postings) {
            if (token.starts_with(word))
                found.insert(found.end(), postings.begin(), postings.end());
        });
        std::ranges::sort(found);
        auto [first, last] = std::ranges::unique(found);
        found.erase(first, last);
        return found;
    }
    // The entries holding every fragment of the word, starting from the rarest fragment.
    std::vector<Postings const*> lists;
    for (auto gram : index_gram_views(word)) {
        auto const* postings = m_grams.find(gram_key(gram));
        if (!postings)
            return {};
        lists.push_back(postings);
    }
    std::ranges::sort(lists, {}, [](Postings const* list) { return list->size(); });
    found = *lists.front();
    for (std::size_t i = 1; i < lists.size() && !found.empty(); ++i) {
        Postings kept;
        std::ranges::set_intersection(found, *lists[i], std::back_inserter(kept));
        found = std::move(kept);
    }
    return found;
}

std::vector<SearchCatalog::Hit> SearchCatalog::ranked_hits(std::string_view query, std::size_t limit) const
{
    auto words = index_tokens(normalize_search_text(query));
    if (words.empty() || limit == 0)
        return {};
    // The candidates of the rarest word, each checked against every word (fragments only
    // narrow the field: the entry's own text decides).
    auto rarest = std::ranges::min_element(words, {}, [&](std::string const& word) { return estimate(word); });
    std::vector<Hit> hits;
    for (uint64_t document : candidates(*rarest)) {
        auto const& entry = entry_of(document);
        unsigned score = 0;
        bool all = true;
        for (auto const& word : words) {
            unsigned one = word_score(entry, word);
            if (one == 0) {
                all = false;
                break;
            }
            score += one;
        }
        if (all)
            hits.push_back({ document, score });
    }
    auto better = [](Hit const& a, Hit const& b) { return a.score != b.score ? a.score > b.score : a.document < b.document; };
    if (hits.size() > limit) {
        std::ranges::partial_sort(hits, hits.begin() + static_cast<std::ptrdiff_t>(limit), better);
        hits.resize(limit);
    } else {
        std::ranges::sort(hits, better);
    }
    return hits;
}

std::vector<SearchResult> SearchCatalog::search_limited(std::string_view query, std::size_t limit) const
{
    std::shared_lock lock(m_lock);
    std::vector<SearchResult> results;
    for (auto const& hit : ranked_hits(query, limit))
        results.push_back(entry_of(hit.document).result);
    return results;
}

SearchPage SearchCatalog::query_page(std::string_view query, std::optional<SearchCursor> cursor, std::size_t page_size) const
{
    std::shared_lock lock(m_lock);
    std::size_t offset = cursor && cursor->generation == m_generation ? cursor->offset : 0;
    constexpr auto most = std::numeric_limits<std::size_t>::max();
    // One hit more than the page tells whether another page follows.
    std::size_t wanted = page_size >= most - offset ? most : offset + page_size + 1;
    auto hits = ranked_hits(query, wanted);
    SearchPage page;
    for (std::size_t i = offset; i < hits.size() && i < offset + page_size; ++i)
        page.results.push_back(entry_of(hits[i].document).result);
    if (hits.size() > offset + page_size)
        page.next = SearchCursor { m_generation, offset + page_size };
    return page;
}

std::optional<SearchResult> SearchCatalog::result(std::string_view key) const
{
    std::shared_lock lock(m_lock);
    auto found = m_entries.find(std::string(key));
    if (found == m_entries.end())
        return std::nullopt;
    return found->second.result;
}

std::optional<uint64_t> SearchCatalog::document_number(std::string_view key) const
{
    std::shared_lock lock(m_lock);
    auto found = m_entries.find(std::string(key));
    if (found == m_entries.end())
        return std::nullopt;
    return found->second.document;
}

}
