// Tests of the settings file: what export writes reads back as the same settings, and every way a
// document can be wrong is refused with the field named.
#include "config/settings_file.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "config/settings_words.hpp"

namespace zrt::config {
namespace {

using Json = nlohmann::ordered_json;

// Dec (each byte), 7 bytes, reversed, no Enter, iCode; S0 LShift+A, S3 TAB, the rest not sent.
ConfigState Sample() {
    ConfigState s;
    s.formatIndex = 2;
    s.sizeIndex = 4;
    s.reversed = true;
    s.enterAtEnd = false;
    s.icode = true;
    for (auto& row : s.rows) {
        row.send = false;
    }
    std::string error;
    s.rows[0] = *ParseKeyText("LShift+A", error);
    s.rows[3] = *ParseKeyText("TAB", error);
    return s;
}

TEST(SettingsFile, ExportWritesTheDocumentAndImportReadsItBack) {
    const std::string text = SettingsToJson(Sample());
    EXPECT_EQ(Json::parse(text), Json::parse(R"({
        "format": "zrt-vivoraz-config", "version": 1,
        "number": {"format": "dec-bytes", "size": 7, "reversed": true},
        "enter": false, "cards": {"mifare": false, "icode": true},
        "before": ["LShift+A", null, null], "after": ["TAB", null]})"));
    std::string error;
    const auto read = SettingsFromJson(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, Sample());

    ConfigState card;  // the defaults: hex, size by the card, every row "*"
    const auto cardRead = SettingsFromJson(SettingsToJson(card), error);
    ASSERT_TRUE(cardRead) << error;
    EXPECT_EQ(*cardRead, card);
    EXPECT_EQ(Json::parse(SettingsToJson(card))["number"]["size"], "card");

    // Every size in bytes is taken, the first and the last included.
    for (const int bytes : {4, 8}) {
        Json document = Json::parse(text);
        document["number"]["size"] = bytes;
        const auto sized = SettingsFromJson(document.dump(), error);
        ASSERT_TRUE(sized) << bytes << ": " << error;
        EXPECT_EQ(sized->sizeIndex, bytes - 3);
    }
}

struct Wrong {
    const char* name;
    std::function<void(Json&)> spoil;
    const char* field;  // what the message must start with
};

class WrongDocument : public ::testing::TestWithParam<Wrong> {};

TEST_P(WrongDocument, IsRefusedNamingTheField) {
    Json document = Json::parse(SettingsToJson(Sample()));
    GetParam().spoil(document);
    std::string error;
    EXPECT_FALSE(SettingsFromJson(document.dump(), error));
    EXPECT_EQ(error.rfind(GetParam().field, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WrongDocument,
    ::testing::Values(
        Wrong{"UnknownField", [](Json& d) { d["colour"] = "red"; }, "colour: unknown field"},
        Wrong{"UnknownNested", [](Json& d) { d["number"]["base"] = 10; }, "number.base: unknown"},
        Wrong{"MissingField", [](Json& d) { d.erase("enter"); }, "enter: missing"},
        Wrong{"MissingNested", [](Json& d) { d["cards"].erase("icode"); }, "cards.icode: missing"},
        Wrong{"OtherFormat", [](Json& d) { d["format"] = "zrt"; }, "format:"},
        Wrong{"OtherVersion", [](Json& d) { d["version"] = 2; }, "version:"},
        Wrong{"VersionAsText", [](Json& d) { d["version"] = "1"; }, "version:"},
        Wrong{"NumberFormat", [](Json& d) { d["number"]["format"] = "oct"; }, "number.format:"},
        Wrong{"SizeTooSmall", [](Json& d) { d["number"]["size"] = 3; }, "number.size:"},
        Wrong{"SizeTooLarge", [](Json& d) { d["number"]["size"] = 9; }, "number.size:"},
        Wrong{"SizeAsText", [](Json& d) { d["number"]["size"] = "4"; }, "number.size:"},
        Wrong{"SizeFraction", [](Json& d) { d["number"]["size"] = 4.5; }, "number.size:"},
        Wrong{"BoolAsNumber", [](Json& d) { d["enter"] = 1; }, "enter:"},
        Wrong{"CardsNotObject", [](Json& d) { d["cards"] = true; }, "cards:"},
        Wrong{"TwoBefore", [](Json& d) { d["before"].erase(2); }, "before:"},
        Wrong{"AfterNotList", [](Json& d) { d["after"] = "TAB"; }, "after:"},
        Wrong{"UnknownKey", [](Json& d) { d["before"][1] = "LShift+F13"; },
              "before.2: unknown key"},
        Wrong{"UnknownModifier", [](Json& d) { d["after"][1] = "Win+A"; },
              "after.2: unknown modifier"},
        Wrong{"KeyAsNumber", [](Json& d) { d["after"][0] = 43; }, "after.1:"},
        Wrong{"NullAsText", [](Json& d) { d["after"][0] = "null"; }, "after.1:"},
        Wrong{"NotAnObject", [](Json& d) { d = Json::array(); }, "document:"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, TextThatIsNoJsonIsRefused) {
    std::string error;
    EXPECT_FALSE(SettingsFromJson("{\"format\": ", error));
    EXPECT_NE(error.find("not a JSON document"), std::string::npos) << error;
}

}  // namespace
}  // namespace zrt::config
