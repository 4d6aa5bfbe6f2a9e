#pragma once

// A fake host with the signed-in user "me" and the contacts "bob" and "carol", whose class object the
// module's slot holds for the length of each test. Every test ends with all module and host objects
// released.

#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/TavoMessengerContact.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "utils/Configuration.h"

#include "support/FakeHostEnvironment.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E);

class MessengerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        fakehost::ContactRecord me = person(L"me", L"Me Myself");
        me.presence = 3;
        host().setClientUser(me);
        host().addContact(person(L"bob", L"Bob Builder"));
        host().addContact(person(L"carol", L"Carol Singer"));
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
    }

    fakehost::FakeHost& host() { return environment.host(); }

    static fakehost::ContactRecord person(const std::wstring& signinName, const std::wstring& friendlyName)
    {
        fakehost::ContactRecord record;
        record.signinName = signinName;
        record.userId = signinName + L"-id";
        record.friendlyName = friendlyName;
        return record;
    }

    static std::shared_ptr<Configuration> flags(std::uint32_t value) { return std::make_shared<Configuration>(value); }

    // A Messenger contact made from the host's contact of that name.
    extensionsutils::ComPtr<IMessengerContactAdvanced> contactOf(const std::wstring& signinName,
                                                                 std::uint32_t configurationFlags = 0)
    {
        const extensionsutils::MICComPtr<TavoMessengerContact> contact =
            TavoMessengerExtensionBroker::CreateMessengerContact(host().makeContactObject(signinName).get(),
                                                                 flags(configurationFlags));
        return contact.as<IMessengerContactAdvanced>();
    }

    // Whether the module logged this text at its level from this operation of this source file.
    bool logged(const std::wstring& message, int moduleLevel, const std::wstring& function, const std::wstring& file)
    {
        for (const fakehost::LogRecord& record : host().recordsOf(message)) {
            if (record.hostLevel == 5 - moduleLevel && record.function == function &&
                record.file == L"extensions/tavomessenger/IMessenger/" + file)
                return true;
        }
        return false;
    }

    fakehost::FakeHostEnvironment environment;
};

// The elements of a presence properties array, after checking its shape: VT_ARRAY | VT_VARIANT, one
// dimension, lower bound 0, 12 elements.
inline std::vector<extensionsutils::Variant> presenceElements(const VARIANT& value)
{
    std::vector<extensionsutils::Variant> elements;
    EXPECT_EQ(value.vt, VT_ARRAY | VT_VARIANT);
    if (value.vt != (VT_ARRAY | VT_VARIANT)) return elements;
    LONG lower = -1;
    EXPECT_EQ(SafeArrayGetLBound(value.parray, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(extensionsutils::readVariants(value.parray, elements), S_OK);
    EXPECT_EQ(elements.size(), 12u);
    return elements;
}

inline LONG int32Of(const extensionsutils::Variant& value)
{
    EXPECT_EQ(value.type(), VT_I4);
    return value.type() == VT_I4 ? value.get()->lVal : -1;
}

inline std::wstring stringOf(const extensionsutils::Variant& value)
{
    EXPECT_EQ(value.type(), VT_BSTR);
    if (value.type() != VT_BSTR) return L"<not a string>";
    return std::wstring(value.get()->bstrVal, SysStringLen(value.get()->bstrVal));
}
