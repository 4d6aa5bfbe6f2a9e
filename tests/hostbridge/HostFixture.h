#pragma once

// A fake host with the signed-in user "me" and the contact "bob", whose class object the module's slot
// holds for each test; every test ends with all host objects released.

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"
#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        host().setClientUser({L"me", L"me-id"});
        addContact(L"bob", L"bob-id");
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
    }

    fakehost::FakeHost& host() { return environment.host(); }

    void addContact(const std::wstring& signinName, const std::wstring& userId)
    {
        host().addContact({signinName, userId, L"Friendly " + signinName});
    }

    fakehost::FakeHostEnvironment environment;
};

// A BSTR array with the given lower bound; null entries stay null BSTRs.
inline extensionsutils::SafeArray participantArray(const std::vector<const wchar_t*>& names, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lowerBound};
    extensionsutils::SafeArray array(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (std::size_t i = 0; i < names.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        extensionsutils::Bstr name(names[i]);
        SafeArrayPutElement(array.get(), &index, name.get());
    }
    return array;
}
