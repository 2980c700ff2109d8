// The settings page's device section in the application: the handle's status and pairing-invite
// buffer reach it, the pairing field edits the buffer in place, and the "--device-sync" state
// opens the page scrolled to the section.

#include <gtest/gtest.h>

#include <functional>

#include <fmt/format.h>

#include "kaso/ui/FrameDriver.h"
#include "kaso/ui/Scrollable.h"
#include "kaso/ui/TextInput.h"
#include "src/app/SettingsDevices.h"
#include "src/app/VexaApp.h"

namespace vexa {
namespace {

using namespace kaso::ui;

Widget* find_id(Widget& root, std::string_view id)
{
    Widget* found = nullptr;
    std::function<void(Widget&)> visit = [&](Widget& widget) {
        if (!found && widget.widget_id() == id)
            found = &widget;
        widget.for_each_child(visit);
    };
    visit(root);
    return found;
}

TEST(PairingInviteBuffer, IsTheFieldsTextCell)
{
    PairingInviteBuffer buffer;
    auto start = buffer.generation();
    EXPECT_TRUE(buffer.publish("  grayjay://invite  "));
    EXPECT_EQ(buffer.text(), "  grayjay://invite  ");
    EXPECT_GT(buffer.generation(), start);
    auto published = buffer.generation();
    auto taken = buffer.take();
    EXPECT_EQ(std::string(reinterpret_cast<char const*>(taken.data()), taken.size()), "grayjay://invite");
    // A field showing the old text sees a new generation and takes up the empty text.
    EXPECT_GT(buffer.generation(), published);
    EXPECT_EQ(buffer.text(), "");
    EXPECT_TRUE(buffer.is_empty());
}

TEST(SettingsDevices, TheSectionReadsTheHandle)
{
    auto handle = demo_device_sync(1'800'000'000);
    auto input = device_section_input(handle);
    ASSERT_TRUE(input.status);
    EXPECT_EQ(*input.status, handle.status());
    EXPECT_EQ(input.pairing_invite, handle.pairing_invite());
    EXPECT_GT(input.now_seconds, 0u);
}

// The demonstration state at both widths: the device section and its controls are built from
// the demo handle, and the field edits the handle's buffer across rebuilds.
TEST(SettingsDevices, DemonstrationStateShowsTheDeviceSection)
{
    for (double width : { 1280.0, 560.0 }) {
        SCOPED_TRACE(width);
        auto app = VexaApp::create_for_owner("user:test");
        app->set_viewport(width, 800).show_device_sync();
        auto* raw = app.get();
        FrameDriver driver(std::move(app), Theme::dark());
        driver.set_viewport(width, 800, 1.0f);
        driver.frame(16);
        for (auto id : { "grayjay_pairing_invite", "grayjay_pair", "grayjay_sync_now", "grayjay_approve_B5:73:0D:1", "grayjay_revoke_6A:1C:92:7" })
            EXPECT_NE(find_id(driver.root(), id), nullptr) << id;

        // The launch offset scrolls the page as far as it goes, which brings the section from its
        // pairing field to its last device into the window below the top bar.
        Scrollable* page = nullptr;
        std::function<void(Widget&)> visit = [&](Widget& widget) {
            if (auto* scroll = dynamic_cast<Scrollable*>(&widget); scroll && !page)
                page = scroll;
            widget.for_each_child(visit);
        };
        visit(driver.root());
        ASSERT_NE(page, nullptr);
        double shown_top = page->layout_rect().y0 + page->offset().y;
        double shown_bottom = page->layout_rect().y1 + page->offset().y;
        for (auto id : { "grayjay_pairing_invite", "grayjay_revoke_6A:1C:92:7" }) {
            auto rect = find_id(driver.root(), id)->layout_rect();
            EXPECT_GE(rect.y0, shown_top) << id;
            EXPECT_LE(rect.y1, shown_bottom) << id;
        }

        auto* field = dynamic_cast<widget::TextInput*>(find_id(driver.root(), "grayjay_pairing_invite"));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->cell(), raw->device_sync().pairing_invite());
        raw->device_sync().pairing_invite()->publish("grayjay://typed");
        driver.frame(32);
        field = dynamic_cast<widget::TextInput*>(find_id(driver.root(), "grayjay_pairing_invite"));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), "grayjay://typed");
    }
}

}
}
