#include "host/BareMessenger.h"

#include "host/BareContact.h"
#include "host/BareContacts.h"
#include "host/BareHost.h"
#include "host/BareLanes.h"
#include "extensionsutils/OfficeEventIds.h"

#include <cwchar>
#include <memory>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace bench {
namespace {

constexpr HRESULT NotLoggedOn = static_cast<HRESULT>(0x8100031E);     // MSGR_E_NOT_LOGGED_ON
constexpr HRESULT ContactNotFound = static_cast<HRESULT>(0x8100030A); // MSGR_E_USER_NOT_FOUND

HRESULT userSigninName(Bstr& name)
{
    ComPtr<IProviderManagement> management = bareHost().create<IProviderManagement>();
    ComPtr<IDispatch> user;
    if (!management || FAILED(management->GetLoggedInUser(user.out())) || !user) return E_FAIL;
    const ComPtr<IContact> contact = user.as<IContact>();
    if (!contact) return E_FAIL;
    return contact->get_SigninName(name.out());
}

HRESULT hostContact(BSTR signinName, ComPtr<IContact>& contact)
{
    ComPtr<IIMAndPresence> imAndPresence = bareHost().create<IIMAndPresence>();
    if (!imAndPresence) return ContactNotFound;
    ComPtr<IDispatch> found;
    const wchar_t* equals = std::wcsrchr(signinName, L'=');
    const HRESULT hr = equals && equals != signinName ? imAndPresence->GetContactByUserId(Bstr(equals + 1).get(), found.out())
                                                      : imAndPresence->GetContact(signinName, found.out());
    if (FAILED(hr) || !found) return ContactNotFound;
    contact = found.as<IContact>();
    return contact ? S_OK : ContactNotFound;
}

// The contact the module makes for Office from a host contact: the name and the four numbers copied, the
// blocked and tagged flags set (each setter asks the sign-in check).
HRESULT makeContact(const ComPtr<IContact>& contact, extensionsutils::MICComPtr<BareContact>& made)
{
    Bstr friendlyName, name, work, mobile, home, other;
    if (FAILED(contact->get_FriendlyName(friendlyName.out())) || FAILED(contact->get_SigninName(name.out())) ||
        FAILED(contact->get_WorkNumber(work.out())) || FAILED(contact->get_MobileNumber(mobile.out())) ||
        FAILED(contact->get_HomeNumber(home.out())) || FAILED(contact->get_OtherNumber(other.out()))) {
        return ContactNotFound;
    }
    made = extensionsutils::ComObject<BareContact>::create(contact, name);
    if (!made) return E_OUTOFMEMORY;
    if (!bareSignedIn() || !bareSignedIn()) return NotLoggedOn;
    return S_OK;
}

} // namespace

// The module's answer asks the sign-in check three times: its own member, the sign-in name member it calls
// through the interface, and the service behind that.
HRESULT BareMessenger::get_MyStatus(MISTATUS* status)
{
    if (!status) return E_POINTER;
    if (!bareSignedIn()) return NotLoggedOn;
    ComPtr<IIMAndPresence> imAndPresence = bareHost().create<IIMAndPresence>();
    if (!imAndPresence) return E_FAIL;
    Bstr signinName;
    if (!bareSignedIn() || !bareSignedIn() || FAILED(userSigninName(signinName))) return E_FAIL;
    ComPtr<IDispatch> presence;
    if (FAILED(imAndPresence->GetPresenceForContact(signinName.get(), presence.out())) || !presence) return E_FAIL;
    const ComPtr<IPresenceState> state = presence.as<IPresenceState>();
    LONG value = 0;
    if (!state || FAILED(state->get_PresenceState(&value))) return E_FAIL;
    *status = value == 1 ? MISTATUS_ONLINE : MISTATUS_AWAY;
    return S_OK;
}

// The module makes its contact from the host's, then starts watching the contact.
HRESULT BareMessenger::GetContact(BSTR signinName, BSTR, IDispatch** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (SysStringLen(signinName) == 0) return E_FAIL;
    if (!bareSignedIn()) return ContactNotFound;
    ComPtr<IContact> contact;
    if (FAILED(hostContact(signinName, contact))) return ContactNotFound;
    extensionsutils::MICComPtr<BareContact> bare;
    const HRESULT made = makeContact(contact, bare);
    if (FAILED(made)) return made;
    Bstr jid;
    if (SUCCEEDED(contact->get_SigninName(jid.out()))) {
        ComPtr<IIMAndPresence> imAndPresence = bareHost().create<IIMAndPresence>();
        if (imAndPresence) imAndPresence->WatchContact(jid.get());
    }
    return bare.identity()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result));
}

