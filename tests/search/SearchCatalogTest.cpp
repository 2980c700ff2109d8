#include <gtest/gtest.h>

#include <limits>

#include <fmt/format.h>

#include "kaso/search/SearchCatalog.h"
#include "kaso/search/SearchText.h"

namespace kaso::search {
namespace {

SearchResult result_for(std::string resource, std::string title = "Title", uint8_t icon = 74)
{
    return SearchResult { std::move(title), "Subtitle", "Videos", std::move(resource), "open", icon };
}

UpsertResult put(SearchCatalog& catalog, std::string resource, std::string text, std::string title = "Title", uint8_t icon = 74)
{
    auto result = result_for(resource, std::move(title), icon);
    return catalog.upsert(resource + "#open", std::move(text), std::move(result));
}

std::vector<std::string> titles(std::vector<SearchResult> const& results)
{
    std::vector<std::string> out;
    for (auto const& result : results)
        out.push_back(result.title);
    return out;
}

TEST(SearchText, NormalisesCaseSeparatorsAndForms)
{
    struct Case {
        std::string_view text;
        std::string normalized;
    };
    Case const cases[] = {
        { "Midnight Kitchen", "midnight kitchen" },
        { "  The ONLY Donut!!! (Bakeries HATE This)  ", "the only donut bakeries hate this" },
        { std::string_view("Title\0Creator\0vid_x", 19), "title creator vid x" },
        { "\tline\nbreak\x7f", "line break" },
        { "Ｆｕｌｌ Width ﬁne", "full width fine" },     // NFKC
        { "STRASSE Straße", "strasse strasse" },      // case folding
        { "bad \xff byte", "bad byte" },             // U+FFFD, a symbol, separates
        { "", "" },
    };
    for (auto const& test : cases)
        EXPECT_EQ(normalize_search_text(test.text), test.normalized) << test.text;
}

// ASCII text takes a path of its own; it must read every byte as the Unicode path does (a
// character outside ASCII sends the whole text down that path).
TEST(SearchText, TheAsciiPathAgreesWithTheUnicodePath)
{
    for (int c = 0; c < 0x80; ++c) {
        std::string ascii = std::string("Ab") + char(c) + "Cd";
        EXPECT_EQ(normalize_search_text(ascii + " \xc3\xa9"), normalize_search_text(ascii) + " \xc3\xa9") << "byte " << c;
    }
}

TEST(SearchText, TokensAndGramsOfANormalisedText)
{
    EXPECT_EQ(index_tokens("night train night"), (std::vector<std::string> { "night", "train" }));
    EXPECT_EQ(index_grams("abcd ab abc"), (std::vector<std::string> { "abc", "bcd" }));
    // Three characters, not three bytes.
    EXPECT_EQ(index_grams("\xc3\xa9t\xc3\xa9s"), (std::vector<std::string> { "t\xc3\xa9s", "\xc3\xa9t\xc3\xa9" }));
    EXPECT_EQ(character_count("\xc3\xa9t\xc3\xa9"), 3u);
}

TEST(SearchCatalog, RefusesWhatItCannotStore)
{
    SearchCatalog catalog("Vexa");
    EXPECT_EQ(catalog.upsert("", "text", result_for("vexa.video:a")), UpsertResult::EmptyKey);
    SearchResult no_action = result_for("vexa.video:a");
    no_action.action.clear();
    EXPECT_EQ(catalog.upsert("vexa.video:a#", "text", no_action), UpsertResult::NoActionAddress);
    SearchResult no_resource = result_for("");
    EXPECT_EQ(catalog.upsert("#open", "text", no_resource), UpsertResult::NoActionAddress);
    EXPECT_EQ(catalog.upsert("vexa.video:b#open", "text", result_for("vexa.video:a")), UpsertResult::KeyMismatch);
    EXPECT_EQ(catalog.stats(), CatalogStats {});
    EXPECT_TRUE(catalog.search_limited("text", 10).empty());
}

TEST(SearchCatalog, AnUnchangedUpsertChangesNothingAndAChangedOneKeepsItsNumber)
{
    SearchCatalog catalog("Vexa");
    ASSERT_EQ(put(catalog, "vexa.video:a", "Night Train"), UpsertResult::Stored);
    ASSERT_EQ(put(catalog, "vexa.video:b", "Day Train"), UpsertResult::Stored);
    auto stats = catalog.stats();
    EXPECT_EQ(stats.entries, 2u);
    EXPECT_EQ(stats.generation, 2u);
    // Per entry, each word's token and its three-character fragments ("day" is one itself).
    EXPECT_EQ(stats.postings, 8u + 6u);
    EXPECT_EQ(stats.characters, 11u + 9u);

    // The same text (up to normalisation) and an equal result: nothing moves.
    EXPECT_EQ(put(catalog, "vexa.video:a", "NIGHT   train"), UpsertResult::Stored);
    EXPECT_EQ(catalog.stats(), stats);

    // Only the icon differs: one generation more, the same document number, the new result.
    auto number = catalog.document_number("vexa.video:a#open");
    EXPECT_EQ(put(catalog, "vexa.video:a", "Night Train", "Title", 60), UpsertResult::Stored);
    EXPECT_EQ(catalog.stats().generation, stats.generation + 1);
    EXPECT_EQ(catalog.document_number("vexa.video:a#open"), number);
    EXPECT_EQ(catalog.result("vexa.video:a#open")->icon, 60);

    // A new text replaces the old one's postings: the old words find it no more.
    EXPECT_EQ(put(catalog, "vexa.video:a", "Moon Base"), UpsertResult::Stored);
    EXPECT_EQ(catalog.stats().entries, 2u);
    EXPECT_EQ(catalog.document_number("vexa.video:a#open"), number);
    EXPECT_EQ(catalog.search_limited("night", 10).size(), 0u);
    EXPECT_EQ(catalog.search_limited("moon", 10).size(), 1u);
    EXPECT_EQ(catalog.search_limited("train", 10).size(), 1u);
}

TEST(SearchCatalog, ExhaustedCountersChangeNothing)
{
    constexpr auto most = std::numeric_limits<uint64_t>::max();
    SearchCatalog old_generation("Vexa", most, 0);
    EXPECT_EQ(put(old_generation, "vexa.video:a", "text"), UpsertResult::GenerationExhausted);
    EXPECT_EQ(old_generation.stats().entries, 0u);

    SearchCatalog old_documents("Vexa", 5, most);
    EXPECT_EQ(put(old_documents, "vexa.video:a", "text"), UpsertResult::DocumentsExhausted);
    EXPECT_EQ(old_documents.stats(), (CatalogStats { 0, 0, 0, 5 }));

    SearchCatalog last_document("Vexa", 5, most - 1);
    EXPECT_EQ(put(last_document, "vexa.video:a", "text"), UpsertResult::Stored);
    EXPECT_EQ(last_document.document_number("vexa.video:a#open"), most - 1);
    EXPECT_EQ(put(last_document, "vexa.video:b", "text"), UpsertResult::DocumentsExhausted);
    // A change of a held entry needs no new number.
    EXPECT_EQ(put(last_document, "vexa.video:a", "other"), UpsertResult::Stored);
}

TEST(SearchCatalog, FindsEveryWordAndRanksWholeWordsFirst)
{
    SearchCatalog catalog("Vexa");
    put(catalog, "vexa.video:1", "Trainspotting at night", "spotting");
    put(catalog, "vexa.video:2", "Night train to Vienna", "night train");
    put(catalog, "vexa.video:3", "Strain of the night", "strain");
    put(catalog, "vexa.video:4", "Day trip", "day");
    put(catalog, "vexa.video:5", "Cr\xc3\xa8me br\xc3\xbbl\xc3\xa9" "e", "dessert");
    struct Case {
        std::string_view query;
        std::vector<std::string> titles;
    };
    Case const cases[] = {
        // A whole word beats a word's start, which beats the middle of a word; ties keep the
        // order the entries came in.
        { "train", { "night train", "spotting", "strain" } },
        { "night train", { "night train", "spotting", "strain" } },
        { "TRAIN vienna", { "night train" } },
        // Short words match only at a word's start.
        { "da", { "day" } },
        { "ai", {} },
        { "tr", { "spotting", "night train", "day" } },
        { "zzz", {} },
        // Fragments are of characters, not bytes, inside words that are not all ASCII.
        { "BR\xc3\x9bL\xc3\x89" "E", { "dessert" } },
        { "\xc3\xbbl\xc3\xa9", { "dessert" } },
        { "r\xc3\xa8m", { "dessert" } },
        { "br\xc3\xa8", {} },
        { "   ", {} },
    };
    for (auto const& test : cases)
        EXPECT_EQ(titles(catalog.search_limited(test.query, 10)), test.titles) << test.query;
    EXPECT_EQ(titles(catalog.search_limited("train", 2)), (std::vector<std::string> { "night train", "spotting" }));
    EXPECT_TRUE(catalog.search_limited("train", 0).empty());
}

TEST(SearchCatalog, ReplacedTextsAreFoundByTheirNewWordsOnly)
{
    // Many entries, so the index grows while they come in; then every third is given a new
    // text, and the old words, their starts and their fragments find only the others.
    SearchCatalog catalog("Vexa");
    constexpr int count = 3000;
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(put(catalog, fmt::format("vexa.video:{}", i), fmt::format("Night kitchen {}", i), fmt::format("v{}", i)), UpsertResult::Stored);
    for (int i = 0; i < count; i += 3)
        ASSERT_EQ(put(catalog, fmt::format("vexa.video:{}", i), fmt::format("Moon base {}", i), fmt::format("v{}", i)), UpsertResult::Stored);
    struct Case {
        std::string_view query;
        std::size_t hits;
    };
    Case const cases[] = {
        { "night", count - count / 3 }, { "itche", count - count / 3 }, { "ni", count - count / 3 },
        { "moon", count / 3 }, { "oon bas", count / 3 }, { "mo", count / 3 },
        { "kitchen 2997", 0 }, { "moon 2997", 1 }, { "base 2999", 0 }, { "kitchen 2999", 1 },
    };
    for (auto const& test : cases)
        EXPECT_EQ(catalog.search_limited(test.query, count).size(), test.hits) << test.query;
    EXPECT_EQ(catalog.stats().entries, uint64_t(count));
    EXPECT_EQ(catalog.document_number("vexa.video:2999#open"), 2999u);
}

TEST(SearchCatalog, PagesFollowTheCursorUntilTheCatalogueChanges)
{
    SearchCatalog catalog("Vexa");
    for (int i = 0; i < 5; ++i)
        put(catalog, "vexa.video:" + std::to_string(i), "train " + std::to_string(i), std::to_string(i));
    auto first = catalog.query_page("train", std::nullopt, 2);
    EXPECT_EQ(titles(first.results), (std::vector<std::string> { "0", "1" }));
    ASSERT_TRUE(first.next);
    EXPECT_TRUE(catalog.cursor_is_current(*first.next));
    auto second = catalog.query_page("train", first.next, 2);
    EXPECT_EQ(titles(second.results), (std::vector<std::string> { "2", "3" }));
    auto last = catalog.query_page("train", second.next, 2);
    EXPECT_EQ(titles(last.results), (std::vector<std::string> { "4" }));
    EXPECT_FALSE(last.next);

    put(catalog, "vexa.video:9", "train 9", "9");
    EXPECT_FALSE(catalog.cursor_is_current(*second.next));
    // An old cursor starts again from the first hit.
    EXPECT_EQ(titles(catalog.query_page("train", second.next, 2).results), (std::vector<std::string> { "0", "1" }));
    EXPECT_EQ(catalog.query_page("train", std::nullopt, std::numeric_limits<std::size_t>::max()).results.size(), 6u);
}

}
}
