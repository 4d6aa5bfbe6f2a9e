#include "officesim/VtableUcApi.h"

#include "officesim/LateBoundCall.h"

#include "common/ContractIds.h"

#include "TavoMessengerLib.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

namespace officesim {

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

// An interface the member hands out, as the IDispatch the rest of officesim passes around.
template <class I>
Answer<Object> objectAnswer(HRESULT hr, I* owned)
{
    ComPtr<I> typed;
    typed.attach(owned);
    Object object;
    if (typed) typed->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out()));
    Answer<Object> answer = answerOf(hr, object);
    if (typed && !object) answer.shapeProblem = L"answered an object without IDispatch";
    return answer;
}

Answer<bool> boolAnswer(HRESULT hr, VARIANT_BOOL value)
{
    Answer<bool> answer = answerOf(hr, value != VARIANT_FALSE);
    if (SUCCEEDED(hr)) answer.shapeProblem = variantBoolProblem(value);
    return answer;
}

SafeArray typeArray(const std::vector<long>& types)
{
    return SafeArray::ofInt32s(std::vector<LONG>(types.begin(), types.end()));
}

} // namespace

Answer<long> VtableUcApi::supportedFeatures(IUnknown* messenger, const std::wstring& version)
{
    return onInterface<IUCOfficeIntegration, long>(messenger, contractid::IUCOfficeIntegration, [&](IUCOfficeIntegration* o) {
        OIFeature features = static_cast<OIFeature>(0);
        const HRESULT hr = o->GetSupportedFeatures(Bstr(version).get(), &features);
        return answerOf(hr, static_cast<long>(features));
    });
}

Answer<std::wstring> VtableUcApi::authenticationInfo(IUnknown* messenger, const std::wstring& version)
{
    return onInterface<IUCOfficeIntegration, std::wstring>(
        messenger, contractid::IUCOfficeIntegration, [&](IUCOfficeIntegration* o) {
            Bstr info;
            const HRESULT hr = o->GetAuthenticationInfo(Bstr(version).get(), info.out());
            return answerOf(hr, info.str());
        });
}

Answer<Object> VtableUcApi::getInterface(IUnknown* messenger, const std::wstring& version, long which)
{
    return onInterface<IUCOfficeIntegration, Object>(messenger, contractid::IUCOfficeIntegration, [&](IUCOfficeIntegration* o) {
        IDispatch* value = nullptr;
        const HRESULT hr = o->GetInterface(Bstr(version).get(), static_cast<OIInterface>(which), &value);
        return objectAnswer(hr, value);
    });
}

Answer<long> VtableUcApi::clientState(IUnknown* client)
{
    return onInterface<IUCCClient, long>(client, contractid::IUCCClient, [](IUCCClient* c) {
        ClientState state = static_cast<ClientState>(-1);
        const HRESULT hr = c->get_State(&state);
        return answerOf(hr, static_cast<long>(state));
    });
}

Answer<std::wstring> VtableUcApi::clientUri(IUnknown* client)
{
    return onInterface<IUCCClient, std::wstring>(client, contractid::IUCCClient, [](IUCCClient* c) {
        Bstr uri;
        const HRESULT hr = c->get_Uri(uri.out());
        return answerOf(hr, uri.str());
    });
}

Answer<Object> VtableUcApi::clientSelf(IUnknown* client)
{
    return onInterface<IUCCClient, Object>(client, contractid::IUCCClient, [](IUCCClient* c) {
        IUCCSelf* self = nullptr;
        const HRESULT hr = c->get_Self(&self);
        return objectAnswer(hr, self);
    });
}

Answer<Object> VtableUcApi::clientContactManager(IUnknown* client)
{
    return onInterface<IUCCClient, Object>(client, contractid::IUCCClient, [](IUCCClient* c) {
        IUCCContactManager* manager = nullptr;
        const HRESULT hr = c->get_ContactManager(&manager);
        return objectAnswer(hr, manager);
    });
}

Answer<Object> VtableUcApi::selfContact(IUnknown* self)
{
    return onInterface<IUCCSelf, Object>(self, contractid::IUCCSelf, [](IUCCSelf* s) {
        IUCCContact* contact = nullptr;
        const HRESULT hr = s->get_Contact(&contact);
        return objectAnswer(hr, contact);
    });
}

Answer<Object> VtableUcApi::getContactByUri(IUnknown* manager, const std::wstring& uri)
{
    return onInterface<IUCCContactManager, Object>(manager, contractid::IUCCContactManager, [&](IUCCContactManager* m) {
        IUCCContact* contact = nullptr;
        const HRESULT hr = m->GetContactByUri(Bstr(uri).get(), &contact);
        return objectAnswer(hr, contact);
    });
}

