#include <gtest/gtest.h>

#include "src/sync/SyncMessages.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

std::optional<std::vector<std::string>> package(std::string const& text)
{
    return parse_subscriptions_package(bytes_of(text));
}

std::optional<std::vector<std::string>> history(std::string const& text)
{
    return parse_history(bytes_of(text));
}

}

TEST(SyncMessages, WrittenForms)
{
    EXPECT_EQ(encode_session_state("KEY=").value(), R"({"publicKey":"KEY=","lastHistory":-1,"lastSubscription":-1})");
    EXPECT_EQ(encode_subscriptions_package({}, 0).value(), R"({"subscriptions":[],"subscriptionRemovals":{}})");
    std::vector<std::string> urls { "https://www.youtube.com/channel/UC1" };
    EXPECT_EQ(encode_subscriptions_package(urls, 0).value(),
        R"({"subscriptions":[{"channel":{"id":{"platform":"YouTube","value":"https://www.youtube.com/channel/UC1","pluginId":null,"claimType":0,"claimFieldType":-1},)"
        R"("name":"https://www.youtube.com/channel/UC1","thumbnail":null,"banner":null,"subscribers":0,"description":null,)"
        R"("url":"https://www.youtube.com/channel/UC1","links":{},"urlAlternatives":[]},"creationTime":0}],"subscriptionRemovals":{}})");
}

TEST(SyncMessages, SubscriptionPackages)
{
    // Defaults for subscribers, links, urlAlternatives and creationTime; unknown keys ignored.
    auto minimal = package(R"({"subscriptions":[{"channel":{"id":{"platform":"YouTube"},"name":"A","url":"u1","extra":1}},
        {"channel":{"url":"u2","name":"B","id":["YouTube","v",null,1,2],"links":{"x":"y"},"urlAlternatives":["w"]},"creationTime":5}]})");
    ASSERT_TRUE(minimal.has_value());
    EXPECT_EQ(*minimal, (std::vector<std::string> { "u1", "u2" }));
    // A record given as an array of its values in order.
    EXPECT_EQ(package(R"([[[[{"platform":"P"},"n",null,null,0,null,"u3"],0]],{}])"), (std::vector<std::string> { "u3" }));

    for (std::string malformed : {
             R"({})",
             R"({"subscriptionRemovals":{}})",
             R"({"subscriptions":[{"channel":{"id":{"platform":"P"},"name":"n"}}]})",
             R"({"subscriptions":[{"channel":{"id":{},"name":"n","url":"u"}}]})",
             R"({"subscriptions":[{"channel":{"id":{"platform":"P"},"name":"n","url":"u","subscribers":"many"}}]})",
             R"({"subscriptions":[{"channel":{"id":{"platform":"P"},"name":"n","url":"u","links":{"a":1}}}]})",
             R"({"subscriptions":[],"subscriptions":[]})",
             R"({"subscriptions":[],"subscriptionRemovals":{"u":"x"}})",
             R"(not json)",
         })
        EXPECT_FALSE(package(malformed).has_value()) << malformed;
}

TEST(SyncMessages, HistoryLists)
{
    EXPECT_EQ(history(R"([{"video":{"url":"a","name":"x"},"position":3},{"video":{}},{},{"video":null},{"video":{"url":"b"}}])"),
        (std::vector<std::string> { "a", "b" }));
    EXPECT_EQ(history("[]"), std::vector<std::string> {});
    for (std::string malformed : { R"({"video":{"url":"a"}})", R"([1])", R"([{"video":{"url":3}}])", R"([{"video":"a"}])", "" })
        EXPECT_FALSE(history(malformed).has_value()) << malformed;
}
