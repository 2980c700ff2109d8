#include <gtest/gtest.h>

#include "kaso/media/SeekQueue.h"

using kaso::media::SeekQueue;

TEST(SeekQueue, SeekBeforePrerollWaitsForIt)
{
    SeekQueue seeks;
    seeks.request(45'000);
    EXPECT_EQ(seeks.start_next(false), std::nullopt);
    EXPECT_EQ(seeks.target_ms(), 45'000u);
    EXPECT_EQ(seeks.start_next(true), 45'000u);
    EXPECT_EQ(seeks.in_flight_ms(), 45'000u);
    EXPECT_EQ(seeks.waiting_ms(), std::nullopt);
}

TEST(SeekQueue, SeeksBeforePrerollMergeIntoTheNewest)
{
    SeekQueue seeks;
    for (uint64_t target : { 10'000u, 20'000u, 5'000u })
        seeks.request(target);
    EXPECT_EQ(seeks.start_next(true), 5'000u);
    seeks.finish();
    EXPECT_EQ(seeks.start_next(true), std::nullopt);
    EXPECT_EQ(seeks.target_ms(), std::nullopt);
}

TEST(SeekQueue, SeeksDuringASeekWaitAndMerge)
{
    SeekQueue seeks;
    seeks.request(1'000);
    ASSERT_EQ(seeks.start_next(true), 1'000u);
    seeks.request(2'000);
    seeks.request(3'000);
    // The newest target is what the playhead reports while the first seek still runs.
    EXPECT_EQ(seeks.target_ms(), 3'000u);
    EXPECT_EQ(seeks.start_next(true), std::nullopt);
    seeks.finish();
    EXPECT_EQ(seeks.start_next(true), 3'000u);
    seeks.finish();
    EXPECT_EQ(seeks.target_ms(), std::nullopt);
}

TEST(SeekQueue, ClearForgetsWaitingAndInFlight)
{
    SeekQueue seeks;
    seeks.request(1'000);
    ASSERT_TRUE(seeks.start_next(true));
    seeks.request(2'000);
    seeks.clear();
    EXPECT_EQ(seeks.target_ms(), std::nullopt);
    EXPECT_EQ(seeks.start_next(true), std::nullopt);
}
