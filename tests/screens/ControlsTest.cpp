// The two ways a control acts: a Switch pushes its UiAction, a control bound to an action of
// the resource tree queues invocations in its ActionEmitter until the runtime collects them.

#include <gtest/gtest.h>

#include <algorithm>

#include "kaso/ui/FrameDriver.h"
#include "src/widgets/Flex.h"
#include "src/widgets/Switch.h"
#include "tests/LogCapture.h"
#include "tests/ui/widgets/TestWidgets.h"

namespace vexa {
namespace {

using namespace kaso::actions;
using namespace kaso::ui;
using vexa::testing::LogCapture;

// A resource whose "fire" action encodes the number of times it was invoked.
Resource counting_resource(std::shared_ptr<int> counter)
{
    ActionSpec spec;
    spec.id = "fire";
    spec.label = "Fire";
    spec.invoke = [counter] { return EncodedAction::from_text("vexa.operation", std::to_string(++*counter)); };
    return Resource { "test:thing", "test.thing", "Thing", {}, { spec } };
}

ActionEmitter counting_emitter(std::shared_ptr<int> counter = std::make_shared<int>(0))
{
    auto binding = ActionBinding::unit_for(counting_resource(std::move(counter)), "fire");
    EXPECT_TRUE(binding);
    return ActionEmitter(std::move(*binding));
}

std::string payload_of(std::optional<ControlInvocation> const& invocation) { return invocation ? invocation->action.payload_text() : "none"; }

TEST(ActionEmitter, FullBacklogEvictsTheOldestWithOneWarning)
{
    auto emitter = counting_emitter();
    LogCapture log("kaso::actions");
    for (int i = 0; i < 65; ++i)
        ASSERT_TRUE(emitter.emit());
    EXPECT_EQ(emitter.backlog_size(), ActionEmitter::max_backlog);
    EXPECT_EQ(log.count("control invocation backlog full; evicting oldest intent"), 1u);
    for (int expected = 2; expected <= 65; ++expected) {
        auto invocation = emitter.pop_control_invocation();
        ASSERT_EQ(payload_of(invocation), std::to_string(expected));
        EXPECT_EQ(invocation->address, (ActionAddress { "test:thing", "fire" }));
        EXPECT_EQ(invocation->action.kind, "vexa.operation");
    }
    EXPECT_EQ(emitter.pop_control_invocation(), std::nullopt);
}

TEST(ActionEmitter, UnavailableActionDropsItsBacklogAndAcceptsFiringsSilently)
{
    auto counter = std::make_shared<int>(0);
    auto emitter = counting_emitter(counter);
    EXPECT_TRUE(emitter.is_available());
    ASSERT_TRUE(emitter.emit());
    ASSERT_TRUE(emitter.emit());

    emitter.refresh_availability({ { ActionAddress { "test:other", "fire" }, ActionAddress { "test:thing", "other" } } });
    EXPECT_TRUE(emitter.is_available()); // other actions' marks say nothing of this one
    emitter.refresh_availability({ { ActionAddress { "test:thing", "fire" } } });
    EXPECT_FALSE(emitter.is_available());
    EXPECT_EQ(emitter.backlog_size(), 0u);
    EXPECT_TRUE(emitter.emit()); // accepted, nothing queued, nothing invoked
    EXPECT_EQ(emitter.backlog_size(), 0u);
    EXPECT_EQ(*counter, 2);

    emitter.refresh_availability({});
    EXPECT_TRUE(emitter.is_available());
    EXPECT_EQ(emitter.pop_control_invocation(), std::nullopt);
    ASSERT_TRUE(emitter.emit());
    EXPECT_EQ(payload_of(emitter.pop_control_invocation()), "3");
}

TEST(ActionBinding, FailsForAMissingActionAndForArgumentsToAUnitAction)
{
    auto resource = counting_resource(std::make_shared<int>(0));
    auto missing = ActionBinding::unit_for(resource, "nope");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "ActionBinding: resource \"test:thing\" offers no action \"nope\"");

