#include "extensionsutils/Bstr.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"

#include <gtest/gtest.h>

#include <string>

using extensionsutils::Bstr;
using extensionsutils::Variant;
using extensionsutils::toUtf16;
using extensionsutils::toUtf8;

TEST(Utf8, ConvertsTwoByteSequencesBothWays)
{
    EXPECT_EQ(std::wstring(L"\u00e9"), toUtf16("\xC3\xA9"));
    EXPECT_EQ(std::string("\xC3\xA9"), toUtf8(L"\u00e9"));
    EXPECT_EQ(std::string("caf\xC3\xA9 \xF0\x9F\x98\x80"), toUtf8(std::wstring(L"caf\u00e9 \xD83D\xDE00")));
}

TEST(Utf8, KeepsEmbeddedNulsAndTreatsNullAsEmpty)
{
    const wchar_t text[] = {L'a', L'\0', L'b'};
    EXPECT_EQ(std::string("a\0b", 3), toUtf8(text, 3));
    EXPECT_EQ(std::wstring(L"a\0b", 3), toUtf16(std::string("a\0b", 3)));
    EXPECT_EQ(std::string(), toUtf8(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(std::string(), toUtf8(nullptr, 5));
    EXPECT_EQ(std::wstring(), toUtf16(std::string()));
}

TEST(Utf8, ReplacesUnpairedSurrogatesAndInvalidBytes)
{
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ("a" + replacement + "b", toUtf8(std::wstring(L"a\xD800" L"b")));
    EXPECT_EQ("a" + replacement, toUtf8(std::wstring(L"a\xDC00")));
    const std::wstring decoded = toUtf16(std::string("x\xFF\xC3y"));
    EXPECT_EQ(L'x', decoded.front());
    EXPECT_EQ(L'y', decoded.back());
    EXPECT_NE(std::wstring::npos, decoded.find(L'\xFFFD'));
}

TEST(Bstr, TreatsNullAsEmptyCopiesDeeplyAndHandsOutARealEmptyString)
{
    Bstr none;
    EXPECT_EQ(0u, none.length());
    EXPECT_EQ(std::string(), none.toUtf8());

    Bstr original = Bstr::fromUtf8(std::string("caf\xC3\xA9\0!", 7));
    Bstr copy = original;
    EXPECT_NE(original.get(), copy.get());
    EXPECT_EQ(std::wstring(L"caf\u00e9\0!", 6), copy.str());

    EXPECT_EQ(E_POINTER, none.copyTo(nullptr));
    BSTR empty = nullptr;
    ASSERT_EQ(S_OK, none.copyTo(&empty));
    EXPECT_NE(nullptr, empty) << "callers may not expect a null BSTR";
    SysFreeString(empty);
}

TEST(Variant, OwnedCopiesSurviveTheOriginalAndDetachEmptiesTheOwner)
{
    EXPECT_EQ(VARIANT_TRUE, Variant::fromBool(true).get()->boolVal);

    Variant copy;
    {
        Variant text = Variant::fromString(L"hello");
        copy = text;
    }
    ASSERT_EQ(VT_BSTR, copy.type());
    EXPECT_EQ(std::wstring(L"hello"), copy.get()->bstrVal);

    VARIANT target;
    ASSERT_EQ(S_OK, copy.detach(&target));
    EXPECT_TRUE(copy.isEmpty());
    EXPECT_EQ(VT_BSTR, target.vt);
    VariantClear(&target);
}
