#include "IniFile.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// The name of a "[name]" line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The key and value of a "key=value" line (comments have neither).
bool SplitKey(std::string_view line, std::string_view &key, std::string_view &value)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads at most `limit` + 1 bytes; nullopt when the file cannot be read.
std::optional<std::string> ReadCapped(const std::string &fileName, std::size_t limit)
{
    std::ifstream in(NativePath(fileName), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data;
    char chunk[65536];
    while (data.size() <= limit) {
        in.read(chunk, sizeof chunk);
        data.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (!in)
            break;
    }
    if (in.bad())
        return std::nullopt;
    return data;
}

} // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && Lower(text[1]) == 'x') {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Decimal up to 2^31 (for the minimum), hexadecimal up to 32 bits.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    uint64_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > limit)
            return std::nullopt;
    }
    auto bits = static_cast<uint32_t>(value);
    if (negative)
        bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

std::filesystem::path NativePath(const std::string &fileName)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(fileName.begin(), fileName.end()));
#else
    return std::filesystem::path(fileName);
#endif
}

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName))
{
    std::error_code error;
    const auto status = std::filesystem::status(NativePath(FFileName), error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        FWritable = false; // a directory, a FIFO, a device: neither read nor replaced
        return;
    }
    const std::optional<std::string> data = ReadCapped(FFileName, MaxIniFileSize);
    if (!data || data->size() > MaxIniFileSize) {
        // Unreadable or too large: reads give defaults, and a write would
        // lose what could not be read.
        FWritable = !std::filesystem::exists(status);
        return;
    }
    Parse(*data);
}

TIniFile TIniFile::FromText(std::string_view text)
{
    TIniFile file;
    file.FWritable = false;
    file.Parse(text);
    return file;
}

void TIniFile::Parse(std::string_view data)
{
    constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
    if (data.substr(0, Utf8ByteOrderMark.size()) == Utf8ByteOrderMark) {
        FByteOrderMark = Utf8ByteOrderMark;
        data.remove_prefix(Utf8ByteOrderMark.size());
    }
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find('\n', start);
        TLine line;
        if (end == std::string_view::npos) {
            line.text = data.substr(start);
            start = data.size();
        } else {
            line.text = data.substr(start, end - start);
            line.ending = "\n";
            start = end + 1;
        }
        if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.ending = "\r\n";
        }
        FLines.push_back(std::move(line));
    }
}

std::optional<std::size_t> TIniFile::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        const auto name = SectionName(FLines[i].text);
        if (name && SameName(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t TIniFile::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < FLines.size() && !SectionName(FLines[i].text))
        ++i;
    return i;
}

std::optional<std::size_t> TIniFile::FindKey(std::size_t header, std::string_view key) const
{
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view name, value;
        if (SplitKey(FLines[i].text, name, value) && SameName(name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> TIniFile::ReadString(std::string_view section, std::string_view key) const
{
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    const auto line = FindKey(*header, key);
    if (!line)
        return std::nullopt;
    std::string_view name, value;
    SplitKey(FLines[*line].text, name, value);
    return std::string(value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const auto text = ReadString(section, key);
    if (!text)
        return defaultValue;
    return ParseIniInteger(*text).value_or(defaultValue);
}

void TIniFile::Insert(std::size_t position, std::string text)
{
    // The line before it may be the file's last one, without a line end.
    if (position > 0 && FLines[position - 1].ending.empty())
        FLines[position - 1].ending = "\r\n";
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(position), TLine{std::move(text), "\r\n"});
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!FWritable)
        throw std::runtime_error("Unable to write to " + FFileName);
    std::string line = std::string(key) + '=' + std::string(value);
    if (const auto header = FindSection(section)) {
        if (const auto existing = FindKey(*header, key)) {
            FLines[*existing].text = std::move(line);
        } else {
            // After the section's last line that is not blank.
            std::size_t position = SectionEnd(*header);
            while (position > *header + 1 && Trim(FLines[position - 1].text).empty())
                --position;
            Insert(position, std::move(line));
        }
    } else {
        Insert(FLines.size(), '[' + std::string(section) + ']');
        Insert(FLines.size(), std::move(line));
    }
    Save();
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::Save() const
{
    std::string data = FByteOrderMark;
    for (const TLine &line : FLines)
        data += line.text + line.ending;
    std::ofstream out(NativePath(FFileName), std::ios::binary | std::ios::trunc);
    if (out)
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out)
        throw std::runtime_error("Unable to write to " + FFileName);
}
