#include "soak/OfficeLink.h"

#include "soak/SoakPeople.h"

#include "officesim/Names.h"
#include "officesim/ProviderConnection.h"
#include "officesim/UcApi.h"
#include "officesim/VtableMessengerApi.h"
#include "officesim/VtableUcApi.h"

namespace soak {

namespace {

const wchar_t* const UcVersion = L"15.0.0.0";

std::wstring failure(const std::wstring& call, HRESULT hr)
{
    return call + L" answered " + officesim::hresultText(hr);
}

} // namespace

bool OfficeLink::connect(unsigned long retryMs, std::wstring& problem)
{
    release();
    const officesim::Activation activation = officesim::createMessenger(retryMs);
    if (FAILED(activation.hr)) {
        problem = failure(L"CoCreateInstance(Messenger)", activation.hr);
        return false;
    }
    officesim::VtableUcApi uc;
    uc.supportedFeatures(activation.messenger.get(), UcVersion);
    uc.authenticationInfo(activation.messenger.get(), UcVersion);
    const officesim::Answer<officesim::Object> lync =
        uc.getInterface(activation.messenger.get(), UcVersion, officesim::InterfaceLyncClient);
    if (!lync.succeeded() || !lync.value) {
        problem = failure(L"IUCOfficeIntegration.GetInterface", lync.hr);
        return false;
    }
    const officesim::Answer<officesim::Object> manager = uc.clientContactManager(lync.value.get());
    if (!manager.succeeded() || !manager.value) {
        problem = failure(L"IUCCClient.ContactManager", manager.hr);
        return false;
    }
    messenger = activation.messenger;
    client = lync.value;
    contactManager = manager.value;
    return true;
}

void OfficeLink::release()
{
    contactManager.reset();
    client.reset();
    messenger.reset();
}

std::wstring checkKnownAnswers(const OfficeLink& link)
{
    officesim::VtableMessengerApi messenger;
    officesim::VtableUcApi uc;
    const officesim::Answer<std::wstring> signin = messenger.mySigninName(link.messenger.get());
    if (!signin.succeeded() || signin.value != UserSigninName) return failure(L"IMessenger.MySigninName", signin.hr) + L" \"" + signin.value + L"\"";
    const officesim::Answer<officesim::Object> contact = messenger.getContact(link.messenger.get(), contactSigninName(5));
    if (!contact.succeeded() || !contact.value) return failure(L"IMessenger.GetContact", contact.hr);
    const officesim::Answer<std::wstring> name = messenger.friendlyName(contact.value.get());
    if (!name.succeeded() || name.value != contactFriendlyName(5)) return failure(L"IMessengerContact.FriendlyName", name.hr) + L" \"" + name.value + L"\"";
    const officesim::Answer<long> status = messenger.status(contact.value.get());
    if (!status.succeeded() || status.value != StatusCycle[0]) return failure(L"IMessengerContact.Status", status.hr) + L" " + std::to_wstring(status.value);
    const officesim::Answer<long> state = uc.clientState(link.client.get());
    if (!state.succeeded() || state.value != officesim::ClientStateSignedIn) return failure(L"IUCCClient.State", state.hr) + L" " + std::to_wstring(state.value);
    const officesim::Answer<std::wstring> uri = uc.clientUri(link.client.get());
    if (!uri.succeeded() || uri.value != UserSigninName) return failure(L"IUCCClient.Uri", uri.hr) + L" \"" + uri.value + L"\"";
    return std::wstring();
}

} // namespace soak
