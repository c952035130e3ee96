#include "XmlTree.h"

#include <cstdint>

namespace uigen {
namespace {

class TXmlParser {
public:
    explicit TXmlParser(std::string_view text) : FText(text) {}

    TXmlElement Document()
    {
        SkipMisc();
        if (!Peek("<"))
            Fail("no root element");
        TXmlElement root = Element();
        SkipMisc();
        if (FPos != FText.size())
            Fail("text after the root element");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string &what) const
    {
        size_t line = 1;
        for (size_t i = 0; i < FPos && i < FText.size(); ++i)
            line += FText[i] == '\n';
        throw EXmlError("line " + std::to_string(line) + ": " + what);
    }

    bool Peek(std::string_view s) const { return FText.substr(FPos, s.size()) == s; }

    void Expect(std::string_view s)
    {
        if (!Peek(s))
            Fail("expected \"" + std::string(s) + "\"");
        FPos += s.size();
    }

    void SkipTo(std::string_view end)
    {
        const size_t at = FText.find(end, FPos);
        if (at == std::string_view::npos)
            Fail("missing \"" + std::string(end) + "\"");
        FPos = at + end.size();
    }

    void SkipBlanks()
    {
        while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\r' ||
                                       FText[FPos] == '\n'))
            ++FPos;
    }

    // Blanks, comments, processing instructions and a DOCTYPE.
    void SkipMisc()
    {
        for (;;) {
            SkipBlanks();
            if (Peek("<?"))
                SkipTo("?>");
            else if (Peek("<!--"))
                SkipTo("-->");
            else if (Peek("<!DOCTYPE"))
                SkipTo(">");
            else
                return;
        }
    }

    static bool NameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
    }

    std::string Name()
    {
        const size_t start = FPos;
        while (FPos < FText.size() && NameChar(FText[FPos]))
            ++FPos;
        if (FPos == start)
            Fail("expected a name");
        return std::string(FText.substr(start, FPos - start));
    }

    static void AppendUtf8(std::string &out, uint32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // Character data up to `stop`, with references replaced.
    std::string CharData(char stop)
    {
        std::string out;
        while (FPos < FText.size() && FText[FPos] != stop) {
            if (FText[FPos] == '<')
                Fail("'<' in text");
            if (FText[FPos] != '&') {
                out += FText[FPos++];
                continue;
            }
            const size_t end = FText.find(';', FPos);
            if (end == std::string_view::npos || end - FPos > 12)
                Fail("unterminated reference");
            const std::string_view ref = FText.substr(FPos + 1, end - FPos - 1);
            FPos = end + 1;
            if (ref == "lt")
                out += '<';
            else if (ref == "gt")
                out += '>';
            else if (ref == "amp")
                out += '&';
            else if (ref == "quot")
                out += '"';
            else if (ref == "apos")
                out += '\'';
            else if (ref.size() > 1 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                uint32_t code = 0;
                const std::string_view digits = ref.substr(hex ? 2 : 1);
                if (digits.empty())
                    Fail("empty character reference");
                for (const char d : digits) {
                    int value = -1;
                    if (d >= '0' && d <= '9')
                        value = d - '0';
                    else if (hex && d >= 'a' && d <= 'f')
                        value = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F')
                        value = d - 'A' + 10;
                    if (value < 0)
                        Fail("bad character reference");
                    code = code * (hex ? 16 : 10) + static_cast<uint32_t>(value);
                    if (code > 0x10FFFF)
                        Fail("character reference out of range");
                }
                AppendUtf8(out, code);
            } else {
                Fail("unknown entity &" + std::string(ref) + ";");
            }
        }
        return out;
    }

    TXmlElement Element()
    {
        Expect("<");
        TXmlElement element;
        element.Name = Name();
        for (;;) {
            SkipBlanks();
            if (Peek("/>")) {
                FPos += 2;
                return element;
            }
            if (Peek(">")) {
                ++FPos;
                break;
            }
            std::string name = Name();
            SkipBlanks();
            Expect("=");
            SkipBlanks();
            if (FPos >= FText.size() || (FText[FPos] != '"' && FText[FPos] != '\''))
                Fail("attribute value without quotes");
            const char quote = FText[FPos++];
            std::string value = CharData(quote);
            Expect(std::string_view(&quote, 1));
            element.Attributes.emplace_back(std::move(name), std::move(value));
        }
        // Content: text, children, comments, CDATA, up to the end tag.
        for (;;) {
            if (FPos >= FText.size())
                Fail("missing end tag of <" + element.Name + ">");
            if (Peek("</")) {
                FPos += 2;
                if (Name() != element.Name)
                    Fail("end tag does not match <" + element.Name + ">");
                SkipBlanks();
                Expect(">");
                return element;
            }
            if (Peek("<!--")) {
                SkipTo("-->");
            } else if (Peek("<![CDATA[")) {
                FPos += 9;
                const size_t end = FText.find("]]>", FPos);
                if (end == std::string_view::npos)
                    Fail("unterminated CDATA");
                element.Text += FText.substr(FPos, end - FPos);
                FPos = end + 3;
            } else if (Peek("<?")) {
                SkipTo("?>");
            } else if (Peek("<")) {
                element.Children.push_back(Element());
            } else {
                element.Text += CharData('<');
            }
        }
    }

    std::string_view FText;
    size_t FPos = 0;
};

} // namespace

std::optional<std::string> TXmlElement::Attribute(std::string_view name) const
{
    for (const auto &[key, value] : Attributes)
        if (key == name)
            return value;
    return std::nullopt;
}

const TXmlElement *TXmlElement::Child(std::string_view name) const
{
    for (const TXmlElement &child : Children)
        if (child.Name == name)
            return &child;
    return nullptr;
}

TXmlElement ParseXml(std::string_view document)
{
    return TXmlParser(document).Document();
}

} // namespace uigen
