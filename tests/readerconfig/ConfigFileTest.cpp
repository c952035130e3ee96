// The INI reader and writer and the configuration file's 25 keys.
#include "ConfigFile.h"
#include "IniFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

using namespace std::string_literals;

namespace {

// A fresh directory for one test, removed with everything in it.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = ::testing::TempDir() + "readerconfig-XXXXXX";
        if (::mkdtemp(pattern.data()))
            FPath = pattern;
    }
    ~TTempDir()
    {
        std::error_code ignored;
        if (!FPath.empty())
            std::filesystem::remove_all(FPath, ignored);
    }
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;
    const std::string &path() const { return FPath; }
    std::string filePath(const char *name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

class ConfigFileTest : public ::testing::Test {
protected:
    std::string Path(const char *name = "config.rfc") const { return dir.filePath(name); }
    void Write(const std::string &data, const char *name = "config.rfc") const
    {
        std::ofstream(Path(name), std::ios::binary) << data;
    }
    std::string Read(const char *name = "config.rfc") const
    {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream data;
        data << in.rdbuf();
        return data.str();
    }

    TTempDir dir;
};

TKeyboardConfig Sample()
{
    TKeyboardConfig config;
    config.Before = {0x81, 7, 4, 5, 0xB0, 0xDD, 0xE0, 0xE7};
    config.ConfByte = 0x2B;
    config.After = {0x42, 0, 0x28, 0, 0, 0, 0, 0};
    config.Remove = {0xFF, 255, 1, 2, 3, 4, 5, 6};
    return config;
}

} // namespace

TEST(IniInteger, DecimalWithSignAndHexadecimalWithEitherPrefix)
{
    const std::pair<const char *, int32_t> good[] = {
        {"0", 0},          {"300", 300},       {"-1", -1},        {"+17", 17},        {" \t42  ", 42},
        {"0x1E", 30},      {"0X1e", 30},       {"$1E", 30},       {"$ff", 255},       {"-0x10", -16},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"0xFFFFFFFF", -1}, {"$00000000000010", 16},
    };
    for (const auto &[text, value] : good)
        EXPECT_EQ(ParseIniInteger(text), value) << text;
    for (const char *bad : {"", " ", "abc", "12a", "1 2", "0x", "$", "-", "0x1G", "2147483648", "-2147483649",
                            "0x100000000", "1.5", "++1", "--1"})
        EXPECT_EQ(ParseIniInteger(bad), std::nullopt) << bad;
}

TEST_F(ConfigFileTest, NewFileHoldsTheTableInOrderWithCrLf)
{
    WriteConfigFile(Path(), Sample());
    EXPECT_EQ(Read(), "[Before]\r\nModifier=129\r\nReserved=7\r\nKey1=4\r\nKey2=5\r\nKey3=176\r\nKey4=221\r\n"
                      "Key5=224\r\nKey6=231\r\n[CardCode]\r\nConfByte=43\r\n"
                      "[After]\r\nModifier=66\r\nReserved=0\r\nKey1=40\r\nKey2=0\r\nKey3=0\r\nKey4=0\r\n"
                      "Key5=0\r\nKey6=0\r\n"
                      "[Remove]\r\nModifier=255\r\nReserved=255\r\nKey1=1\r\nKey2=2\r\nKey3=3\r\nKey4=4\r\n"
                      "Key5=5\r\nKey6=6\r\n");
    EXPECT_EQ(ReadConfigFile(Path()), Sample());
}

TEST_F(ConfigFileTest, ValuesAreCutToTheirFieldsAndOddTextReadsZero)
{
    Write("[before]\nKey1=300\nMODIFIER = -1 \nkey2=0x1E\nKey3=abc\nKey4=$1E\nKey5=\nReserved=12 # note\n"
          "[CARDCODE]\nConfByte=-100000\n[After]\nKey6=  0x7f\n");
    const TKeyboardConfig config = ReadConfigFile(Path());
    EXPECT_EQ(config.Before.Key1, 44);
    EXPECT_EQ(config.Before.Modifier, 255);
    EXPECT_EQ(config.Before.Key2, 30);
    EXPECT_EQ(config.Before.Key3, 0);
    EXPECT_EQ(config.Before.Key4, 30);
    EXPECT_EQ(config.Before.Key5, 0);
    EXPECT_EQ(config.Before.Reserved, 0);
    EXPECT_EQ(config.ConfByte, -100000); // all 32 bits
    EXPECT_EQ(config.After.Key6, 0x7F);
    EXPECT_EQ(config.Remove.Modifier, 0); // no such section
}

