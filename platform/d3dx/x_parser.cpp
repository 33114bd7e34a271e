// X-file data objects from tokens. The same recursive reader serves both encodings: text
// numbers arrive one by one, binary numbers in lists; separators carry no meaning for the
// values and are dropped.
#include "d3dx/x_parser.h"

#include "d3dx/x_decompress.h"
#include "d3dx/x_tokenizer.h"

#include <algorithm>
#include <cstring>

namespace {

// Nesting deeper than this is refused, so a hostile file cannot exhaust the stack.
constexpr int MAX_DEPTH = 256;

class XParser {
  public:
    XParser(XTokenizer& tokens, std::string& errorText) : tokenizer(tokens), error(errorText) {}

    bool ParseTopLevel(XDocument& document);

  private:
    bool SkipTemplate();
    bool ParseObject(XNode& node, const XToken& typeToken, int depth);
    bool ParseReference(XNode& node);
    bool Fail(const XToken& token, const std::string& message);

    XTokenizer& tokenizer;
    std::string& error;
};

bool XParser::Fail(const XToken& token, const std::string& message) {
    if (token.type == XTokenType::Error)
        error = std::string(token.text) + " at byte " + std::to_string(token.offset);
    else if (token.type == XTokenType::End)
        error = "unexpected end of file (" + message + ")";
    else
        error = message + " at byte " + std::to_string(token.offset);
    return false;
}

bool XParser::ParseTopLevel(XDocument& document) {
    for (;;) {
        const XToken token = tokenizer.Next();
        switch (token.type) {
        case XTokenType::End:
            return true;
        case XTokenType::Template:
            if (!SkipTemplate())
                return false;
            ++document.templateCount;
            break;
        case XTokenType::Name: {
            document.objects.emplace_back();
            if (!ParseObject(document.objects.back(), token, 0))
                return false;
            break;
        }
        case XTokenType::Semicolon:
        case XTokenType::Comma:
            break;
        default:
            return Fail(token, "expected a template or a data object");
        }
    }
}

// A template body holds member declarations and restrictions but no braces of its own.
bool XParser::SkipTemplate() {
    XToken token = tokenizer.Next();
    if (token.type != XTokenType::Name)
        return Fail(token, "expected a template name");
    token = tokenizer.Next();
    if (token.type != XTokenType::OpenBrace)
        return Fail(token, "expected '{' after the template name");
    for (;;) {
        token = tokenizer.Next();
        if (token.type == XTokenType::CloseBrace)
            return true;
        if (token.type == XTokenType::End || token.type == XTokenType::Error ||
            token.type == XTokenType::OpenBrace)
            return Fail(token, "unterminated template");
    }
}

bool XParser::ParseReference(XNode& node) {
    XToken token = tokenizer.Next();
    if (token.type != XTokenType::Name)
        return Fail(token, "expected a name in a reference");
    XNode& reference = node.children.emplace_back();
    reference.isReference = true;
    reference.name = token.text;
    for (;;) {
        token = tokenizer.Next();
        if (token.type == XTokenType::CloseBrace)
            return true;
        if (token.type != XTokenType::Guid && token.type != XTokenType::Name)
            return Fail(token, "expected '}' after a reference");
    }
}

// Room for a binary list's values at once, growing geometrically so that many short lists
// still cost few moves. The tokenizer has checked that the file holds every value.
void MakeRoom(std::vector<double>& numbers, uint32_t more) {
    const size_t needed = numbers.size() + more;
    if (needed > numbers.capacity())
        numbers.reserve(std::max(needed, 2 * numbers.capacity()));
}

bool XParser::ParseObject(XNode& node, const XToken& typeToken, int depth) {
    if (depth > MAX_DEPTH)
        return Fail(typeToken, "data objects nested too deeply");
    node.type = typeToken.text;
    XToken token = tokenizer.Next();
    if (token.type == XTokenType::Name) {
        node.name = token.text;
        token = tokenizer.Next();
    }
    if (token.type == XTokenType::Guid)
        token = tokenizer.Next();
    if (token.type != XTokenType::OpenBrace)
        return Fail(token, "expected '{' after " + node.type);
    for (;;) {
        tokenizer.AppendNumbers(node.numbers);
        token = tokenizer.Next();
        switch (token.type) {
        case XTokenType::CloseBrace:
            return true;
        case XTokenType::Number:
            node.numbers.push_back(token.number);
            break;
        case XTokenType::IntegerList:
            MakeRoom(node.numbers, token.listCount);
            for (uint32_t i = 0; i < token.listCount; ++i)
                node.numbers.push_back(tokenizer.IntegerAt(token, i));
            break;
        case XTokenType::FloatList:
            MakeRoom(node.numbers, token.listCount);
            for (uint32_t i = 0; i < token.listCount; ++i)
                node.numbers.push_back(tokenizer.FloatAt(token, i));
            break;
        case XTokenType::String:
            node.strings.emplace_back(token.text);
            break;
        case XTokenType::Comma:
        case XTokenType::Semicolon:
        case XTokenType::Guid:
            break;
        case XTokenType::OpenBrace:
            if (!ParseReference(node))
                return false;
            break;
        case XTokenType::Name:
            node.children.emplace_back();
            if (!ParseObject(node.children.back(), token, depth + 1))
                return false;
            break;
        default:
            return Fail(token, "unexpected token inside " + node.type);
        }
    }
}

} // namespace

