#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "src/backend/InnertubeJson.h"

#include "src/backend/BackendError.h"
#include "src/model/Comment.h"
#include "src/model/Video.h"

// The readers of innertube's "next" answers: a watch page (the video, its related videos and
// the token of its first comment page) and a page of comments.
namespace vexa::innertube {

struct WatchPage {
    Video video;
    std::vector<Video> related;
    std::string comments_token; // empty when the page offers no comments
};

// Fails when the answer is for another video or holds no video at all.
BackendResult<WatchPage> watch_page(JsonValue answer, std::string_view requested_id, std::string_view thumbnail_origin);

// The comments of a continuation answer, at most `limit`, in order; none is not an error.
std::vector<Comment> comment_page(JsonValue answer, size_t limit);

}
