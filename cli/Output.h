// What korvelctl prints: "name=value" lines, or with --json one JSON object.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korvelctl {

// A JSON value already rendered as text.
struct JsonValue {
    std::string text;
};
// From UTF-8 text; the result is valid UTF-8 whatever the text holds.
JsonValue JsonString(const std::string &value);
JsonValue JsonNumber(double value);
JsonValue JsonInteger(long long value);
JsonValue JsonBool(bool value);
// null for a setting the reader's firmware does not answer.
JsonValue JsonNull();
JsonValue JsonObject(const std::vector<std::pair<std::string, JsonValue>> &members);
JsonValue JsonArray(const std::vector<JsonValue> &items);

// One read value, in both forms.
struct Field {
    std::string name;
    std::string text; // for "name=value"
    JsonValue json;
    std::string exact{}; // to the last bit where `text` leaves something out (a report's bytes); else empty
};

void PrintFields(const std::vector<Field> &fields, bool json);

} // namespace korvelctl
