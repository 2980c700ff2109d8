// Library documents made by the reference implementation read as the C++ reader must, and a
// document the C++ writer made loads in the reference with the same content and heads. Needs
// Node and the npm packages of tests/interop.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "automerge/Document.h"
#include "src/actions/JsonValue.h"
#include "src/actions/LibraryReader.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TypedDispatch.h"
#include "src/model/VexaModel.h"
#include "tests/model/ModelFixtures.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using A = VexaAction;

fs::path source_dir()
{
    char const* dir = std::getenv("VEXA_SOURCE_DIR");
    return dir ? fs::path(dir) : fs::path(".");
}

fs::path script() { return source_dir() / "tests" / "interop" / "library" / "library-documents.cjs"; }

std::string read_text(fs::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Scratch {
public:
    Scratch()
        : m_path(fs::temp_directory_path() / ("vexa-library-interop-" + std::to_string(getpid())))
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~Scratch() { fs::remove_all(m_path); }
    fs::path const& path() const { return m_path; }

private:
    fs::path m_path;
};

class LibraryInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_scratch = new Scratch;
        auto command = "node '" + script().string() + "' make '" + s_scratch->path().string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite()
    {
        delete s_scratch;
        s_scratch = nullptr;
    }

    static automerge::Document load(std::string const& name)
    {
        auto bytes = read_text(s_scratch->path() / (name + ".automerge"));
        auto document = automerge::Document::load(std::span(reinterpret_cast<uint8_t const*>(bytes.data()), bytes.size()));
        EXPECT_TRUE(document) << name << ": " << document.error().message;
        return document ? std::move(*document) : automerge::Document {};
    }

    // The reference's reading of the keys that conflict: name -> [type, value] or ["map"] or null.
    static JsonValue winners(std::string const& name)
    {
        auto parsed = parse_json(read_text(s_scratch->path() / (name + ".winners.json")));
        EXPECT_TRUE(parsed);
        return parsed ? *parsed : JsonValue {};
    }

    static JsonValue const& member(JsonValue const& object, std::string_view key)
    {
        static JsonValue const none;
        for (auto const& [name, value] : object.members) {
            if (name == key)
                return value;
        }
        return none;
    }

    static Scratch* s_scratch;
};

Scratch* LibraryInterop::s_scratch = nullptr;

// Every field away from its default, so that a wrongly cleared or reset field shows.
VexaModel populated_model()
{
    auto model = VexaModel::empty();
    for (auto id : { "v1", "v2", "v3", "v4" })
        model.videos.push_back(testing::video(id));
    model.liked_videos = { "v4" };
    model.comment_likes = { { "c9", true } };
    model.subscriptions = { "UC9" };
    model.queue = { "v1" };
    model.settings.dearrow = false;
    model.settings.autoplay = true;
    model.settings.preferred_quality = "720p";
    model.settings.sponsor_categories["intro"] = SegmentMode::Disabled;
    return model;
}

TEST_F(LibraryInterop, ReadsTheLayoutTheReferenceWrote)
{
    auto document = load("layout");
    auto model = populated_model();
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_EQ(model.liked_videos, (std::vector<std::string> { "v1" }));
    EXPECT_EQ(model.comment_likes, (std::map<std::string, bool> { { "c1", true }, { "c2", false } }));
    EXPECT_EQ(model.subscriptions, (std::vector<std::string> { "UCa", "UCb", "https://www.youtube.com/@creator" }));
    EXPECT_EQ(model.queue, (std::vector<std::string> { "v2", "v3" }));
    auto const& settings = model.settings;
    EXPECT_EQ((std::array { settings.sponsorblock, settings.dearrow, settings.dearrow_titles, settings.dearrow_thumbnails,
                  settings.return_dislike, settings.autoplay, settings.show_comments }),
        (std::array { false, true, false, true, false, false, true }));
    EXPECT_EQ(settings.preferred_quality, "480p");
    EXPECT_EQ(settings.stored_segment_mode(SegmentCategory::Sponsor), SegmentMode::Show);
    EXPECT_EQ(settings.stored_segment_mode(SegmentCategory::SelfPromo), SegmentMode::Disabled);
    EXPECT_EQ(settings.stored_segment_mode(SegmentCategory::Filler), SegmentMode::Skip);
    EXPECT_EQ(settings.stored_segment_mode(SegmentCategory::Intro), SegmentMode::Disabled) << "absent from the document: kept";
    EXPECT_FALSE(settings.sponsor_categories.contains("unknown"));
    EXPECT_FALSE(read_shared_library(document, model));
}

