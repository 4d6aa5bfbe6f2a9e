#pragma once

// The UC integration API called late-bound: GetIDsOfNames + Invoke on the IDispatch part of the interface
// each member belongs to, as Office's late-bound code does.

#include "officesim/UcApi.h"

namespace officesim {

class LateBoundUcApi final : public UcApi {
public:
    std::wstring bindingName() const override { return L"late-bound"; }
    bool lateBound() const override { return true; }

    Answer<long> supportedFeatures(IUnknown* messenger, const std::wstring& version) override;
    Answer<std::wstring> authenticationInfo(IUnknown* messenger, const std::wstring& version) override;
    Answer<Object> getInterface(IUnknown* messenger, const std::wstring& version, long which) override;
    Answer<long> clientState(IUnknown* client) override;
    Answer<std::wstring> clientUri(IUnknown* client) override;
    Answer<Object> clientSelf(IUnknown* client) override;
    Answer<Object> clientContactManager(IUnknown* client) override;
    Answer<Object> selfContact(IUnknown* self) override;
    Answer<Object> getContactByUri(IUnknown* manager, const std::wstring& uri) override;
    Answer<Object> lookup(IUnknown* manager, const std::wstring& text, IUnknown* callback) override;
    Answer<Object> createSubscription(IUnknown* manager) override;
    Answer<Nothing> addToSubscription(IUnknown* subscription, IUnknown* contact) override;
    Answer<Nothing> subscribe(IUnknown* subscription, long refreshRate, const std::vector<long>& types) override;
    Answer<std::wstring> contactUri(IUnknown* contact) override;
    Answer<extensionsutils::Variant> contactInformation(IUnknown* contact, long type) override;
    Answer<Object> batchContactInformation(IUnknown* contact, const std::vector<long>& types) override;
    Answer<bool> canStart(IUnknown* contact, long modality) override;
    Answer<long> dictionaryCount(IUnknown* dictionary) override;
    Answer<bool> dictionaryContainsKey(IUnknown* dictionary, long type) override;
    Answer<extensionsutils::Variant> dictionaryItem(IUnknown* dictionary, long type) override;
    Answer<long> endpointType(IUnknown* endpoint) override;
    Answer<std::wstring> endpointUri(IUnknown* endpoint) override;
    Answer<std::wstring> localeStringValue(IUnknown* localeString) override;
    Answer<std::vector<long>> changedInformation(IUnknown* eventData) override;
    Answer<StateChange> stateChange(IUnknown* eventData) override;
    Answer<bool> operationCompleted(IUnknown* operation) override;
    Answer<bool> operationSucceeded(IUnknown* operation) override;
    Answer<Nothing> startConversation(IUnknown* automation, long modes,
                                      const std::vector<std::wstring>& participants) override;
};

} // namespace officesim
