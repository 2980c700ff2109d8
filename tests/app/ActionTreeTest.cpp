#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "src/app/ActionTree.h"
#include "src/app/DeviceSync.h"
#include "src/model/Text.h"
#include "src/model/VexaModel.h"

namespace {

using kaso::actions::ActionSpec;
using kaso::actions::Resource;
using vexa::DeviceSyncState;
using vexa::DeviceSyncStatus;

// One line per resource ("address | kind | label") and per action, indented by depth:
// "#id label" with its marks: op type, unavailability, destructive, privileged, contract fields.
void describe(Resource const& resource, std::vector<std::string>& lines, std::size_t depth = 0)
{
    std::string indent(depth * 2, ' ');
    lines.push_back(fmt::format("{}{} | {} | {}", indent, resource.address, resource.kind, resource.label));
    for (auto const& action : resource.actions) {
        std::string line = fmt::format("{}  #{} {} op{}", indent, action.id, action.label, action.operation_type);
        if (action.unavailable)
            line += fmt::format(" unavailable({}: {})", action.unavailable->reason_code, action.unavailable->message);
        if (action.is_destructive)
            line += " destructive";
        if (action.is_privileged)
            line += " privileged";
        if (action.has_contract)
            line += fmt::format(" contract[{}]", fmt::join(action.capabilities, ","));
        if (action.replay)
            line += fmt::format(" replay={}", *action.replay);
        if (action.audit)
            line += fmt::format(" audit={}", *action.audit);
        if (action.input)
            line += " input";
        lines.push_back(std::move(line));
    }
    for (auto const& child : resource.children)
        describe(child, lines, depth + 1);
}

std::vector<std::string> describe(Resource const& resource)
{
    std::vector<std::string> lines;
    describe(resource, lines);
    return lines;
}

Resource const* child(Resource const& parent, std::string_view address)
{
    for (auto const& candidate : parent.children) {
        if (candidate.address == address)
            return &candidate;
    }
    return nullptr;
}

ActionSpec const* action(Resource const& resource, std::string_view id)
{
    for (auto const& candidate : resource.actions) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

std::string payload(ActionSpec const& spec, kaso::actions::ActionArguments const& arguments = {})
{
    auto built = spec.build_json(arguments);
    EXPECT_TRUE(built) << (built ? "" : built.error().message);
    return built ? built->kind + " " + built->payload_text() : std::string();
}

vexa::Video video(std::string id, std::string title)
{
    vexa::Video result;
    result.id = std::move(id);
    result.title = std::move(title);
    return result;
}

vexa::Comment comment(std::string author, std::string initials, std::string text, std::string time_ago)
{
    vexa::Comment result;
    result.author = std::move(author);
    result.initials = std::move(initials);
    result.text = std::move(text);
    result.time_ago = std::move(time_ago);
    return result;
}

vexa::Channel channel(std::string id, std::string name)
{
    vexa::Channel result;
    result.id = std::move(id);
    result.name = std::move(name);
    result.handle = "@" + result.id;
    return result;
}

// The Watch page of "v1", liked and queued, with three comments.
vexa::VexaModel watch_model()
{
    auto model = vexa::VexaModel::empty();
    auto first = video("v1", "First\tclip\n");
    first.comments = {
        comment("Ana", "A", "  Hello\n\n  there  ", "2 days ago"),
        comment("", "", std::string(48, 'x'), "1 hour ago"),
        comment("Bo", "B", std::string(20, 'y') + " " + std::string(28, 'z'), "now"),
    };
    model.videos = { first, video("v2", "Second") };
    model.queue = { "v1" };
    model.liked_videos = { "v1" };
    model.route = vexa::Route::watch("v1");
    return model;
}

TEST(ActionTree, WatchPageOfAKnownVideoLeadsWithItsCurrentResource)
{
    auto model = watch_model();
    auto hello = comment("Ana", "A", "  Hello\n\n  there  ", "2 days ago");
    auto hello_id = vexa::comment_resource_id("v1", hello);
    EXPECT_EQ(hello_id, "v1#7662ee5c7370deb6");
    model.comment_likes[hello_id] = true;

    auto root = vexa::app_action_tree(model);
    EXPECT_EQ(root.address, "vexa.app");
    EXPECT_EQ(root.kind, "vexa.application");
    EXPECT_EQ(root.label, "Vexa");
    ASSERT_EQ(root.children.size(), 4u);
    auto lines = describe(root.children[0]);
    std::vector<std::string> expected {
        "vexa.current:v1 | vexa.video | First clip ",
        "  #open Open video op2",
        "  #like Like video op1 replay=1",
        "  #queue Remove from queue op1 contract[] replay=1",
        "  #mark-watched Mark watched op1",
        "  #download Download video op1 unavailable(download_storage_unavailable: Vexa has no host-granted download storage capability)",
        "  #share Copy share link op1 contract[clipboard,sharing]",
        "  #play-pause Play or pause op2",
        "  vexa.comment:" + hello_id + " | vexa.comment | Ana: Hello there",
        "    #like Unlike comment op1 replay=1",
        "    #reply Reply to comment op1 input",
        "  vexa.comment:" + vexa::comment_resource_id("v1", model.videos[0].comments[1]) + " | vexa.comment | " + std::string(48, 'x'),
        "    #like Like comment op1 replay=1",
        "    #reply Reply to comment op1 input",
        "  vexa.comment:" + vexa::comment_resource_id("v1", model.videos[0].comments[2]) + " | vexa.comment | Bo: " + std::string(20, 'y') + " "
            + std::string(24, 'z') + "…",
        "    #like Like comment op1 replay=1",
        "    #reply Reply to comment op1 input",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(root.children[1].address, "vexa.navigation");
    EXPECT_EQ(root.children[2].address, "vexa.library");
    EXPECT_EQ(root.children[3].address, "vexa.settings");

    auto const& current = root.children[0];
    EXPECT_EQ(payload(*action(current, "like")), R"(vexa.action {"SetVideoLiked":{"video_id":"v1","liked":false}})");
    EXPECT_EQ(payload(*action(current, "queue")), R"(vexa.action {"SetQueueMembership":{"video_id":"v1","queued":false}})");
    EXPECT_EQ(payload(*action(current, "play-pause")), R"(vexa.operation "TogglePlayback")");
    EXPECT_EQ(action(current, "queue")->description, "Set membership in the shared watch queue");
    EXPECT_TRUE(action(current, "queue")->predicate);
    EXPECT_FALSE(action(current, "like")->predicate);

    auto const& liked = current.children[0];
    EXPECT_EQ(payload(*action(liked, "like")), fmt::format(R"(vexa.action {{"SetCommentLiked":{{"comment_id":"{}","liked":false}}}})", hello_id));
    EXPECT_EQ(payload(*action(liked, "reply"), { { "value", "Thanks" } }),
        fmt::format(R"(vexa.action {{"SetCommentReply":{{"comment_id":"{}","reply_id":"reply-edd6920f1e4fe920","text":"Thanks","active":true}}}})", hello_id));
    auto const& reply_param = action(liked, "reply")->input->params.at(0);
    EXPECT_EQ(reply_param.name, "value");
    EXPECT_EQ(reply_param.description, "Reply");
    EXPECT_EQ(reply_param.placeholder, "your reply…");

    // The whole tree with device sync: five children, device sync last.
    auto trees = vexa::action_resource_trees(model, vexa::unavailable_device_sync().status());
    ASSERT_EQ(trees.size(), 1u);
    ASSERT_EQ(trees[0].children.size(), 5u);
    EXPECT_EQ(trees[0].children[4].address, "vexa.device-sync");
}

TEST(ActionTree, OtherRoutesAndUnknownVideosHaveNoCurrentResource)
{
    for (auto route : { vexa::Route::home(), vexa::Route::watch("missing"), vexa::Route::search("v1") }) {
        auto model = watch_model();
        model.route = route;
        auto root = vexa::app_action_tree(model);
        ASSERT_EQ(root.children.size(), 3u) << route.text;
        EXPECT_EQ(root.children[0].address, "vexa.navigation");
        // No video of the library carries comments then.
        auto const* videos = child(root.children[1], "vexa.videos");
        ASSERT_TRUE(videos);
        for (auto const& entry : videos->children)
            EXPECT_TRUE(entry.children.empty()) << entry.address;
    }
}

TEST(ActionTree, CommentIdsAreStableAndSeparateTheirFields)
{
    auto base = comment("Ana", "A", "Hello", "2 days ago");
    EXPECT_EQ(vexa::comment_resource_id("v1", base), "v1#b88a1a762803da98");
    EXPECT_EQ(vexa::comment_resource_id("v1", base), vexa::comment_resource_id("v1", comment("Ana", "A", "Hello", "2 days ago")));
    // A change in any field, or a moved boundary between two fields, gives another id.
    std::vector<std::pair<std::string, vexa::Comment>> variants {
        { "v2", base },
        { "v1", comment("Ann", "A", "Hello", "2 days ago") },
        { "v1", comment("Ana", "B", "Hello", "2 days ago") },
        { "v1", comment("Ana", "A", "Hello!", "2 days ago") },
        { "v1", comment("Ana", "A", "Hello", "2 days ago ") },
        { "v1", comment("AnaA", "", "Hello", "2 days ago") },
        { "v1", comment("An", "aA", "Hello", "2 days ago") },
    };
    std::set<std::string> ids { vexa::comment_resource_id("v1", base) };
    for (auto const& [video_id, variant] : variants)
        EXPECT_TRUE(ids.insert(vexa::comment_resource_id(video_id, variant)).second) << variant.author << "/" << variant.initials;
    EXPECT_EQ(vexa::comment_resource_id("v1", comment("AnaA", "", "Hello", "2 days ago")), "v1#32d3e9a07ceae5e4");
}

TEST(ActionTree, LabelsAreCleanedAndCut)
{
    struct Case {
        std::string text;
        std::string label;
    };
    std::vector<Case> cases {
        { "plain", "plain" },
        { "tab\tnew\nline\r", "tab new line " },
        { "  kept  ", "  kept  " },
        { "del\x7f c1\xc2\x85.", "del  c1 ." },
        { std::string(160, 'a'), std::string(160, 'a') },
        { std::string(200, 'a'), std::string(160, 'a') + "…" },
        { std::string(159, 'a') + "é€", std::string(159, 'a') + "é…" },
        { "bad \xff byte", "bad \xef\xbf\xbd byte" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(vexa::clean_resource_label(c.text), c.label) << c.text;
}

TEST(ActionTree, CommentLabelsSplitWordsAsTheModelDoes)
{
    // Every ASCII character and a few others as the separator: the label joins the words the
    // model's own word splitting finds, whichever way the label is made.
    std::vector<std::string> separators;
    for (int c = 1; c < 0x80; ++c)
        separators.emplace_back(1, static_cast<char>(c));
    for (auto const* other : { "\xc2\xa0", "\xe2\x80\x83", "\xe3\x80\x80", "\xc2\x85", "\xff" })
        separators.emplace_back(other);
    for (auto const& separator : separators) {
        auto text = separator + "one" + separator + separator + "two" + separator;
        std::string joined;
        for (auto const& word : vexa::text::split_words(text))
            joined += (joined.empty() ? "" : " ") + word;
        EXPECT_EQ(vexa::comment_resource_label(comment("Ana", "A", text, "now")), vexa::clean_resource_label("Ana: " + joined))
            << "separator " << static_cast<int>(static_cast<unsigned char>(separator[0]));
    }
}

// Items known and unknown in every list, each list longer than the cut.
vexa::VexaModel large_library_model()
{
    auto model = vexa::VexaModel::empty();
    for (int i = 0; i < 120; ++i) {
        model.videos.push_back(video(fmt::format("v{}", i), fmt::format("Video {}", i)));
        model.channels.push_back(channel(fmt::format("c{}", i), i == 0 ? std::string(200, 'N') : fmt::format("Creator {}", i)));
        vexa::Playlist playlist;
        playlist.id = fmt::format("p{}", i);
        playlist.title = fmt::format("List\n{}", i);
        model.playlists.push_back(playlist);
    }
    model.subscriptions = { "c1", "gone" };
    model.queue = { "v3", "lost" };
    for (int i = 0; i < 110; ++i)
        model.history.push_back(i == 0 ? "old" : fmt::format("v{}", i));
    model.search_query = "  cats ";
    model.search_video_ids = { "v5", "nope" };
    model.search_playlist_ids = { "p7" };
    model.search_channel_ids = { "nobody", "c9" };
    return model;
}

TEST(ActionTree, LibraryCollectionsAreCutAtOneHundredWithFallbackLabels)
{
    auto model = large_library_model();
    auto root = vexa::app_action_tree(model);
    auto const& library = root.children[1];
    EXPECT_EQ(library.address, "vexa.library");
    EXPECT_EQ(library.label, "Known library");
    std::vector<std::string> addresses;
    for (auto const& collection : library.children)
        addresses.push_back(collection.address + " " + collection.label);
    EXPECT_EQ(addresses, (std::vector<std::string> { "vexa.videos Videos", "vexa.creators Creators", "vexa.playlists Playlists",
                             "vexa.subscriptions Subscriptions", "vexa.queue Shared watch queue", "vexa.history Watch history",
                             "vexa.search-results Search results: cats", "vexa.downloads Downloads (none available)" }));
    for (auto const* address : { "vexa.videos", "vexa.creators", "vexa.playlists", "vexa.history" })
        EXPECT_EQ(child(library, address)->children.size(), 100u) << address;
    EXPECT_EQ(child(library, "vexa.videos")->children.back().address, "vexa.video:v99");

    auto const& creators = *child(library, "vexa.creators");
    EXPECT_EQ(creators.children[0].label, std::string(160, 'N') + "…");
    EXPECT_EQ(describe(creators.children[1]), (std::vector<std::string> {
                                                  "vexa.channel:c1 | vexa.channel | Creator 1",
                                                  "  #open Open creator op2",
                                                  "  #subscribe Subscribe or unsubscribe op1 replay=1",
                                              }));
    EXPECT_EQ(payload(*action(creators.children[1], "subscribe")), R"(vexa.action {"SetSubscription":{"channel_id":"c1","subscribed":false}})");
    EXPECT_EQ(payload(*action(creators.children[2], "subscribe")), R"(vexa.action {"SetSubscription":{"channel_id":"c2","subscribed":true}})");
    EXPECT_EQ(child(library, "vexa.playlists")->children[4].label, "List 4");

    auto rest = [&](char const* address) {
        std::vector<std::string> lines;
        auto const& collection = *child(library, address);
        describe(collection, lines);
        lines.resize(std::min<std::size_t>(lines.size(), 8));
        return lines;
    };
    EXPECT_EQ(rest("vexa.subscriptions"), (std::vector<std::string> {
                                              "vexa.subscriptions | vexa.collection | Subscriptions",
                                              "  vexa.subscription:c1 | vexa.subscription | Creator 1",
                                              "    #unsubscribe Unsubscribe op1 replay=1",
                                              "    #open Open creator op2",
                                              "  vexa.subscription:gone | vexa.subscription | Subscribed creator gone",
                                              "    #unsubscribe Unsubscribe op1 replay=1",
                                          }));
    EXPECT_EQ(rest("vexa.queue"), (std::vector<std::string> {
                                      "vexa.queue | vexa.collection | Shared watch queue",
                                      "  vexa.queue:v3 | vexa.queue-entry | Video 3",
                                      "    #remove Remove from queue op1 replay=1",
                                      "    #open Open video op2",
                                      "  vexa.queue:lost | vexa.queue-entry | Queued video lost",
                                      "    #remove Remove from queue op1 replay=1",
                                  }));
    EXPECT_EQ(rest("vexa.history"), (std::vector<std::string> {
                                        "vexa.history | vexa.collection | Watch history",
                                        "  #clear Clear watch history op1 destructive",
                                        "  vexa.history:old | vexa.history-entry | Watched video old",
                                        "    #open Open video op2",
                                        "    #remove Remove from history op1",
                                        "  vexa.history:v1 | vexa.history-entry | Video 1",
                                        "    #open Open video op2",
                                        "    #remove Remove from history op1",
                                    }));
    EXPECT_EQ(child(library, "vexa.history")->actions[0].description, "Clear owner-local, device-synchronised watch history");
    EXPECT_EQ(rest("vexa.search-results"), (std::vector<std::string> {
                                               "vexa.search-results | vexa.collection | Search results: cats",
                                               "  vexa.search-result:video:v5 | vexa.search-result | Video 5",
                                               "    #open Open video op2",
                                               "  vexa.search-result:playlist:p7 | vexa.search-result | List 7",
                                               "    #open Open playlist op2",
                                               "  vexa.search-result:channel:c9 | vexa.search-result | Creator 9",
                                               "    #open Open creator op2",
                                           }));
    // A fallback label is cleaned too.
    model.queue = { "bad\nid" };
    auto cleaned = vexa::app_action_tree(model);
    EXPECT_EQ(child(cleaned.children[1], "vexa.queue")->children[0].label, "Queued video bad id");
    // An empty query: no children.
    model.search_query = "   ";
    auto empty = vexa::app_action_tree(model);
    auto const* results = child(empty.children[1], "vexa.search-results");
    EXPECT_EQ(results->label, "Search results");
    EXPECT_TRUE(results->children.empty());
}

TEST(ActionTree, SettingsOfferTogglesAndCycles)
{
    auto model = vexa::VexaModel::empty();
    model.settings.autoplay = false;
    model.settings.sponsor_categories["sponsor"] = vexa::SegmentMode::Show;
    auto settings = vexa::app_action_tree(model).children[2];
    auto lines = describe(settings);
    lines.resize(12);
    EXPECT_EQ(lines, (std::vector<std::string> {
                         "vexa.settings | vexa.settings | Playback settings",
                         "  #autoplay Toggle autoplay op1 replay=1",
                         "  #comments Toggle comments op1 replay=1",
                         "  #sponsorblock Toggle SponsorBlock op1 replay=1",
                         "  #dearrow Toggle DeArrow op1 replay=1",
                         "  #dislikes Toggle dislike counts op1 replay=1",
                         "  vexa.setting:preferred-quality | vexa.setting | Preferred quality: 1080p",
                         "    #cycle Cycle preferred quality op1 replay=1",
                         "  vexa.setting:sponsor-category:sponsor | vexa.setting | SponsorBlock Sponsor: Show",
                         "    #cycle Cycle Sponsor handling op1 replay=1",
                         "  vexa.setting:sponsor-category:selfpromo | vexa.setting | SponsorBlock Self-promo: Auto-skip",
                         "    #cycle Cycle Self-promo handling op1 replay=1",
                     }));
    EXPECT_EQ(settings.children.size(), 9u);
    EXPECT_EQ(settings.children.back().label, "SponsorBlock Filler tangent: Off");
    EXPECT_EQ(payload(settings.actions[0]), R"(vexa.action {"SetSetting":{"setting":"Autoplay","enabled":true}})");
    EXPECT_EQ(payload(settings.actions[2]), R"(vexa.action {"SetSetting":{"setting":"SponsorBlock","enabled":false}})");
    EXPECT_EQ(payload(settings.children[1].actions[0]), R"(vexa.action {"SetSponsorCategory":{"category":"Sponsor","mode":"Disabled"}})");
    EXPECT_EQ(payload(settings.children.back().actions[0]), R"(vexa.action {"SetSponsorCategory":{"category":"Filler","mode":"Skip"}})");

    struct Cycle {
        std::string current;
        std::string next;
    };
    for (auto const& [current, next] : std::vector<Cycle> { { "1080p", "720p" }, { "720p", "480p" }, { "480p", "auto" }, { "auto", "1080p" }, { "360p", "720p" } }) {
        model.settings.preferred_quality = current;
        auto quality = vexa::app_action_tree(model).children[2].children[0];
        EXPECT_EQ(quality.label, "Preferred quality: " + current);
        EXPECT_EQ(payload(quality.actions[0]), fmt::format(R"(vexa.action {{"SetPreferredQuality":{{"quality":"{}"}}}})", next));
    }
}

TEST(ActionTree, NavigationAndBindings)
{
    EXPECT_EQ(describe(vexa::navigation_action_resource()), (std::vector<std::string> {
                                                                "vexa.navigation | vexa.navigation | Navigate",
                                                                "  #home Open Home op2",
                                                                "  #trending Open Trending op2",
                                                                "  #subscriptions Open subscriptions op2",
                                                                "  #queue Open shared watch queue op2",
                                                                "  #history Open watch history op2",
                                                                "  #settings Open settings op2",
                                                                "  #toggle-sidebar Show or hide navigation op2",
                                                            }));
    auto model = watch_model();
    auto queue = vexa::video_queue_binding(model, "v2");
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->address.encode(), "vexa.video:v2#queue");
    EXPECT_FALSE(vexa::video_queue_binding(model, "missing"));
    EXPECT_EQ(vexa::sidebar_toggle_binding()->address.encode(), "vexa.navigation#toggle-sidebar");
    EXPECT_EQ(vexa::navigation_binding(vexa::Route::history())->address.encode(), "vexa.navigation#history");
    EXPECT_FALSE(vexa::navigation_binding(vexa::Route::watch("v1")));
    EXPECT_FALSE(vexa::navigation_binding(vexa::Route::search("q")));
}

TEST(ActionTree, AnActionKeepsItsPayloadAfterItsTreeAndLaterTreesAreGone)
{
    auto model = watch_model();
    std::optional<ActionSpec> kept;
    {
        auto tree = vexa::app_action_tree(model);
        kept = *action(tree.children.front(), "like");
    }
    // Enough later trees that their payloads fill other blocks, each tree dropped at once.
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(vexa::app_action_tree(model).children.size(), 4u);
    EXPECT_EQ(payload(*kept), R"(vexa.action {"SetVideoLiked":{"video_id":"v1","liked":false}})");
}

vexa::sync::PeerRecord peer(std::string id, std::string name, bool pending, bool revoked)
{
    vexa::sync::PeerRecord record;
    record.id = std::move(id);
    record.name = std::move(name);
    record.pending_approval = pending;
    if (revoked)
        record.revoked_at = 5;
    return record;
}

TEST(ActionTree, DeviceSyncResourceFollowsTheWorkersStatus)
{
    std::string const pair_line = "  #pair Pair using invite op1 privileged audit=2 input";
    std::string const sync_line = "  #sync Sync approved devices now op1 audit=0";
    struct Case {
        std::string name;
        DeviceSyncStatus status;
        std::vector<std::string> lines;
    };
    std::string const fallback = "Encrypted Grayjay sync is available when the desktop secret broker is unlocked.";
    std::vector<Case> cases {
        { "unavailable", vexa::unavailable_device_sync().status(),
            { "vexa.device-sync | vexa.device-sync | Grayjay device sync (unavailable)",
                "  #pair Pair using invite op1 unavailable(grayjay_sync_unavailable: Start the live app to initialize device sync.) privileged audit=2 input",
                "  #sync Sync approved devices now op1 unavailable(grayjay_sync_unavailable: Start the live app to initialize device sync.) audit=0" } },
        { "unavailable, blank message", { " \n", { peer("a", "A", false, false) }, std::nullopt, DeviceSyncState::Unavailable },
            { "vexa.device-sync | vexa.device-sync | Grayjay device sync (unavailable)",
                "  #pair Pair using invite op1 unavailable(grayjay_sync_unavailable: " + fallback + ") privileged audit=2 input",
                "  #sync Sync approved devices now op1 unavailable(grayjay_sync_unavailable: " + fallback + ") audit=0" } },
        { "no peers", { "Ready", {}, "key", DeviceSyncState::Ready }, { "vexa.device-sync | vexa.device-sync | Grayjay device sync", pair_line } },
        { "pending and revoked only", { "x", { peer("p", "Pending one", true, false), peer("r", "Gone", false, true) }, "key", DeviceSyncState::NeedsAttention },
            { "vexa.device-sync | vexa.device-sync | Grayjay device sync", pair_line, "  vexa.device:p | vexa.device | Pending one",
                "    #approve Approve device op1 privileged audit=0" } },
        { "approved, pending and revoked",
            { "x", { peer("r", "Gone", true, true), peer("6A:1C", "Phone\tname", false, false), peer("p", "Tablet", true, false) }, "key", DeviceSyncState::Syncing },
            { "vexa.device-sync | vexa.device-sync | Grayjay device sync", pair_line, sync_line, "  vexa.device:6A:1C | vexa.device | Phone\tname",
                "    #revoke Revoke device access op1 destructive audit=0", "  vexa.device:p | vexa.device | Tablet",
                "    #approve Approve device op1 privileged audit=0" } },
    };
    for (auto const& c : cases)
        EXPECT_EQ(describe(vexa::device_sync_action_tree(c.status)), c.lines) << c.name;

    auto tree = vexa::device_sync_action_tree(cases.back().status);
    auto const& pair = tree.actions[0];
    EXPECT_EQ(pair.input->prompt, "Paste a Grayjay pairing invite");
    ASSERT_EQ(pair.input->params.size(), 1u);
    EXPECT_EQ(pair.input->params[0].name, "invite");
    EXPECT_EQ(pair.input->params[0].description, "Grayjay pairing invite; redacted from logs and history");
    EXPECT_EQ(pair.input->params[0].schema->to_json(), R"({"type":"string","minLength":1,"maxLength":16384})");
    EXPECT_EQ(payload(pair, { { "invite", "grayjay://x" } }), R"(vexa.operation {"PairDevice":{"invite":"grayjay://x"}})");
    EXPECT_EQ(payload(pair), R"(vexa.operation {"PairDevice":{"invite":""}})");
    EXPECT_EQ(payload(tree.actions[1]), R"(vexa.operation "SyncDevices")");
    EXPECT_EQ(payload(tree.children[0].actions[0]), R"(vexa.operation {"RevokeDevice":{"peer_id":"6A:1C"}})");
    EXPECT_EQ(payload(tree.children[1].actions[0]), R"(vexa.operation {"ApproveDevice":{"peer_id":"p"}})");

    // The schema holds, and its error never shows the invite.
    auto too_long = pair.build_json({ { "invite", std::string(16385, 's') } });
    ASSERT_FALSE(too_long);
    EXPECT_EQ(too_long.error().message, "ActionSpec: \"invite\" of \"pair\" is longer than 16384 characters");
    auto empty = pair.build_json({ { "invite", "" } });
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().message, "ActionSpec: \"invite\" of \"pair\" is shorter than 1 characters");
    auto stranger = pair.build_json({ { "code", "1" } });
    ASSERT_FALSE(stranger);
    EXPECT_EQ(stranger.error().message, "ActionSpec: \"pair\" has no parameter \"code\"");
}

TEST(ActionTree, DeviceInvocationsOnlyForOfferedActions)
{
    auto demo = vexa::demo_device_sync(1000);
    struct Case {
        std::string action;
        std::optional<std::string> peer;
        std::optional<std::string> address; // none: nothing queued
        std::string payload;
    };
    std::vector<Case> cases {
        { "sync", std::nullopt, "vexa.device-sync#sync", R"("SyncDevices")" },
        { "approve", "B5:73:0D:11:9A:CE", "vexa.device:B5:73:0D:11:9A:CE#approve", R"({"ApproveDevice":{"peer_id":"B5:73:0D:11:9A:CE"}})" },
        { "revoke", "6A:1C:92:7E:4B:80", "vexa.device:6A:1C:92:7E:4B:80#revoke", R"({"RevokeDevice":{"peer_id":"6A:1C:92:7E:4B:80"}})" },
        { "approve", "6A:1C:92:7E:4B:80", std::nullopt, "" }, // already approved
        { "approve", "gone", std::nullopt, "" },
        { "revoke", std::nullopt, std::nullopt, "" },
        { "pair", std::nullopt, std::nullopt, "" }, // nothing typed
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.action + " " + c.peer.value_or("-"));
        auto invocation = vexa::device_control_invocation(demo, c.action, c.peer);
        ASSERT_EQ(invocation.has_value(), c.address.has_value());
        if (!invocation)
            continue;
        EXPECT_EQ(invocation->address.encode(), *c.address);
        EXPECT_EQ(invocation->action.kind, "vexa.operation");
        EXPECT_EQ(invocation->action.payload_text(), c.payload);
    }

    // Pairing takes the typed invite, trimmed, and empties the field whatever follows.
    demo.pairing_invite()->set_text("  grayjay://pair-me \n");
    auto pair = vexa::device_control_invocation(demo, "pair", std::nullopt);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->address.encode(), "vexa.device-sync#pair");
    EXPECT_EQ(pair->action.payload_text(), R"({"PairDevice":{"invite":"grayjay://pair-me"}})");
    EXPECT_TRUE(demo.pairing_invite()->is_empty());
    demo.pairing_invite()->set_text(" \t ");
    EXPECT_FALSE(vexa::device_control_invocation(demo, "pair", std::nullopt));
    EXPECT_TRUE(demo.pairing_invite()->is_empty());

    // Without sync, nothing is offered: an unavailable action is not queued.
    auto unavailable = vexa::unavailable_device_sync();
    unavailable.pairing_invite()->set_text("grayjay://pair-me");
    EXPECT_FALSE(vexa::device_control_invocation(unavailable, "pair", std::nullopt));
    EXPECT_TRUE(unavailable.pairing_invite()->is_empty());
    EXPECT_FALSE(vexa::device_control_invocation(unavailable, "sync", std::nullopt));
    // Approved peers missing: no "sync".
    DeviceSyncStatus pending_only { "x", { peer("p", "P", true, false) }, std::nullopt, DeviceSyncState::Ready };
    EXPECT_FALSE(vexa::device_control_invocation(vexa::DeviceSyncHandle(pending_only), "sync", std::nullopt));
}

}
