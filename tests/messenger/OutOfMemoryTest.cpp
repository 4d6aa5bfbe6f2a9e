// Memory running out inside any of Office's getters, on both APIs: the first, second, third ... allocation
// of the call fails in turn, until the call runs through. Every run must end in a COM answer (the normal
// one, E_OUTOFMEMORY, or the failure the call gives when an object cannot be made), never an exception
// leaving the call, and nothing may be left behind.
#include "MessengerFixture.h"

#include "support/AllocationFailures.h"

#include "extensionsutils/SafeArray.h"

#include <string>
#include <type_traits>

using extensionsutils::SafeArray;
using fakehost::AllocationFailures;

namespace {

// Fails allocation 1, 2, ... of the call until one run needs fewer allocations than the one armed.
void sweep(const std::string& name, const std::function<HRESULT()>& call, HRESULT cannotMake = E_OUTOFMEMORY)
{
    for (long n = 1; n < 5000; ++n) {
        AllocationFailures::arm(n);
        HRESULT hr = S_OK;
        bool threw = false;
        try {
            hr = call();
        } catch (...) {
            threw = true;
        }
        const bool failed = AllocationFailures::disarm();
        ASSERT_FALSE(threw) << name << ": an exception left the call when allocation " << n << " failed";
        if (!failed) return;
        EXPECT_TRUE(SUCCEEDED(hr) || hr == E_OUTOFMEMORY || hr == cannotMake)
            << name << ": allocation " << n << " failed and the call answered 0x" << std::hex << hr;
    }
    ADD_FAILURE() << name << " never ran through";
}

// The getter's answer, whatever it is, released again.
template <class Out, class Get>
std::function<HRESULT()> getter(Get get)
{
    return [get] {
        Out out{};
        const HRESULT hr = get(&out);
        if constexpr (std::is_same_v<Out, BSTR>) SysFreeString(out);
        if constexpr (std::is_pointer_v<Out> && !std::is_same_v<Out, BSTR>) if (out) out->Release();
        if constexpr (std::is_same_v<Out, VARIANT>) VariantClear(&out);
        return hr;
    };
}

using OutOfMemoryTest = MessengerTest;

TEST_F(OutOfMemoryTest, MessengerApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    const Bstr bobName(L"bob");
    sweep("MySigninName", getter<BSTR>([api](BSTR* out) { return api->get_MySigninName(out); }));
    sweep("MyFriendlyName", getter<BSTR>([api](BSTR* out) { return api->get_MyFriendlyName(out); }));
    sweep("MyStatus", getter<MISTATUS>([api](MISTATUS* out) { return api->get_MyStatus(out); }));
    sweep("MyPhoneNumber", getter<BSTR>([api](BSTR* out) { return api->get_MyPhoneNumber(MPHONE_TYPE_WORK, out); }));
    sweep("MyServiceId", getter<BSTR>([api](BSTR* out) { return api->get_MyServiceId(out); }));
    sweep("MyContacts", getter<IDispatch*>([api](IDispatch** out) { return api->get_MyContacts(out); }), E_FAIL);
    sweep("Services", getter<IDispatch*>([api](IDispatch** out) { return api->get_Services(out); }));
    sweep("GetContact", getter<IDispatch*>([&](IDispatch** out) { return api->GetContact(bobName.get(), nullptr, out); }),
          ContactNotFound);
    ComPtr<IDispatch> bobObject;
    ASSERT_EQ(S_OK, api->GetContact(bobName.get(), nullptr, bobObject.out()));
    ComPtr<IMessengerContact> bob = bobObject.as<IMessengerContact>();
    sweep("Contact.FriendlyName", getter<BSTR>([bob](BSTR* out) { return bob->get_FriendlyName(out); }));
    sweep("Contact.SigninName", getter<BSTR>([bob](BSTR* out) { return bob->get_SigninName(out); }));
    sweep("Contact.PhoneNumber", getter<BSTR>([bob](BSTR* out) { return bob->get_PhoneNumber(MPHONE_TYPE_WORK, out); }));
    sweep("Contact.Status", getter<MISTATUS>([bob](MISTATUS* out) { return bob->get_Status(out); }));
    sweep("Contact.Property", getter<VARIANT>([bob](VARIANT* out) { return bob->get_Property(MCONTACTPROP_EMAIL, out); }));
}

TEST_F(OutOfMemoryTest, UcApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    const Bstr version(L"15.0.0.0");
    sweep("GetSupportedFeatures", getter<OIFeature>([&](OIFeature* out) { return integration->GetSupportedFeatures(version.get(), out); }));
    sweep("GetAuthenticationInfo", getter<BSTR>([&](BSTR* out) { return integration->GetAuthenticationInfo(version.get(), out); }));
    sweep("GetInterface", getter<IDispatch*>([&](IDispatch** out) {
        return integration->GetInterface(version.get(), oiInterfaceIUCCLyncClient, out);
    }));
    ComPtr<IDispatch> clientObject;
    ASSERT_EQ(S_OK, integration->GetInterface(version.get(), oiInterfaceIUCCLyncClient, clientObject.out()));
    ComPtr<IUCCLyncClient> client = clientObject.as<IUCCLyncClient>();
    sweep("Client.Uri", getter<BSTR>([client](BSTR* out) { return client->get_Uri(out); }));
    sweep("Client.Self", getter<IUCCSelf*>([client](IUCCSelf** out) { return client->get_Self(out); }));
    ComPtr<IUCCContactManager> manager;
    ASSERT_EQ(S_OK, client->get_ContactManager(manager.out()));
    addContact(L"bob@example.com");
    const Bstr bob(L"sip:bob@example.com");
    sweep("GetContactByUri", getter<IUCCContact*>([&](IUCCContact** out) { return manager->GetContactByUri(bob.get(), out); }));
    sweep("GetSelfContact", getter<IUCCContact*>([manager](IUCCContact** out) { return manager->GetSelfContact(out); }));
    sweep("CreateSubscription",
          getter<IUCCContactSubscription*>([manager](IUCCContactSubscription** out) { return manager->CreateSubscription(out); }));
    ComPtr<IUCCContact> self;
    ASSERT_EQ(S_OK, manager->GetSelfContact(self.out()));
    sweep("Contact.Uri", getter<BSTR>([self](BSTR* out) { return self->get_Uri(out); }));
    for (const ContactInformationType type : {ucPresenceAvailability, ucPresenceActivityId, ucPresenceActivity,
                                              ucPresenceCustomActivity, ucPresenceDisplayName,
                                              ucPresenceInstantMessageAddresses, ucPresenceContactEndpoints})
        sweep("Contact.GetContactInformation " + std::to_string(type),
              getter<VARIANT>([self, type](VARIANT* out) { return self->GetContactInformation(type, out); }));
    const SafeArray types = SafeArray::ofInt32s({ucPresenceAvailability, ucPresenceDisplayName, ucPresenceContactEndpoints});
    sweep("Contact.BatchGetContactInformation", getter<IUCCContactInformationDictionary*>([&](IUCCContactInformationDictionary** out) {
        return self->BatchGetContactInformation(types.get(), out);
    }));
    sweep("Contact.Settings",
          getter<IUCCContactSettingDictionary*>([self](IUCCContactSettingDictionary** out) { return self->get_Settings(out); }));
    sweep("Contact.CanStart", getter<VARIANT_BOOL>([self](VARIANT_BOOL* out) { return self->CanStart(ucModalityInstantMessage, out); }));
}

} // namespace