TEST_F(ConfigFileTest, FirstSectionAndKeyOfTheNameCountKeysOutsideSectionsDoNot)
{
    Write("Key1=9\n[Other]\nKey1=8\n[Before]\n;Key1=7\nKey1=6\nKey1=5\n[Before]\nKey2=4\n");
    TIniFile file(Path());
    EXPECT_EQ(file.ReadInteger("Before", "Key1", -1), 6);
    EXPECT_EQ(file.ReadInteger("Before", "Key2", -1), -1);
    EXPECT_EQ(file.ReadInteger("Nowhere", "Key1", -1), -1);
}

TEST_F(ConfigFileTest, SavingIntoAForeignFileKeepsEveryOtherLineByteForByte)
{
    const std::string head = "; written by hand\n[Tool]\nName = Mardune\r\nKey1=99\n\n";
    Write(head + "[BEFORE]\r\nkey3 = 17 ; old\r\nOwn=yes\r\n\r\n[after]\nModifier=1\n[Tail]\nx=1");
    WriteConfigFile(Path(), Sample());
    EXPECT_EQ(Read(), head +
                          "[BEFORE]\r\nKey3=176\r\nOwn=yes\r\nModifier=129\r\nReserved=7\r\nKey1=4\r\nKey2=5\r\n"
                          "Key4=221\r\nKey5=224\r\nKey6=231\r\n\r\n"
                          "[after]\nModifier=66\nReserved=0\r\nKey1=40\r\nKey2=0\r\nKey3=0\r\nKey4=0\r\n"
                          "Key5=0\r\nKey6=0\r\n"
                          "[Tail]\nx=1\r\n"
                          "[CardCode]\r\nConfByte=43\r\n"
                          "[Remove]\r\nModifier=255\r\nReserved=255\r\nKey1=1\r\nKey2=2\r\nKey3=3\r\nKey4=4\r\n"
                          "Key5=5\r\nKey6=6\r\n");
    EXPECT_EQ(ReadConfigFile(Path()), Sample());
    TIniFile file(Path());
    EXPECT_EQ(file.ReadInteger("Tool", "Key1", 0), 99);
}

TEST_F(ConfigFileTest, UtfEightByteOrderMarkIsSkippedWhenReadAndKeptWhenWritten)
{
    const std::string mark = "\xEF\xBB\xBF";
    Write(mark + "[Before]\r\nModifier=129\r\nKey1=4\r\n[CardCode]\r\nConfByte=43\r\n");
    const TKeyboardConfig config = ReadConfigFile(Path());
    EXPECT_EQ(config.Before.Modifier, 129);
    EXPECT_EQ(config.Before.Key1, 4);
    EXPECT_EQ(config.ConfByte, 43);
    EXPECT_EQ(ParseConfigText(Read()), config);
    // Written back: the mark first, the first section found, not added again.
    WriteConfigFile(Path(), Sample());
    EXPECT_EQ(Read().rfind(mark + "[Before]\r\nModifier=129\r\n", 0), 0u);
    EXPECT_EQ(Read().find("[Before]", 1 + mark.size()), std::string::npos);
    EXPECT_EQ(ReadConfigFile(Path()), Sample());
}

