#include "IUCOfficeIntegration/UCCContact.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/SipAddress.h"
#include "IUCOfficeIntegration/values/UCCContactEndpoint.h"
#include "IUCOfficeIntegration/values/UCCContactInformationChangedEventData.h"
#include "IUCOfficeIntegration/values/UCCContactInformationDictionary.h"
#include "IUCOfficeIntegration/UCCContactManager.h"
#include "IUCOfficeIntegration/values/UCCContactSettingChangedEventData.h"
#include "IUCOfficeIntegration/values/UCCContactSettingsDictionary.h"
#include "IUCOfficeIntegration/values/UCCLocaleString.h"
#include "logging/Results.h"
#include "utils/Tr1FunctionWorker.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

#include <string>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

// The host contact's telephone numbers, in the order Office is given them, with their endpoint types.
struct NumberSource
{
    HRESULT (ContactDetails::*getter)(BSTR*);
    ContactEndpointType type;
};

const NumberSource numberSources[] = {
    {&ContactDetails::getWorkNumber, ucContactEndpointTypeWorkPhone},
    {&ContactDetails::getMobileNumber, ucContactEndpointTypeMobilePhone},
    {&ContactDetails::getHomeNumber, ucContactEndpointTypeHomePhone},
    {&ContactDetails::getOtherNumber, ucContactEndpointTypeOtherPhone},
};

// The host's change codes, as the contact event reports them.
enum HostChangeCode : LONG {
    hostChangeDisplayName = 1,
    hostChangeNumbers = 3,
    hostChangePresence = 4,
    hostChangeTagged = 5,
};

// The one argument of the host's change event, an array of 32-bit codes (also accepted by reference).
bool readChangeCodes(const DISPPARAMS* parameters, std::vector<LONG>& codes)
{
    if (!parameters || parameters->cArgs < 1 || !parameters->rgvarg) return false;
    Variant argument;
    // The first argument is the last one in DISPPARAMS order.
    if (FAILED(VariantCopyInd(argument.out(), &parameters->rgvarg[parameters->cArgs - 1]))) return false;
    if ((argument.type() & VT_ARRAY) == 0) return false;
    return SUCCEEDED(extensionsutils::readInt32s(argument.get()->parray, codes));
}

} // namespace

UCCContact::UCCContact() : ConnectionPointContainer({DIID__IUCCContactEvents})
{
    TAVO_LOG(1, "Constructor " << static_cast<const void*>(this));
}

UCCContact::~UCCContact()
{
    TAVO_LOG(1, "Destructor" << static_cast<const void*>(this));
    // The members go in reverse order of declaration: the worker thread, the manager, then the details,
    // whose release ends the watching.
}

HRESULT UCCContact::initialise(std::weak_ptr<WorkerThread> worker, MICComPtr<UCCContactManager> manager,
                               std::shared_ptr<ContactDetails> contactDetails)
{
    if (!contactDetails) return E_INVALIDARG;
    if (initialised) return E_UNEXPECTED;
    initialised = true;
    workerThread = std::move(worker);
    contactManager = std::move(manager);
    details = std::move(contactDetails);

    // Neither the host's watching nor the change work it queues may keep the contact alive: both hold it
    // weakly, so Office's last release ends the watching at once, whatever the queue holds.
    const extensionsutils::CComWeakPtr<UCCContact> self = getWeakPtr();
    const std::weak_ptr<WorkerThread> reportingThread = workerThread;
    details->startWatchingContact([self, reportingThread](DISPPARAMS* parameters) {
        onContactChanged(self, reportingThread, parameters);
    });
    return S_OK;
}

HRESULT UCCContact::get_Uri(BSTR* contactUri)
try {
    if (!contactUri) return E_POINTER;
    Bstr uri;
    const HRESULT hr = details->getUri(uri.out());
    if (FAILED(hr)) return hr;
    Bstr prefixed(L"sip:" + uri.str());
    if (!prefixed) return E_OUTOFMEMORY;
    *contactUri = prefixed.detach();
    return S_OK;
}
TAVO_CATCH_RETURN

