#pragma once

#include <string>

#include "kaso/ui/ImageStore.h"

namespace vexa {

// Where a card widget's picture comes from: an optional image store handle and an address, and
// the picture once it has arrived. Without a store or with an empty address nothing is asked.
struct PictureSource {
    kaso::ui::image_store::SharedImageStore store;
    std::string url;
    kaso::ui::ImageHandle image;

    // Asks the store while no picture is held; true when a picture arrived just now.
    bool poll()
    {
        if (image || !store || url.empty())
            return false;
        auto answer = store->get(url);
        if (answer.state != kaso::ui::image_store::LoadState::Loaded || !answer.image)
            return false;
        image = std::move(answer.image);
        return true;
    }
};

}
