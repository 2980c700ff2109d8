#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "src/backend/InnertubeBackend.h"
#include "src/backend/ServiceSettings.h"
#include "tests/backend/innertube/InnertubeService.h"

namespace vexa::testing {

// A loopback innertube and the settings that point a backend at it.
class InnertubeBackendTest : public ::testing::Test {
protected:
    InnertubeBackendTest()
    {
        settings = ServiceSettings::loopback(service.origin());
        settings.innertube_client_version = "2.20991231.01.00";
    }

    std::unique_ptr<InnertubeBackend> backend()
    {
        auto made = InnertubeBackend::make(settings);
        EXPECT_TRUE(made.has_value());
        return std::move(*made);
    }

    std::string thumbnail(std::string const& id) const { return service.origin() + "/thumbs/vi/" + id + "/hqdefault.jpg"; }

    InnertubeService service;
    ServiceSettings settings;
};

inline std::vector<std::string> ids_of(std::vector<Video> const& videos)
{
    std::vector<std::string> ids;
    for (auto const& video : videos)
        ids.push_back(video.id);
    return ids;
}

// The videos of a `Videos` answer; none for an error or another answer.
inline std::vector<Video> videos_of(BackendResult<FetchResult> const& result)
{
    if (!result)
        return {};
    auto const* videos = std::get_if<FetchedVideos>(&*result);
    return videos ? videos->videos : std::vector<Video> {};
}

}