TEST_F(LibraryInterop, ValuesOfTheWrongKindsLeaveTheirFields)
{
    auto document = load("wrong_kinds");
    auto model = populated_model();
    auto expected = model;
    // The maps are there, with no boolean true (likes) and no boolean at all (comment likes).
    expected.liked_videos.clear();
    expected.comment_likes.clear();
    EXPECT_TRUE(read_shared_library(document, model));
    EXPECT_EQ(model, expected);
}

TEST_F(LibraryInterop, AVexaThatIsNotAMapReadsNothing)
{
    for (auto name : { "vexa_not_map", "vexa_counter" }) {
        auto document = load(name);
        auto model = populated_model();
        auto const before = model;
        EXPECT_FALSE(read_shared_library(document, model)) << name;
        EXPECT_EQ(model, before) << name;
    }
}

TEST_F(LibraryInterop, ConcurrentValuesReadAsTheReferenceResolvesThem)
{
    auto document = load("concurrent");
    auto const expected = winners("concurrent");
    auto model = populated_model();
    read_shared_library(document, model);

    auto vexa = document.get(automerge::ROOT, "vexa");
    ASSERT_TRUE(vexa && *vexa && (*vexa)->is_map());
    auto likes = document.get((*vexa)->object, "likes");
    ASSERT_TRUE(likes && *likes && (*likes)->is_map());
    auto all = document.get_all((*likes)->object, "v1");
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), member(expected, "conflicts_v1").number) << "both actors' values are kept";

    auto const& like = member(expected, "likes_v1");
    ASSERT_EQ(like.items.size(), 2u);
    EXPECT_EQ(std::ranges::count(model.liked_videos, "v1") == 1, like.items[1].boolean);
    EXPECT_EQ(std::ranges::count(model.liked_videos, "v2"), 1);
    EXPECT_EQ(std::ranges::count(model.liked_videos, "v3"), 1);
    EXPECT_EQ(model.settings.preferred_quality, member(expected, "quality").items.at(1).text);
    EXPECT_EQ(model.settings.autoplay, member(expected, "autoplay").items.at(1).boolean);
    if (member(expected, "queue").items.size() == 1) // the map won
        EXPECT_EQ(model.queue, (std::vector<std::string> { "v4" }));
    else
        EXPECT_EQ(model.queue, (std::vector<std::string> { "v1" })) << "a text won: the model keeps its queue";
}

TEST_F(LibraryInterop, TheReferenceLoadsWhatTheWriterWrote)
{
    automerge::Document document(automerge::ActorId(std::vector<uint8_t>(16, 0x5a)));
    VexaAction const actions[] = {
        A::SetVideoLiked { "v1", true },
        A::SetVideoLiked { "v2", false },
        A::SetSubscription { "UC1", true },
        A::SetQueueMembership { "v2", true },
        A::AddToQueue { "v3" },
        A::SetSetting { SettingFlag::Autoplay, false },
        A::SetSetting { SettingFlag::ReturnDislike, true },
        A::SetPreferredQuality { "720p" },
        A::SetSponsorCategory { SegmentCategory::Intro, SegmentMode::Show },
        A::SetCommentLiked { "c1", false },
        A::LikeComment { "v5", 0, "" },
        A::SetCommentReply { "c1", "reply-1", "hi \xc3\xa9", true },
        A::ReplyToComment { "v4", 2, "", "yo" },
    };
    for (auto const& action : actions)
        ASSERT_TRUE(dispatch_vexa_action(document, action, dispatch_request(vexa_provenance_id, vexa_provenance_title, action)));

    auto reply = comment_reply_id("v4#2", "yo");
    std::string content = R"({"vexa":{)"
                          R"("likes":{"v1":true,"v2":false},"subscriptions":{"UC1":true},"queue":{"v2":true,"v3":true},)"
                          R"("settings":{"autoplay":false,"return_dislike":true,"preferred_quality":"720p","sponsor_categories":{"intro":"show"}},)"
                          R"("comment_likes":{"c1":false,"v5#0":true},)"
                          R"("comment_replies":{"c1":{"reply-1":{"text":"hi é","active":true}},"v4#2":{")"
        + reply + R"(":"yo"}}}})";
    std::string heads;
    for (auto const& head : document.heads())
        heads += (heads.empty() ? "\"" : ",\"") + head.to_hex() + "\"";
    auto expected = R"({"content":)" + content + R"(,"heads":[)" + heads + "]}";

    auto saved = document.save();
    auto file = s_scratch->path() / "written.automerge";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<char const*>(saved.data()), static_cast<std::streamsize>(saved.size()));
    std::ofstream(s_scratch->path() / "written.json") << expected;
    auto command = "node '" + script().string() + "' check '" + file.string() + "' '" + (s_scratch->path() / "written.json").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

}
}
