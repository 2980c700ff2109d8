#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "kaso/platform/SecretPortal.h"
#include "tests/sync/PortalStandIn.h"

using kaso::platform::SecretPortal;
using vexa::sync::test::FakePortal;
using vexa::sync::test::PrivateBus;

TEST(SecretPortal, AgainstAPortalOnAPrivateBus)
{
    PrivateBus bus;
    if (bus.address().empty())
        GTEST_SKIP() << "dbus-daemon is not available";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);

    // No portal on the bus: the call fails at once with the bus's reason.
    auto missing = SecretPortal::retrieve_secret("Kaso Vexa", std::chrono::seconds(5));
    ASSERT_FALSE(missing.has_value());
    EXPECT_TRUE(missing.error().message.starts_with("secret portal: ")) << missing.error().message;

    {
        FakePortal portal(bus.address(), "a stable per-user secret of some length", 0);
        auto secret = SecretPortal::retrieve_secret("Kaso Vexa", std::chrono::seconds(5));
        ASSERT_TRUE(secret.has_value()) << secret.error().message;
        EXPECT_EQ(std::string(secret->begin(), secret->end()), "a stable per-user secret of some length");
        EXPECT_EQ(portal.calls(), 1);
    }
    {
        FakePortal portal(bus.address(), "", 1);
        auto refused = SecretPortal::retrieve_secret("Kaso Vexa", std::chrono::seconds(5));
        ASSERT_FALSE(refused.has_value());
        EXPECT_EQ(refused.error().message, "secret portal: the request was refused (response 1)");
    }
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}
