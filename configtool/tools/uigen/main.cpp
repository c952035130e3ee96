// mardune_uigen: the tool's window designs (.ui files) for its Win32
// binding, at build time.
//   mardune_uigen DESIGN.ui OUTPUT_DIR
// writes OUTPUT_DIR/ui_<base>.h, ui_<base>.cpp and <base>Ids.h.
#include "UiDesign.h"
#include "Win32Writer.h"
#include "XmlTree.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mardune_uigen DESIGN.ui OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path input = argv[1];
    const std::filesystem::path output = argv[2];
    try {
        const uigen::TDesign design = uigen::ReadDesign(uigen::ParseXml(ReadFile(input)));
        const std::string base = input.stem().string();
        const uigen::TWin32Sources sources = uigen::WriteWin32(design, base);
        std::filesystem::create_directories(output);
        WriteFile(output / ("ui_" + base + ".h"), sources.Header);
        WriteFile(output / ("ui_" + base + ".cpp"), sources.Source);
        WriteFile(output / (base + "Ids.h"), sources.Ids);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "mardune_uigen: %s: %s\n", input.string().c_str(), error.what());
        return 1;
    }
    return 0;
}
