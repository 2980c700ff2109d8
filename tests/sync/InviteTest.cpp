#include <gtest/gtest.h>
#include <sodium.h>

#include "src/sync/Base64.h"
#include "src/sync/PairingInvite.h"
#include "tests/sync/TestSupport.h"

using namespace vexa::sync;
using namespace vexa::sync::test;

namespace {

// 32 bytes whose standard base64 holds both "+" and "/", so the alphabets differ.
std::vector<uint8_t> const key_bytes = [] {
    std::vector<uint8_t> key(32);
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<uint8_t>(0xfb + i * 3);
    return key;
}();

std::string encode(std::span<uint8_t const> bytes, int variant)
{
    std::string out(sodium_base64_encoded_len(bytes.size(), variant), '\0');
    sodium_bin2base64(out.data(), out.size(), bytes.data(), bytes.size(), variant);
    out.resize(out.size() - 1);
    return out;
}

std::string invite_json(std::string const& key, std::string const& addresses = R"(["192.168.1.20","10.0.0.5"])",
    std::string const& port = "12315", std::string const& code = R"("pairing-code-1")")
{
    return R"({"publicKey":")" + key + R"(","addresses":)" + addresses + R"(,"port":)" + port + R"(,"pairingCode":)" + code + "}";
}

std::string error_of(std::string_view invite)
{
    auto decoded = decode_pairing_invite(invite);
    return decoded ? std::string("ok") : decoded.error().display();
}

}

TEST(Base64, FourFormsAndRefusals)
{
    std::vector<uint8_t> const bytes { 0xfb, 0xff, 0xbf, 0x01 };
    for (int variant : { sodium_base64_VARIANT_ORIGINAL, sodium_base64_VARIANT_ORIGINAL_NO_PADDING,
             sodium_base64_VARIANT_URLSAFE, sodium_base64_VARIANT_URLSAFE_NO_PADDING }) {
        auto text = encode(bytes, variant);
        EXPECT_EQ(decode_base64_any("  " + text + "\n").value(), bytes) << text;
    }
    for (std::string bad : { "+/+/AQ===", "+/+/AR==", "+/+/AR", "+/-_AQ==", "a", "@@@@" })
        EXPECT_EQ(decode_base64_any(bad).error().display(), "pairing failed: invalid base64 value") << bad;
    EXPECT_EQ(encode_base64_standard(key_bytes).size(), 44u);
}

TEST(PairingInvites, EveryFormDecodesToTheSameRecord)
{
    auto const key = encode_base64_standard(key_bytes);
    // A pairing code that puts a "/" into the blob's standard form, which must still decode
    // whole rather than from its last "/".
    std::string json;
    for (std::string code = "code-?"; json.empty(); code += "?") {
        auto candidate = invite_json(key, R"(["192.168.1.20","10.0.0.5"])", "12315", "\"" + code + "\"");
        std::vector<uint8_t> bytes(candidate.begin(), candidate.end());
        if (encode(bytes, sodium_base64_VARIANT_ORIGINAL).find('/') != std::string::npos)
            json = candidate;
    }
    auto const expected = decode_pairing_invite(json).value();
    EXPECT_EQ(expected.public_key, key);
    EXPECT_EQ(expected.addresses, (std::vector<std::string> { "192.168.1.20", "10.0.0.5" }));
    EXPECT_EQ(expected.port, 12315);
    EXPECT_TRUE(expected.pairing_code->starts_with("code-?"));

    std::vector<uint8_t> blob(json.begin(), json.end());
    std::vector<std::string> forms;
    for (int variant : { sodium_base64_VARIANT_ORIGINAL, sodium_base64_VARIANT_ORIGINAL_NO_PADDING,
             sodium_base64_VARIANT_URLSAFE, sodium_base64_VARIANT_URLSAFE_NO_PADDING }) {
        auto text = encode(blob, variant);
        forms.push_back(text);
        // Links carry the URL-safe form: a standard blob holding "/" cannot be cut out of one.
        if (variant == sodium_base64_VARIANT_URLSAFE || variant == sodium_base64_VARIANT_URLSAFE_NO_PADDING) {
            forms.push_back("grayjay://sync/" + text);
            forms.push_back("sync:" + text);
        }
    }
    for (auto const& form : forms) {
        auto decoded = decode_pairing_invite(form);
        ASSERT_TRUE(decoded.has_value()) << form << ": " << decoded.error().display();
        EXPECT_EQ(*decoded, expected) << form;
    }
    // A JSON array of the four values in order is a record too.
    EXPECT_EQ(decode_pairing_invite(R"([")" + key + R"(",["192.168.1.20","10.0.0.5"],12315,")" + *expected.pairing_code + "\"]").value(), expected);
}