const char* XEncodingName(XEncoding encoding) {
    switch (encoding) {
    case XEncoding::Text:
        return "text";
    case XEncoding::Binary:
        return "binary";
    case XEncoding::CompressedText:
        return "compressed text (tzip)";
    case XEncoding::CompressedBinary:
        return "compressed binary (bzip)";
    }
    return "unknown";
}

bool ParseXHeader(const uint8_t* data, size_t size, XHeader& header, std::string& error) {
    if (size < 16 || std::memcmp(data, "xof ", 4) != 0) {
        error = size == 0 ? "empty file" : "not an X file (no \"xof \" header)";
        return false;
    }
    auto digits = [&](size_t at) {
        for (size_t i = at; i < at + 2; ++i)
            if (data[i] < '0' || data[i] > '9')
                return -1;
        return (data[at] - '0') * 10 + (data[at + 1] - '0');
    };
    header.versionMajor = digits(4);
    header.versionMinor = digits(6);
    if (header.versionMajor < 0 || header.versionMinor < 0) {
        error = "bad X file version";
        return false;
    }
    if (std::memcmp(data + 8, "txt ", 4) == 0)
        header.encoding = XEncoding::Text;
    else if (std::memcmp(data + 8, "bin ", 4) == 0)
        header.encoding = XEncoding::Binary;
    else if (std::memcmp(data + 8, "tzip", 4) == 0)
        header.encoding = XEncoding::CompressedText;
    else if (std::memcmp(data + 8, "bzip", 4) == 0)
        header.encoding = XEncoding::CompressedBinary;
    else {
        error = "unknown X file format \"" +
                std::string(reinterpret_cast<const char*>(data + 8), 4) + "\"";
        return false;
    }
    if (std::memcmp(data + 12, "0032", 4) == 0)
        header.floatBits = 32;
    else if (std::memcmp(data + 12, "0064", 4) == 0)
        header.floatBits = 64;
    else {
        error = "bad X file float size";
        return false;
    }
    return true;
}

bool ParseXFile(const uint8_t* data, size_t size, XDocument& document, std::string& error) {
    document = XDocument{};
    if (!ParseXHeader(data, size, document.header, error))
        return false;
    const uint8_t* body = data + 16;
    size_t bodySize = size - 16;
    std::vector<uint8_t> inflated;
    const XEncoding encoding = document.header.encoding;
    if (encoding == XEncoding::CompressedText || encoding == XEncoding::CompressedBinary) {
        if (!DecompressXBody(body, bodySize, inflated, error))
            return false;
        body = inflated.data();
        bodySize = inflated.size();
    }
    const bool binary = encoding == XEncoding::Binary || encoding == XEncoding::CompressedBinary;
    XTokenizer tokenizer(body, bodySize, binary, document.header.floatBits / 8);
    XParser parser(tokenizer, error);
    return parser.ParseTopLevel(document);
}
