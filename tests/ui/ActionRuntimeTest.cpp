// The runtime's side of the action system: what it refuses, where each kind of invocation goes,
// and that it finds actions by control and by address.

#include <gtest/gtest.h>

#include <spdlog/sinks/ostream_sink.h>

#include <sstream>

#include "automerge/Transaction.h"
#include "kaso/actions/ActionRegistry.h"
#include "kaso/actions/LibraryStore.h"
#include "kaso/platform/Log.h"
#include "kaso/ui/ActionRuntime.h"
#include "kaso/ui/Widget.h"

namespace {

using namespace kaso::actions;
using kaso::ui::ActionRuntime;

// Writes its payload text under the root key "written".
class WriteAction final : public DocumentAction {
public:
    explicit WriteAction(std::string text)
        : m_text(std::move(text))
    {
    }
    std::string debug_text() const override { return "WriteAction"; }
    kaso::ErrorOr<void> encode(automerge::Transaction& transaction) const override
    {
        auto put = transaction.put(automerge::ROOT, "written", automerge::ScalarValue::str(m_text));
        if (!put)
            return kaso::make_error("WriteAction: " + put.error().message);
        return {};
    }

private:
    std::string m_text;
};

ActionSpec spec(std::string id, std::string kind, std::string payload, uint8_t type = 1)
{
    ActionSpec action;
    action.id = id;
    action.label = id;
    action.operation_type = type;
    action.invoke = [kind, payload] { return EncodedAction::from_text(kind, payload); };
    return action;
}

// A root with a small tree, which records the operations it is handed and answers them as told.
class Root final : public kaso::ui::Widget {
public:
    std::vector<std::pair<uint8_t, std::string>> operations;
    std::vector<ControlInvocation> waiting;

    std::vector<std::string> action_namespaces() const override { return { "test.operation" }; }
    std::vector<Resource> action_resources() const override
    {
        auto unavailable = spec("later", "test.operation", "\"Later\"");
        unavailable.unavailable = Unavailability { "not_now", "Not now" };
        auto needs_camera = spec("snap", "test.operation", "\"Snap\"");
        needs_camera.with_contract({ "camera" });
        auto share = spec("share", "test.operation", "\"Share\"");
        share.with_contract({ "clipboard", "sharing" });
        Resource item { "test.item:a#b", "test.item", "Item", {}, { spec("run", "test.operation", "\"Run\"", 2), spec("write", "test.action", "w1") } };
        return { Resource { "test.app", "test.app", "Test", { item }, { unavailable, needs_camera, share } } };
    }
    kaso::ui::OperationOutcome execute_operation(uint8_t type, EncodedAction const& action) override
    {
        operations.emplace_back(type, action.payload_text());
        if (action.payload_text() == "\"Bad\"")
            return kaso::make_error("refused");
        return kaso::ErrorOr<void> {};
    }
    std::optional<ControlInvocation> take_control_invocation() override
    {
        if (waiting.empty())
            return std::nullopt;
        auto first = waiting.front();
        waiting.erase(waiting.begin());
        return first;
    }
    std::vector<ControlBinding> control_action_bindings() const override
    {
        return { ControlBinding { "run_btn", ActionAddress { "test.item:a#b", "run" }, "Run" } };
    }
};

struct Runtime {
    Root root;
    ActionRegistry registry;
    LibraryStore library { LibraryStore::in_memory() };
    ActionRuntime runtime;

    Runtime()
    {
        registry.insert("test.action", [](std::span<uint8_t const> payload) -> kaso::ErrorOr<std::unique_ptr<DocumentAction>> {
            std::string text(payload.begin(), payload.end());
            if (text.empty())
                return kaso::make_error("test.action: empty");
            return std::make_unique<WriteAction>(text);
        });
        runtime.set_registry(&registry);
        runtime.set_library(&library);
        runtime.refresh_availability(root);
    }
    std::string written() const
    {
        auto value = library.document().get(automerge::ROOT, "written");
        auto const* text = value && *value ? (*value)->scalar.as_str() : nullptr;
        return text ? *text : "";
    }
};

ControlInvocation invocation(std::string resource, std::string action, std::string kind, std::string payload, uint8_t type = 1)
{
    return ControlInvocation { ActionAddress { std::move(resource), std::move(action) }, EncodedAction::from_text(std::move(kind), payload), type };
}

}

