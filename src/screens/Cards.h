#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaso/ui/ImageStore.h"
#include "kaso/ui/Theme.h"
#include "src/actions/OperationQueue.h"
#include "src/model/VexaModel.h"
#include "src/widgets/ChannelAvatar.h"
#include "src/widgets/Flex.h"

namespace vexa {

using ImageStoreHandle = kaso::ui::image_store::SharedImageStore;

// The title a page shows for a video: the DeArrow title when both DeArrow settings are on and
// one is known, else the published title.
std::string display_title(VexaModel const& model, Video const& video);

// A video as a card: its thumbnail (with a watched bar when it is the newest history entry)
// and, below, the avatar, title, creator and meta line; the large form shows the three lines
// only. Opens the video.
Flex video_card(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, Video const& video);
std::vector<Flex> video_cards(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, std::vector<Video const*> const& videos);
// A video as a row: a small thumbnail beside the title, creator and meta line.
Flex compact_video_row(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, Video const& video);
// A playlist as a card with a count badge over its thumbnail. Opens the playlist.
Flex playlist_card(kaso::ui::Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images, Playlist const& playlist);
// A creator as a row: avatar, name (with the verified mark), handle and subscribers, and a
// "View" button. Opens the creator.
Flex creator_card(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue, ImageStoreHandle const& images,
    Channel const& creator);

// "1.2K views • 3 days ago", leaving out a zero count and an empty published text.
std::string join_meta(uint64_t views, std::string_view published);
// "12K subscribers"; none without a channel or with no subscribers.
std::optional<std::string> subscriber_count_text(Channel const* channel);

// A creator's avatar: the known channel's picture when there is one, else the name's initials.
ChannelAvatar channel_avatar_for(ImageStoreHandle const& images, VexaModel const& model, std::string_view channel_id,
    std::string_view name, float size);
// Initials only, 36 across.
ChannelAvatar initials_avatar(std::string_view name);

}
