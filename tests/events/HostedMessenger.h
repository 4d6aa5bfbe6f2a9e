#pragma once

// The Messenger object created and initialised as the class factory does it, over the fake host (a
// signed-in user and a few contacts) and the module's worker thread, with Office's sinks advised on its
// DMessengerEvents point. The DisableResolveContact setting is saved, cleared for the test and restored.
// At the end the object is uninitialised (as at module stop) and every reference goes.

#include "EventsFixture.h"

#include "OfficeIntegrationImpl.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/WeakPtrCComObject.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include <string>
#include <vector>

class HostedMessengerTest : public EventsFixture
{
protected:
    void SetUp() override
    {
        settings.clear();
        EventsFixture::SetUp();
        host().setClientUser(contactRecord(L"me", 1));
        for (const wchar_t* name : {L"bob", L"carol"}) host().addContact(contactRecord(name, 1));
        messenger = createMessenger();
        ASSERT_TRUE(messenger);
    }

    void releaseModuleObjects() override
    {
        for (extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        for (extensionsutils::MICComPtr<OfficeIntegrationImpl>& object : created) object->uninitialise();
        created.clear();
        messenger.reset();
    }

    static fakehost::ContactRecord contactRecord(const std::wstring& name, long presence)
    {
        fakehost::ContactRecord record;
        record.signinName = name;
        record.userId = name + L"-id";
        record.friendlyName = L"Friendly " + name;
        record.presence = presence;
        return record;
    }

    extensionsutils::MICComPtr<OfficeIntegrationImpl> createMessenger()
    {
        extensionsutils::MICComPtr<OfficeIntegrationImpl> object = extensionsutils::WeakPtrCComObject<OfficeIntegrationImpl>::create();
        if (!object) return object;
        object->initialise(worker, std::make_shared<Configuration>(0));
        created.push_back(object);
        return object;
    }

    // A new Office sink advised on the DMessengerEvents point of the object, through its
    // IConnectionPointContainer.
    fakeoffice::FakeOfficeSink* connectSink(const extensionsutils::MICComPtr<OfficeIntegrationImpl>& target)
    {
        extensionsutils::ComPtr<fakeoffice::FakeOfficeSink> sink =
            fakeoffice::FakeOfficeSink::create(DIID_DMessengerEvents, journal);
        EXPECT_EQ(sink->advise(target.identity()), S_OK);
        sinks.push_back(sink);
        return sink.get();
    }
    fakeoffice::FakeOfficeSink* connectSink() { return connectSink(messenger); }

    std::vector<fakeoffice::OfficeEvent> eventsWithId(DISPID id) const
    {
        std::vector<fakeoffice::OfficeEvent> found;
        for (const fakeoffice::OfficeEvent& event : journal->events())
            if (event.id == id) found.push_back(event);
        return found;
    }

    registrytest::SavedRegistryKey settings{HKEY_CURRENT_USER, L"Software\\Norvane Works\\Unified Communications\\Mivra"};
    extensionsutils::MICComPtr<OfficeIntegrationImpl> messenger;
    std::vector<extensionsutils::MICComPtr<OfficeIntegrationImpl>> created;
    std::vector<extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>> sinks;
};
