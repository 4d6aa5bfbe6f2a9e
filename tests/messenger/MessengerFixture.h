#pragma once

// The Messenger object as Office meets it, in-process: a fake host client with a signed-in user "me" and a
// few contacts, the module's worker thread, and one Messenger object created and initialised the way the
// class factory does it. The module's type library is registered so that IDispatch calls work. Every test
// ends with the object uninitialised (as at module stop) and released, and checks that nothing of the
// module or of the host outlived it.

#include "OfficeIntegrationImpl.h"
#include "utils/WorkerThreadImpl.h"

#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MessengerTest : public ::testing::Test {
protected:
    static constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E);
    static constexpr HRESULT ContactNotFound = static_cast<HRESULT>(0x8100030A);
    static const wchar_t* const SourceFile; // the Messenger API's source, as log records name it

    void SetUp() override;
    void TearDown() override;

    fakehost::FakeHost& host() const { return environment.host(); }

    // A further Messenger object, initialised with these start flags; uninitialised and released with the
    // fixture unless the test does it first.
    extensionsutils::MICComPtr<OfficeIntegrationImpl> createMessenger(std::uint32_t flags);
    // The fixture's object (flags 0) as Office 2007/2010 holds it.
    extensionsutils::ComPtr<IMessengerAdvanced> messengerApi() const;
    extensionsutils::ComPtr<IDispatch> lateBound() const;

    void signOut() { host().setSignedInValue(1); }
    void addContact(const std::wstring& signinName, long presence = 1);

    // The one record with this message: its module level (from the host level) and its names.
    struct Logged {
        int moduleLevel = -1;
        std::wstring function;
        std::wstring file;
    };
    Logged onlyRecordOf(const std::wstring& message) const;

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<WorkerThreadImpl> worker;
    extensionsutils::MICComPtr<OfficeIntegrationImpl> messenger;
    std::vector<extensionsutils::MICComPtr<OfficeIntegrationImpl>> created;
};

// Polls until the condition holds or about ten seconds passed; whether it held.
bool waitUntil(const std::function<bool()>& condition);

// The two ways Office calls the object: through the virtual table and through IDispatch.
enum class CallPath { VirtualTable, LateBound };
const char* nameOf(CallPath path);
