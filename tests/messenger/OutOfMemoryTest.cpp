// Memory running out inside any of Office's getters, on both APIs: the first, second, third ... allocation
// of the call fails in turn, until the call runs through. Every run must end in a COM answer (the normal
// one, E_OUTOFMEMORY, or the failure the call gives when an object cannot be made), never an exception
// leaving the call, and nothing may be left behind.
#include "MessengerFixture.h"

#include "support/AllocationFailures.h"

#include "extensionsutils/SafeArray.h"

#include <sstream>

using extensionsutils::SafeArray;
using fakehost::AllocationFailures;

namespace {

class OutOfMemoryTest : public MessengerTest {
protected:
    // Fails allocation 1, 2, ... of the call until one run needs fewer allocations than the one armed.
    static void sweep(const char* name, const std::function<HRESULT()>& call, HRESULT cannotMake = E_OUTOFMEMORY)
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

    template <class Getter>
    static std::function<HRESULT()> bstrGetter(Getter get)
    {
        return [get] {
            Bstr value;
            return get(value.out());
        };
    }

    template <class Getter>
    static std::function<HRESULT()> objectGetter(Getter get)
    {
        return [get] {
            ComPtr<IUnknown> value;
            return get(reinterpret_cast<IUnknown**>(value.out()));
        };
    }
};

TEST_F(OutOfMemoryTest, MessengerApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IMessengerAdvanced> api = messengerApi();
    sweep("MySigninName", bstrGetter([api](BSTR* out) { return api->get_MySigninName(out); }));
    sweep("MyFriendlyName", bstrGetter([api](BSTR* out) { return api->get_MyFriendlyName(out); }));
    sweep("MyStatus", [api] {
        MISTATUS status;
        return api->get_MyStatus(&status);
    });
    sweep("MyPhoneNumber", bstrGetter([api](BSTR* out) { return api->get_MyPhoneNumber(MPHONE_TYPE_WORK, out); }));
    sweep("MyServiceId", bstrGetter([api](BSTR* out) { return api->get_MyServiceId(out); }));
    sweep("MyContacts", objectGetter([api](IUnknown** out) {
        return api->get_MyContacts(reinterpret_cast<IDispatch**>(out));
    }), E_FAIL);
    sweep("Services", objectGetter([api](IUnknown** out) {
        return api->get_Services(reinterpret_cast<IDispatch**>(out));
    }));
    sweep("GetContact", objectGetter([api](IUnknown** out) {
        return api->GetContact(Bstr(L"bob").get(), nullptr, reinterpret_cast<IDispatch**>(out));
    }), ContactNotFound);

    ComPtr<IDispatch> bobObject;
    ASSERT_EQ(S_OK, api->GetContact(Bstr(L"bob").get(), nullptr, bobObject.out()));
    ComPtr<IMessengerContact> bob = bobObject.as<IMessengerContact>();
    ASSERT_TRUE(bob);
    sweep("IMessengerContact.FriendlyName", bstrGetter([bob](BSTR* out) { return bob->get_FriendlyName(out); }));
    sweep("IMessengerContact.SigninName", bstrGetter([bob](BSTR* out) { return bob->get_SigninName(out); }));
    sweep("IMessengerContact.PhoneNumber", bstrGetter([bob](BSTR* out) { return bob->get_PhoneNumber(MPHONE_TYPE_WORK, out); }));
    sweep("IMessengerContact.Status", [bob] {
        MISTATUS status;
        return bob->get_Status(&status);
    });
    sweep("IMessengerContact.Property", [bob] {
        Variant value;
        return bob->get_Property(MCONTACTPROP_EMAIL, value.out());
    });
}

TEST_F(OutOfMemoryTest, UcApiGettersAnswerInsteadOfThrowing)
{
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    ASSERT_TRUE(integration);
    sweep("GetSupportedFeatures", [integration] {
        OIFeature features;
        return integration->GetSupportedFeatures(Bstr(L"15.0.0.0").get(), &features);
    });
    sweep("GetAuthenticationInfo", bstrGetter([integration](BSTR* out) {
        return integration->GetAuthenticationInfo(Bstr(L"15.0.0.0").get(), out);
    }));
    sweep("GetInterface", objectGetter([integration](IUnknown** out) {
        return integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient,
                                         reinterpret_cast<IDispatch**>(out));
    }));

    ComPtr<IDispatch> clientObject;
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, clientObject.out()));
    ComPtr<IUCCLyncClient> client = clientObject.as<IUCCLyncClient>();
    ASSERT_TRUE(client);
    sweep("IUCCLyncClient.Uri", bstrGetter([client](BSTR* out) { return client->get_Uri(out); }));
    sweep("IUCCLyncClient.Self", objectGetter([client](IUnknown** out) {
        return client->get_Self(reinterpret_cast<IUCCSelf**>(out));
    }));
    ComPtr<IUCCContactManager> manager;
    ASSERT_EQ(S_OK, client->get_ContactManager(manager.out()));
    addContact(L"bob@example.com");
    sweep("GetContactByUri", objectGetter([manager](IUnknown** out) {
        return manager->GetContactByUri(Bstr(L"sip:bob@example.com").get(), reinterpret_cast<IUCCContact**>(out));
    }));
    sweep("GetSelfContact", objectGetter([manager](IUnknown** out) {
        return manager->GetSelfContact(reinterpret_cast<IUCCContact**>(out));
    }));
    sweep("CreateSubscription", objectGetter([manager](IUnknown** out) {
        return manager->CreateSubscription(reinterpret_cast<IUCCContactSubscription**>(out));
    }));

    ComPtr<IUCCContact> self;
    ASSERT_EQ(S_OK, manager->GetSelfContact(self.out()));
    sweep("IUCCContact.Uri", bstrGetter([self](BSTR* out) { return self->get_Uri(out); }));
    for (const ContactInformationType type : {ucPresenceAvailability, ucPresenceActivityId, ucPresenceActivity,
                                              ucPresenceCustomActivity, ucPresenceDisplayName,
                                              ucPresenceInstantMessageAddresses, ucPresenceContactEndpoints}) {
        std::ostringstream name;
        name << "IUCCContact.GetContactInformation(" << type << ")";
        sweep(name.str().c_str(), [self, type] {
            Variant value;
            return self->GetContactInformation(type, value.out());
        });
    }
    const SafeArray types = SafeArray::ofInt32s({ucPresenceAvailability, ucPresenceDisplayName, ucPresenceContactEndpoints});
    SAFEARRAY* typesArray = types.get();
    sweep("IUCCContact.BatchGetContactInformation", objectGetter([self, typesArray](IUnknown** out) {
        return self->BatchGetContactInformation(typesArray, reinterpret_cast<IUCCContactInformationDictionary**>(out));
    }));
    sweep("IUCCContact.Settings", objectGetter([self](IUnknown** out) {
        return self->get_Settings(reinterpret_cast<IUCCContactSettingDictionary**>(out));
    }));
    sweep("IUCCContact.CanStart", [self] {
        VARIANT_BOOL canStart;
        return self->CanStart(ucModalityInstantMessage, &canStart);
    });
}

} // namespace