    auto binding = *ActionBinding::unit_for(resource, "fire");
    binding.arguments = [] { return ActionArguments { { "value", "x" } }; };
    ActionEmitter emitter(binding);
    auto emitted = emitter.emit();
    ASSERT_FALSE(emitted);
    EXPECT_EQ(emitted.error().message, "ActionBinding: \"test:thing#fire\" takes no arguments, given \"value\"");
    EXPECT_EQ(emitter.backlog_size(), 0u);
}

// A root of fixed size holding `child`, laid out and drawn once.
template<typename W>
std::unique_ptr<FrameDriver> placed(W child)
{
    auto root = std::make_unique<Flex>(Flex::column().width(Length::fill()).height(Length::fill()).padding(10).with_child(std::move(child)));
    auto driver = std::make_unique<FrameDriver>(std::move(root), Theme::dark());
    driver->set_viewport(300, 200, 1.0f);
    driver->frame(0);
    return driver;
}

Widget& first_child(FrameDriver& driver) { return *driver.root().children().front(); }

void click(Widget& root, Point at)
{
    for (Event event : { Event(PointerMove { at.x, at.y }), Event(PointerDown { at.x, at.y }), Event(PointerUp { at.x, at.y }) }) {
        EventContext context { event, {}, 1.0f };
        root.handle_event(context);
    }
}

Point middle(Rect rect) { return { (rect.x0 + rect.x1) / 2, (rect.y0 + rect.y1) / 2 }; }

TEST(FlexControl, ReplacesTheActionAndEmitsInsteadOfQueueing)
{
    auto queue = OperationQueue::create();
    auto button = Flex::row()
                      .width(Length::px(80))
                      .height(Length::px(30))
                      .with_id("fire_btn")
                      .with_action(queue, UiAction::go_back())
                      .with_control(counting_emitter())
                      .with_action(queue, UiAction::toggle_sidebar());
    EXPECT_EQ(button.action(), std::nullopt);
    EXPECT_TRUE(button.is_actionable());
    auto driver = placed(std::move(button));
    auto& flex = first_child(*driver);

    click(driver->root(), middle(flex.layout_rect()));
    ActionRequest request;
    EXPECT_TRUE(flex.perform_action(request));
    EXPECT_TRUE(queue->is_empty());
    auto first = driver->root().take_control_invocation();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->action.payload_text(), "1");
    EXPECT_EQ(first->address, (ActionAddress { "test:thing", "fire" }));
    EXPECT_EQ(first->operation_type, 1);
    EXPECT_EQ(driver->root().take_control_invocation()->action.payload_text(), "2");
    EXPECT_EQ(driver->root().take_control_invocation(), std::nullopt);

    auto bindings = driver->root().control_action_bindings();
    ASSERT_EQ(bindings.size(), 1u);
    EXPECT_EQ(bindings[0], (ControlBinding { "fire_btn", ActionAddress { "test:thing", "fire" }, "Fire" }));
    EXPECT_EQ(flex.cursor_shape(middle(flex.layout_rect())), CursorShape::Pointer);
}

TEST(FlexControl, OwnBacklogFirstThenTheFirstChildsAndAvailabilityReachesChildren)
{
    auto outer_counter = std::make_shared<int>(100);
    auto inner_counter = std::make_shared<int>(0);
    auto tree = Flex::column()
                    .with_control(counting_emitter(outer_counter))
                    .with_child(Flex::row().with_control(counting_emitter(inner_counter)))
                    .with_child(Flex::row().with_control(counting_emitter()));
    auto& inner = static_cast<Flex&>(*tree.children()[0]);
    ActionRequest request;
    ASSERT_TRUE(inner.perform_action(request));
    ASSERT_TRUE(tree.perform_action(request));
    EXPECT_EQ(tree.take_control_invocation()->action.payload_text(), "101");
    EXPECT_EQ(tree.take_control_invocation()->action.payload_text(), "1");
    EXPECT_EQ(tree.take_control_invocation(), std::nullopt);

    auto bindings = tree.control_action_bindings();
    ASSERT_EQ(bindings.size(), 3u);
    EXPECT_EQ(bindings[0].control_id, "vexa.custom-control");

    ASSERT_TRUE(inner.perform_action(request));
    tree.refresh_control_action_availability({ { ActionAddress { "test:thing", "fire" } } });
    EXPECT_FALSE(inner.control()->is_available());
    EXPECT_FALSE(tree.control()->is_available());
    EXPECT_EQ(tree.take_control_invocation(), std::nullopt);
}

