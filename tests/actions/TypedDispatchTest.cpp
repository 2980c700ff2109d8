#include <gtest/gtest.h>

#include "automerge/Document.h"
#include "kaso/actions/Identifiers.h"
#include "kaso/actions/LibraryStore.h"
#include "src/actions/LibraryWriter.h"
#include "src/actions/TypedDispatch.h"
#include "tests/actions/LibraryFixtures.h"

namespace vexa {
namespace {

using A = VexaAction;
using kaso::actions::ActionContext;

std::span<uint8_t const> bytes_of(std::string_view text) { return { reinterpret_cast<uint8_t const*>(text.data()), text.size() }; }

TEST(HumanizeIdentifier, BreaksWordsAtCaseChangesAndSeparators)
{
    struct Row {
        std::string_view identifier;
        std::string_view humanized;
    };
    Row const rows[] = {
        { "SetVideoLiked", "Set video liked" },
        { "CyclePreferredQuality", "Cycle preferred quality" },
        { "dearrow_titles", "Dearrow titles" },
        { "toggle-sidebar", "Toggle sidebar" },
        { "HTTPServer", "Http server" },
        { "Play2Pause", "Play 2 pause" },
        { "  spaced..out_ ", "Spaced out" },
        { "x", "X" },
        { "", "" },
        { "__", "" },
    };
    for (auto const& row : rows)
        EXPECT_EQ(kaso::actions::humanize_identifier(row.identifier), row.humanized) << row.identifier;
}

TEST(ActionContextEnrichment, TheCallersPartsWinAndEmptyOnesComeFromTheHost)
{
    ActionContext caller { "Set video liked", "", "Vexa" };
    ActionContext host { "Host label", "io.example.Host", "Host" };
    EXPECT_EQ(caller.enriched_by(host), (ActionContext { "Set video liked", "io.example.Host", "Vexa" }));
    EXPECT_EQ(ActionContext {}.enriched_by(host), host);
    EXPECT_EQ(caller.enriched_by(ActionContext {}), caller);
}

TEST(EnforceOperationType, PassesItsOwnKindOnlyAndNeverShowsThePayload)
{
    auto own = kaso::actions::EncodedAction::from_text("vexa.operation", R"({"PairDevice":{"invite":"secret"}})");
    auto passed = kaso::actions::enforce_operation_type(own, "vexa.operation");
    ASSERT_TRUE(passed);
    EXPECT_EQ(*passed, own);
    auto other = kaso::actions::EncodedAction::from_text("vexa.action", R"({"PairDevice":{"invite":"secret"}})");
    auto refused = kaso::actions::enforce_operation_type(other, "vexa.operation");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, R"(action: an operation of the namespace "vexa.operation" was encoded as "vexa.action")");
}

TEST(DispatchRequest, LabelsFromTheVariantNameWithTheGivenProvenance)
{
    auto cycle = dispatch_request(vexa_provenance_id, vexa_provenance_title, A::CyclePreferredQuality {});
    EXPECT_EQ(cycle, (ActionContext { "Cycle preferred quality", std::string(vexa_provenance_id), "Vexa" }));
    auto like = dispatch_request(vexa_provenance_id, device_sync_import_title, A::SetVideoLiked { "v", true });
    EXPECT_EQ(like, (ActionContext { "Set video liked", std::string(vexa_provenance_id), "Vexa device sync import" }));
}

TEST(EncodedActions, CarryTheKindAndTheJsonBytes)
{
    auto encoded = to_encoded_action(vexa_action_kind, A::SetSubscription { "UC1", true });
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->kind, "vexa.action");
    EXPECT_EQ(encoded->payload_text(), R"({"SetSubscription":{"channel_id":"UC1","subscribed":true}})");
    auto operation = to_encoded_action(vexa_operation_kind, VexaOperation { VexaOperation::SyncDevices {} });
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->payload_text(), R"("SyncDevices")");
    auto broken = to_encoded_action(vexa_action_kind, A::SetVideoLiked { "\xc3", true });
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().message, "encoding vexa.action: SetVideoLiked carries a text that is not valid UTF-8");
}