// The module asks the sign-in check twice (the member and the list's filling), makes every contact as
// GetContact does, then watches each, reading its name back through the contact (which asks the check).
HRESULT BareMessenger::get_MyContacts(IDispatch** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!bareSignedIn()) return NotLoggedOn;
    ComPtr<IIMAndPresence> imAndPresence = bareHost().create<IIMAndPresence>();
    ComPtr<IDispatch> listed;
    if (!imAndPresence || FAILED(imAndPresence->GetContacts(listed.out())) || !listed) return E_FAIL;
    const ComPtr<IContacts> hostContacts = listed.as<IContacts>();
    auto contacts = std::make_shared<BareContacts::Contacts>();
    LONG count = 0;
    if (!bareSignedIn() || !hostContacts || FAILED(hostContacts->get_Count(&count))) return E_FAIL;
    std::vector<Bstr> names;
    for (LONG index = 0; index < count; ++index) {
        ComPtr<IDispatch> item;
        const ComPtr<IContact> contact = SUCCEEDED(hostContacts->get_Item(index, item.out())) && item ? item.as<IContact>() : nullptr;
        extensionsutils::MICComPtr<BareContact> made;
        if (!contact || FAILED(makeContact(contact, made))) continue;
        names.emplace_back(made->signinName());
        contacts->push_back(made.as<IDispatch>());
    }
    for (const Bstr& name : names) {
        if (!bareSignedIn()) continue;
        ComPtr<IIMAndPresence> watcher = bareHost().create<IIMAndPresence>();
        if (watcher) watcher->WatchContact(name.get());
    }
    const auto list = extensionsutils::ComObject<BareContacts>::create(std::shared_ptr<const BareContacts::Contacts>(contacts));
    if (!list) return E_OUTOFMEMORY;
    return list.identity()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result));
}

HRESULT BareMessenger::statusChangeArguments(IDispatch* hostContact, IDispatch* presenceState,
                                             extensionsutils::DispatchParameters& arguments)
{
    const ComPtr<IContact> contact = hostContact ? ComPtr<IDispatch>(hostContact).as<IContact>() : nullptr;
    const ComPtr<IPresenceState> state = presenceState ? ComPtr<IDispatch>(presenceState).as<IPresenceState>() : nullptr;
    if (!contact || !state) return E_NOINTERFACE;
    extensionsutils::MICComPtr<BareContact> made;
    const HRESULT hr = makeContact(contact, made);
    if (FAILED(hr)) return hr;
    LONG presence = 0;
    if (FAILED(state->get_PresenceState(&presence))) return E_FAIL;
    const ComPtr<IDispatch> madeDispatch = made.as<IDispatch>();
    VARIANT madeContact;
    madeContact.vt = VT_DISPATCH;
    madeContact.pdispVal = madeDispatch.get();
    VARIANT status;
    status.vt = VT_I4;
    status.lVal = presence == 1 ? MISTATUS_ONLINE : MISTATUS_AWAY;
    if (FAILED(arguments.add(madeContact)) || FAILED(arguments.add(status))) return E_OUTOFMEMORY;
    return S_OK;
}

HRESULT BareMessenger::contactStatusChanged(IDispatch* hostContact, IDispatch* presenceState)
{
    extensionsutils::DispatchParameters arguments;
    HRESULT hr = statusChangeArguments(hostContact, presenceState, arguments);
    if (FAILED(hr)) return hr;
    for (const ComPtr<IDispatch>& sink : connectedSinks(connectionPoint(DIID_DMessengerEvents)))
        if (sink) hr = arguments.invoke(sink.get(), extensionsutils::officeevents::onContactStatusChange);
    return hr;
}

HRESULT BareMessenger::contactStatusChangedInLanes(IDispatch* hostContact, IDispatch* presenceState)
{
    auto arguments = std::make_shared<extensionsutils::DispatchParameters>();
    const HRESULT hr = statusChangeArguments(hostContact, presenceState, *arguments);
    if (FAILED(hr)) return hr;
    return bareLanes().fire(connectedSinks(connectionPoint(DIID_DMessengerEvents)), extensionsutils::officeevents::onContactStatusChange,
                            arguments);
}

} // namespace bench
