#include "kaso/search/SearchCatalog.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "kaso/search/SearchText.h"

namespace kaso::search {

namespace {

constexpr uint64_t max_u64 = std::numeric_limits<uint64_t>::max();

uint64_t saturating_add(uint64_t a, uint64_t b) { return b > max_u64 - a ? max_u64 : a + b; }

// How well one query word matched an entry: a whole word, the start of a word, or elsewhere in
// its text (0: not at all). Words shorter than three characters match only at a word's start.
unsigned word_score(std::vector<std::string> const& tokens, std::string_view normalized, std::string_view word)
{
    unsigned best = 0;
    for (auto const& token : tokens) {
        if (token == word)
            return 3;
        if (token.starts_with(word))
            best = 2;
    }
    if (best == 0 && character_count(word) >= 3 && normalized.find(word) != std::string_view::npos)
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
    , m_generation(generation)
    , m_next_document(next_document)
{
}

bool SearchCatalog::add_posting(Postings& postings, uint64_t document)
{
    // Documents mostly arrive in increasing order, so this is nearly always an append.
    if (postings.empty() || postings.back() < document) {
        postings.push_back(document);
        return true;
    }
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
    for (auto const& gram : entry.grams) {
        if (auto found = m_gram_postings.find(gram); found != m_gram_postings.end()) {
            remove_posting(found->second, entry.document);
            if (found->second.empty())
                m_gram_postings.erase(found);
        }
    }
    for (auto const& token : entry.tokens) {
        if (auto found = m_token_postings.find(token); found != m_token_postings.end()) {
            remove_posting(found->second, entry.document);
            if (found->second.empty())
                m_token_postings.erase(found);
        }
    }
}

UpsertResult SearchCatalog::upsert(std::string key, std::string search_text, SearchResult result)
{
    if (key.empty())
        return UpsertResult::EmptyKey;
    auto address = result.action_address();
    if (!address)
        return UpsertResult::NoActionAddress;
    if (address->encode() != key)
        return UpsertResult::KeyMismatch;

    // The text work happens before the lock is taken; readers wait only for the map updates.
    Entry entry;
    entry.normalized = normalize_search_text(search_text);
    entry.grams = index_grams(entry.normalized);
    entry.tokens = index_tokens(entry.normalized);
    entry.result = std::move(result);
    uint64_t characters = character_count(entry.normalized);

    std::unique_lock lock(m_lock);
    auto held = m_entries.find(key);
    if (held != m_entries.end() && held->second.normalized == entry.normalized && held->second.result == entry.result)
        return UpsertResult::Stored;
    if (m_generation == max_u64)
        return UpsertResult::GenerationExhausted;
    if (held != m_entries.end()) {
        entry.document = held->second.document;
        remove_postings(held->second);
    } else {
        if (m_next_document == max_u64)
            return UpsertResult::DocumentsExhausted;
        entry.document = m_next_document++;
        m_documents.emplace(entry.document, key);
    }
    for (auto const& gram : entry.grams) {
        if (add_posting(m_gram_postings[gram], entry.document))
            m_postings = saturating_add(m_postings, 1);
    }
    for (auto const& token : entry.tokens) {
        if (add_posting(m_token_postings[token], entry.document))
            m_postings = saturating_add(m_postings, 1);
    }
    m_characters = saturating_add(m_characters, characters);
    if (held != m_entries.end())
        held->second = std::move(entry);
    else
        m_entries.emplace(std::move(key), std::move(entry));
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
    for (auto const& gram : index_grams(word)) {
        auto at = m_gram_postings.find(gram);
        fewest = std::min(fewest, at == m_gram_postings.end() ? 0 : at->second.size());
    }
    return fewest;
}

SearchCatalog::Postings SearchCatalog::candidates(std::string_view word) const
{
    Postings found;
    if (character_count(word) < 3) {
        // Every entry holding a word that starts with this one. Short words are rare in a
        // query, so they pay for a walk over the words instead of every upsert for an index.
        for (auto const& [token, postings] : m_token_postings)
            if (token.starts_with(word))
                found.insert(found.end(), postings.begin(), postings.end());
        std::ranges::sort(found);
        auto [first, last] = std::ranges::unique(found);
        found.erase(first, last);
        return found;
    }
    // The entries holding every fragment of the word, starting from the rarest fragment.
    std::vector<Postings const*> lists;
    for (auto const& gram : index_grams(word)) {
        auto at = m_gram_postings.find(gram);
        if (at == m_gram_postings.end())
            return {};
        lists.push_back(&at->second);
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
        auto const& entry = m_entries.find(m_documents.find(document)->second)->second;
        unsigned score = 0;
        bool all = true;
        for (auto const& word : words) {
            unsigned one = word_score(entry.tokens, entry.normalized, word);
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
        results.push_back(m_entries.find(m_documents.find(hit.document)->second)->second.result);
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
        page.results.push_back(m_entries.find(m_documents.find(hits[i].document)->second)->second.result);
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
