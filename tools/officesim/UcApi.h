#pragma once

// The UC integration API as Office 2013/2016 calls it: one member per call Office makes, whichever way it
// makes it (VtableUcApi through the typed interfaces, LateBoundUcApi by name through each interface's
// IDispatch part). Objects are passed as any interface of the object; each call asks it for the interface
// the member belongs to.
//
// Used on officesim's main thread only.

#include "officesim/Answer.h"

#include <string>
#include <vector>

namespace officesim {

// ContactInformationType values Office reads.
enum InformationType : long {
    InformationAvailability = 0,
    InformationActivityId = 1,
    InformationActivity = 7,
    InformationCustomActivity = 8,
    InformationDisplayName = 10,
    InformationTitle = 14,
    InformationEndpoints = 27,
    InformationInstantMessageAddresses = 50,
};

// The values of other enumerations that Office passes.
enum : long {
    InterfaceLyncClient = 1,  // OIInterface
    InterfaceAutomation = 2,
    InterfaceInteropHelper = 3,
    ModalityInstantMessage = 1, // ModalityTypes
    ModalityAudioVideo = 2,
    ConversationModeInstantMessage = 1, // AutomationModalities
    ConversationModeAudio = 2,
    RefreshRateHigh = 1, // ContactSubscriptionRefreshRate
    ClientStateSignedOut = 1, // ClientState
    ClientStateSignedIn = 3,
};

class UcApi {
public:
    virtual ~UcApi() = default;

    virtual std::wstring bindingName() const = 0;
    virtual bool lateBound() const = 0;

    // IUCOfficeIntegration, asked of the Messenger object
    virtual Answer<long> supportedFeatures(IUnknown* messenger, const std::wstring& version) = 0;
    virtual Answer<std::wstring> authenticationInfo(IUnknown* messenger, const std::wstring& version) = 0;
    virtual Answer<Object> getInterface(IUnknown* messenger, const std::wstring& version, long which) = 0;

    // IUCCClient, IUCCSelf
    virtual Answer<long> clientState(IUnknown* client) = 0;
    virtual Answer<std::wstring> clientUri(IUnknown* client) = 0;
    virtual Answer<Object> clientSelf(IUnknown* client) = 0;
    virtual Answer<Object> clientContactManager(IUnknown* client) = 0;
    virtual Answer<Object> selfContact(IUnknown* self) = 0;

    // IUCCContactManager, IUCCContactSubscription
    virtual Answer<Object> getContactByUri(IUnknown* manager, const std::wstring& uri) = 0;
    // The asynchronous operation; the result comes to `callback` as _IUCCContactsAndGroupsCallback::OnLookup.
    virtual Answer<Object> lookup(IUnknown* manager, const std::wstring& text, IUnknown* callback) = 0;
    virtual Answer<Object> createSubscription(IUnknown* manager) = 0;
    virtual Answer<Nothing> addToSubscription(IUnknown* subscription, IUnknown* contact) = 0;
    virtual Answer<Nothing> subscribe(IUnknown* subscription, long refreshRate, const std::vector<long>& types) = 0;

    // IUCCContact
    virtual Answer<std::wstring> contactUri(IUnknown* contact) = 0;
    virtual Answer<extensionsutils::Variant> contactInformation(IUnknown* contact, long type) = 0;
    virtual Answer<Object> batchContactInformation(IUnknown* contact, const std::vector<long>& types) = 0;
    virtual Answer<bool> canStart(IUnknown* contact, long modality) = 0;

    // IUCCContactInformationDictionary
    virtual Answer<long> dictionaryCount(IUnknown* dictionary) = 0;
    virtual Answer<bool> dictionaryContainsKey(IUnknown* dictionary, long type) = 0;
    virtual Answer<extensionsutils::Variant> dictionaryItem(IUnknown* dictionary, long type) = 0;

    // IUCCContactEndpoint, IUCCLocaleString
    virtual Answer<long> endpointType(IUnknown* endpoint) = 0;
    virtual Answer<std::wstring> endpointUri(IUnknown* endpoint) = 0;
    virtual Answer<std::wstring> localeStringValue(IUnknown* localeString) = 0;

    // Event data and asynchronous operations
    virtual Answer<std::vector<long>> changedInformation(IUnknown* eventData) = 0;
    virtual Answer<StateChange> stateChange(IUnknown* eventData) = 0;
    virtual Answer<bool> operationCompleted(IUnknown* operation) = 0;
    virtual Answer<bool> operationSucceeded(IUnknown* operation) = 0;

    // IUCCAutomation: no context (empty context arrays)
    virtual Answer<Nothing> startConversation(IUnknown* automation, long modes,
                                              const std::vector<std::wstring>& participants) = 0;
};

} // namespace officesim
