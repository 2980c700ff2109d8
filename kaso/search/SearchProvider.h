#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/search/SearchCatalog.h"

namespace kaso::search {

// What an application offers the runtime's search (the root widget lists its providers). The
// runtime asks each one on its own thread of searches; a provider answers from data it owns or
// shares behind a lock, never from the application's widgets.
class SearchProvider {
public:
    virtual ~SearchProvider() = default;

    virtual std::string name() const = 0;
    // A number that changes whenever the provider's answers may have: the runtime searches
    // again only when it moved. None when the provider cannot tell.
    virtual std::optional<uint64_t> statistics() const { return std::nullopt; }
    virtual bool cursor_is_current(SearchCursor const&) const { return false; }
    virtual std::vector<SearchResult> search(std::string_view query) const = 0;
    virtual std::vector<SearchResult> search_limited(std::string_view query, std::size_t limit) const = 0;
    virtual SearchPage query_page(std::string_view query, std::optional<SearchCursor> cursor, std::size_t page_size) const = 0;
};

using SearchProviderHandle = std::shared_ptr<SearchProvider>;

}
