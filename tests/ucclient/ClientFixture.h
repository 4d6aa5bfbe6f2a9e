#pragma once

// A fake host with a signed-in user and two contacts, whose class object the module's slot holds for each
// test (so that the module logs to the fake logger), the module's type library registered for the
// late-bound calls, and Office-side sinks that are unadvised at the end. Every test ends with every host
// and module object released.

#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"
#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"
#include "support/TypeLibraryRegistration.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ClientFixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* kUser = L"me@example.com";
    static constexpr const wchar_t* kAlice = L"alice@example.com";
    static constexpr const wchar_t* kBob = L"bob@example.com";

    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        static const HRESULT registered = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb"));
        ASSERT_EQ(registered, S_OK);
        host().setClientUser({kUser, L"", L"Me Myself", L"+44 9", L"", L"", L"", false, 1, L"Available"});
        host().addContact({kAlice, L"", L"Alice Liddell", L"+44 1", L"", L"", L"", false, 1, L"Available"});
        host().addContact({kBob, L"", L"Bob Builder", L"+44 2", L"", L"", L"", false, 2, L"Away"});
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override
    {
        for (const auto& sink : sinks) sink->unadvise(); // the recorded events hold the module's objects
        sinks.clear();
        journal.reset();
        hostaccess::releaseHostClassObject();
        host().shutdown();
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    fakehost::FakeHost& host() { return environment.host(); }

    // An Office sink for `eventInterface` advised on `source`; its events go to `journal`.
    extensionsutils::ComPtr<fakeoffice::FakeOfficeSink> adviseSink(IUnknown* source, const IID& eventInterface)
    {
        extensionsutils::ComPtr<fakeoffice::FakeOfficeSink> sink = fakeoffice::FakeOfficeSink::create(eventInterface, journal);
        EXPECT_EQ(sink->advise(source), S_OK);
        sinks.push_back(sink);
        return sink;
    }

    // The one record with this message.
    fakehost::LogRecord onlyRecordOf(const std::wstring& message)
    {
        const auto records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u) << extensionsutils::toUtf8(message);
        return records.empty() ? fakehost::LogRecord() : records.front();
    }

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<fakeoffice::OfficeEventJournal> journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    std::vector<extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>> sinks;
};

// The text of a BSTR that the caller owns (it is freed).
inline std::wstring takeText(BSTR owned)
{
    extensionsutils::Bstr text;
    text.attach(owned);
    return text.str();
}
