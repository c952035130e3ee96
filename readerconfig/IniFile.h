// A reader and writer of INI files by the rules of the platform's private
// profile functions. Plain C++.
//
// Reading: section and key names match without regard to case; blanks
// around a value are ignored; a missing file, section or key reads as the
// default. A UTF-8 byte-order mark at the start (some editors write one) is
// not part of the first line, and stays when the file is written. Files
// over MaxIniFileSize, and anything but a regular file (a FIFO or a device
// could block or never end), are not read at all.
// Writing: every write updates the file at once. A key that exists is
// replaced where it stands, a missing key goes to the end of its section,
// a missing section (with its header) to the end of the file; every other
// line stays byte for byte. New lines end in CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t MaxIniFileSize = 16 * 1024 * 1024;

// A file name as the system opens it: UTF-8 on Windows (whose narrow names
// would be in the ANSI code page), the system's own bytes elsewhere.
std::filesystem::path NativePath(const std::string &fileName);

// An optional sign, then decimal digits or hexadecimal digits after "0x" or
// "$", with blanks around; nothing else. Hexadecimal covers 32 bits.
std::optional<int32_t> ParseIniInteger(std::string_view text);

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    // The text of a file that is not read from disk (it cannot be written).
    static TIniFile FromText(std::string_view text);

    bool HasSection(std::string_view section) const { return FindSection(section).has_value(); }

    const std::string &FileName() const { return FFileName; }
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // Throws std::runtime_error "Unable to write to <file name>" when the
    // file cannot be written (or could not be read in full before).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);

private:
    struct TLine {
        std::string text;   // without its line end
        std::string ending; // "\r\n", "\n" or "" (last line)
    };
    // Index of the section's header line, of the key's line in it.
    TIniFile() = default;
    void Parse(std::string_view data);
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
    std::size_t SectionEnd(std::size_t header) const; // the next header, or the end
    void Insert(std::size_t position, std::string text);
    void Save() const;

    std::string FFileName;
    std::string FByteOrderMark; // the file's UTF-8 byte-order mark, or empty
    std::vector<TLine> FLines;
    bool FWritable = true; // false when an existing file could not be read in full
};
