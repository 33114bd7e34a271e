// Text numbers of X files: the tokenizer's quick decimal path must give exactly the double a
// full decimal conversion gives, since meshes are compared byte for byte, and must refuse
// what that conversion refuses.
#include "d3dx/x_tokenizer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A token with its text copied, since error texts live in the tokenizer.
struct Token {
    XTokenType type;
    double number;
    std::string text;
    size_t offset;
};

std::vector<Token> Tokens(const std::string& text, std::vector<double>* run = nullptr) {
    XTokenizer tokenizer(reinterpret_cast<const uint8_t*>(text.data()), text.size(), false, 4);
    std::vector<Token> tokens;
    if (run != nullptr)
        tokenizer.AppendNumbers(*run);
    for (;;) {
        const XToken token = tokenizer.Next();
        tokens.push_back({token.type, token.number, std::string(token.text), token.offset});
        if (token.type == XTokenType::End || token.type == XTokenType::Error)
            return tokens;
    }
}

double Reference(const std::string& text) {
    double value = 0.0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    std::from_chars(first, text.data() + text.size(), value);
    return value;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(XTokenizer, TextNumbersMatchAFullDecimalConversionBitForBit) {
    std::vector<std::string> numbers = {"0",
                                        "-0",
                                        "5.",
                                        ".5",
                                        "+.5",
                                        "-.25",
                                        "0.1",
                                        "-10.481818",
                                        "1e5",
                                        "1.e5",
                                        "2.5E-3",
                                        "1e+22",
                                        "1e22",
                                        "1e23",
                                        "4294967295",
                                        "9007199254740992",
                                        "9007199254740993",
                                        "123456789012345678901",
                                        "0.000000000000000000001234",
                                        "3.4028235e38",
                                        "1e-300",
                                        "0.30000000000000004",
                                        "1.9999999999999999"};
    // Shortest float spellings, as the level builder writes them, over many magnitudes.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    for (int i = 0; i < 20000; ++i) {
        const float value = std::ldexp(mantissa(random), i % 40 - 20);
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        numbers.emplace_back(buffer, end);
    }
    for (const std::string& number : numbers) {
        const std::vector<Token> tokens = Tokens(number);
        ASSERT_EQ(tokens[0].type, XTokenType::Number) << number;
        EXPECT_TRUE(SameBits(tokens[0].number, Reference(number)))
            << number << " read as " << tokens[0].number;
        std::vector<double> run;
        Tokens(number + ";", &run);
        ASSERT_EQ(run.size(), 1u) << number;
        EXPECT_TRUE(SameBits(run[0], tokens[0].number)) << number;
    }
}

TEST(XTokenizer, RunsOfNumbersStopAtOtherTokensAndRefuseMalformedOnes) {
    std::vector<double> run;
    const std::vector<Token> rest = Tokens("1;2.5,\n  // note\n-3;;# more\n 4e1 } 5", &run);
    EXPECT_EQ(run, (std::vector<double>{1, 2.5, -3, 40}));
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_EQ(rest[0].type, XTokenType::CloseBrace);
    EXPECT_EQ(rest[1].type, XTokenType::Number);

    // "1e" is the number 1 followed by a name, as before the exponent was read.
    const std::vector<Token> name = Tokens("1e");
    ASSERT_EQ(name.size(), 3u);
    EXPECT_EQ(name[0].number, 1.0);
    EXPECT_EQ(name[1].text, "e");

    for (const char* bad : {"1.2.3", "-", "+", "1e-400", "2..5", "--5"}) {
        std::vector<double> numbers;
        const std::vector<Token> tokens = Tokens(std::string("7; ") + bad, &numbers);
        EXPECT_EQ(numbers, std::vector<double>{7}) << bad;
        EXPECT_EQ(tokens.back().type, XTokenType::Error) << bad;
        EXPECT_EQ(tokens.back().text, "malformed number") << bad;
        EXPECT_EQ(tokens.back().offset, 3u) << bad;
        EXPECT_EQ(Tokens(bad).back().type, XTokenType::Error) << bad;
    }
}

} // namespace