TEST(FlexControl, AFailedEmitIsNoActivation)
{
    auto binding = *ActionBinding::unit_for(counting_resource(std::make_shared<int>(0)), "fire");
    binding.spec.invoke = nullptr;
    auto driver = placed(Flex::row().width(Length::px(80)).height(Length::px(30)).with_control(ActionEmitter(binding)));
    auto& flex = first_child(*driver);
    ActionRequest request;
    EXPECT_FALSE(flex.perform_action(request));
    auto at = middle(flex.layout_rect());
    Event down = PointerDown { at.x, at.y };
    Event up = PointerUp { at.x, at.y };
    EventContext press { down, {}, 1.0f };
    driver->root().handle_event(press);
    EventContext release { up, {}, 1.0f };
    driver->root().handle_event(release);
    EXPECT_FALSE(release.handled);
}

TEST(FrameDriver, CarriesOutTheInvocationsEachEventLeavesWithoutLoggingPayloads)
{
    auto driver = placed(Flex::row().width(Length::px(80)).height(Length::px(30)).with_control(counting_emitter()));
    auto at = middle(first_child(*driver).layout_rect());
    LogCapture log("kaso::actions");
    driver->dispatch(PointerMove { at.x, at.y }, {});
    driver->dispatch(PointerDown { at.x, at.y }, {});
    driver->dispatch(PointerUp { at.x, at.y }, {});
    // The root declares no namespace and the driver has no registry: the invocation was taken,
    // and its kind, never its payload, is logged.
    EXPECT_EQ(log.count("control invocation of an unknown kind address=\"test:thing#fire\" kind=\"vexa.operation\""), 1u);
    EXPECT_EQ(log.count("payload"), 0u);
    EXPECT_EQ(driver->root().take_control_invocation(), std::nullopt);
}

TEST(Switch, IsAFixedLeafThatShowsTheModelsState)
{
    auto queue = OperationQueue::create();
    auto driver = placed(Switch(queue, UiAction::toggle_setting(5), true).with_id("autoplay_switch").with_label("Autoplay"));
    auto& widget = static_cast<Switch&>(first_child(*driver));
    EXPECT_EQ(widget.layout_rect(), (Rect { 10, 10, 56, 36 }));
    EXPECT_FALSE(widget.is_layout_dirty());
    EXPECT_TRUE(Switch(queue, UiAction::go_back(), false).is_layout_dirty()); // until placed
    auto node = widget.accessibility();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->name, "Autoplay");
    EXPECT_EQ(node->description, "on");
    EXPECT_EQ(widget.cursor_shape({ 20, 20 }), CursorShape::Pointer);
    EXPECT_EQ(widget.cursor_shape({ 56, 20 }), CursorShape::Default);

    click(driver->root(), { 20, 20 });
    EXPECT_EQ(queue->drain(), std::vector { UiAction::toggle_setting(5) });
    EXPECT_TRUE(widget.is_on()); // the rebuilt page shows the new state, not the switch
}

TEST(Switch, ActivatesOnAReleaseWhileHoveredOnly)
{
    auto queue = OperationQueue::create();
    auto driver = placed(Switch(queue, UiAction::toggle_setting(5), false).with_id("sw"));
    auto& root = driver->root();
    auto send = [&](Event event) {
        EventContext context { event, {}, 1.0f };
        root.handle_event(context);
        return context;
    };
    // Pressed outside, released inside: it tracks no press, so it activates.
    send(PointerDown { 200, 150 });
    send(PointerMove { 20, 20 });
    auto release = send(PointerUp { 20, 20 });
    EXPECT_TRUE(release.handled);
    EXPECT_EQ(release.focus_request, FocusRequest::element("sw"));
    EXPECT_EQ(queue->drain().size(), 1u);

    // Pointer left before the release: nothing.
    send(PointerDown { 20, 20 });
    send(PointerMove { 200, 150 });
    EXPECT_FALSE(send(PointerUp { 200, 150 }).handled);
    send(PointerMove { 20, 20 });
    send(PointerLeave {});
    EXPECT_FALSE(send(PointerUp { 20, 20 }).handled);
    // Keys reach it only through perform_action.
    send(PointerMove { 20, 20 });
    first_child(*driver).set_focus(true);
    KeyDown enter;
    enter.key = Key::Enter;
    send(enter);
    EXPECT_TRUE(queue->is_empty());
}

