#include "extensionsutils/SafeArray.h"

#include "ComTestSupport.h"
#include "RecordingSink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace extensionsutils;

namespace {

// A received array as other programs build it: any lower bound, any element type.
SafeArray receivedArray(VARTYPE type, LONG lowerBound, ULONG count)
{
    SAFEARRAYBOUND bound = {count, lowerBound};
    return SafeArray(SafeArrayCreate(type, 1, &bound));
}

} // namespace

TEST(SafeArray, BuildsZeroBasedVectorsThatReadBack)
{
    SafeArray strings = SafeArray::ofStrings({L"a", L"", L"c\u00e9"});
    ASSERT_TRUE(strings);
    LONG lower = -1;
    LONG upper = -1;
    ASSERT_EQ(S_OK, vectorBounds(strings.get(), VT_BSTR, lower, upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(2, upper);
    std::vector<std::wstring> texts;
    ASSERT_EQ(S_OK, readStrings(strings.get(), texts));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"c\u00e9"}), texts);

    std::vector<LONG> numbers;
    ASSERT_EQ(S_OK, readInt32s(SafeArray::ofInt32s({3, -4}).get(), numbers));
    EXPECT_EQ((std::vector<LONG>{3, -4}), numbers);

    std::vector<Variant> variants;
    ASSERT_EQ(S_OK, readVariants(SafeArray::ofVariants({Variant::fromInt32(1), Variant()}).get(), variants));
    ASSERT_EQ(2u, variants.size());
    EXPECT_EQ(VT_I4, variants[0].type());
    EXPECT_TRUE(variants[1].isEmpty());

    SafeArray empty = SafeArray::ofStrings({});
    ASSERT_TRUE(empty);
    texts = {L"stale"};
    ASSERT_EQ(S_OK, readStrings(empty.get(), texts));
    EXPECT_TRUE(texts.empty());
}

TEST(SafeArray, WalksAReceivedArrayFromItsLowerToItsUpperBound)
{
    SafeArray array = receivedArray(VT_I4, 5, 3);
    for (LONG index = 5; index <= 7; ++index) {
        LONG value = index * 10;
        ASSERT_EQ(S_OK, SafeArrayPutElement(array.get(), &index, &value));
    }
    std::vector<LONG> values;
    ASSERT_EQ(S_OK, readInt32s(array.get(), values));
    EXPECT_EQ((std::vector<LONG>{50, 60, 70}), values);
}

TEST(SafeArray, RefusesNullWrongTypeAndSeveralDimensionsWithoutTouchingTheOutput)
{
    std::vector<std::wstring> texts = {L"untouched"};
    EXPECT_EQ(E_POINTER, readStrings(nullptr, texts));
    EXPECT_EQ(E_INVALIDARG, readStrings(SafeArray::ofInt32s({1}).get(), texts));

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SafeArray twoDimensions(SafeArrayCreate(VT_BSTR, 2, bounds));
    ASSERT_TRUE(twoDimensions);
    EXPECT_EQ(E_INVALIDARG, readStrings(twoDimensions.get(), texts));
    EXPECT_EQ((std::vector<std::wstring>{L"untouched"}), texts);

    LONG lower = 0;
    LONG upper = 0;
    EXPECT_EQ(E_INVALIDARG, vectorBounds(SafeArray::ofStrings({L"x"}).get(), VT_VARIANT, lower, upper));
}

TEST(SafeArray, HoldsReferencesOfInterfaceElementsUntilDestroyed)
{
    ComApartment apartment;
    MICComPtr<DispatchOnlySink> object = ComObject<DispatchOnlySink>::create();
    ComPtr<IDispatch> dispatch = object.as<IDispatch>();
    const ULONG before = referenceCount(dispatch.get());
    {
        SafeArray array = SafeArray::ofDispatches(std::vector<ComPtr<IDispatch>>{dispatch, nullptr});
        ASSERT_TRUE(array);
        EXPECT_EQ(before + 1, referenceCount(dispatch.get()));

        std::vector<ComPtr<IUnknown>> unknowns;
        ASSERT_EQ(S_OK, readUnknowns(array.get(), unknowns));
        ASSERT_EQ(2u, unknowns.size());
        EXPECT_TRUE(sameComObject(unknowns[0].get(), dispatch.get()));
        EXPECT_FALSE(unknowns[1]);

        Variant holder = Variant::fromSafeArray(array.detach());
        EXPECT_EQ(VT_ARRAY | VT_DISPATCH, holder.type());
    }
    EXPECT_EQ(before, referenceCount(dispatch.get()));
}
