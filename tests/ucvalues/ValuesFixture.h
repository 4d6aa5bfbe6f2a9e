#pragma once

// COM in the multithreaded apartment and a fake host whose class object the module's slot holds for the
// length of each test, so that the module's log lines reach the fake logger. Every test ends with every
// module object released.

#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"
#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ValuesFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    fakehost::FakeHost& host() { return environment.host(); }

    // The one record with this message, or a failure.
    fakehost::LogRecord onlyRecordOf(const std::wstring& message)
    {
        const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u) << extensionsutils::toUtf8(message);
        return records.empty() ? fakehost::LogRecord() : records.front();
    }

    fakehost::FakeHostEnvironment environment;
};

// The shape every array the module hands out must have: one dimension, lower bound 0, this element type.
inline ::testing::AssertionResult isZeroBasedVector(SAFEARRAY* array, VARTYPE elementType)
{
    if (!array) return ::testing::AssertionFailure() << "null array";
    if (SafeArrayGetDim(array) != 1) return ::testing::AssertionFailure() << SafeArrayGetDim(array) << " dimensions";
    LONG lower = -1;
    SafeArrayGetLBound(array, 1, &lower);
    if (lower != 0) return ::testing::AssertionFailure() << "lower bound " << lower;
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(array, &type);
    if (type != elementType) return ::testing::AssertionFailure() << "element type " << type;
    return ::testing::AssertionSuccess();
}

// The elements of a handed-out VT_I4 array (it is destroyed).
inline std::vector<LONG> takeInt32s(SAFEARRAY* owned)
{
    extensionsutils::SafeArray array(owned);
    EXPECT_TRUE(isZeroBasedVector(array.get(), VT_I4));
    std::vector<LONG> values;
    EXPECT_EQ(extensionsutils::readInt32s(array.get(), values), S_OK);
    return values;
}

// The elements of a handed-out VT_VARIANT array (it is destroyed).
inline std::vector<extensionsutils::Variant> takeVariants(SAFEARRAY* owned)
{
    extensionsutils::SafeArray array(owned);
    EXPECT_TRUE(isZeroBasedVector(array.get(), VT_VARIANT));
    std::vector<extensionsutils::Variant> values;
    EXPECT_EQ(extensionsutils::readVariants(array.get(), values), S_OK);
    return values;
}

inline std::wstring textOf(const extensionsutils::Variant& value)
{
    if (value.type() != VT_BSTR) return L"<not a string>";
    const BSTR text = value.get()->bstrVal;
    return std::wstring(text ? text : L"", SysStringLen(text));
}