TEST(Switch, TheDefaultAndToggleRequestsActivate)
{
    auto queue = OperationQueue::create();
    Switch widget(queue, UiAction::toggle_setting(6), false);
    using enum ActionRequestKind;
    for (auto kind : { Default, Focus, Toggle, Named }) {
        ActionRequest request;
        request.kind = kind;
        EXPECT_EQ(widget.perform_action(request), kind == Default || kind == Toggle) << int(kind);
    }
    EXPECT_EQ(queue->drain().size(), 2u);
    EXPECT_FALSE(widget.perform_key_action("kaso.key-action:x"));
    EXPECT_EQ(widget.accessibility()->description, "off");
}

}
}

namespace vexa {
namespace {

using namespace kaso::ui;

// A 100-wide clipping box holding a 250-wide button: what overflows is neither drawn nor
// clickable, and the button sees the pointer leave when it crosses the box's edge.
TEST(FlexClip, KeepsDrawingAndPointerEventsToItsOwnBox)
{
    auto queue = OperationQueue::create();
    auto driver = placed(Flex::row().width(Length::px(100)).height(Length::px(40)).clip(true).with_child(
        Flex::row().width(Length::px(250)).height(Length::px(40)).hover_style(BoxStyle::filled(Color::rgb(1, 2, 3))).with_action(queue, UiAction::go_back())));
    auto& box = first_child(*driver);
    auto& button = static_cast<Flex&>(*box.children().front());
    EXPECT_EQ(box.layout_rect(), (Rect { 10, 10, 110, 50 }));
    EXPECT_EQ(button.layout_rect(), (Rect { 10, 10, 260, 50 }));
    std::vector<PushClip> const expected_clips { PushClip { Rect { 10, 10, 110, 50 } } };
    EXPECT_EQ(kaso::ui::testing::commands_of<PushClip>(driver->scene()), expected_clips);

    click(driver->root(), { 150, 30 });
    EXPECT_TRUE(queue->is_empty()) << "a click outside the box reached the overflowing child";
    EXPECT_EQ(driver->root().label_at_point({ 150, 30 }), std::nullopt);

    driver->dispatch(PointerMove { 50, 30 }, {});
    EXPECT_TRUE(button.is_hovered());
    driver->dispatch(PointerMove { 150, 30 }, {});
    EXPECT_FALSE(button.is_hovered());

    click(driver->root(), { 50, 30 });
    EXPECT_EQ(queue->drain(), std::vector { UiAction::go_back() });
}

TEST(Switch, AClickFocusesItWithOrWithoutAnElementId)
{
    auto queue = OperationQueue::create();
    auto driver = placed(Flex::row()
                             .gap(10)
                             .with_child(Switch(queue, UiAction::toggle_setting(1), false).with_id("named_switch"))
                             .with_child(Switch(queue, UiAction::toggle_setting(5), true)));
    auto row = first_child(*driver).children();
    ASSERT_EQ(row.size(), 2u);
    auto& named = *row[0];
    auto& unnamed = *row[1];
    ASSERT_EQ(unnamed.widget_id(), std::nullopt);

    for (auto* target : { &named, &unnamed, &named }) {
        auto at = middle(target->layout_rect());
        driver->dispatch(PointerMove { at.x, at.y }, {});
        driver->dispatch(PointerDown { at.x, at.y }, {});
        driver->dispatch(PointerUp { at.x, at.y }, {});
        EXPECT_TRUE(target->is_focused()) << target->widget_id().value_or("(no id)");
        auto* other = target == &named ? &unnamed : &named;
        EXPECT_FALSE(other->is_focused()) << "the focus stayed on the other switch too";
    }
    EXPECT_EQ(queue->drain().size(), 3u);
}

}
}

