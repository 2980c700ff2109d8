#include <gtest/gtest.h>

#include "src/sync/DeviceKey.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

SecretSource source_of(std::vector<uint8_t> material)
{
    return [material](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> { return material; };
}

}

TEST(DeviceKey, DerivationFromSecret)
{
    EXPECT_EQ(derive_device_key(source_of(std::vector<uint8_t>(15, 1)), "Kaso Vexa").error().display(),
        "device key unavailable: host secret broker returned insufficient key material");

    auto first = derive_device_key(source_of(std::vector<uint8_t>(16, 1)), "Kaso Vexa").value();
    auto again = derive_device_key(source_of(std::vector<uint8_t>(16, 1)), "Kaso Vexa").value();
    auto other = derive_device_key(source_of(std::vector<uint8_t>(16, 2)), "Kaso Vexa").value();
    EXPECT_EQ(first.pair.public_key, again.pair.public_key);
    EXPECT_NE(first.pair.public_key, other.pair.public_key);
    EXPECT_EQ(first.public_key_base64().size(), 44u);

    // The private key is SHA-256 of the 34-byte label followed by the secret.
    std::vector<uint8_t> label(device_key_label.begin(), device_key_label.end());
    ASSERT_EQ(label.size(), 34u);
    EXPECT_EQ(label.back(), 0);
    EXPECT_EQ(to_hex(first.pair.secret_key.span()).size(), 64u);
}

TEST(DeviceKey, PortalFailureAndKeyLength)
{
    SecretSource failing = [](std::string_view) -> kaso::ErrorOr<std::vector<uint8_t>> {
        return kaso::make_error("secret portal: no session bus");
    };
    EXPECT_EQ(derive_device_key(failing, "Kaso Vexa").error().display(), "device key unavailable: secret portal: no session bus");
    EXPECT_EQ(load_device_keypair(std::vector<uint8_t>(31)).error().display(),
        "device key unavailable: device key material has an invalid length");
    EXPECT_TRUE(load_device_keypair(std::vector<uint8_t>(32, 9)).has_value());
}

TEST(DeviceKey, NoSessionBusMeansNoKey)
{
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vexa-test-bus", 1);
    auto key = derive_device_key(desktop_secret_source(), "Kaso Vexa");
    ASSERT_FALSE(key.has_value());
    EXPECT_TRUE(key.error().display().starts_with("device key unavailable: secret portal: no session bus for Kaso Vexa: "))
        << key.error().display();
}
