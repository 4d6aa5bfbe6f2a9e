#include "ExtensionProvider/ExtensionProviderClient.h"

#include "ExtensionProvider/HostClassObject.h"
#include "ExtensionProvider/SipAddress.h"
#include "extensionsutils/Utf8.h"
#include "logging/Results.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace ExtensionProviderClient {
namespace {

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;

std::string utf8Of(BSTR text)
{
    return extensionsutils::toUtf8(text, SysStringLen(text));
}

// The Exchange form of a name carries the user id after its last '='; a name with no '=', or whose only
// '=' opens it, is a URI.
bool isExchangeForm(BSTR signinName, UINT& lastEquals)
{
    const UINT length = SysStringLen(signinName);
    for (UINT i = length; i > 0; --i) {
        if (signinName[i - 1] != L'=') continue;
        lastEquals = i - 1;
        return lastEquals != 0;
    }
    return false;
}

// Participants in their order without `self` (compared without a "sip:" prefix) and without repeats, in
// one pass: a conference of many people costs no more per person than a call.
std::vector<std::wstring> withoutSelfAndRepeats(const std::vector<std::wstring>& given, const std::wstring& self)
{
    std::vector<std::wstring> kept;
    std::unordered_set<std::wstring_view> seen(given.size());
    for (const std::wstring& name : given) {
        if (SipAddress::withoutSipPrefix(name) == self) continue;
        if (!seen.insert(name).second) continue;
        kept.push_back(name);
    }
    return kept;
}

std::vector<std::wstring> namesIn(const SafeArray& list)
{
    std::vector<std::wstring> names;
    if (list) extensionsutils::readStrings(list.get(), names);
    return names;
}

} // namespace

HRESULT getContact(BSTR signinName, ComPtr<IContact>& contact)
{
    TAVO_LOG(2, "got a request for contact - " << utf8Of(signinName));
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "could not create a IIMAndPresence object", contactNotFound);
    ComPtr<IDispatch> found;
    HRESULT hr = S_OK;
    UINT lastEquals = 0;
    if (!isExchangeForm(signinName, lastEquals)) {
        TAVO_LOG(0, "looking for contact by uri");
        hr = imAndPresence->GetContact(signinName, found.out());
    } else {
        TAVO_LOG(1, "signin name contains '=' assuming EXCHANGE format");
        const Bstr userId(signinName + lastEquals + 1, SysStringLen(signinName) - lastEquals - 1);
        TAVO_LOG(1, "looking for contact by userId");
        hr = imAndPresence->GetContactByUserId(userId.get(), found.out());
    }
    if (FAILED(hr) || !found) return TAVO_FAIL(4, "pIMAndPresence->GetContact failed", contactNotFound);
    ComPtr<IContact> result;
    if (FAILED(found->QueryInterface(IID_IContact, reinterpret_cast<void**>(result.out()))) || !result)
        return TAVO_FAIL(4, "Unable to QueryInterface returned IDispatch for IContact", contactNotFound);
    contact = result;
    return S_OK;
}

HRESULT getClientUserContact(ComPtr<IContact>& contact)
{
    ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) return TAVO_FAIL(4, "could not create ProviderManagement", E_FAIL);
    ComPtr<IDispatch> user;
    const HRESULT hr = providerManagement->GetLoggedInUser(user.out());
    if (FAILED(hr) || !user) return TAVO_FAIL(4, "call to GetLoggedInUser failed", E_FAIL);
    return user->QueryInterface(IID_IContact, reinterpret_cast<void**>(contact.out()));
}

HRESULT getClientUserJid(Bstr& jid)
{
    ComPtr<IContact> user;
    if (FAILED(getClientUserContact(user)) || !user) return TAVO_FAIL(4, "Unable to get ClientUser contact", E_FAIL);
    Bstr name;
    // A host that cannot give the name leaves it null; the caller still gets S_OK.
    user->get_SigninName(name.out());
    TAVO_LOG(1, "got signin name: " << name.toUtf8());
    jid = name;
    return S_OK;
}

bool isClientLoggedIn()
{
    ComPtr<IProviderManagement> providerManagement = hostaccess::GetProviderManagement();
    if (!providerManagement) return TAVO_FAIL(4, "GetProviderManagement failed", false);
    long signedIn = 1;
    if (FAILED(providerManagement->IsSignedIn(&signedIn)))
        return TAVO_FAIL(4, "providerManagement->IsSignedIn failed", false);
    if (signedIn == 0) return true;
    TAVO_LOG(1, "isSignedIn is not 0, returning false");
    return false;
}

HRESULT startWatchingContact(BSTR signinName)
{
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "could not create a IIMAndPresence object", E_FAIL);
    return imAndPresence->WatchContact(signinName);
}

HRESULT TagContact(BSTR signinName, VARIANT_BOOL tagged)
{
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "imAndPresence is nullptr", E_FAIL);
    // The host takes the VARIANT_BOOL widened to 32 bits: VARIANT_TRUE arrives as -1.
    return imAndPresence->TagContact(signinName, static_cast<long>(tagged));
}

SafeArray removeDuplicatesAndClientUser(SAFEARRAY* participants)
{
    Bstr clientUser;
    if (FAILED(getClientUserJid(clientUser)))
        return TAVO_FAIL(4, "Failed to get clientUser jid", SafeArray::ofStrings({}));
    std::vector<std::wstring> given;
    if (FAILED(extensionsutils::readStrings(participants, given))) return SafeArray::ofStrings({});
    // Office names people by SIP URI, the host by sign-in name: the scheme does not make another person.
    return SafeArray::ofStrings(withoutSelfAndRepeats(given, SipAddress::withoutSipPrefix(clientUser.str())));
}

HRESULT startCall(SAFEARRAY* participants)
{
    ComPtr<IPhone> phone = hostaccess::GetPhone();
    if (!phone) return TAVO_FAIL(4, "phone is nullptr", E_FAIL);
    const SafeArray list = removeDuplicatesAndClientUser(participants);
    if (!list) return E_OUTOFMEMORY;
    const std::vector<std::wstring> invited = namesIn(list);
    if (invited.empty()) return TAVO_FAIL(3, "cannot start conversation - nothing in list", S_OK);
    if (invited.size() == 1) return phone->MakeCall(Bstr(invited.front()).get());
    return phone->MakeConferenceCall(list.get());
}

HRESULT startChat(SAFEARRAY* participants, BSTR subject)
{
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) return TAVO_FAIL(4, "imAndPresence is nullptr", E_FAIL);
    HRESULT hr = S_OK;
    std::vector<std::wstring> given;
    if (SUCCEEDED(extensionsutils::readStrings(participants, given)) && given.size() == 1) {
        // A single participant is messaged as given, even the signed-in user.
        hr = imAndPresence->StartInstantMessage(Bstr(given.front()).get());
    } else {
        const SafeArray list = removeDuplicatesAndClientUser(participants);
        if (!list) return E_OUTOFMEMORY;
        if (namesIn(list).empty()) return TAVO_FAIL(3, "cannot start conversation - nothing in list", S_OK);
        hr = imAndPresence->StartGroupChat(list.get(), subject);
    }
    if (FAILED(hr)) TAVO_LOG(4, "Unable to start Chat");
    return hr;
}

} // namespace ExtensionProviderClient
