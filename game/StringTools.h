// Numbered placeholders in wide texts, and narrow-to-wide conversion.
//
// A text such as "Level @1@ of @2@" is filled by SprintfRef(text, 3, 12): argument k replaces the
// first "@k@" of the text as it stands after arguments 1 .. k-1 were put in, so a value that itself
// holds "@2@" is filled by the second argument, and a second "@1@" stays as it is.
//
// Both operations have alternative methods, chosen once at start-up by Init: the first pair that
// passes a self test stays in use. With a sound UTF-8 decoder that is the pair (0, 0).
#pragma once

#include <cstddef>

#include "base/NarrowString.h"
#include "base/WideString.h"

class StringTools {
public:
    // Narrow-to-wide method: 0 UTF-8 decoding, 1 one character per (signed) byte, 2 the C
    // library's multibyte conversion; any other value (3 after a failed start-up trial) gives
    // " _ERROR_ " whatever the input.
    static int g_stringToWStringConvert;
    // Replacement method: 0 find and replace, 1 split and join (same result); any other value (2
    // after a failed trial) leaves texts unchanged.
    static int g_replaceTag;

    static void StringToWString(Vorn::WideString& out, const Vorn::NarrowString& in);
    // Replaces the first occurrence of tag in text by value, in place.
    static void ReplaceTag(Vorn::WideString& text, const Vorn::WideString& tag,
                           const Vorn::WideString& value);

    // Fills "@1@" .. "@n@" of text with the n arguments (1 to 5), in argument order. Arguments are
    // int or long (decimal, "%i"), WideString, zero-terminated wide strings (wide literals and
    // one-character arrays included) or narrow character arrays (converted by the method in use).
    template <class... Args>
    static void SprintfRef(Vorn::WideString& text, const Args&... args)
    {
        static_assert(sizeof...(Args) >= 1 && sizeof...(Args) <= PLACEHOLDER_COUNT,
                      "one to five placeholder values");
        int position = 0;
        (ReplaceTag(text, Placeholder(++position), Value(args)), ...);
    }

    // Three passes of two fill-and-compare checks with the methods in use.
    static bool SelfTest();
    // Tries the method pairs in order; true at the first pair whose self test passes. Otherwise
    // false, with the methods left at 3 and 2.
    static bool Init();

    static constexpr int PLACEHOLDER_COUNT = 5;
    // "@k@" for k = 1 .. 5.
    static const Vorn::WideString& Placeholder(int k);

private:
    static Vorn::WideString Value(int number);
    static Vorn::WideString Value(long number);
    static Vorn::WideString Value(const Vorn::WideString& text) { return text; }
    static Vorn::WideString Value(const wchar_t* text) { return Vorn::WideString(text); }
    static Vorn::WideString Value(const char* text);
};