TEST_F(ConfigFileTest, MissingUnreadableAndHugeFilesReadAllZeros)
{
    EXPECT_EQ(ReadConfigFile(Path("missing.rfc")), TKeyboardConfig{});
    EXPECT_EQ(ReadConfigFile(dir.path()), TKeyboardConfig{}); // a directory
    std::string huge = "[Before]\r\nKey1=5\r\n";
    huge.resize(MaxIniFileSize + 1, 'x');
    Write(huge);
    EXPECT_EQ(ReadConfigFile(Path()), TKeyboardConfig{});
    // What could not be read is not overwritten either.
    EXPECT_THROW(WriteConfigFile(Path(), Sample()), std::runtime_error);
    EXPECT_EQ(Read().size(), MaxIniFileSize + 1);
}

TEST_F(ConfigFileTest, GarbageAndBinaryInputNeverCrash)
{
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    Write(binary + "\n[Before]\0\n[Before]\nKey1=\0"s + "12\n[\n]\n=\n==\n[Remove\nKey1=3\n" +
          std::string(200000, '[') + "\n" + std::string(300000, '='));
    const TKeyboardConfig config = ReadConfigFile(Path());
    EXPECT_EQ(config.Before.Key1, 0); // "\0" "12" is no integer
    EXPECT_NO_THROW(WriteConfigFile(Path(), Sample()));
    EXPECT_EQ(ReadConfigFile(Path()), Sample());
}

TEST_F(ConfigFileTest, AnUnwritableFileFailsWithItsName)
{
    const std::string path = Path("no/such/dir.rfc");
    try {
        WriteConfigFile(path, Sample());
        FAIL() << "no error";
    } catch (const std::runtime_error &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
}

TEST_F(ConfigFileTest, CheckedReadTakesAnySizeUpToTheLimitAndRefusesWhatIsNoConfiguration)
{
    const std::string padding = "; " + std::string(2 * 1024 * 1024, 'x') + "\r\n";
    std::string atLimit = "[CardCode]\r\nConfByte=42\r\n;";
    atLimit.resize(MaxIniFileSize, 'x');
    ASSERT_EQ(::mkfifo(Path("fifo.rfc").c_str(), 0600), 0);
    ::mkdir(Path("folder.rfc").c_str(), 0700);
    const struct {
        const char *name;
        std::string text; // written unless the name exists already
        std::optional<int32_t> confByte;
        const char *error; // a part of the message
    } cases[] = {
        {"big.rfc", padding + "[CardCode]\r\nConfByte=42\r\n" + padding, 42, ""},
        {"limit.rfc", atLimit, 42, ""},
        {"over.rfc", atLimit + "x", std::nullopt, "is larger than 16 MiB"},
        {"keys-missing.rfc", "[remove]\nKey1=3\n", 0, ""},
        {"foreign.rfc", "[Before2]\n[ CardCode\nConfByte=1\n", std::nullopt, "has none of the sections"},
        {"empty.rfc", "", std::nullopt, "is not a configuration file"},
        {"fifo.rfc", "", std::nullopt, "is not a regular file"},
        {"folder.rfc", "", std::nullopt, "is a directory"},
        {"missing.rfc", "", std::nullopt, "cannot read"},
    };
    for (const auto &c : cases) {
        if (!std::filesystem::exists(Path(c.name)) && std::string(c.name) != "missing.rfc")
            Write(c.text, c.name);
        std::string error;
        const auto config = ReadConfigFileChecked(Path(c.name), error);
        EXPECT_EQ(config.has_value(), c.confByte.has_value()) << c.name;
        if (config) {
            EXPECT_EQ(config->ConfByte, *c.confByte) << c.name;
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.name << ": " << error;
            EXPECT_NE(error.find(Path(c.name)), std::string::npos) << error;
        }
    }
    // Nor does saving open a FIFO: it would wait for a reader for good.
    EXPECT_THROW(WriteConfigFile(Path("fifo.rfc"), Sample()), std::runtime_error);
    // The same text straight from memory, as a fuzzer feeds it.
    EXPECT_EQ(ParseConfigText("[AFTER]\r\nKey6=0x1e"), [] {
        TKeyboardConfig config;
        config.After.Key6 = 0x1E;
        return config;
    }());
    EXPECT_EQ(ParseConfigText(std::string_view("\0[Before]", 9)), std::nullopt);
}