TEST(ActionRuntime, RefusesOnlyWhatTheTreeMarksUnavailableOrNeedsAnUngrantedCapability)
{
    Runtime r;
    EXPECT_EQ(r.runtime.availability().unavailable,
        (std::set<ActionAddress> { ActionAddress { "test.app", "later" }, ActionAddress { "test.app", "snap" } }));
    EXPECT_FALSE(r.runtime.run(r.root, invocation("test.app", "later", "test.operation", "\"Later\"")));
    EXPECT_FALSE(r.runtime.run(r.root, invocation("test.app", "snap", "test.operation", "\"Snap\"")));
    EXPECT_TRUE(r.runtime.run(r.root, invocation("test.app", "share", "test.operation", "\"Share\"")));
    // An address the tree does not list (a collection cut short) is not refused.
    EXPECT_TRUE(r.runtime.run(r.root, invocation("test.item:zz", "run", "test.operation", "\"Far\"", 2)));
    EXPECT_EQ(r.root.operations, (std::vector<std::pair<uint8_t, std::string>> { { 1, "\"Share\"" }, { 2, "\"Far\"" } }));
}

TEST(ActionRuntime, OperationsGoToTheRootWithTheirTypeAndActionsToTheDocument)
{
    Runtime r;
    EXPECT_TRUE(r.runtime.run(r.root, invocation("test.item:a#b", "run", "test.operation", "\"Run\"", 2)));
    EXPECT_EQ(r.root.operations, (std::vector<std::pair<uint8_t, std::string>> { { 2, "\"Run\"" } }));
    EXPECT_FALSE(r.runtime.run(r.root, invocation("test.item:a#b", "run", "test.operation", "\"Bad\"", 2)));

    EXPECT_TRUE(r.runtime.run(r.root, invocation("test.item:a#b", "write", "test.action", "hello")));
    EXPECT_EQ(r.written(), "hello");
    EXPECT_EQ(r.root.operations.size(), 2u); // the document's change is not echoed to the root
    // A payload the decoder refuses, and a kind nobody takes, change nothing.
    EXPECT_FALSE(r.runtime.run(r.root, invocation("test.item:a#b", "write", "test.action", "")));
    EXPECT_FALSE(r.runtime.run(r.root, invocation("test.item:a#b", "write", "other.kind", "x")));
    EXPECT_EQ(r.written(), "hello");

    Runtime without_document;
    without_document.runtime.set_library(nullptr);
    EXPECT_FALSE(without_document.runtime.run(without_document.root, invocation("test.item:a#b", "write", "test.action", "x")));
}

TEST(ActionRuntime, DrainsTheRootsInvocationsInOrderAndNeverLogsTheirPayloads)
{
    Runtime r;
    auto logger = kaso::log::target("kaso::actions");
    std::ostringstream text;
    auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(text);
    logger->sinks().push_back(sink);
    r.root.waiting = { invocation("test.app", "later", "test.operation", "\"secret-1\""), invocation("test.app", "share", "test.operation", "\"A\""),
        invocation("test.item:a#b", "run", "test.operation", "\"Bad\"", 2), invocation("x", "y", "other.kind", "secret-2") };
    r.runtime.drain(r.root);
    std::erase(logger->sinks(), sink);
    EXPECT_TRUE(r.root.waiting.empty());
    EXPECT_EQ(r.root.operations, (std::vector<std::pair<uint8_t, std::string>> { { 1, "\"A\"" }, { 2, "\"Bad\"" } }));
    EXPECT_NE(text.str().find("test.app#later"), std::string::npos);
    EXPECT_EQ(text.str().find("secret"), std::string::npos);
}

TEST(ActionRuntime, InvokesByControlAndByAddressSplitAtTheLastHash)
{
    Runtime r;
    EXPECT_TRUE(r.runtime.invoke_control(r.root, "run_btn"));
    EXPECT_FALSE(r.runtime.invoke_control(r.root, "no_btn"));
    EXPECT_TRUE(r.runtime.invoke_address(r.root, "test.item:a#b#write"));
    EXPECT_EQ(r.written(), "w1");
    EXPECT_FALSE(r.runtime.invoke_address(r.root, "test.item:a#b"));
    EXPECT_FALSE(r.runtime.invoke_address(r.root, "no hash"));
    EXPECT_EQ(r.root.operations, (std::vector<std::pair<uint8_t, std::string>> { { 2, "\"Run\"" } }));

    EXPECT_EQ(ActionAddress::decode("vexa.comment:v#0123#like"), (ActionAddress { "vexa.comment:v#0123", "like" }));
    EXPECT_EQ(ActionAddress::decode("a#"), (ActionAddress { "a", "" }));
    EXPECT_EQ(ActionAddress::decode("none"), std::nullopt);
}
