#include "StringTools.h"

#include <cstdio>
#include <cwchar>
#include <vector>

int StringTools::g_stringToWStringConvert = 0;
int StringTools::g_replaceTag = 0;

namespace {

constexpr int METHOD_FAILED_CONVERT = 3;
constexpr int METHOD_FAILED_REPLACE = 2;

void ConvertMultibyte(Vorn::WideString& out, const Vorn::NarrowString& in)
{
    // One wide character per narrow byte is always enough room; the zero fill ends the text where
    // the conversion stopped, whether at the end or at a byte it could not convert.
    std::vector<wchar_t> buffer(in.size() + 1, L'\0');
    const char* source = in.c_str();
    std::mbstate_t state{};
    std::mbsrtowcs(buffer.data(), &source, in.size(), &state);
    out.assign(buffer.data());
}

Vorn::WideString Decimal(long number)
{
    char buffer[50];
    std::snprintf(buffer, sizeof buffer, "%li", number);
    Vorn::WideString text;
    StringTools::StringToWString(text, Vorn::NarrowString(buffer));
    return text;
}

}  // namespace

void StringTools::StringToWString(Vorn::WideString& out, const Vorn::NarrowString& in)
{
    switch (g_stringToWStringConvert) {
    case 0:
        out = Vorn::WideString(in);
        return;
    case 1:
        out.clear();
        out.reserve(in.size());
        for (char c : in)
            out.push_back(static_cast<wchar_t>(static_cast<signed char>(c)));
        return;
    case 2:
        ConvertMultibyte(out, in);
        return;
    default:
        out = Vorn::WideString(Vorn::NarrowString(" _ERROR_ "));
        return;
    }
}

void StringTools::ReplaceTag(Vorn::WideString& text, const Vorn::WideString& tag,
                             const Vorn::WideString& value)
{
    if (tag.empty())
        return;
    if (g_replaceTag == 0) {
        const size_t at = text.find(tag);
        if (at != Vorn::WideString::npos)
            text.replace(at, tag.size(), value);
        return;
    }
    if (g_replaceTag != 1)
        return;

    std::vector<Vorn::WideString> pieces;
    size_t start = 0;
    for (size_t at = text.find(tag); at != Vorn::WideString::npos; at = text.find(tag, start)) {
        pieces.emplace_back(text.substr(start, at - start));
        start = at + tag.size();
    }
    if (pieces.empty())
        return;
    pieces.emplace_back(text.substr(start));
    Vorn::WideString joined = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i) {
        joined += i == 1 ? value : tag;
        joined += pieces[i];
    }
    text.swap(joined);
}

const Vorn::WideString& StringTools::Placeholder(int k)
{
    // Widened by the engine's own decoder, not by the method under trial, so a failing method
    // cannot break the keys it is tested with.
    static const Vorn::WideString s_keys[PLACEHOLDER_COUNT] = {
        Vorn::WideString(Vorn::NarrowString("@1@")), Vorn::WideString(Vorn::NarrowString("@2@")),
        Vorn::WideString(Vorn::NarrowString("@3@")), Vorn::WideString(Vorn::NarrowString("@4@")),
        Vorn::WideString(Vorn::NarrowString("@5@")),
    };
    static const Vorn::WideString s_none;
    return k >= 1 && k <= PLACEHOLDER_COUNT ? s_keys[k - 1] : s_none;
}

Vorn::WideString StringTools::Value(int number) { return Decimal(number); }
Vorn::WideString StringTools::Value(long number) { return Decimal(number); }

Vorn::WideString StringTools::Value(const char* text)
{
    Vorn::WideString wide;
    StringToWString(wide, Vorn::NarrowString(text));
    return wide;
}

bool StringTools::SelfTest()
{
    const Vorn::WideString expectedLetters(Vorn::NarrowString("s1: aaaa, s2: bbbb, s3: cccc"));
    const Vorn::WideString expectedNumbers(Vorn::NarrowString("i1: 1111, i2: 2222, i3: 3333"));
    for (int pass = 0; pass < 3; ++pass) {
        Vorn::WideString letters(Vorn::NarrowString("s1: @1@, s2: @2@, s3: @3@"));
        SprintfRef(letters, "aaaa", "bbbb", "cccc");
        if (letters != expectedLetters)
            return false;
        Vorn::WideString numbers(Vorn::NarrowString("i1: @1@, i2: @2@, i3: @3@"));
        SprintfRef(numbers, 1111, 2222, 3333);
        if (numbers != expectedNumbers)
            return false;
    }
    return true;
}

bool StringTools::Init()
{
    for (int convert = 0; convert <= 2; ++convert) {
        for (int replace = 0; replace <= 1; ++replace) {
            g_stringToWStringConvert = convert;
            g_replaceTag = replace;
            if (SelfTest())
                return true;
        }
    }
    g_stringToWStringConvert = METHOD_FAILED_CONVERT;
    g_replaceTag = METHOD_FAILED_REPLACE;
    return false;
}