HRESULT UCCContact::GetContactInformation(ContactInformationType type, VARIANT* value)
try {
    if (!value) return E_POINTER;
    const std::shared_ptr<TransactionLock> transaction = details->getReadTransactionLock();
    TAVO_LOG(2, "Request received for contact information of type: " << type);
    Variant answer;
    const HRESULT hr = contactInformation(type, answer);
    answer.detach(value); // in every case: an unanswered type reads VT_EMPTY
    return hr;
}
TAVO_CATCH_RETURN

HRESULT UCCContact::contactInformation(ContactInformationType type, Variant& value)
{
    switch (type) {
    case ucPresenceAvailability:
        value = Variant::fromInt32(details->getPresenceState());
        return S_OK;
    case ucPresenceActivityId:
        value = Variant::fromString(L"");
        return value.isEmpty() ? E_OUTOFMEMORY : S_OK;
    case ucPresenceActivity: {
        Bstr presence;
        const HRESULT hr = details->getPresenceString(presence.out());
        if (FAILED(hr)) return hr;
        value = Variant::fromBstr(std::move(presence));
        return S_OK;
    }
    case ucPresenceCustomActivity:
        return setVariantToPresenceStringAsLocalString(value);
    case ucPresenceDisplayName: {
        Bstr displayName;
        const HRESULT hr = details->getDisplayName(displayName.out());
        if (FAILED(hr)) return hr;
        value = Variant::fromBstr(std::move(displayName));
        return S_OK;
    }
    case ucPresenceLegacyInstantMessageAddresses:
    case ucPresenceInstantMessageAddresses:
        return setVariantToInstantMessageAddresses(value);
    case ucPresenceContactEndpoints:
        return setVariantToContactEndpoints(value);
    default:
        return E_NOTIMPL;
    }
}

HRESULT UCCContact::setVariantToPresenceStringAsLocalString(Variant& value)
{
    Bstr presence;
    TAVO_RETURN_IF_FAILED(details->getPresenceString(presence.out()), 4, "Unable to get PresenceString");
    const MICComPtr<UCCLocaleString> localeString = ComObject<UCCLocaleString>::create(presence.str());
    if (!localeString) return TAVO_FAIL(4, "Unable to create LocaleString", E_OUTOFMEMORY);
    const ComPtr<IDispatch> dispatch = localeString.as<IDispatch>();
    if (!dispatch) return TAVO_FAIL(4, "Unable to QueryInterface UCCLocaleString for IDispatch", E_NOINTERFACE);
    SafeArray array = SafeArray::ofDispatches(std::vector<ComPtr<IDispatch>>{dispatch});
    if (!array) return TAVO_FAIL(4, "Unable to Add IDispatch to SafeArray", E_OUTOFMEMORY);
    value = Variant::fromSafeArray(array.detach());
    return S_OK;
}

HRESULT UCCContact::setVariantToInstantMessageAddresses(Variant& value)
{
    Bstr uri;
    const HRESULT hr = details->getUri(uri.out());
    if (FAILED(hr)) return hr;
    std::vector<std::wstring> addresses;
    if (!uri.empty()) addresses.push_back(uri.str());
    SafeArray array = SafeArray::ofStrings(addresses);
    if (!array) return E_OUTOFMEMORY;
    value = Variant::fromSafeArray(array.detach());
    return S_OK;
}

HRESULT UCCContact::setVariantToContactEndpoints(Variant& value)
{
    std::vector<ComPtr<IDispatch>> endpoints;
    for (const NumberSource& source : numberSources) {
        Bstr number;
        if (FAILED((details.get()->*source.getter)(number.out())) || number.empty()) continue;
        const ComPtr<IDispatch> endpoint = createEndpoint(number, source.type);
        if (endpoint) endpoints.push_back(endpoint);
    }
    SafeArray array = SafeArray::ofDispatches(endpoints);
    if (!array) return E_OUTOFMEMORY;
    value = Variant::fromSafeArray(array.detach());
    return S_OK;
}

