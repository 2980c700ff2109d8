// History documents made by the reference implementation, each read with the history list's
// rules and compared with the list the fixture table gives. HISTORY_FIXTURE_DIR points at a
// freshly generated set; the committed set is read otherwise.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "automerge/Document.h"
#include "src/history/HistoryReaders.h"
#include "tests/history/Support.h"

namespace fs = std::filesystem;

namespace {

fs::path fixture_directory()
{
    if (char const* fresh = std::getenv("HISTORY_FIXTURE_DIR"))
        return fresh;
    return fs::path(VEXA_HISTORY_FIXTURES);
}

}

TEST(HistoryReferenceFixtures, EachDocumentReadsAsItsTableSays)
{
    auto directory = fixture_directory();
    auto table = nlohmann::json::parse(vexa::testing::read_text(directory / "expected.json"));
    ASSERT_GE(table.size(), 10u);
    for (auto const& [name, expected] : table.items()) {
        auto text = vexa::testing::read_text(directory / (name + ".automerge"));
        auto loaded = automerge::Document::load(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
        ASSERT_TRUE(loaded) << name << ": " << loaded.error().message;
        std::vector<std::pair<std::string, uint64_t>> shown;
        for (auto const& entry : vexa::live_entries(*loaded, 50))
            shown.emplace_back(entry.video_id, entry.record.watched_at_ms);
        std::vector<std::pair<std::string, uint64_t>> wanted;
        for (auto const& pair : expected)
            wanted.emplace_back(pair[0].get<std::string>(), pair[1].get<uint64_t>());
        EXPECT_EQ(shown, wanted) << name;
    }
}

TEST(HistoryReferenceFixtures, MisleadingWinnerIsTheDocumentsShownValue)
{
    // The fixture is only worth having while the document's own winner is the older value.
    auto text = vexa::testing::read_text(fixture_directory() / "concurrent-misleading-winner.automerge");
    auto document = *automerge::Document::load(std::span(reinterpret_cast<uint8_t const*>(text.data()), text.size()));
    auto entries = *vexa::map_at(document, *vexa::owner_history_map(document), "entries");
    auto winner = *document.get(entries, "v");
    EXPECT_EQ(vexa::HistoryEntryRecord::parse(*winner->scalar.as_str())->watched_at_ms, 100u);
    EXPECT_EQ(document.get_all(entries, "v")->size(), 2u);
}
