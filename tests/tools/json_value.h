#pragma once
// A strict reader of JSON for checking the converter's output: any text that
// a JSON library would refuse is refused here too.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // A missing member or item is a null value, so that a test's expectation
    // on it fails rather than the test crashing.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](std::size_t index) const;
};

bool parseJson(std::string_view text, JsonValue& value);