TEST(Registry, DecodesVexaActionsAndKeepsOneDecoder)
{
    kaso::actions::ActionRegistry registry;
    register_vexa_action_decoder(registry);
    register_vexa_action_decoder(registry);
    EXPECT_EQ(registry.kinds(), (std::vector<std::string> { "vexa.action" }));

    auto decoded = registry.decode("vexa.action", bytes_of(R"({"SetVideoLiked":["v1",true]})"));
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ((*decoded)->debug_text(), R"(SetVideoLiked { video_id: "v1", liked: true })");
    EXPECT_FALSE((*decoded)->predicate());

    auto queued = registry.decode("vexa.action", bytes_of(R"({"AddToQueue":{"video_id":"v1"}})"));
    ASSERT_TRUE(queued);
    EXPECT_TRUE((*queued)->predicate());

    auto failed = registry.decode("vexa.action", bytes_of(R"({"SetVideoLiked":{"video_id":"v1"}})"));
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "decoding vexa.action: missing field `liked`");
}

TEST(DecodeOperation, IsNoneForOtherKindsAndTheReadersErrorForBadPayloads)
{
    EXPECT_FALSE(decode_operation("vexa.action", bytes_of(R"("SyncDevices")")).has_value());
    EXPECT_FALSE(decode_operation("vexa.operation.extra", bytes_of(R"("SyncDevices")")).has_value());

    auto sync = decode_operation("vexa.operation", bytes_of(R"("SyncDevices")"));
    ASSERT_TRUE(sync.has_value());
    ASSERT_TRUE(sync->has_value());
    EXPECT_EQ(**sync, VexaOperation { VexaOperation::SyncDevices {} });

    auto malformed = decode_operation("vexa.operation", bytes_of(R"({"SyncDevices")"));
    ASSERT_TRUE(malformed.has_value());
    ASSERT_FALSE(malformed->has_value());
    EXPECT_EQ(malformed->error(), "EOF while parsing an object at byte 14");
}

TEST(TypedDispatch, WritesUnderTheDocumentsActorAndReportsHeads)
{
    automerge::Document document(automerge::ActorId(std::vector<uint8_t>(16, 0xab)));
    auto outcome = dispatch_vexa_action(document, A::SetVideoLiked { "v1", true },
        dispatch_request(vexa_provenance_id, vexa_provenance_title, A::SetVideoLiked { "v1", true }));
    ASSERT_TRUE(outcome) << outcome.error().message;
    EXPECT_TRUE(outcome->heads_before.empty());
    EXPECT_EQ(outcome->heads_after, document.heads());
    ASSERT_TRUE(outcome->change);
    EXPECT_EQ(document.actor_id(), automerge::ActorId(std::vector<uint8_t>(16, 0xab)));
    EXPECT_EQ(testing::scalar_at(document, { "vexa", "likes", "v1" }), automerge::ScalarValue::boolean(true));
}

TEST(TypedDispatch, ARefusalNamesTheLabelAndLeavesTheDocumentAsItWas)
{
    automerge::Document document;
    ASSERT_TRUE(dispatch_vexa_action(document, A::SetSubscription { "UC1", true }, {}));
    auto heads = document.heads();
    auto bytes = document.save();
    auto refused = dispatch_vexa_action(document, A::ToggleSubscription { "UC1" },
        dispatch_request(vexa_provenance_id, vexa_provenance_title, A::ToggleSubscription { "UC1" }));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message,
        R"(dispatch of Toggle subscription (ToggleSubscription { channel_id: "UC1" }): this Vexa action is not accepted by the shared document)");
    EXPECT_EQ(document.heads(), heads);
    EXPECT_EQ(document.save(), bytes);
}

TEST(TypedDispatch, TheHostEnrichesTheContextAndRecordsOnlyAcceptedDispatches)
{
    auto store = kaso::actions::LibraryStore::in_memory();
    kaso::actions::ActionHost host;
    host.set_context({ "", "io.example.host", "Host title" });
    ActionContext caller { "", "", "Vexa" };

    ASSERT_TRUE(dispatch_vexa_action(host, store, A::SetQueueMembership { "v1", true }, caller));
    auto const& record = host.last_dispatch();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->kind, "vexa.action");
    EXPECT_EQ(record->context, (ActionContext { "", "io.example.host", "Vexa" }));
    EXPECT_TRUE(record->heads_before.empty());
    EXPECT_EQ(record->heads_after, store.document().heads());
    EXPECT_EQ(testing::scalar_at(store.document(), { "vexa", "queue", "v1" }), automerge::ScalarValue::boolean(true));

    auto kept = *record;
    auto heads = store.document().heads();
    auto refused = dispatch_vexa_action(host, store, A::CyclePreferredQuality {}, caller);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("this Vexa action is not accepted by the shared document"), std::string::npos);
    EXPECT_EQ(store.document().heads(), heads);
    EXPECT_EQ(host.last_dispatch()->heads_after, kept.heads_after);
}

}
}
