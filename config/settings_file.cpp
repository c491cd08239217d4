// The settings file: writing a document in its one shape, and reading one with every field checked
// and named in the message when wrong.
#include "config/settings_file.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "config/settings_words.hpp"

namespace zrt::config {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::string_view, 3> BEFORE = {"before.1", "before.2", "before.3"};
constexpr std::array<std::string_view, 2> AFTER = {"after.1", "after.2"};

// A check failed: what is wrong with which field.
struct Refused {
    SettingsError error;
};

[[noreturn]] void Refuse(SettingsProblem problem, std::string_view field, std::string value = {},
                         std::string limit = {}) {
    SettingsError error;
    error.problem = problem;
    error.field = std::string(field);
    error.value = std::move(value);
    error.limit = std::move(limit);
    throw Refused{std::move(error)};
}

ValueType TypeOf(const Json& value) {
    return value.is_null()      ? ValueType::Null
           : value.is_boolean() ? ValueType::Boolean
           : value.is_number()  ? ValueType::Number
           : value.is_string()  ? ValueType::String
           : value.is_array()   ? ValueType::List
                                : ValueType::Object;
}

// A value of the wrong kind in `field`.
[[noreturn]] void RefuseType(SettingsProblem problem, std::string_view field, const Json& value) {
    SettingsError error;
    error.problem = problem;
    error.field = std::string(field);
    error.type = TypeOf(value);
    throw Refused{std::move(error)};
}

// Follows where a SAX parse is in the document, to name the field of a number too large for a
// double (1e999), which the parser refuses before any document exists.
class FieldTracker final : public nlohmann::json_sax<Json> {
  public:
    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override { return Open(false); }
    bool key(string_t& name) override {
        levels_.back().key = name;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t position, const std::string& token,
                     const nlohmann::detail::exception& failure) override {
        error.offset = position;
        error.field = Field();
        error.value = token;
        error.problem = failure.id != 406     ? SettingsProblem::NotJson
                        : error.field.empty() ? SettingsProblem::NumberOutOfRangeAt
                                              : SettingsProblem::NumberOutOfRange;
        return false;
    }

    SettingsError error;

  private:
    struct Level {
        bool array = false;
        std::string key;        // in an object: the field whose value comes
        std::size_t count = 0;  // in a list: the values begun so far
    };
    bool Value() {
        if (!levels_.empty() && levels_.back().array) {
            ++levels_.back().count;
        }
        return true;
    }
    bool Open(bool array) {
        Value();
        levels_.push_back({array, {}, 0});
        return true;
    }
    bool Close() {
        levels_.pop_back();
        return true;
    }
    // The field of the value being read, its list items counted from 1 ("before.2").
    std::string Field() const {
        std::string field;
        for (std::size_t i = 0; i < levels_.size(); ++i) {
            const Level& level = levels_[i];
            const bool innermost = i + 1 == levels_.size();
            const std::string part =
                level.array ? std::to_string(level.count + (innermost ? 1 : 0)) : level.key;
            field += (field.empty() ? "" : ".") + part;
        }
        return field;
    }

