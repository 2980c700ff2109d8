#pragma once

#include "kaso/search/SearchCatalog.h"
#include "kaso/search/SearchProvider.h"

namespace vexa {

struct VexaModel;

// The model's known library as a search catalogue named "Vexa", for the runtime's search: the
// first 100 known videos, creators and playlists and the first 100 watched videos the model
// knows, in that order, each under the address of its resource's "open" action. A video is
// shown by its display title (the DeArrow title when titles are replaced) and found by its own
// title, its creator's name and its id.
kaso::search::SearchCatalogHandle build_library_listing(VexaModel const& model);

// The program's search provider over one catalogue.
class CatalogSearchProvider final : public kaso::search::SearchProvider {
public:
    static constexpr std::size_t search_limit = 256;

    explicit CatalogSearchProvider(kaso::search::SearchCatalogHandle catalog)
        : m_catalog(std::move(catalog))
    {
    }

    kaso::search::SearchCatalog const& catalog() const { return *m_catalog; }

    std::string name() const override { return "Vexa"; }
    // The catalogue's generation.
    std::optional<uint64_t> statistics() const override { return m_catalog->stats().generation; }
    bool cursor_is_current(kaso::search::SearchCursor const& cursor) const override { return m_catalog->cursor_is_current(cursor); }
    std::vector<kaso::search::SearchResult> search(std::string_view query) const override { return m_catalog->search_limited(query, search_limit); }
    std::vector<kaso::search::SearchResult> search_limited(std::string_view query, std::size_t limit) const override
    {
        return m_catalog->search_limited(query, limit);
    }
    kaso::search::SearchPage query_page(std::string_view query, std::optional<kaso::search::SearchCursor> cursor, std::size_t page_size) const override
    {
        return m_catalog->query_page(query, cursor, page_size);
    }

private:
    kaso::search::SearchCatalogHandle m_catalog;
};

}
