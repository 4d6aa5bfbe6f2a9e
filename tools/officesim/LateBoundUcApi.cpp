#include "officesim/LateBoundUcApi.h"

#include "officesim/LateBoundCall.h"

#include "common/ContractIds.h"

#include "TavoMessengerLib.h"

#include "extensionsutils/SafeArray.h"

namespace officesim {

using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;

Variant number(long value)
{
    return Variant::fromInt32(value);
}

Variant text(const std::wstring& value)
{
    return Variant::fromString(value);
}

Variant typeArray(const std::vector<long>& types)
{
    return Variant::fromSafeArray(SafeArray::ofInt32s(std::vector<LONG>(types.begin(), types.end())).detach());
}

} // namespace

Answer<long> LateBoundUcApi::supportedFeatures(IUnknown* messenger, const std::wstring& version)
{
    return longFrom(callByName(messenger, contractid::IUCOfficeIntegration, L"GetSupportedFeatures", method, {text(version)}));
}

Answer<std::wstring> LateBoundUcApi::authenticationInfo(IUnknown* messenger, const std::wstring& version)
{
    return stringFrom(
        callByName(messenger, contractid::IUCOfficeIntegration, L"GetAuthenticationInfo", method, {text(version)}));
}

Answer<Object> LateBoundUcApi::getInterface(IUnknown* messenger, const std::wstring& version, long which)
{
    return objectFrom(
        callByName(messenger, contractid::IUCOfficeIntegration, L"GetInterface", method, {text(version), number(which)}));
}

Answer<long> LateBoundUcApi::clientState(IUnknown* client)
{
    return longFrom(callByName(client, contractid::IUCCClient, L"State", get));
}

Answer<std::wstring> LateBoundUcApi::clientUri(IUnknown* client)
{
    return stringFrom(callByName(client, contractid::IUCCClient, L"Uri", get));
}

Answer<Object> LateBoundUcApi::clientSelf(IUnknown* client)
{
    return objectFrom(callByName(client, contractid::IUCCClient, L"Self", get));
}

Answer<Object> LateBoundUcApi::clientContactManager(IUnknown* client)
{
    return objectFrom(callByName(client, contractid::IUCCClient, L"ContactManager", get));
}

Answer<Object> LateBoundUcApi::selfContact(IUnknown* self)
{
    return objectFrom(callByName(self, contractid::IUCCSelf, L"Contact", get));
}

Answer<Object> LateBoundUcApi::getContactByUri(IUnknown* manager, const std::wstring& uri)
{
    return objectFrom(callByName(manager, contractid::IUCCContactManager, L"GetContactByUri", method, {text(uri)}));
}

Answer<Object> LateBoundUcApi::lookup(IUnknown* manager, const std::wstring& lookupText, IUnknown* callback)
{
    return objectFrom(callByName(manager, contractid::IUCCContactManager, L"Lookup", method,
                                 {text(lookupText), Variant::fromUnknown(callback), missingArgument()}));
}

Answer<Object> LateBoundUcApi::createSubscription(IUnknown* manager)
{
    return objectFrom(callByName(manager, contractid::IUCCContactManager, L"CreateSubscription", method));
}

Answer<Nothing> LateBoundUcApi::addToSubscription(IUnknown* subscription, IUnknown* contact)
{
    Object dispatch;
    if (contact) contact->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out()));
    return nothingFrom(callByName(subscription, contractid::IUCCContactSubscription, L"AddContact", method,
                                  {Variant::fromDispatch(dispatch.get())}));
}

Answer<Nothing> LateBoundUcApi::subscribe(IUnknown* subscription, long refreshRate, const std::vector<long>& types)
{
    return nothingFrom(callByName(subscription, contractid::IUCCContactSubscription, L"Subscribe", method,
                                  {number(refreshRate), typeArray(types)}));
}

