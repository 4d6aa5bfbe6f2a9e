#pragma once

// The Messenger API as Office meets it, in-process: a fake host client with a signed-in user "me" and the
// contacts "bob" and "carol", the module's worker thread, and one Messenger object created and initialised
// the way the class factory does it. The module's type library is registered so that IDispatch calls
// work. Every test ends with the objects uninitialised (as at module stop) and released, and checks that
// nothing of the module or of the host outlived them.

#include "OfficeIntegrationImpl.h"
#include "utils/WorkerThreadImpl.h"

#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"
#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Variant.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;
using ::testing::ElementsAre;
using Names = std::vector<std::wstring>;

// What an out-parameter holds before a call; a refused call must leave it there.
IDispatch* const kUnwrittenDispatch = reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(0x5EE0));
const BSTR kUnwrittenBstr = reinterpret_cast<BSTR>(static_cast<std::uintptr_t>(0x5EE4));

class MessengerTest : public ::testing::Test {
protected:
    static constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E);
    static constexpr HRESULT ContactNotFound = static_cast<HRESULT>(0x8100030A);

    void SetUp() override;
    void TearDown() override;

    fakehost::FakeHost& host() const { return environment.host(); }

    // A further Messenger object, initialised with these start flags; uninitialised and released with the
    // fixture.
    extensionsutils::MICComPtr<OfficeIntegrationImpl> createMessenger(std::uint32_t flags);
    extensionsutils::ComPtr<IMessengerAdvanced> messengerApi() const { return messenger.as<IMessengerAdvanced>(); }
    extensionsutils::ComPtr<IDispatch> lateBound() const { return messenger.as<IDispatch>(); }

    void signOut() { host().setSignedInValue(1); }
    void addContact(const std::wstring& signinName, long presence = 1);
    // A Messenger contact made from the host's contact of that name, as GetContact makes it.
    extensionsutils::ComPtr<IMessengerContactAdvanced> contactOf(const std::wstring& signinName, std::uint32_t flags = 0);

    // The one record with this message: its module level (from the host level) and function.
    struct Logged {
        int moduleLevel = -1;
        std::wstring function;
        std::wstring file;
    };
    Logged onlyRecordOf(const std::wstring& message) const;
    // Whether some record has this message, module level and function ("Class::member").
    bool logged(const std::wstring& message, int moduleLevel, const std::wstring& function) const;

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<WorkerThreadImpl> worker;
    extensionsutils::MICComPtr<OfficeIntegrationImpl> messenger;
    std::vector<extensionsutils::MICComPtr<OfficeIntegrationImpl>> created;

private:
    long lockCountAtStart_ = 0; // a leak in one test is reported by that test only
};

// Polls until the condition holds or about ten seconds passed; whether it held.
bool waitUntil(const std::function<bool()>& condition);

// The elements of a presence properties array, after checking its shape: VT_ARRAY | VT_VARIANT, one
// dimension, lower bound 0, 12 elements.
std::vector<extensionsutils::Variant> presenceElements(const VARIANT& value);
LONG int32Of(const extensionsutils::Variant& value);
// Same type and equal value (VarCmp alone takes an empty value for an empty string).
bool sameValue(const extensionsutils::Variant& actual, const extensionsutils::Variant& expected);
std::wstring stringOf(const extensionsutils::Variant& value);
// A member called late-bound that must answer `result`; its value.
Variant answer(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Variant>& arguments = {},
               HRESULT result = S_OK);
inline Variant property(IDispatch* object, const wchar_t* name, const std::vector<Variant>& arguments = {})
{
    return answer(object, name, DISPATCH_PROPERTYGET, arguments);
}
inline Variant text(const wchar_t* value) { return Variant::fromString(value); }
inline Variant number(LONG value) { return Variant::fromInt32(value); }
// A VT_BYREF value whose target is nothing, or a string variable passed by reference as scripts do.
VARIANT referenceToNothing();
VARIANT referenceTo(BSTR* variable);
