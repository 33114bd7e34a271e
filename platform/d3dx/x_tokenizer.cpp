// X-file tokens from the text and the binary encodings. Binary records are read with bounds
// checks on every count, so a corrupt count ends in an error token, never a read past the end.
#include "d3dx/x_tokenizer.h"

#include <array>
#include <charconv>
#include <cstring>

namespace {

// Binary token ids.
constexpr uint16_t TOKEN_NAME = 1;
constexpr uint16_t TOKEN_STRING = 2;
constexpr uint16_t TOKEN_INTEGER = 3;
constexpr uint16_t TOKEN_GUID = 5;
constexpr uint16_t TOKEN_INTEGER_LIST = 6;
constexpr uint16_t TOKEN_FLOAT_LIST = 7;
constexpr uint16_t TOKEN_OBRACE = 10;
constexpr uint16_t TOKEN_CBRACE = 11;
constexpr uint16_t TOKEN_COMMA = 19;
constexpr uint16_t TOKEN_SEMICOLON = 20;
constexpr uint16_t TOKEN_TEMPLATE = 31;

uint16_t ReadWord(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadDword(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsNameStart(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(uint8_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

constexpr std::array<bool, 256> SPACE_CHARACTERS = [] {
    std::array<bool, 256> table{};
    for (const uint8_t c : {' ', '\t', '\r', '\n', '\f', '\v', '\0'})
        table[c] = true;
    return table;
}();

bool IsSpace(uint8_t c) {
    return SPACE_CHARACTERS[c];
}

bool IsNumberStart(const uint8_t* data, size_t pos, size_t size) {
    const uint8_t c = data[pos];
    return IsDigit(c) || c == '-' || c == '+' ||
           (c == '.' && pos + 1 < size && IsDigit(data[pos + 1]));
}

// Powers of ten that a double holds exactly.
constexpr double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A decimal whose digits fit in 53 bits and whose power of ten is exact is one correctly
// rounded multiplication or division away from its value, the same double that a full
// decimal conversion gives; a model's coordinates almost always are such numbers.
bool ExactDecimal(uint64_t digits, int exponent, bool negative, double& value) {
    constexpr uint64_t EXACT_INTEGER_LIMIT = uint64_t{1} << 53;
    if (digits > EXACT_INTEGER_LIMIT || exponent < -22 || exponent > 22)
        return false;
    const auto magnitude = static_cast<double>(digits);
    value = exponent < 0 ? magnitude / EXACT_POWERS_OF_TEN[-exponent]
                         : magnitude * EXACT_POWERS_OF_TEN[exponent];
    if (negative)
        value = -value;
    return true;
}

// The full conversion, for the numbers the shortcut does not cover.
[[gnu::noinline]] bool ConvertWhole(const char* text, size_t start, size_t end, double& value) {
    const auto result = std::from_chars(text + start, text + end, value);
    return result.ec == std::errc() && result.ptr == text + end;
}

// A text number: an optional '+' (dropped), an optional '-', digits with dots, and an
// exponent only where digits follow the 'e'. Anything the exact shortcut does not cover goes
// through std::from_chars, which must then take the whole span.
bool ScanNumber(const uint8_t* data, size_t size, size_t& pos, double& value) {
    size_t start = pos;
    if (data[start] == '+')
        ++start;
    size_t end = start;
    const bool negative = end < size && data[end] == '-';
    if (negative)
        ++end;
    // Integer digits, then after a dot the fraction digits. A second dot stays in the span
    // and leaves it to std::from_chars, which refuses it.
    uint64_t digits = 0;
    int digitCount = 0, fractionDigits = 0, dots = 0;
    for (; end < size && IsDigit(data[end]); ++end, ++digitCount)
        digits = digits * 10 + (data[end] - '0');
    if (end < size && data[end] == '.') {
        dots = 1;
        for (++end; end < size && IsDigit(data[end]); ++end, ++fractionDigits)
            digits = digits * 10 + (data[end] - '0');
        digitCount += fractionDigits;
        for (; end < size && (IsDigit(data[end]) || data[end] == '.'); ++end)
            dots = 2;
    }
    int exponent = 0;
    bool exponentTooLong = false;
    if (end < size && (data[end] == 'e' || data[end] == 'E')) {
        size_t at = end + 1;
        const bool negativeExponent = at < size && data[at] == '-';
        if (at < size && (data[at] == '-' || data[at] == '+'))
            ++at;
        if (at < size && IsDigit(data[at])) {
            for (end = at; end < size && IsDigit(data[end]); ++end) {
                if (exponent < 10000)
                    exponent = exponent * 10 + (data[end] - '0');
                else
                    exponentTooLong = true;
            }
            if (negativeExponent)
                exponent = -exponent;
        }
    }
    // 19 digits cannot overflow the 64-bit accumulator.
    const bool shortcut = digitCount > 0 && digitCount <= 19 && dots <= 1 && !exponentTooLong;
    if (!shortcut || !ExactDecimal(digits, exponent - fractionDigits, negative, value)) {
        if (!ConvertWhole(reinterpret_cast<const char*>(data), start, end, value))
            return false;
    }
    pos = end;
    return true;
}

} // namespace

XTokenizer::XTokenizer(const uint8_t* body, size_t bodySize, bool isBinary, int bytesPerFloat)
    : data(body), size(bodySize), binary(isBinary), floatSize(bytesPerFloat) {}

XToken XTokenizer::Fail(const char* message) {
    failed = true;
    errorText = message;
    XToken token;
    token.type = XTokenType::Error;
    token.text = errorText;
    token.offset = pos;
    return token;
}

XToken XTokenizer::Next() {
    if (failed) {
        XToken token;
        token.type = XTokenType::Error;
        token.text = errorText;
        token.offset = pos;
        return token;
    }
    return binary ? NextBinary() : NextText();
}

double XTokenizer::IntegerAt(const XToken& token, uint32_t index) const {
    return ReadDword(token.listData + 4u * index);
}

double XTokenizer::FloatAt(const XToken& token, uint32_t index) const {
    if (floatSize == 8) {
        uint64_t bits = 0;
        std::memcpy(&bits, token.listData + 8u * index, 8);
        double value;
        std::memcpy(&value, &bits, 8);
        return value;
    }
    uint32_t bits = ReadDword(token.listData + 4u * index);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// White space and comments ("//" and "#" run to the end of the line).
void XTokenizer::SkipSpace() {
    while (pos < size) {
        const uint8_t c = data[pos];
        if (IsSpace(c)) {
            ++pos;
        } else if (c == '#' || (c == '/' && pos + 1 < size && data[pos + 1] == '/')) {
            while (pos < size && data[pos] != '\n')
                ++pos;
        } else {
            break;
        }
    }
}

void XTokenizer::AppendNumbers(std::vector<double>& numbers) {
    if (binary || failed)
        return;
    while (pos < size) {
        const uint8_t c = data[pos];
        if (IsSpace(c) || c == ',' || c == ';') {
            ++pos;
        } else if (IsNumberStart(data, pos, size)) {
            double value = 0.0;
            if (!ScanNumber(data, size, pos, value)) {
                Fail("malformed number");
                return;
            }
            numbers.push_back(value);
        } else if (c == '#' || c == '/') {
            const size_t before = pos;
            SkipSpace();
            if (pos == before)
                return;
        } else {
            return;
        }
    }
}

XToken XTokenizer::NextText() {
    SkipSpace();
    XToken token;
    token.offset = pos;
    if (pos >= size) {
        token.type = XTokenType::End;
        return token;
    }
    const uint8_t c = data[pos];
    const char* text = reinterpret_cast<const char*>(data);
    switch (c) {
    case '{':
        ++pos;
        token.type = XTokenType::OpenBrace;
        return token;
    case '}':
        ++pos;
        token.type = XTokenType::CloseBrace;
        return token;
    case ',':
        ++pos;
        token.type = XTokenType::Comma;
        return token;
    case ';':
        ++pos;
        token.type = XTokenType::Semicolon;
        return token;
    case '(':
    case ')':
    case '[':
    case ']':
    case '>':
        ++pos;
        token.type = XTokenType::Other;
        return token;
    case '<': {
        const size_t start = ++pos;
        while (pos < size && data[pos] != '>' && data[pos] != '\n' && pos - start < 64)
            ++pos;
        if (pos >= size || data[pos] != '>')
            return Fail("unterminated GUID");
        ++pos;
        token.type = XTokenType::Guid;
        return token;
    }
    case '"': {
        const size_t start = ++pos;
        while (pos < size && data[pos] != '"')
            ++pos;
        if (pos >= size)
            return Fail("unterminated string");
        token.type = XTokenType::String;
        token.text = std::string_view(text + start, pos - start);
        ++pos;
        return token;
    }
    default:
        break;
    }
    if (IsNumberStart(data, pos, size)) {
        double value = 0.0;
        if (!ScanNumber(data, size, pos, value))
            return Fail("malformed number");
        token.type = XTokenType::Number;
        token.number = value;
        return token;
    }
    if (IsNameStart(c)) {
        const size_t start = pos;
        while (pos < size && IsNameChar(data[pos]))
            ++pos;
        token.text = std::string_view(text + start, pos - start);
        token.type = token.text == "template" ? XTokenType::Template : XTokenType::Name;
        return token;
    }
    if (c == '.') {
        ++pos;
        token.type = XTokenType::Other;
        return token;
    }
    return Fail("unexpected character");
}

XToken XTokenizer::NextBinary() {
    XToken token;
    token.offset = pos;
    if (pos >= size) {
        token.type = XTokenType::End;
        return token;
    }
    if (size - pos < 2)
        return Fail("truncated token");
    const uint16_t id = ReadWord(data + pos);
    pos += 2;
    const size_t left = size - pos;
    switch (id) {
    case TOKEN_NAME:
    case TOKEN_STRING: {
        if (left < 4)
            return Fail("truncated name or string");
        const uint32_t count = ReadDword(data + pos);
        if (count > left - 4)
            return Fail("name or string runs past the end of the file");
        token.text = std::string_view(reinterpret_cast<const char*>(data + pos + 4), count);
        // Strings may carry a terminating zero that is not part of the name.
        while (!token.text.empty() && token.text.back() == '\0')
            token.text.remove_suffix(1);
        pos += 4 + count;
        if (id == TOKEN_NAME) {
            token.type = XTokenType::Name;
            return token;
        }
        // A string record ends with its own separator token.
        if (size - pos >= 2) {
            const uint16_t separator = ReadWord(data + pos);
            if (separator == TOKEN_SEMICOLON || separator == TOKEN_COMMA)
                pos += 2;
        }
        token.type = XTokenType::String;
        return token;
    }
    case TOKEN_INTEGER:
        if (left < 4)
            return Fail("truncated integer");
        token.type = XTokenType::Number;
        token.number = ReadDword(data + pos);
        pos += 4;
        return token;
    case TOKEN_GUID:
        if (left < 16)
            return Fail("truncated GUID");
        pos += 16;
        token.type = XTokenType::Guid;
        return token;
    case TOKEN_INTEGER_LIST:
    case TOKEN_FLOAT_LIST: {
        if (left < 4)
            return Fail("truncated list");
        const uint32_t count = ReadDword(data + pos);
        const size_t elementSize = id == TOKEN_INTEGER_LIST ? 4 : static_cast<size_t>(floatSize);
        if (count > (left - 4) / elementSize)
            return Fail("list runs past the end of the file");
        token.type = id == TOKEN_INTEGER_LIST ? XTokenType::IntegerList : XTokenType::FloatList;
        token.listCount = count;
        token.listData = data + pos + 4;
        pos += 4 + count * elementSize;
        return token;
    }
    case TOKEN_OBRACE:
        token.type = XTokenType::OpenBrace;
        return token;
    case TOKEN_CBRACE:
        token.type = XTokenType::CloseBrace;
        return token;
    case TOKEN_COMMA:
        token.type = XTokenType::Comma;
        return token;
    case TOKEN_SEMICOLON:
        token.type = XTokenType::Semicolon;
        return token;
    case TOKEN_TEMPLATE:
        token.type = XTokenType::Template;
        return token;
    default:
        // Punctuation (12-18) and the type keywords (40-52) only occur in templates.
        if ((id >= 12 && id <= 18) || (id >= 40 && id <= 52)) {
            token.type = XTokenType::Other;
            return token;
        }
        pos -= 2;
        return Fail("unknown binary token");
    }
}