Answer<Object> VtableUcApi::lookup(IUnknown* manager, const std::wstring& text, IUnknown* callback)
{
    return onInterface<IUCCContactManager, Object>(manager, contractid::IUCCContactManager, [&](IUCCContactManager* m) {
        IUCCAsynchronousOperation* operation = nullptr;
        Variant state;
        const HRESULT hr = m->Lookup(Bstr(text).get(), callback, *state.get(), &operation);
        return objectAnswer(hr, operation);
    });
}

Answer<Object> VtableUcApi::createSubscription(IUnknown* manager)
{
    return onInterface<IUCCContactManager, Object>(manager, contractid::IUCCContactManager, [](IUCCContactManager* m) {
        IUCCContactSubscription* subscription = nullptr;
        const HRESULT hr = m->CreateSubscription(&subscription);
        return objectAnswer(hr, subscription);
    });
}

Answer<Nothing> VtableUcApi::addToSubscription(IUnknown* subscription, IUnknown* contact)
{
    return onInterface<IUCCContactSubscription, Nothing>(
        subscription, contractid::IUCCContactSubscription, [&](IUCCContactSubscription* s) {
            ComPtr<IUCCContact> typed;
            const HRESULT asked =
                contact ? contact->QueryInterface(contractid::IUCCContact, reinterpret_cast<void**>(typed.out())) : E_POINTER;
            if (FAILED(asked)) return answerOf(asked, Nothing());
            return answerOf(s->AddContact(typed.get()), Nothing());
        });
}

Answer<Nothing> VtableUcApi::subscribe(IUnknown* subscription, long refreshRate, const std::vector<long>& types)
{
    return onInterface<IUCCContactSubscription, Nothing>(
        subscription, contractid::IUCCContactSubscription, [&](IUCCContactSubscription* s) {
            const SafeArray array = typeArray(types);
            const HRESULT hr = s->Subscribe(static_cast<ContactSubscriptionRefreshRate>(refreshRate), array.get());
            return answerOf(hr, Nothing());
        });
}

Answer<std::wstring> VtableUcApi::contactUri(IUnknown* contact)
{
    return onInterface<IUCCContact, std::wstring>(contact, contractid::IUCCContact, [](IUCCContact* c) {
        Bstr uri;
        const HRESULT hr = c->get_Uri(uri.out());
        return answerOf(hr, uri.str());
    });
}

Answer<Variant> VtableUcApi::contactInformation(IUnknown* contact, long type)
{
    return onInterface<IUCCContact, Variant>(contact, contractid::IUCCContact, [&](IUCCContact* c) {
        Variant value;
        const HRESULT hr = c->GetContactInformation(static_cast<ContactInformationType>(type), value.out());
        return answerOf(hr, value);
    });
}

Answer<Object> VtableUcApi::batchContactInformation(IUnknown* contact, const std::vector<long>& types)
{
    return onInterface<IUCCContact, Object>(contact, contractid::IUCCContact, [&](IUCCContact* c) {
        const SafeArray array = typeArray(types);
        IUCCContactInformationDictionary* dictionary = nullptr;
        const HRESULT hr = c->BatchGetContactInformation(array.get(), &dictionary);
        return objectAnswer(hr, dictionary);
    });
}

Answer<bool> VtableUcApi::canStart(IUnknown* contact, long modality)
{
    return onInterface<IUCCContact, bool>(contact, contractid::IUCCContact, [&](IUCCContact* c) {
        VARIANT_BOOL value = VARIANT_FALSE;
        const HRESULT hr = c->CanStart(static_cast<ModalityTypes>(modality), &value);
        return boolAnswer(hr, value);
    });
}

Answer<long> VtableUcApi::dictionaryCount(IUnknown* dictionary)
{
    return onInterface<IUCCContactInformationDictionary, long>(
        dictionary, contractid::IUCCContactInformationDictionary, [](IUCCContactInformationDictionary* d) {
            LONG count = -1;
            const HRESULT hr = d->get_Count(&count);
            return answerOf(hr, static_cast<long>(count));
        });
}

Answer<bool> VtableUcApi::dictionaryContainsKey(IUnknown* dictionary, long type)
{
    return onInterface<IUCCContactInformationDictionary, bool>(
        dictionary, contractid::IUCCContactInformationDictionary, [&](IUCCContactInformationDictionary* d) {
            VARIANT_BOOL found = VARIANT_FALSE;
            const HRESULT hr = d->ContainsKey(static_cast<ContactInformationType>(type), &found);
            return boolAnswer(hr, found);
        });
}

