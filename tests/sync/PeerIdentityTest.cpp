#include <gtest/gtest.h>
#include <sodium.h>

#include "src/sync/Base64.h"
#include "src/sync/PayloadMerger.h"
#include "src/sync/PeerIdentity.h"

using namespace vexa::sync;

TEST(PeerIdentity, SameKeyInEveryForm)
{
    std::vector<uint8_t> key(32);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(250 - i);
    auto const standard = encode_base64_standard(key);
    std::string url_safe(sodium_base64_encoded_len(key.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING), '\0');
    sodium_bin2base64(url_safe.data(), url_safe.size(), key.data(), key.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    url_safe.pop_back();
    ASSERT_NE(standard, url_safe);
    EXPECT_TRUE(same_peer_key(standard, url_safe));
    EXPECT_TRUE(same_peer_key("not a key", "not a key"));
    key[0] ^= 1;
    EXPECT_FALSE(same_peer_key(standard, encode_base64_standard(key)));
    EXPECT_FALSE(same_peer_key("", "=="));
}

TEST(PayloadMerger, FirstOccurrenceInArrivalOrder)
{
    PayloadMerger merger;
    merger.add({ { "a", "b", "a" }, { "v1" } });
    merger.add({ { "c", "b" }, { "v2", "v1" } });
    EXPECT_EQ(merger.merged(), (SyncPayload { { "a", "b", "c" }, { "v1", "v2" } }));

    // Lists far past any real size merge without stalling (a quadratic merge would not finish).
    SyncPayload big;
    for (int i = 0; i < 200'000; ++i)
        big.history.push_back("https://www.youtube.com/watch?v=" + std::to_string(i));
    merger.add(big);
    merger.add(big);
    EXPECT_EQ(merger.merged().history.size(), 200'002u);
}
