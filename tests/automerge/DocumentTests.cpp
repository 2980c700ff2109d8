#include "automerge/Document.h"
#include "tests/automerge/Support.h"

#include <gtest/gtest.h>

using namespace automerge;
using automerge::test::hex;

TEST(Document, SmallScriptSavesLikeTheReference)
{
    auto script = nlohmann::json::parse(R"({"docs": {"A": "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}, "steps": [["put","A",[],"b","str","x"],["put","A",[],"a","int",1],["put_object","A",[],"m"],["put","A",["m"],"k","boolean",true],["commit","A",7,null],["put","A",[],"a","int",2],["commit","A",8,"hello"]]})");
    std::string error;
    auto documents = test::run_script(script, error);
    ASSERT_EQ(error, "");
    auto const& document = documents.at("A");
    EXPECT_EQ(hex(document.save()), "856f4a83647436d000ac010110aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa019210d0e4c912606e43359f4b662e1600464372d487e6962486bcb5b2b0358bad08010203021303230335094003430256020c01040204150a210223063401420556065703800104810102830102020002017e04017e070100017f0568656c6c6f7e00017f00020700047f0000047f030201617d0162016d016b05007b02037c02010503017e000102147d1600020102787f0104007f007f0501");
    EXPECT_EQ(test::dump(document).dump(), R"({"heads":["9210d0e4c912606e43359f4b662e1600464372d487e6962486bcb5b2b0358bad"],"root":[["a",[["int",2]]],["b",[["str","x"]]],["m",[["map",[["k",[["boolean",true]]]]]]]]})");
    auto loaded = Document::load(document.save());
    ASSERT_TRUE(loaded.has_value()) << loaded.error().message;
    EXPECT_EQ(test::dump(*loaded), test::dump(document));
    EXPECT_EQ(hex(loaded->save()), hex(document.save()));
}