HRESULT UCCContact::BatchGetContactInformation(SAFEARRAY* types, IUCCContactInformationDictionary** information)
try {
    if (!information) return E_POINTER;
    std::vector<LONG> requested;
    TAVO_RETURN_IF_FAILED(extensionsutils::readInt32s(types, requested), 3,
                          "Batched contact information request without a list of information types");
    const std::shared_ptr<TransactionLock> transaction = details->getReadTransactionLock();
    TAVO_LOG(1, "Request received for batched contact information " << requested.size() << " items");
    const MICComPtr<UCCContactInformationDictionary> dictionary = ComObject<UCCContactInformationDictionary>::create();
    if (!dictionary) return E_OUTOFMEMORY;
    for (const LONG type : requested) {
        Variant value;
        GetContactInformation(static_cast<ContactInformationType>(type), value.out()); // unanswered: VT_EMPTY
        const HRESULT hr = dictionary->add(static_cast<ContactInformationType>(type), *value.get());
        if (FAILED(hr)) return hr;
    }
    return dictionary.copyTo(information);
}
TAVO_CATCH_RETURN

HRESULT UCCContact::get_Settings(IUCCContactSettingDictionary** settings)
try {
    if (!settings) return E_POINTER;
    const std::shared_ptr<TransactionLock> transaction = details->getReadTransactionLock();
    const MICComPtr<UCCContactSettingsDictionary> dictionary = ComObject<UCCContactSettingsDictionary>::create();
    if (!dictionary) return E_OUTOFMEMORY;
    bool tagRead = false;
    const Variant tagged = taggedValue(&tagRead);
    if (tagRead) {
        const HRESULT hr = dictionary->add(ucContactTagged, *tagged.get());
        if (FAILED(hr)) return hr;
    }
    for (const NumberSource& source : numberSources) {
        Bstr number;
        if (FAILED((details.get()->*source.getter)(number.out()))) continue;
        // An empty number is kept as a null endpoint under its type.
        const Variant endpoint = Variant::fromDispatch(createEndpoint(number, source.type).get());
        const HRESULT hr = dictionary->add(static_cast<ContactSetting>(source.type), *endpoint.get());
        if (FAILED(hr)) return hr;
    }
    return dictionary.copyTo(settings);
}
TAVO_CATCH_RETURN

Variant UCCContact::taggedValue(bool* read)
{
    VARIANT_BOOL tagged = VARIANT_FALSE;
    const bool succeeded = SUCCEEDED(details->getTagged(&tagged));
    if (read) *read = succeeded;
    return Variant::fromBool(succeeded && tagged == VARIANT_TRUE);
}