namespace vexa {
namespace {

using namespace kaso::ui;

// A leaf that writes its name into a shared log when it is drawn or given an event.
class Recorder final : public Widget {
public:
    Recorder(std::string name, bool overlay, std::shared_ptr<std::vector<std::string>> log)
        : m_name(std::move(name))
        , m_overlay(overlay)
        , m_log(std::move(log))
    {
    }
    bool is_overlay() const override { return m_overlay; }
    bool wants_pointer_capture() const override { return captures; }
    void draw(Scene&, DrawContext&) override { m_log->push_back(m_name); }
    void handle_event(EventContext& context) override
    {
        m_log->push_back(m_name);
        context.handled = context.handled || handles;
    }

    bool handles { false };
    bool captures { false };

private:
    std::string m_name;
    bool m_overlay;
    std::shared_ptr<std::vector<std::string>> m_log;
};

// A container that adds nothing to the default walks.
class PlainContainer final : public Widget {
public:
    void add(WidgetBox child) { m_children.push_back(std::move(child)); }
    void for_each_child(std::function<void(Widget&)> const& visit) override
    {
        for (auto& child : m_children)
            visit(*child);
    }

private:
    std::vector<WidgetBox> m_children;
};

TEST(ChildTraversal, EveryContainerPaintsAndDeliversInTheSameOrder)
{
    auto log = std::make_shared<std::vector<std::string>>();
    auto children = [&] {
        std::vector<WidgetBox> out;
        for (auto [name, overlay] : { std::pair { "a", false }, { "over", true }, { "b", false }, { "c", false } })
            out.push_back(std::make_unique<Recorder>(name, overlay, log));
        return out;
    };
    Flex flex = Flex::column();
    PlainContainer plain;
    for (auto& child : children())
        flex.with_child(std::move(child));
    for (auto& child : children())
        plain.add(std::move(child));

    TextRenderer text;
    Theme theme = Theme::dark();
    for (Widget* container : std::initializer_list<Widget*> { &flex, &plain }) {
        log->clear();
        Scene scene;
        DrawContext draw { text, theme, Rect { 0, 0, 100, 100 } };
        container->draw(scene, draw);
        EXPECT_EQ(*log, (std::vector<std::string> { "a", "b", "c", "over" })) << container->type_name() << ": overlays are painted last";

        log->clear();
        Event move = PointerMove { 5, 5 };
        EventContext context { move, {}, 1.0f };
        container->handle_event(context);
        EXPECT_EQ(*log, (std::vector<std::string> { "over", "a", "b", "c" })) << container->type_name() << ": overlays first, then the rest in child order";
    }
}

// Which children an event reaches, by what the children do: delivery stops at the first that
// handles it, overlays before the rest, and a capturing child (the first in child order) alone.
TEST(ChildTraversal, DeliveryStopsAtTheFirstHandlerInChildOrder)
{
    struct Case {
        char const* handler;
        std::vector<char const*> capturing;
        std::vector<std::string> reached;
    };
    Case const cases[] = {
        { "a", {}, { "over", "a" } },
        { "b", {}, { "over", "a", "b" } },
        { "over", {}, { "over" } },
        { "", {}, { "over", "a", "b", "c" } },
        { "", { "b" }, { "b" } },
        { "", { "c", "b" }, { "b" } },
    };
    for (auto const& test : cases) {
        auto log = std::make_shared<std::vector<std::string>>();
        Flex flex = Flex::column();
        for (auto [name, overlay] : { std::pair { "a", false }, { "over", true }, { "b", false }, { "c", false } }) {
            auto child = std::make_unique<Recorder>(name, overlay, log);
            child->handles = std::string_view(name) == test.handler;
            child->captures = std::ranges::find(test.capturing, std::string_view(name)) != test.capturing.end();
            flex.with_child(std::move(child));
        }
        Event down = PointerDown { 5, 5 };
        EventContext context { down, {}, 1.0f };
        flex.handle_event(context);
        EXPECT_EQ(*log, test.reached) << "handler " << test.handler << ", " << test.capturing.size() << " capturing";
    }
}

}
}