TEST(PairingInvites, UrlSafeKeyIsKeptAsGiven)
{
    auto const key = encode(key_bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    auto decoded = decode_pairing_invite(invite_json(key)).value();
    EXPECT_EQ(decoded.public_key, key);
}

TEST(PairingInvites, WithoutPairingCode)
{
    auto const key = encode_base64_standard(key_bytes);
    auto decoded = decode_pairing_invite(R"({"port":1,"addresses":["h"],"publicKey":")" + key + R"(","extra":true})").value();
    EXPECT_FALSE(decoded.pairing_code.has_value());
    EXPECT_FALSE(decode_pairing_invite(invite_json(key, R"(["h"])", "1", "null")).value().pairing_code.has_value());
}

TEST(PairingInvites, KeepsEveryAddressOfTheInvite)
{
    auto const key = encode_base64_standard(key_bytes);
    auto list_of = [](int count) {
        std::string addresses = "[";
        for (int i = 1; i <= count; ++i)
            addresses += (i > 1 ? "," : "") + fmt::format("\"10.0.{}.{}\"", i / 256, i % 256);
        return addresses + "]";
    };
    auto decoded = decode_pairing_invite(invite_json(key, list_of(12))).value();
    ASSERT_EQ(decoded.addresses.size(), 12u);
    EXPECT_EQ(decoded.addresses[8], "10.0.0.9");
    EXPECT_TRUE(decode_pairing_invite(invite_json(key, list_of(256))).has_value());
    EXPECT_EQ(decode_pairing_invite(invite_json(key, list_of(257))).error().display(),
        "pairing failed: pairing metadata is malformed or exceeds its bounds");
    // The stored-peer check keeps the bound of 8.
    decoded.addresses.resize(9);
    EXPECT_FALSE(validate_device_info(decoded).has_value());
    decoded.addresses.resize(8);
    EXPECT_TRUE(validate_device_info(decoded).has_value());
}

TEST(PairingInvites, HostileInputTable)
{
    auto const key = encode_base64_standard(key_bytes);
    std::vector<uint8_t> short_key(31, 1);
    std::vector<uint8_t> long_key(33, 1);
    std::string const bounds = "pairing failed: pairing metadata is malformed or exceeds its bounds";
    std::string const too_large = "pairing failed: pairing invite is empty or too large";
    struct Case {
        std::string invite;
        std::string error;
    };
    std::vector<Case> const cases = {
        { "", too_large },
        { "   \n\t ", too_large },
        { std::string(16'385, 'A'), too_large },
        { invite_json(encode_base64_standard(short_key)), bounds },
        { invite_json(encode_base64_standard(long_key)), bounds },
        { invite_json(key, "[]"), bounds },
        { invite_json(key, R"([""])"), bounds },
        { invite_json(key, "[\"" + std::string(256, 'h') + "\"]"), bounds },
        { invite_json(key, R"(["h"])", "0"), bounds },
        { invite_json(key, R"(["h"])", "65536"), bounds },
        { invite_json(key, R"(["h"])", "-1"), bounds },
        { invite_json(key, R"(["h"])", "1", "\"" + std::string(1'025, 'c') + "\""), bounds },
        { invite_json("not base64!"), "pairing failed: invalid base64 value" },
        { "@@@@", "pairing failed: invalid base64 value" },
        { "bm90IGpzb24", "pairing failed: unrecognized pairing blob: [json.exception.parse_error.101] parse error at line 1, column 2: syntax error while parsing value - invalid literal; last read: 'no'" },
    };
    for (auto const& c : cases)
        EXPECT_EQ(error_of(c.invite), c.error) << c.invite.substr(0, 80);

    // A duplicated key: as raw JSON it falls through to base64; inside a blob it is named.
    std::string duplicated = R"({"port":1,"port":2,"addresses":["h"],"publicKey":")" + key + "\"}";
    EXPECT_EQ(error_of(duplicated), "pairing failed: invalid base64 value");
    std::vector<uint8_t> duplicated_bytes(duplicated.begin(), duplicated.end());
    EXPECT_EQ(error_of(encode(duplicated_bytes, sodium_base64_VARIANT_ORIGINAL)),
        "pairing failed: unrecognized pairing blob: duplicate field `port`");
}

TEST(PairingInvites, ExactSizeLimit)
{
    auto const key = encode_base64_standard(key_bytes);
    std::string const head = R"({"publicKey":")" + key + R"(","addresses":["h"],"port":1})";
    std::string padded = head + std::string(16'384 - head.size(), ' ');
    EXPECT_EQ(error_of(padded), "ok");
    // Trimming happens before the size check.
    EXPECT_EQ(error_of("  " + padded + "  "), "ok");
    EXPECT_EQ(error_of(padded + "x"), "pairing failed: pairing invite is empty or too large");
}
