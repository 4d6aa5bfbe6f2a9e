#pragma once

// A fake host with a signed-in user "me" and a few contacts, whose class object the module's slot holds
// for the length of each test. Every test ends with all host objects released.

#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class HostAccessFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        fakehost::ContactRecord me;
        me.signinName = L"me";
        me.userId = L"me-id";
        host().setClientUser(me);
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
        fakehost::ContactRecord contact;
        contact.signinName = signinName;
        contact.userId = userId;
        contact.friendlyName = L"Friendly " + signinName;
        host().addContact(contact);
    }

    // The one record with this message, or a failure.
    fakehost::LogRecord onlyRecordOf(const std::wstring& message)
    {
        const std::vector<fakehost::LogRecord> records = host().recordsOf(message);
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? fakehost::LogRecord() : records.front();
    }

    fakehost::FakeHostEnvironment environment;
};