    std::vector<Level> levels_;
};

// The object `parent` holds under `key`, which must have exactly the fields `fields`.
const Json& Object(const Json& value, std::string_view field,
                   std::initializer_list<std::string_view> fields) {
    if (!value.is_object()) {
        RefuseType(SettingsProblem::NotAnObject, field, value);
    }
    const std::string prefix = field.empty() ? "" : std::string(field) + ".";
    for (const auto& item : value.items()) {
        if (std::find(fields.begin(), fields.end(), item.key()) == fields.end()) {
            Refuse(SettingsProblem::UnknownField, prefix + item.key());
        }
    }
    for (std::string_view name : fields) {
        if (!value.contains(name)) {
            Refuse(SettingsProblem::MissingField, prefix + std::string(name));
        }
    }
    return value;
}

bool Boolean(const Json& value, std::string_view field) {
    if (!value.is_boolean()) {
        RefuseType(SettingsProblem::NotBoolean, field, value);
    }
    return value.get<bool>();
}

KeyRowState Key(const Json& value, std::string_view field) {
    if (value.is_null()) {
        KeyRowState row;
        row.send = false;
        return row;
    }
    if (!value.is_string()) {
        RefuseType(SettingsProblem::NotAKey, field, value);
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text == "null") {
        Refuse(SettingsProblem::KeyAsNullText, field);
    }
    SettingsError error;
    const std::optional<KeyRowState> row = ParseKeyText(text, error);
    if (!row) {
        error.field = std::string(field);
        throw Refused{std::move(error)};
    }
    return *row;
}

template <std::size_t N>
void Keys(const Json& value, std::string_view field, const std::array<std::string_view, N>& names,
          ConfigState& state, std::size_t firstRow) {
    if (!value.is_array() || value.size() != N) {
        Refuse(SettingsProblem::NotAKeyList, field, {}, std::to_string(N));
    }
    for (std::size_t i = 0; i < N; ++i) {
        state.rows[firstRow + i] = Key(value[i], names[i]);
    }
}

ConfigState Read(const Json& document) {
    // Another JSON document is said to be no settings file before any of its fields is judged.
    if (!document.is_object() || !document.contains("format") ||
        document["format"] != SETTINGS_FILE_FORMAT) {
        Refuse(SettingsProblem::NotASettingsFile, "", {}, std::string(SETTINGS_FILE_FORMAT));
    }
    Object(document, "", {"format", "version", "number", "enter", "cards", "before", "after"});
    const Json& version = document["version"];
    if (!version.is_number_integer() || version.get<long long>() != SETTINGS_FILE_VERSION) {
        Refuse(SettingsProblem::OtherVersion, "version", {}, std::to_string(SETTINGS_FILE_VERSION));
    }

    ConfigState state;
    const Json& number = Object(document["number"], "number", {"format", "size", "reversed"});
    const Json& numberFormat = number["format"];
    state.formatIndex = -1;
    for (std::size_t i = 0; i < FORMAT_CHOICES.size(); ++i) {
        if (numberFormat.is_string() &&
            numberFormat.get_ref<const std::string&>() == FORMAT_CHOICES[i].name) {
            state.formatIndex = static_cast<int>(i);
        }
    }
    if (state.formatIndex < 0) {
        Refuse(SettingsProblem::NotAFormat, "number.format");
    }
    const Json& size = number["size"];
    if (size.is_string() && size.get_ref<const std::string&>() == SIZE_CHOICES[0].name) {
        state.sizeIndex = 0;
    } else if (size.is_number_integer() && size.get<long long>() >= 4 &&
               size.get<long long>() <= 8) {
        state.sizeIndex = static_cast<int>(size.get<long long>()) - 3;
    } else {
        Refuse(SettingsProblem::NotASize, "number.size");
    }
    state.reversed = Boolean(number["reversed"], "number.reversed");
    state.enterAtEnd = Boolean(document["enter"], "enter");
    const Json& cards = Object(document["cards"], "cards", {"mifare", "icode"});
    state.mifare = Boolean(cards["mifare"], "cards.mifare");
    state.icode = Boolean(cards["icode"], "cards.icode");
    Keys(document["before"], "before", BEFORE, state, 0);
    Keys(document["after"], "after", AFTER, state, BEFORE.size());
    return state;
}

Json KeyJson(const KeyRowState& row) {
    return row.send ? Json(KeyText(row)) : Json(nullptr);
}

}  // namespace

std::string SettingsToJson(const ConfigState& state) {
    const ReaderConfig record = RecordFromState(state);  // a state as it would be written
    const ConfigState s = StateFromRecord(record);
    Json size = s.sizeIndex == 0 ? Json(SIZE_CHOICES[0].name) : Json(s.sizeIndex + 3);
    Json document = {
        {"format", SETTINGS_FILE_FORMAT},
        {"version", SETTINGS_FILE_VERSION},
        {"number",
         {{"format", FORMAT_CHOICES[static_cast<std::size_t>(s.formatIndex)].name},
          {"size", size},
          {"reversed", s.reversed}}},
        {"enter", s.enterAtEnd},
        {"cards", {{"mifare", s.mifare}, {"icode", s.icode}}},
        {"before", Json::array({KeyJson(s.rows[0]), KeyJson(s.rows[1]), KeyJson(s.rows[2])})},
        {"after", Json::array({KeyJson(s.rows[3]), KeyJson(s.rows[4])})},
    };
    return document.dump(2) + "\n";
}

std::optional<ConfigState> SettingsFromJson(std::string_view text, SettingsError& error) {
    FieldTracker tracker;
    if (!Json::sax_parse(text.begin(), text.end(), &tracker)) {
        error = tracker.error;
        return std::nullopt;
    }
    try {
        return Read(Json::parse(text.begin(), text.end()));
    } catch (const Json::parse_error& failure) {
        error = SettingsError{};
        error.offset = failure.byte;
    } catch (const Json::exception&) {
        error = SettingsError{};
        error.offset = text.size();
    } catch (const Refused& refused) {
        error = refused.error;
    }
    return std::nullopt;
}

std::string PrintableText(std::string_view text) {
    std::string shown;
    const auto escape = [&](unsigned char byte) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
        shown += hex;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
            ++i;
            continue;
        }
        if (byte < 0x80) {
            shown += static_cast<char>(byte);
            ++i;
            continue;
        }
        // A UTF-8 sequence: its length from the first byte, its continuation bytes, and no
        // overlong form, surrogate or code point past U+10FFFF.
        const std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                                   : byte >= 0xE0 && byte <= 0xEF ? 3
                                   : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                                  : 0;
        bool valid = length != 0 && i + length <= text.size();
        std::uint32_t point = length == 2 ? byte & 0x1F : length == 3 ? byte & 0x0F : byte & 0x07;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        valid = valid &&
                !(length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) &&
                !(length == 4 && (point < 0x10000 || point > 0x10FFFF));
        if (valid && point >= 0x80 && point <= 0x9F) {
            valid = false;  // C1 control characters: shown byte by byte
        }
        if (!valid) {
            escape(byte);
            ++i;
            continue;
        }
        shown.append(text.substr(i, length));
        i += length;
    }
    return shown;
}

}  // namespace zrt::config
