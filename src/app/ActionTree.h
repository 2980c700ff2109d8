#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/actions/ActionEmitter.h"
#include "kaso/actions/Resource.h"
#include "src/actions/VexaAction.h"
#include "src/actions/VexaOperation.h"
#include "src/sync/DeviceSyncMessages.h"

namespace vexa {

struct Comment;
struct VexaModel;
class DeviceSyncHandle;

// The tree of everything a user can do, as the runtime lists, checks and invokes it. It is built
// afresh from the model and the device-sync status on every request; every list in it is cut
// (100 items per collection, 50 comments), so its size has a fixed bound.
//
// It is asked for on events, never per frame: by the runtime when it rebuilds the page's layout
// (another page, a change of structure, a resize), to tell the bound controls what may run, and
// when it fires an action named by a control or an address; and by WatchControls when the Watch
// page shows another video.
//
//   vexa.app
//   ├─ vexa.current:<id>   the video on the Watch page, with comments and "play-pause"
//   ├─ vexa.navigation     routes and the sidebar toggle
//   ├─ vexa.library        videos, creators, playlists, subscriptions, queue, history, search, downloads
//   ├─ vexa.settings       toggles, the quality cycle and one child per SponsorBlock category
//   └─ vexa.device-sync    pairing, sync and one child per device that is not revoked

inline constexpr std::size_t max_collection_items = 100;
inline constexpr std::size_t max_resource_comments = 50;

// The root without its device-sync child.
kaso::actions::Resource app_action_tree(VexaModel const& model);
// The device-sync resource: offered actions while sync is available, unavailable ones otherwise.
kaso::actions::Resource device_sync_action_tree(sync::DeviceSyncStatus const& status);
// The trees the application answers the runtime with: the root, device sync as its last child.
std::vector<kaso::actions::Resource> action_resource_trees(VexaModel const& model, sync::DeviceSyncStatus const& status);

// One video's resource, with its first comments as children when asked; none for an unknown id.
enum class WithComments : bool { No, Yes };
std::optional<kaso::actions::Resource> video_action_resource(VexaModel const& model, std::string_view video_id, WithComments comments);
kaso::actions::Resource navigation_action_resource();

// Action specifications of a fixed action or operation.
kaso::actions::ActionSpec vexa_action_spec(std::string id, std::string label, VexaAction const& action);
kaso::actions::ActionSpec vexa_operation_spec(std::string id, std::string label, VexaOperation const& operation);

// Bindings of the chrome's controls; none when the tree has no such action.
std::optional<kaso::actions::ActionBinding> video_queue_binding(VexaModel const& model, std::string_view video_id);
std::optional<kaso::actions::ActionBinding> sidebar_toggle_binding();
std::optional<kaso::actions::ActionBinding> navigation_binding(Route const& route);

// The invocation of a device action ("pair", "sync", "approve", "revoke") of the device-sync
// resource, or of the device `peer_id` when given. None when the target is missing or does not
// offer the action; an action marked unavailable counts as not offered. "pair" takes the invite
// from the handle's shared buffer first (so it is wiped whatever follows) and needs it non-empty.
std::optional<kaso::actions::ControlInvocation> device_control_invocation(DeviceSyncHandle const& handle, std::string_view action_id,
    std::optional<std::string_view> peer_id);

// A label taken from content: control characters become spaces and the text is cut to 160
// characters followed by "…". Nothing is trimmed.
std::string clean_resource_label(std::string_view text);
// "<video id>#" and 16 hex digits of FNV-1a 64 over the video id, author, initials, text and
// time-ago text, each followed by one 0xff byte.
std::string comment_resource_id(std::string_view video_id, Comment const& comment);
// The label of a comment: its words joined by single spaces, cut to 45 characters and "…" from 49
// on, after the author and ": ", then cleaned.
std::string comment_resource_label(Comment const& comment);

}