Answer<std::wstring> LateBoundUcApi::contactUri(IUnknown* contact)
{
    return stringFrom(callByName(contact, contractid::IUCCContact, L"Uri", get));
}

Answer<Variant> LateBoundUcApi::contactInformation(IUnknown* contact, long type)
{
    return variantFrom(callByName(contact, contractid::IUCCContact, L"GetContactInformation", method, {number(type)}));
}

Answer<Object> LateBoundUcApi::batchContactInformation(IUnknown* contact, const std::vector<long>& types)
{
    return objectFrom(
        callByName(contact, contractid::IUCCContact, L"BatchGetContactInformation", method, {typeArray(types)}));
}

Answer<bool> LateBoundUcApi::canStart(IUnknown* contact, long modality)
{
    return boolFrom(callByName(contact, contractid::IUCCContact, L"CanStart", method, {number(modality)}));
}

Answer<long> LateBoundUcApi::dictionaryCount(IUnknown* dictionary)
{
    return longFrom(callByName(dictionary, contractid::IUCCContactInformationDictionary, L"Count", get));
}

Answer<bool> LateBoundUcApi::dictionaryContainsKey(IUnknown* dictionary, long type)
{
    return boolFrom(
        callByName(dictionary, contractid::IUCCContactInformationDictionary, L"ContainsKey", method, {number(type)}));
}

Answer<Variant> LateBoundUcApi::dictionaryItem(IUnknown* dictionary, long type)
{
    return variantFrom(callByName(dictionary, contractid::IUCCContactInformationDictionary, L"Item", get, {number(type)}));
}

Answer<long> LateBoundUcApi::endpointType(IUnknown* endpoint)
{
    return longFrom(callByName(endpoint, contractid::IUCCContactEndpoint, L"Type", get));
}

Answer<std::wstring> LateBoundUcApi::endpointUri(IUnknown* endpoint)
{
    return stringFrom(callByName(endpoint, contractid::IUCCContactEndpoint, L"Uri", get));
}

Answer<std::wstring> LateBoundUcApi::localeStringValue(IUnknown* localeString)
{
    return stringFrom(callByName(localeString, contractid::IUCCLocaleString, L"Value", get));
}

Answer<std::vector<long>> LateBoundUcApi::changedInformation(IUnknown* eventData)
{
    return longsFrom(
        callByName(eventData, contractid::IUCCContactInformationChangedEventData, L"ChangedContactInformation", get));
}

Answer<StateChange> LateBoundUcApi::stateChange(IUnknown* eventData)
{
    const Answer<long> oldState =
        longFrom(callByName(eventData, contractid::IUCCClientStateChangedEventData, L"OldState", get));
    if (!oldState.succeeded()) return answerOf(oldState.hr, StateChange());
    const Answer<long> newState =
        longFrom(callByName(eventData, contractid::IUCCClientStateChangedEventData, L"NewState", get));
    Answer<StateChange> answer = answerOf(newState.hr, StateChange{oldState.value, newState.value});
    answer.shapeProblem = newState.shapeProblem;
    return answer;
}

Answer<bool> LateBoundUcApi::operationCompleted(IUnknown* operation)
{
    return boolFrom(callByName(operation, contractid::IUCCAsynchronousOperation, L"IsCompleted", get));
}

Answer<bool> LateBoundUcApi::operationSucceeded(IUnknown* operation)
{
    return boolFrom(callByName(operation, contractid::IUCCAsynchronousOperation, L"IsSucceeded", get));
}

Answer<Nothing> LateBoundUcApi::startConversation(IUnknown* automation, long modes,
                                                 const std::vector<std::wstring>& participants)
{
    return nothingFrom(callByName(automation, contractid::IUCCAutomation, L"StartConversation", method,
                                  {number(modes), Variant::fromSafeArray(SafeArray::ofStrings(participants).detach()),
                                   typeArray({}),
                                   Variant::fromSafeArray(SafeArray::ofVariants({}).detach())}));
}

} // namespace officesim
