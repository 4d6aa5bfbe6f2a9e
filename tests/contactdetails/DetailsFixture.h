#pragma once

// A fake host with the contact kAlice, whose class object the module's slot holds for each test (so that
// the module logs to the fake logger). Every test ends with every host and module object released.

#include "ExtensionProvider/HostClassObject.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ModuleLock.h"
#include "extensionsutils/Utf8.h"
#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

class DetailsFixture : public ::testing::Test {
protected:
    static constexpr const wchar_t* kAlice = L"sip:alice@example.com";

    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        host().addContact({kAlice, L"", L"Alice Liddell", L"+44 1", L"+44 2", L"+44 3", L"+44 4", true, 1, L"Available"});
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
    }

    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        host().shutdown(); // lets go of sinks the host still held
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    fakehost::FakeHost& host() { return environment.host(); }
    extensionsutils::ComPtr<IContact> hostContact() { return host().makeContactObject(kAlice).as<IContact>(); }

    // The one record with this message.
    fakehost::LogRecord onlyRecordOf(const std::wstring& message)
    {
        const auto records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u) << extensionsutils::toUtf8(message);
        return records.empty() ? fakehost::LogRecord() : records.front();
    }

    // Checks the construction and destruction records of an object of `className` at `object`.
    void expectLifeLogged(const void* object, const std::wstring& className)
    {
        std::ostringstream address;
        address << object;
        const std::wstring text = extensionsutils::toUtf16(address.str());
        const fakehost::LogRecord constructed = onlyRecordOf(L"Constructor " + text);
        EXPECT_EQ(constructed.hostLevel, 4); // module level 1
        EXPECT_EQ(constructed.function, className + L"::" + className);
        EXPECT_EQ(constructed.file, L"extensions/tavomessenger/IUCOfficeIntegration/" + className);
        EXPECT_EQ(onlyRecordOf(L"Destructor" + text).function, className + L"::~" + className);
    }

    fakehost::FakeHostEnvironment environment;
};
