#include "Output.h"

#include "ReaderText.h"
#include "TextFormat.h"

#include <cmath>
#include <cstdio>

namespace korvelctl {

JsonValue JsonString(const std::string &value)
{
    // Valid UTF-8 whatever the text holds: malformed bytes become U+FFFD,
    // control characters (C0, DEL and C1) are escaped.
    return {"\"" + readerconfig::EscapeControls(readerconfig::Utf8ToUnicode(value), readerconfig::Escapes::Json) +
            "\""};
}

JsonValue JsonNumber(double value)
{
    if (!std::isfinite(value))
        return {"null"};
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return {text};
}

JsonValue JsonInteger(long long value)
{
    return {std::to_string(value)};
}

JsonValue JsonBool(bool value)
{
    return {value ? "true" : "false"};
}

JsonValue JsonNull()
{
    return {"null"};
}

JsonValue JsonObject(const std::vector<std::pair<std::string, JsonValue>> &members)
{
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i)
        out += (i ? ", " : "") + JsonString(members[i].first).text + ": " + members[i].second.text;
    return {out + "}"};
}

JsonValue JsonArray(const std::vector<JsonValue> &items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + items[i].text;
    return {out + "]"};
}

void PrintFields(const std::vector<Field> &fields, bool json)
{
    if (json) {
        std::vector<std::pair<std::string, JsonValue>> members;
        for (const Field &f : fields)
            members.emplace_back(f.name, f.json);
        std::printf("%s\n", JsonObject(members).text.c_str());
        return;
    }
    for (const Field &f : fields)
        std::printf("%s=%s\n", f.name.c_str(), f.text.c_str());
}

} // namespace korvelctl
