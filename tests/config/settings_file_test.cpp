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
    SettingsError error;
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
    SettingsError error;
    const auto read = SettingsFromJson(text, error);
    ASSERT_TRUE(read) << error.field;
    EXPECT_EQ(*read, Sample());

    ConfigState card;  // the defaults: hex, size by the card, every row "*"
    const auto cardRead = SettingsFromJson(SettingsToJson(card), error);
    ASSERT_TRUE(cardRead) << error.field;
    EXPECT_EQ(*cardRead, card);
    EXPECT_EQ(Json::parse(SettingsToJson(card))["number"]["size"], "card");

    // Every size in bytes is taken, the first and the last included.
    for (const int bytes : {4, 8}) {
        Json document = Json::parse(text);
        document["number"]["size"] = bytes;
        const auto sized = SettingsFromJson(document.dump(), error);
        ASSERT_TRUE(sized) << bytes << ": " << error.field;
        EXPECT_EQ(sized->sizeIndex, bytes - 3);
    }
}

struct Wrong {
    const char* name;
    std::function<void(Json&)> spoil;
    SettingsProblem problem;
    const char* field;  // the field named
    const char* value = "";
    ValueType type = ValueType::Null;
};

class WrongDocument : public ::testing::TestWithParam<Wrong> {};

TEST_P(WrongDocument, IsRefusedNamingTheField) {
    Json document = Json::parse(SettingsToJson(Sample()));
    GetParam().spoil(document);
    SettingsError error;
    EXPECT_FALSE(SettingsFromJson(document.dump(), error));
    EXPECT_EQ(error.problem, GetParam().problem);
    EXPECT_EQ(error.field, GetParam().field);
    EXPECT_EQ(error.value, GetParam().value);
    EXPECT_EQ(error.type, GetParam().type);
}

using P = SettingsProblem;
using T = ValueType;
INSTANTIATE_TEST_SUITE_P(
    Ways, WrongDocument,
    ::testing::Values(
        Wrong{"UnknownField", [](Json& d) { d["colour"] = "red"; }, P::UnknownField, "colour"},
        Wrong{"UnknownNested", [](Json& d) { d["number"]["base"] = 10; }, P::UnknownField,
              "number.base"},
        Wrong{"MissingField", [](Json& d) { d.erase("enter"); }, P::MissingField, "enter"},
        Wrong{"MissingNested", [](Json& d) { d["cards"].erase("icode"); }, P::MissingField,
              "cards.icode"},
        // JSON of another kind: named as no settings file, whatever else is wrong with it.
        Wrong{"OtherFormat", [](Json& d) { d["format"] = "zrt"; }, P::NotASettingsFile, ""},
        Wrong{"NoFormat",
              [](Json& d) {
                  d.erase("format");
                  d["name"] = 1;
              },
              P::NotASettingsFile, ""},
        Wrong{"NotAnObject", [](Json& d) { d = Json::array(); }, P::NotASettingsFile, ""},
        Wrong{"OtherVersion", [](Json& d) { d["version"] = 2; }, P::OtherVersion, "version"},
        Wrong{"VersionAsText", [](Json& d) { d["version"] = "1"; }, P::OtherVersion, "version"},
        Wrong{"NumberFormat", [](Json& d) { d["number"]["format"] = "oct"; }, P::NotAFormat,
              "number.format"},
        Wrong{"SizeTooSmall", [](Json& d) { d["number"]["size"] = 3; }, P::NotASize, "number.size"},
        Wrong{"SizeTooLarge", [](Json& d) { d["number"]["size"] = 9; }, P::NotASize, "number.size"},
        Wrong{"SizeAsText", [](Json& d) { d["number"]["size"] = "4"; }, P::NotASize, "number.size"},
        Wrong{"SizeFraction", [](Json& d) { d["number"]["size"] = 4.5; }, P::NotASize,
              "number.size"},
        Wrong{"BoolAsNumber", [](Json& d) { d["enter"] = 1; }, P::NotBoolean, "enter", "",
              T::Number},
        Wrong{"CardsNotObject", [](Json& d) { d["cards"] = true; }, P::NotAnObject, "cards", "",
              T::Boolean},
        Wrong{"TwoBefore", [](Json& d) { d["before"].erase(2); }, P::NotAKeyList, "before"},
        Wrong{"AfterNotList", [](Json& d) { d["after"] = "TAB"; }, P::NotAKeyList, "after"},
        Wrong{"UnknownKey", [](Json& d) { d["before"][1] = "LShift+F13"; }, P::UnknownKey,
              "before.2", "F13"},
        Wrong{"UnknownModifier", [](Json& d) { d["after"][1] = "Win+A"; }, P::UnknownModifier,
              "after.2", "Win"},
        Wrong{"KeyAsNumber", [](Json& d) { d["after"][0] = 43; }, P::NotAKey, "after.1", "",
              T::Number},
        Wrong{"KeyAsList", [](Json& d) { d["after"][0] = Json::array(); }, P::NotAKey, "after.1",
              "", T::List},
        Wrong{"NullAsText", [](Json& d) { d["after"][0] = "null"; }, P::KeyAsNullText, "after.1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Text that is no JSON is refused at the byte where it stops being JSON; a number too large for
// any double names its field, or its byte outside any field.
TEST(SettingsFile, TextThatIsNoJsonIsRefused) {
    SettingsError error;
    EXPECT_FALSE(SettingsFromJson("{\"format\": ", error));
    EXPECT_EQ(error.problem, P::NotJson);
    EXPECT_EQ(error.offset, 12u);  // the parser counts the end it met
    EXPECT_FALSE(SettingsFromJson("{\"before\": [null, -1e400]}", error));
    EXPECT_EQ(error.problem, P::NumberOutOfRange);
    EXPECT_EQ(error.field, "before.2");
    EXPECT_EQ(error.value, "-1e400");
    EXPECT_FALSE(SettingsFromJson(" 1e999", error));
    EXPECT_EQ(error.problem, P::NumberOutOfRangeAt);
    EXPECT_EQ(error.offset, 6u);
}

}  // namespace
}  // namespace zrt::config
