#include "src/screens/DeviceSection.h"

#include <limits>

#include <fmt/format.h>

#include "kaso/ui/TextInput.h"
#include "kaso/ui/format/Format.h"
#include "src/model/Text.h"
#include "src/screens/Builders.h"
#include "src/screens/Buttons.h"
#include "src/screens/SettingsPage.h"

namespace vexa {

using namespace kaso::ui;

namespace {

constexpr Icon device_icon = Icon::Device;
constexpr Icon key_icon = Icon::Key;
constexpr Icon approved_icon = Icon::DeviceApproved;
constexpr std::size_t shown_key_length = 18;
constexpr std::size_t shown_id_length = 10;
constexpr std::size_t shown_error_length = 200;

constexpr char const* no_status_message = "Encrypted Grayjay sync is available when the desktop secret broker is unlocked.";

// The first `count` code points of a text, as valid UTF-8.
std::string code_point_prefix(std::string_view text, std::size_t count, bool* cut = nullptr)
{
    auto valid = text::make_valid_utf8(text);
    std::size_t seen = 0;
    for (std::size_t at = 0; at < valid.size(); ++at) {
        if ((uint8_t(valid[at]) & 0xc0) == 0x80)
            continue;
        if (seen == count) {
            if (cut)
                *cut = true;
            return valid.substr(0, at);
        }
        ++seen;
    }
    if (cut)
        *cut = false;
    return valid;
}

// A sync age in seconds, saturated to the signed range; negative for a sync after `now`.
int64_t sync_age(uint64_t now, uint64_t synced_at)
{
    constexpr auto most = uint64_t(std::numeric_limits<int64_t>::max());
    if (now >= synced_at)
        return int64_t(std::min(now - synced_at, most));
    return -int64_t(std::min(synced_at - now, most));
}

Flex notice_row(Theme const& theme, std::string text)
{
    return Flex::row()
        .width(Length::fill())
        .padding(16)
        .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
        .with_child(colored_label(std::move(text), 12.5f, theme.text_muted));
}

Flex header_row(Theme const& theme, std::string_view label, std::string message)
{
    auto pill_style = BoxStyle::filled(theme.control_fill, theme.control_radius);
    pill_style.border = Border { 1, theme.divider };
    return Flex::row()
        .width(Length::fill())
        .gap(14)
        .align(Align::Center)
        .with_child(Flex::row()
                        .width(Length::px(42))
                        .height(Length::px(42))
                        .align(Align::Center)
                        .justify(Justify::Center)
                        .style(BoxStyle::filled(theme.soft_fill, 12))
                        .with_child(icon(device_icon, 20, theme.icon_accent)))
        .with_child(Flex::column()
                        .grow(1)
                        .gap(3)
                        .with_child(text_label(theme, "Grayjay devices", 15))
                        .with_child(colored_label(std::move(message), 12, theme.text_muted)))
        .with_child(Flex::row()
                        .padding_each(10, 6, 10, 6)
                        .style(pill_style)
                        .with_child(colored_label(std::string(label), 12, theme.text_muted)));
}

Flex key_row(Theme const& theme, std::string_view key)
{
    return Flex::row()
        .width(Length::fill())
        .gap(10)
        .align(Align::Center)
        .with_child(icon(key_icon, 16, theme.key_icon))
        .with_child(colored_label(fmt::format("This device · {}… · key held by desktop secret broker", code_point_prefix(key, shown_key_length)),
            12, theme.text_muted));
}

Flex pairing_block(Theme const& theme, OperationQueueHandle const& queue, TextCellHandle const& invite)
{
    auto field = widget::TextInput::local()
                     .with_id("grayjay_pairing_invite")
                     .with_external_buffer(invite)
                     .with_placeholder("grayjay:// pairing invite")
                     .with_text("Grayjay pairing invite")
                     .with_fill_width(true);
    return Flex::column()
        .width(Length::fill())
        .gap(8)
        .with_child(text_label(theme, "Pair a device", 14))
        .with_child(colored_label("In Grayjay, open Sync → Add device, then paste its invite here.", 12, theme.text_muted))
        .with_child(std::move(field))
        .with_child(chip_button(theme, queue, "grayjay_pair", "Pair device", UiAction::pair_device(), ChipState::Inactive));
}

Flex pending_row(Theme const& theme, OperationQueueHandle const& queue, sync::PeerRecord const& peer)
{
    auto short_id = code_point_prefix(peer.id, shown_id_length);
    auto style = BoxStyle::filled(theme.soft_fill, 12);
    style.border = Border { 1, theme.strong_border };
    return Flex::row()
        .width(Length::fill())
        .padding(12)
        .gap(12)
        .align(Align::Center)
        .style(style)
        .with_child(icon(key_icon, 19, theme.icon_accent))
        .with_child(Flex::column()
                        .grow(1)
                        .gap(2)
                        .with_child(text_label(theme, "Confirm this device", 13.5f))
                        .with_child(colored_label(fmt::format("Fingerprint {} · verify it on Grayjay", short_id), 11.5f, theme.text_muted)))
        .with_child(chip_button(theme, queue, "grayjay_approve_" + short_id, "Approve", UiAction::approve_device(peer.id), ChipState::Inactive));
}

Flex approved_row(Theme const& theme, OperationQueueHandle const& queue, sync::PeerRecord const& peer, uint64_t now_seconds)
{
    auto short_id = code_point_prefix(peer.id, shown_id_length);
    return Flex::row()
        .width(Length::fill())
        .padding(12)
        .gap(12)
        .align(Align::Center)
        .style(BoxStyle::filled(theme.control_fill, theme.control_radius))
        .with_child(icon(approved_icon, 19, theme.text_muted))
        .with_child(Flex::column()
                        .grow(1)
                        .gap(2)
                        .with_child(text_label(theme, peer.name, 13.5f))
                        .with_child(colored_label(fmt::format("{} · {}", short_id, device_sync_text(peer, now_seconds)), 11.5f, theme.text_muted)))
        .with_child(chip_button(theme, queue, "grayjay_revoke_" + short_id, "Revoke", UiAction::revoke_device(peer.id), ChipState::Active));
}

bool is_pending(sync::PeerRecord const& peer) { return peer.pending_approval && !peer.revoked_at; }

}

std::string device_sync_text(sync::PeerRecord const& peer, uint64_t now_seconds)
{
    if (peer.last_error) {
        bool cut = false;
        auto shown = code_point_prefix(*peer.last_error, shown_error_length, &cut);
        return fmt::format("Could not sync · {}{}", shown, cut ? "…" : "");
    }
    if (peer.last_sync_at)
        return fmt::format("Last synced {}", format::relative(sync_age(now_seconds, *peer.last_sync_at)));
    return "Not synced yet";
}

Flex device_section(Theme const& theme, OperationQueueHandle const& queue, DeviceSectionInput const& input)
{
    std::vector<Flex> items;
    auto const& status = input.status;
    if (!status)
        items.push_back(header_row(theme, sync::device_sync_state_label(sync::DeviceSyncState::Unavailable), no_status_message));
    else
        items.push_back(header_row(theme, sync::device_sync_state_label(status->state), status->message));
    if (!status || !input.pairing_invite)
        return settings_section(theme, "Device sync", std::move(items));
    if (status->state == sync::DeviceSyncState::Unavailable) {
        items.push_back(notice_row(theme,
            "Encrypted device sync is unavailable on this desktop. Ensure the desktop secret broker is available and unlocked, then reopen Vexa."));
        return settings_section(theme, "Device sync", std::move(items));
    }

    if (status->local_key)
        items.push_back(key_row(theme, *status->local_key));
    items.push_back(pairing_block(theme, queue, input.pairing_invite));
    for (auto const& peer : status->peers)
        if (is_pending(peer))
            items.push_back(pending_row(theme, queue, peer));
    bool any_approved = std::any_of(status->peers.begin(), status->peers.end(), [](auto const& peer) { return peer.is_active(); });
    if (!any_approved) {
        items.push_back(notice_row(theme, "No approved devices yet. Pairing requires confirmation on both devices."));
        return settings_section(theme, "Device sync", std::move(items));
    }
    items.push_back(Flex::row()
                        .width(Length::fill())
                        .align(Align::Center)
                        .with_child(text_label(theme, "Approved devices", 14))
                        .with_child(fill_spacer())
                        .with_child(chip_button(theme, queue, "grayjay_sync_now", "Sync now", UiAction::sync_devices(), ChipState::Inactive)));
    for (auto const& peer : status->peers)
        if (peer.is_active())
            items.push_back(approved_row(theme, queue, peer, input.now_seconds));
    return settings_section(theme, "Device sync", std::move(items));
}

}
