#pragma once

// The Messenger API as Office meets it, in-process: the module fixture's fake host with a signed-in user
// "me" and the contacts "bob" and "carol", and one Messenger object created and initialised the way the
// class factory does it. The module's type library is registered so that IDispatch calls work. Every test
// ends with the objects uninitialised (as at module stop) and released.

#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "OfficeIntegrationImpl.h"

#include "support/LateBoundAnswers.h"
#include "support/ModuleFixture.h"
#include "support/SavedRegistryKey.h"
#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/WeakPtrCComObject.h"

#include <gmock/gmock.h>

using fakehost::HostMethod;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using ::testing::ElementsAre;

class MessengerTest : public ModuleFixture {
protected:
    static constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E);
    static constexpr HRESULT ContactNotFound = static_cast<HRESULT>(0x8100030A);
    static constexpr const wchar_t* settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

    void SetUp() override
    {
        settings.clear();
        ModuleFixture::SetUp();
        static const HRESULT registered = registerTypeLibraryForMarshaling(besideThisProgram(L"TavoMessenger.dll"));
        ASSERT_EQ(registered, S_OK);
        // sign-in name, user id, name, work, home, mobile, other
        host().setClientUser({L"me", L"me-id", L"Me Myself", L"+1 555 0101", L"+1 555 0100", L"", L"+1 555 0103"});
        addContact(L"bob");
        addContact(L"carol");
        messenger = createMessenger(0);
        ASSERT_TRUE(messenger);
        api = messengerApi();
    }
    void releaseModuleObjects() override
    {
        for (MICComPtr<OfficeIntegrationImpl>& object : created) object->uninitialise(); // as the factory at stop
        created.clear();
        api.reset();
        messenger.reset();
        host().shutdown(); // lets go of sinks the host still held
    }

    // A further Messenger object, initialised with these start flags; uninitialised with the fixture's.
    MICComPtr<OfficeIntegrationImpl> createMessenger(std::uint32_t flags)
    {
        MICComPtr<OfficeIntegrationImpl> object = extensionsutils::WeakPtrCComObject<OfficeIntegrationImpl>::create();
        if (object) {
            object->initialise(worker, std::make_shared<Configuration>(flags));
            created.push_back(object);
        }
        return object;
    }
    ComPtr<IMessengerAdvanced> messengerApi() const { return messenger.as<IMessengerAdvanced>(); }
    ComPtr<IDispatch> lateBound() const { return messenger.as<IDispatch>(); }
    void signOut() { host().setSignedInValue(1); }
    enum Fault { Fails, Empty, WrongObject };
    // The host's next call of the method fails, answers nothing, or answers an object of another kind.
    void breakOnce(HostMethod method, Fault fault)
    {
        if (fault == Fails) host().failMethod(method, E_FAIL, 1);
        else if (fault == Empty) host().answerEmpty(method, 1);
        else host().answerWrongObject(method, 1);
    }
    // ResolveContact as Office asks; the IM address reaches Office only as an event, never as the out-parameter.
    HRESULT resolve(const std::wstring& address, const MICComPtr<OfficeIntegrationImpl>& target)
    {
        BSTR imAddress = sentinel<OLECHAR>();
        const HRESULT hr = target.as<IMessengerContactResolution>()->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY,
                                                                                     Bstr(address).get(), &imAddress);
        EXPECT_EQ(sentinel<OLECHAR>(), imAddress) << "the IM address was written";
        return hr;
    }
    HRESULT resolve(const std::wstring& address) { return resolve(address, messenger); }
    void addContact(const std::wstring& name) { host().addContact({name, name + L"-id", L"Friendly " + name, L"work of " + name}); }
    // A Messenger contact made from the host's contact of that name, as GetContact makes it.
    ComPtr<IMessengerContactAdvanced> contactOf(const std::wstring& signinName, std::uint32_t flags = 0)
    {
        const auto configuration = std::make_shared<Configuration>(flags);
        return TavoMessengerExtensionBroker::CreateMessengerContact(host().makeContactObject(signinName).get(), configuration)
            .as<IMessengerContactAdvanced>();
    }
    // Whether some record has this message at this module level from this function ("Class::member").
    bool logged(const std::wstring& message, int moduleLevel, const std::wstring& function) const
    {
        for (const fakehost::LogRecord& record : host().recordsOf(message))
            if (record.hostLevel == 5 - moduleLevel && record.function == function) return true;
        return false;
    }

    // The object reads DisableResolveContact when it is made: no value there, whatever another program left.
    registrytest::SavedRegistryKey settings{HKEY_CURRENT_USER, settingsKey};
    MICComPtr<OfficeIntegrationImpl> messenger;
    ComPtr<IMessengerAdvanced> api; // the fixture's object, as Office holds it
    std::vector<MICComPtr<OfficeIntegrationImpl>> created;
};
