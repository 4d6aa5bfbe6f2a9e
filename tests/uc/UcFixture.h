#pragma once

// The UC integration API over the module fixture's fake host: a contact resolver fed by the host's
// resolution answers, a contact manager as the client holds it, and the module's type library registered
// for late binding. The user is kUser; kBob is another person in the host's directory.

#include "ExtensionProvider/ContactResolver.h"
#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"
#include "IUCOfficeIntegration/UCCContactManager.h"

#include "extensionsutils/WeakPtrCComObject.h"
#include "common/ContractIds.h"
#include "support/LateBoundAnswers.h"
#include "support/ModuleFixture.h"
#include "support/ResolutionForwarder.h"
#include "support/TypeLibraryRegistration.h"

using extensionsutils::ComObject;
using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

class UcFixture : public ModuleFixture {
protected:
    static constexpr const wchar_t* kUser = L"alice@example.com";
    static constexpr const wchar_t* kBob = L"bob@example.com";

    void SetUp() override
    {
        ModuleFixture::SetUp();
        static const HRESULT registered = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessengerLib.tlb"));
        ASSERT_EQ(registered, S_OK);
        // signin, user id, name, work, home, mobile, other, tagged, presence, presence text
        host().setClientUser({kUser, L"", L"Alice Liddell", L"+44 20 1", L"", L"+44 77 1", L"", false, 1, L"Available"});
        host().addContact(
            {kBob, L"", L"Bob Builder", L"+1 555 0100", L"+1 555 0102", L"+1 555 0101", L"+1 555 0103", true, 3, L"Do not disturb"});
        resolver = std::make_shared<ContactResolver>(worker);
        forwarder = ResolutionForwarder::registerWithHost(resolver);
        ASSERT_TRUE(forwarder);
        manager = extensionsutils::WeakPtrCComObject<UCCContactManager>::create();
        ASSERT_TRUE(manager);
        manager->initialise(worker, resolver);
    }
    void releaseModuleObjects() override
    {
        releaseTestObjects();
        manager.reset();
        if (forwarder) forwarder->unregisterFromHost();
        forwarder.reset();
        resolver.reset();
        host().shutdown(); // lets go of sinks the host still held
    }
    // Tests release what they made in their own fixtures here.
    virtual void releaseTestObjects() {}

    // Lets work run that queued work itself (a resolution answer queues its report): twice through the queue;
    // then the calls into Office that the work queued.
    void settleWorker()
    {
        drainWorker();
        drainWorker();
        EXPECT_TRUE(extensionsutils::EventDelivery::waitUntilSettled(10000));
    }

    ComPtr<IUCCContact> contactFor(const wchar_t* uri)
    {
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->GetContactByUri(Bstr(uri).get(), contact.out()), S_OK) << narrow(uri);
        return contact;
    }
    // A contact over an address the host could not resolve, as a failed lookup yields.
    ComPtr<IUCCContact> unresolvedContact()
    {
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->createContact(std::make_shared<FailedResolutionContactDetails>(), contact.out()), S_OK);
        return contact;
    }
    FakeOfficeSink* adviseSink(IUnknown* source, const IID& events = contractid::IUCCContactEvents)
    {
        return connectSink(source, nullptr, events);
    }

    std::shared_ptr<ContactResolver> resolver;
    MICComPtr<ResolutionForwarder> forwarder;
    MICComPtr<UCCContactManager> manager;
};

// Whether an operation's IsCompleted or IsSucceeded, read as Office reads it, is true.
inline bool operationSays(IDispatch* operation, const wchar_t* flag) { return sameValue(property(operation, flag), truth(true)); }

// A two-dimensional array, which no member that takes a list accepts.
inline SafeArray twoByTwo(VARTYPE elementType)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    return SafeArray(SafeArrayCreate(elementType, 2, bounds));
}

inline std::wstring uriOf(IUCCContact* contact)
{
    Bstr uri;
    if (!contact || FAILED(contact->get_Uri(uri.out()))) return L"<no uri>";
    return uri.str();
}