Answer<Variant> VtableUcApi::dictionaryItem(IUnknown* dictionary, long type)
{
    return onInterface<IUCCContactInformationDictionary, Variant>(
        dictionary, contractid::IUCCContactInformationDictionary, [&](IUCCContactInformationDictionary* d) {
            Variant value;
            const HRESULT hr = d->get_Item(static_cast<ContactInformationType>(type), value.out());
            return answerOf(hr, value);
        });
}

Answer<long> VtableUcApi::endpointType(IUnknown* endpoint)
{
    return onInterface<IUCCContactEndpoint, long>(endpoint, contractid::IUCCContactEndpoint, [](IUCCContactEndpoint* e) {
        ContactEndpointType type = static_cast<ContactEndpointType>(-1);
        const HRESULT hr = e->get_Type(&type);
        return answerOf(hr, static_cast<long>(type));
    });
}

Answer<std::wstring> VtableUcApi::endpointUri(IUnknown* endpoint)
{
    return onInterface<IUCCContactEndpoint, std::wstring>(endpoint, contractid::IUCCContactEndpoint, [](IUCCContactEndpoint* e) {
        Bstr uri;
        const HRESULT hr = e->get_Uri(uri.out());
        return answerOf(hr, uri.str());
    });
}

Answer<std::wstring> VtableUcApi::localeStringValue(IUnknown* localeString)
{
    return onInterface<IUCCLocaleString, std::wstring>(localeString, contractid::IUCCLocaleString, [](IUCCLocaleString* l) {
        Bstr value;
        const HRESULT hr = l->get_Value(value.out());
        return answerOf(hr, value.str());
    });
}

Answer<std::vector<long>> VtableUcApi::changedInformation(IUnknown* eventData)
{
    return onInterface<IUCCContactInformationChangedEventData, std::vector<long>>(
        eventData, contractid::IUCCContactInformationChangedEventData, [](IUCCContactInformationChangedEventData* d) {
            SafeArray types;
            const HRESULT hr = d->get_ChangedContactInformation(types.out());
            std::vector<LONG> values;
            Answer<std::vector<long>> answer = answerOf(hr, std::vector<long>());
            if (FAILED(hr)) return answer;
            const HRESULT read = extensionsutils::readInt32s(types.get(), values);
            if (FAILED(read)) answer.shapeProblem = L"answered an array that is not one dimension of 32-bit numbers";
            answer.value.assign(values.begin(), values.end());
            return answer;
        });
}

Answer<StateChange> VtableUcApi::stateChange(IUnknown* eventData)
{
    return onInterface<IUCCClientStateChangedEventData, StateChange>(
        eventData, contractid::IUCCClientStateChangedEventData, [](IUCCClientStateChangedEventData* d) {
            ClientState oldState = static_cast<ClientState>(-1);
            ClientState newState = static_cast<ClientState>(-1);
            HRESULT hr = d->get_OldState(&oldState);
            if (SUCCEEDED(hr)) hr = d->get_NewState(&newState);
            return answerOf(hr, StateChange{static_cast<long>(oldState), static_cast<long>(newState)});
        });
}

Answer<bool> VtableUcApi::operationCompleted(IUnknown* operation)
{
    return onInterface<IUCCAsynchronousOperation, bool>(
        operation, contractid::IUCCAsynchronousOperation, [](IUCCAsynchronousOperation* o) {
            VARIANT_BOOL value = VARIANT_FALSE;
            const HRESULT hr = o->get_IsCompleted(&value);
            return boolAnswer(hr, value);
        });
}

Answer<bool> VtableUcApi::operationSucceeded(IUnknown* operation)
{
    return onInterface<IUCCAsynchronousOperation, bool>(
        operation, contractid::IUCCAsynchronousOperation, [](IUCCAsynchronousOperation* o) {
            VARIANT_BOOL value = VARIANT_FALSE;
            const HRESULT hr = o->get_IsSucceeded(&value);
            return boolAnswer(hr, value);
        });
}

Answer<Nothing> VtableUcApi::startConversation(IUnknown* automation, long modes,
                                              const std::vector<std::wstring>& participants)
{
    return onInterface<IUCCAutomation, Nothing>(automation, contractid::IUCCAutomation, [&](IUCCAutomation* a) {
        const SafeArray people = SafeArray::ofStrings(participants);
        const SafeArray contextTypes = SafeArray::ofInt32s({});
        const SafeArray contextDatas = SafeArray::ofVariants({});
        IUCCConversationWindow* window = nullptr;
        const HRESULT hr = a->StartConversation(static_cast<AutomationModalities>(modes), people.get(),
                                                contextTypes.get(), contextDatas.get(), &window);
        // The module never opens a window; release one all the same if it came.
        if (window) reinterpret_cast<IUnknown*>(window)->Release();
        return answerOf(hr, Nothing());
    });
}

} // namespace officesim
