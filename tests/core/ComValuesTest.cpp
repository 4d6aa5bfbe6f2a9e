#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"

#include "support/FakeOfficeSink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace extensionsutils;

TEST(Utf8, ConvertsBothWaysKeepingNulsAndReplacingWhatIsNoText)
{
    EXPECT_EQ(std::string("caf\xC3\xA9 \xF0\x9F\x98\x80"), toUtf8(std::wstring(L"caf\u00e9 \xD83D\xDE00")));
    EXPECT_EQ(std::wstring(L"\u00e9"), toUtf16("\xC3\xA9"));
    const wchar_t withNul[] = {L'a', L'\0', L'b'};
    EXPECT_EQ(std::string("a\0b", 3), toUtf8(withNul, 3));
    EXPECT_EQ(std::wstring(L"a\0b", 3), toUtf16(std::string("a\0b", 3)));
    EXPECT_EQ(std::string(), toUtf8(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(std::string(), toUtf8(nullptr, 5));

    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ("a" + replacement + "b", toUtf8(std::wstring(L"a\xD800" L"b")));
    EXPECT_EQ("a" + replacement, toUtf8(std::wstring(L"a\xDC00")));
    const std::wstring decoded = toUtf16(std::string("x\xFF\xC3y"));
    EXPECT_EQ(L'x', decoded.front());
    EXPECT_EQ(L'y', decoded.back());
    EXPECT_NE(std::wstring::npos, decoded.find(L'\xFFFD'));
}

TEST(Bstr, CopiesDeeplyAndHandsOutARealEmptyStringForNull)
{
    Bstr original = Bstr::fromUtf8(std::string("caf\xC3\xA9\0!", 7));
    Bstr copy = original;
    EXPECT_NE(original.get(), copy.get());
    EXPECT_EQ(std::wstring(L"caf\u00e9\0!", 6), copy.str());

    Bstr none;
    EXPECT_EQ(E_POINTER, none.copyTo(nullptr));
    BSTR empty = nullptr;
    ASSERT_EQ(S_OK, none.copyTo(&empty));
    EXPECT_NE(nullptr, empty) << "callers may not expect a null BSTR";
    SysFreeString(empty);
}

TEST(SafeArray, BuildsZeroBasedVectorsAndWalksReceivedOnesFromTheirLowerBound)
{
    SafeArray strings = SafeArray::ofStrings({L"a", L"", L"c\u00e9"});
    LONG lower = -1;
    LONG upper = -1;
    ASSERT_EQ(S_OK, vectorBounds(strings.get(), VT_BSTR, lower, upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(2, upper);
    std::vector<std::wstring> texts = {L"stale"};
    ASSERT_EQ(S_OK, readStrings(strings.get(), texts));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"c\u00e9"}), texts);
    ASSERT_EQ(S_OK, readStrings(SafeArray::ofStrings({}).get(), texts));
    EXPECT_TRUE(texts.empty());

    std::vector<Variant> variants;
    ASSERT_EQ(S_OK, readVariants(SafeArray::ofVariants({Variant::fromInt32(1), Variant()}).get(), variants));
    ASSERT_EQ(2u, variants.size());
    EXPECT_EQ(VT_I4, variants[0].type());

    SAFEARRAYBOUND fromFive = {3, 5};
    SafeArray received(SafeArrayCreate(VT_I4, 1, &fromFive));
    for (LONG index = 5; index <= 7; ++index) {
        LONG value = index * 10;
        ASSERT_EQ(S_OK, SafeArrayPutElement(received.get(), &index, &value));
    }
    std::vector<LONG> numbers;
    ASSERT_EQ(S_OK, readInt32s(received.get(), numbers));
    EXPECT_EQ((std::vector<LONG>{50, 60, 70}), numbers);
}

TEST(SafeArray, RefusesNullWrongTypeAndSeveralDimensionsWithoutTouchingTheOutput)
{
    std::vector<std::wstring> texts = {L"untouched"};
    EXPECT_EQ(E_POINTER, readStrings(nullptr, texts));
    EXPECT_EQ(E_INVALIDARG, readStrings(SafeArray::ofInt32s({1}).get(), texts));
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensions(SafeArrayCreate(VT_BSTR, 2, bounds));
    EXPECT_EQ(E_INVALIDARG, readStrings(twoDimensions.get(), texts));
    EXPECT_EQ((std::vector<std::wstring>{L"untouched"}), texts);
    LONG lower = 0;
    LONG upper = 0;
    EXPECT_EQ(E_INVALIDARG, vectorBounds(SafeArray::ofStrings({L"x"}).get(), VT_VARIANT, lower, upper));
}

TEST(SafeArray, HoldsReferencesOfInterfaceElementsUntilDestroyed)
{
    ComPtr<fakeoffice::FakeOfficeSink> object = fakeoffice::FakeOfficeSink::create(IID_IDispatch, nullptr);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out())));
    const ULONG before = object->references();
    {
        SafeArray array = SafeArray::ofDispatches(std::vector<ComPtr<IDispatch>>{dispatch, nullptr});
        EXPECT_EQ(before + 1, object->references());
        std::vector<ComPtr<IUnknown>> unknowns;
        ASSERT_EQ(S_OK, readUnknowns(array.get(), unknowns));
        ASSERT_EQ(2u, unknowns.size());
        EXPECT_TRUE(sameComObject(unknowns[0].get(), dispatch.get()));
        EXPECT_FALSE(unknowns[1]);
        Variant holder = Variant::fromSafeArray(array.detach());
        EXPECT_EQ(VT_ARRAY | VT_DISPATCH, holder.type());
    }
    EXPECT_EQ(before, object->references());
}
