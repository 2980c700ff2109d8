#include <gtest/gtest.h>

#include "src/actions/VexaOperation.h"

namespace vexa {
namespace {

using O = VexaOperation;

struct Written {
    VexaOperation operation;
    std::string json;
    uint8_t type;
};

std::vector<Written> const& every_variant()
{
    static std::vector<Written> const rows {
        { O::TogglePlayback {}, R"("TogglePlayback")", 2 },
        { O::ToggleSidebar {}, R"("ToggleSidebar")", 2 },
        { O::Share { "v1" }, R"({"Share":{"video_id":"v1"}})", 1 },
        { O::Navigate { Route::home() }, R"({"Navigate":{"route":"Home"}})", 2 },
        { O::OpenVideo { "v1" }, R"({"OpenVideo":{"video_id":"v1"}})", 2 },
        { O::OpenChannel { "UC1" }, R"({"OpenChannel":{"channel_id":"UC1"}})", 2 },
        { O::OpenPlaylist { "PL1" }, R"({"OpenPlaylist":{"playlist_id":"PL1"}})", 2 },
        { O::Download { "v1" }, R"({"Download":{"video_id":"v1"}})", 1 },
        { O::PairDevice { "invite-text" }, R"({"PairDevice":{"invite":"invite-text"}})", 1 },
        { O::SyncDevices {}, R"("SyncDevices")", 1 },
        { O::ApproveDevice { "peer1" }, R"({"ApproveDevice":{"peer_id":"peer1"}})", 1 },
        { O::RevokeDevice { "peer1" }, R"({"RevokeDevice":{"peer_id":"peer1"}})", 1 },
        { O::RecordHistory { "v1" }, R"({"RecordHistory":{"video_id":"v1"}})", 1 },
        { O::RemoveHistory { "v1" }, R"({"RemoveHistory":{"video_id":"v1"}})", 1 },
        { O::ClearHistory {}, R"("ClearHistory")", 1 },
    };
    return rows;
}

TEST(VexaOperationJson, EveryVariantWritesItsExactFormTypeAndReadsBack)
{
    ASSERT_EQ(every_variant().size(), VexaOperation::variant_names().size());
    for (size_t index = 0; index < every_variant().size(); ++index) {
        auto const& row = every_variant()[index];
        SCOPED_TRACE(row.json);
        EXPECT_EQ(row.operation.value.index(), index);
        EXPECT_EQ(row.operation.to_json_text(), row.json);
        EXPECT_EQ(row.operation.operation_type_number(), row.type);
        auto read = VexaOperation::deserialize(row.json);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(*read, row.operation);
    }
}

TEST(VexaOperationJson, EveryRouteWritesAndReadsBack)
{
    struct Row {
        Route route;
        std::string_view json;
    };
    Row const rows[] = {
        { Route::home(), R"({"Navigate":{"route":"Home"}})" },
        { Route::trending(), R"({"Navigate":{"route":"Trending"}})" },
        { Route::subscriptions(), R"({"Navigate":{"route":"Subscriptions"}})" },
        { Route::queue(), R"({"Navigate":{"route":"Queue"}})" },
        { Route::watch("v1"), R"({"Navigate":{"route":{"Watch":"v1"}}})" },
        { Route::channel("UC1"), R"({"Navigate":{"route":{"Channel":"UC1"}}})" },
        { Route::playlist("PL1"), R"({"Navigate":{"route":{"Playlist":"PL1"}}})" },
        { Route::search("cats & \"dogs\""), R"({"Navigate":{"route":{"Search":"cats & \"dogs\""}}})" },
        { Route::history(), R"({"Navigate":{"route":"History"}})" },
        { Route::settings(), R"({"Navigate":{"route":"Settings"}})" },
    };
    for (auto const& row : rows) {
        VexaOperation operation = O::Navigate { row.route };
        EXPECT_EQ(operation.to_json_text(), row.json);
        EXPECT_EQ(VexaOperation::deserialize(row.json), operation) << row.json;
    }
}

TEST(VexaOperationJson, ReadsEveryAcceptedForm)
{
    struct Row {
        std::string_view json;
        VexaOperation expected;
    };
    Row const rows[] = {
        { R"({"ClearHistory":null})", O::ClearHistory {} },
        { R"({"SyncDevices":null})", O::SyncDevices {} },
        { R"({"Navigate":{"route":{"History":null}}})", O::Navigate { Route::history() } },
        { R"({"Navigate":[{"Search":"q"}]})", O::Navigate { Route::search("q") } },
        { R"({"PairDevice":{"invite":""}})", O::PairDevice { "" } },
        { R"({"OpenVideo":{"note":"x","video_id":"v"}})", O::OpenVideo { "v" } },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.json);
        auto read = VexaOperation::deserialize(row.json);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(*read, row.expected);
    }
}

TEST(VexaOperationJson, RefusesWithExactErrors)
{
    struct Row {
        std::string_view json;
        std::string_view error;
    };
    Row const rows[] = {
        { R"({"Navigate":{"route":"Search"}})", "invalid type: unit variant, expected newtype variant Route::Search" },
        { R"({"Navigate":{"route":{"Watch":7}}})", "invalid type: integer, expected a string" },
        { R"({"Navigate":{"route":{"Home":"x"}}})", "invalid type: string, expected unit variant Route::Home" },
        { R"({"Navigate":{"route":"home"}})",
            "unknown variant, expected one of `Home`, `Trending`, `Subscriptions`, `Queue`, `Watch`, `Channel`, `Playlist`, `Search`, `History`, `Settings`" },
        { R"({"Navigate":{}})", "missing field `route`" },
        { R"({"ClearHistory":{"owner_id":"o"}})", "invalid type: map, expected unit variant VexaOperation::ClearHistory" },
        { R"("OpenVideo")", "invalid type: unit variant, expected struct variant VexaOperation::OpenVideo" },
        { R"({"OpenVideo":["a","b"]})", "invalid length 2, expected struct variant VexaOperation::OpenVideo with 1 elements" },
        { R"({"PairDevice":{"invite":"a","invite":"b"}})", "duplicate field `invite`" },
        { R"("SetVideoLiked")",
            "unknown variant, expected one of `TogglePlayback`, `ToggleSidebar`, `Share`, `Navigate`, `OpenVideo`, `OpenChannel`, "
            "`OpenPlaylist`, `Download`, `PairDevice`, `SyncDevices`, `ApproveDevice`, `RevokeDevice`, `RecordHistory`, `RemoveHistory`, `ClearHistory`" },
    };
    for (auto const& row : rows) {
        SCOPED_TRACE(row.json);
        auto read = VexaOperation::deserialize(row.json);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().message, row.error);
    }
}

TEST(VexaOperationJson, DebugTextRedactsThePairingInvite)
{
    VexaOperation pair = O::PairDevice { "secret-invite" };
    EXPECT_EQ(pair.debug_text(), "PairDevice { invite: <redacted> }");
    VexaOperation open = O::Navigate { Route::watch("v1") };
    EXPECT_EQ(open.debug_text(), R"(Navigate { route: Watch("v1") })");
}

}
}
