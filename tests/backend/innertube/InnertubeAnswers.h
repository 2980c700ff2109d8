#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "src/backend/InnertubeClient.h"
#include "src/backend/InnertubeJson.h"
#include "tests/backend/innertube/InnertubeFixtures.h"

namespace vexa::testing {

// `text` parsed as the client parses an answer. A text that does not parse fails the test and
// reads as null, so the readers under test see nothing.
inline innertube::Answer answer_of(std::string_view text)
{
    auto answer = innertube::Answer::parse(std::string(text), innertube_body_limit, innertube_max_depth);
    if (answer)
        return std::move(*answer);
    ADD_FAILURE() << "not an answer: " << answer.error().message;
    return std::move(*innertube::Answer::parse(std::string("null"), innertube_body_limit, innertube_max_depth));
}

inline innertube::Answer innertube_fixture_answer(std::string const& name) { return answer_of(innertube_fixture(name)); }

}