HRESULT UCCContact::CanStart(ModalityTypes modalities, VARIANT_BOOL* canStart)
{
    if (!canStart) return E_POINTER;
    TAVO_LOG(1, "CanStart for modality: " << modalities);
    const bool startable = modalities == ucModalityInstantMessage || modalities == ucModalityAudioVideo;
    *canStart = startable && isClientUser() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

bool UCCContact::isClientUser()
{
    Bstr clientUser;
    if (FAILED(ExtensionProviderClient::getClientUserJid(clientUser)))
        return TAVO_FAIL(4, "Unable to get client user Jid", false);
    Bstr uri;
    if (FAILED(details->getUri(uri.out()))) return TAVO_FAIL(4, "Unable to get Uri", false);
    // A contact without an address (an unresolved one) is nobody, even when the host gives no user name.
    // The scheme of a SIP URI does not make another person.
    return !uri.empty() && SipAddress::withoutSipPrefix(uri.str()) == SipAddress::withoutSipPrefix(clientUser.str());
}

ComPtr<IDispatch> UCCContact::createEndpoint(const Bstr& number, ContactEndpointType type)
{
    if (number.empty()) return TAVO_FAIL(4, "Unable to create Endpoint instance", nullptr);
    const ComPtr<IDispatch> endpoint = ComObject<UCCContactEndpoint>::create(number.str(), type).as<IDispatch>();
    if (!endpoint) return TAVO_FAIL(4, "Unable to QueryInterface Endpoint for IUnknown", nullptr);
    return endpoint;
}

HRESULT UCCContact::ChangeSetting(ContactSetting setting, VARIANT value, IUnknown*, VARIANT,
                                  IUCCAsynchronousOperation** operation)
{
    if (setting != ucContactTagged) return E_NOTIMPL;
    Bstr uri;
    if (FAILED(details->getUri(uri.out())) || uri.empty()) return E_NOTIMPL;
    // A value by reference is read through its pointer, which Office may have left null.
    Variant tagged;
    if (FAILED(extensionsutils::copyByValue(value, tagged)) || FAILED(VariantChangeType(tagged.get(), tagged.get(), 0, VT_BOOL)))
        return TAVO_FAIL(3, "Unable to change the tag: the value is not a boolean", E_INVALIDARG);
    ExtensionProviderClient::TagContact(uri.get(), tagged.get()->boolVal); // the host reports the change itself
    // Nothing is asynchronous here: no operation is handed out and no callback is made.
    if (operation) *operation = nullptr;
    return S_OK;
}

HRESULT UCCContact::CanChangeSetting(ContactSetting setting, VARIANT_BOOL* canSet)
{
    if (!canSet) return E_POINTER;
    Bstr uri;
    const bool changeable = setting == ucContactTagged && SUCCEEDED(details->getUri(uri.out())) && !uri.empty();
    *canSet = changeable ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT UCCContact::get_ContactManager(IUCCContactManager** manager)
{
    if (!manager) return E_POINTER;
    if (!contactManager) return E_FAIL;
    return contactManager.copyTo(manager);
}

void UCCContact::onContactChanged(const extensionsutils::CComWeakPtr<UCCContact>& self,
                                  const std::weak_ptr<WorkerThread>& workerThread, DISPPARAMS* parameters)
{
    // No reference is taken here: the last release of a contact must never happen inside the host's call.
    if (self.expired()) return;
    TAVO_LOG(1, "Contact data changed");
    std::vector<LONG> changeCodes;
    if (!readChangeCodes(parameters, changeCodes)) {
        TAVO_LOG(3, "Contact data change without an array of change codes ignored");
        return;
    }
    const std::shared_ptr<WorkerThread> worker = workerThread.lock();
    if (!worker) return; // the module is stopping: nobody is told any more
    try {
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([self, changeCodes] {
            // A contact that Office released meanwhile is gone, and so is its report.
            const MICComPtr<UCCContact> contact = self.lock();
            if (contact) contact->onContactChangedAction(changeCodes);
        }));
    } catch (const std::bad_alloc&) {
        TAVO_LOG(4, "Unable to queue the contact change");
    }
}

void UCCContact::onContactChangedAction(const std::vector<LONG>& changeCodes)
{
    TAVO_LOG(1, "Reporting contact changed through callback");
    const MICComPtr<UCCContactInformationChangedEventData> changed =
        ComObject<UCCContactInformationChangedEventData>::create();
    const ComPtr<IDispatch> source = MICComPtr<UCCContact>(this).as<IDispatch>();
    if (!changed || !source) {
        TAVO_LOG(4, "Unable to create the contact change event data");
        return;
    }
    for (const LONG code : changeCodes) {
        switch (code) {
        case hostChangeDisplayName:
            changed->append(ucPresenceDisplayName);
            break;
        case hostChangeNumbers:
            changed->append(ucPresenceContactEndpoints);
            break;
        case hostChangePresence:
            changed->append(ucPresenceAvailability);
            changed->append(ucPresenceActivityId);
            changed->append(ucPresenceCustomActivity);
            changed->append(ucPresenceActivity);
            break;
        case hostChangeTagged: {
            const MICComPtr<UCCContactSettingChangedEventData> setting =
                ComObject<UCCContactSettingChangedEventData>::create();
            if (!setting) break;
            setting->setSetting(ucContactTagged);
            setting->setValue(*taggedValue().get());
            Fire_OnSettingChanged(source.get(), setting.as<IDispatch>().get());
            break;
        }
        default:
            break; // other codes carry nothing Office reads
        }
    }
    if (changed->count() == 0) {
        TAVO_LOG(1, "No changed data to report");
        return;
    }
    Fire_OnContactInformationChanged(source.get(), changed.as<IDispatch>().get());
}
