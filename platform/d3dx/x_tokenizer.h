// Splits the body of an X file into tokens. Text files give one token per word, number or
// punctuation mark; binary files give the platform's token records, where numbers arrive in
// whole lists. The parser sees both through the same XToken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class XTokenType {
    End,
    Error,
    Name,
    String,
    Number,      // one text number, or a binary INTEGER record
    IntegerList, // binary: count DWORDs at listData
    FloatList,   // binary: count floats of floatSize bytes at listData
    Guid,
    OpenBrace,
    CloseBrace,
    Comma,
    Semicolon,
    Template,
    Other, // punctuation and type keywords that only occur inside templates
};

struct XToken {
    XTokenType type = XTokenType::End;
    std::string_view text; // Name, String, or the error message
    double number = 0.0;
    const uint8_t* listData = nullptr;
    uint32_t listCount = 0;
    size_t offset = 0; // byte offset in the body, for error messages
};

class XTokenizer {
  public:
    // body excludes the 16-byte header; floatSize is 4 or 8 (binary float lists).
    XTokenizer(const uint8_t* body, size_t size, bool binary, int floatSize);

    // The next token; after End or Error the same token is returned again.
    XToken Next();

    // Text files: appends the numbers that come next, with the separators between them, and
    // stops before the first other token, so long runs of numbers cost no token each. A
    // malformed number makes the next token an error. Binary files append nothing.
    void AppendNumbers(std::vector<double>& numbers);

    // Reads a binary list element as a double (listData, index).
    double IntegerAt(const XToken& token, uint32_t index) const;
    double FloatAt(const XToken& token, uint32_t index) const;
    int FloatSize() const { return floatSize; }

  private:
    XToken NextText();
    void SkipSpace();
    XToken NextBinary();
    XToken Fail(const char* message);

    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool binary;
    int floatSize;
    bool failed = false;
    std::string errorText;
};
