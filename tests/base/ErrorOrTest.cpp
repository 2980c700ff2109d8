#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/ErrorOr.h"

namespace {

struct StepError {
    std::string message;
};

template<typename T>
using ErrorOr = base::ErrorOr<T, StepError>;

ErrorOr<int> step(std::vector<std::string>& trail, int value, bool fails)
{
    trail.push_back("step " + std::to_string(value));
    if (fails)
        return base::unexpected(StepError { "step " + std::to_string(value) + " failed" });
    return value;
}

ErrorOr<void> check(std::vector<std::string>& trail, bool fails)
{
    trail.push_back("check");
    if (fails)
        return base::unexpected(StepError { "check failed" });
    return {};
}

// Runs three steps; the first that fails ends the run with its own error.
ErrorOr<int> run(std::vector<std::string>& trail, int failing_step)
{
    auto first = TRY(step(trail, 1, failing_step == 1));
    TRY(check(trail, failing_step == 2));
    auto second = TRY(step(trail, 2, failing_step == 3));
    return first + second;
}

TEST(ErrorOrTry, StopsAtTheFirstFailureAndHandsItsErrorUp)
{
    struct Case {
        int failing_step;
        std::vector<std::string> trail;
        std::string error; // empty: the run succeeds with 3
    };
    std::vector<Case> const cases {
        { 0, { "step 1", "check", "step 2" }, "" },
        { 1, { "step 1" }, "step 1 failed" },
        { 2, { "step 1", "check" }, "check failed" },
        { 3, { "step 1", "check", "step 2" }, "step 2 failed" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.failing_step);
        std::vector<std::string> trail;
        auto result = run(trail, c.failing_step);
        EXPECT_EQ(trail, c.trail);
        if (c.error.empty()) {
            ASSERT_TRUE(result.has_value());
            EXPECT_EQ(*result, 3);
        } else {
            ASSERT_FALSE(result.has_value());
            EXPECT_EQ(result.error().message, c.error);
        }
    }
}

ErrorOr<std::string> moved_through(ErrorOr<std::string> input)
{
    auto text = TRY(std::move(input));
    return text + "!";
}

TEST(ErrorOrTry, MovesTheValueOut)
{
    auto result = moved_through(std::string(64, 'x'));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, std::string(64, 'x') + "!");
}

}
