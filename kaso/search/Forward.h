#pragma once

// The runtime's search: a catalogue of results keyed by the action they open, searched by
// words and fragments of their texts.
namespace kaso::search {

struct SearchResult;  // what a hit shows and the action it opens
struct SearchCursor;  // where a paged search stands, and in which generation
struct SearchPage;    // one page of hits and the cursor of the next
struct CatalogStats;  // entries, postings, characters, generation
class SearchCatalog;  // the index, shared behind a reader-writer lock
class SearchProvider; // what an application offers the runtime's search

}
