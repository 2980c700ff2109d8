#include <gtest/gtest.h>

#include "src/actions/OperationQueue.h"

namespace {

using namespace vexa;

TEST(OperationQueue, DrainReturnsEverythingInPushOrderAndEmptiesTheQueue)
{
    auto queue = OperationQueue::create();
    queue->push(UiAction::open_video("a"));
    queue->push(UiAction::go_back());
    queue->push(UiAction::navigate(Route::settings()));
    EXPECT_EQ(queue->size(), 3u);
    auto drained = queue->drain();
    EXPECT_EQ(drained, (std::vector<UiAction> { UiAction::open_video("a"), UiAction::go_back(), UiAction::navigate(Route::settings()) }));
    EXPECT_TRUE(queue->is_empty());
    EXPECT_TRUE(queue->drain().empty());
}

TEST(OperationQueue, TwoActivationsOfOneWidgetQueueTwoEqualValues)
{
    auto queue = OperationQueue::create();
    // A widget keeps its action and a handle, and pushes a copy each time it is activated.
    auto const action = UiAction::toggle_like("v");
    auto widget_handle = queue;
    widget_handle->push(action);
    widget_handle->push(action);
    auto drained = queue->drain();
    ASSERT_EQ(drained.size(), 2u);
    EXPECT_EQ(drained[0], action);
    EXPECT_EQ(drained[1], action);
    EXPECT_EQ(action.text, "v");
}

TEST(OperationQueue, PushesWhileHandlingADrainWaitForTheNextDrain)
{
    auto queue = OperationQueue::create();
    queue->push(UiAction::search());
    queue->push(UiAction::close_palette());
    std::vector<UiActionKind> handled;
    for (auto const& action : queue->drain()) {
        handled.push_back(action.kind);
        queue->push(UiAction::open_video("pushed while handling"));
    }
    EXPECT_EQ(handled, (std::vector<UiActionKind> { UiActionKind::Search, UiActionKind::ClosePalette }));
    auto next = queue->drain();
    ASSERT_EQ(next.size(), 2u);
    EXPECT_EQ(next[0].text, "pushed while handling");
}

TEST(OperationQueue, LivesAsLongAsItsLastHandle)
{
    std::weak_ptr<OperationQueue> watcher;
    {
        auto widget_handle = [&] {
            auto app_handle = OperationQueue::create();
            watcher = app_handle;
            return OperationQueueHandle(app_handle);
        }();
        widget_handle->push(UiAction::go_back());
        EXPECT_FALSE(watcher.expired());
    }
    EXPECT_TRUE(watcher.expired());
}

}
