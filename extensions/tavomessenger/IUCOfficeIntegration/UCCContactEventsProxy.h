#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/OfficeEventIds.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

#include <new>
#include <set>
#include <string>
#include <vector>

// The firing side of the _IUCCContactEvents connection point of T, a connection-point container that owns
// a point for that interface. Both events pass the contact and the event data, in that order, as
// VT_DISPATCH arguments. Any thread: firing queues the event for each advised sink and returns; the sinks'
// results are not acted on.
//
// Both events report state that Office reads again when told: an undelivered OnContactInformationChanged
// naming the same set of information types, or an undelivered OnSettingChanged for the same setting, is
// replaced by the newer one, so a presence storm leaves one event per kind of change in a sink's queue.
template <class T>
class UCCContactEventsProxy
{
public:
    HRESULT Fire_OnContactInformationChanged(IDispatch* contact, IDispatch* eventData)
    {
        return fireEvent(extensionsutils::officeevents::onContactInformationChanged, contact, eventData, changedTypesKey(eventData));
    }

    HRESULT Fire_OnSettingChanged(IDispatch* contact, IDispatch* eventData)
    {
        return fireEvent(extensionsutils::officeevents::onSettingChanged, contact, eventData, settingKey(eventData));
    }

protected:
    ~UCCContactEventsProxy() = default;

private:
    HRESULT fireEvent(DISPID id, IDispatch* contact, IDispatch* eventData, const std::wstring& stateKey)
    {
        extensionsutils::DispatchParameters parameters;
        HRESULT hr = parameters.add(extensionsutils::Variant::fromDispatch(contact));
        if (SUCCEEDED(hr)) hr = parameters.add(extensionsutils::Variant::fromDispatch(eventData));
        if (FAILED(hr)) return hr;
        return static_cast<T*>(this)->fire(DIID__IUCCContactEvents, id, parameters, stateKey);
    }

    // The changed types as a sorted set ("0,1,7,8,"); empty (never merged) when they cannot be read.
    static std::wstring changedTypesKey(IDispatch* eventData)
    {
        extensionsutils::ComPtr<IUCCContactInformationChangedEventData> changed;
        if (!eventData || FAILED(eventData->QueryInterface(IID_IUCCContactInformationChangedEventData,
                                                           reinterpret_cast<void**>(changed.out())))
            || !changed) {
            return std::wstring();
        }
        SAFEARRAY* array = nullptr;
        if (FAILED(changed->get_ChangedContactInformation(&array)) || !array) return std::wstring();
        const extensionsutils::SafeArray owned(array);
        std::vector<LONG> types;
        if (FAILED(extensionsutils::readInt32s(owned.get(), types))) return std::wstring();
        std::set<LONG> distinct;
        std::wstring key;
        try {
            for (const LONG type : types) distinct.insert(type);
            for (const LONG type : distinct) key += std::to_wstring(type) + L",";
        } catch (const std::bad_alloc&) {
            return std::wstring();
        }
        return key;
    }

    static std::wstring settingKey(IDispatch* eventData)
    {
        extensionsutils::ComPtr<IUCCContactSettingChangedEventData> changed;
        if (!eventData || FAILED(eventData->QueryInterface(IID_IUCCContactSettingChangedEventData,
                                                           reinterpret_cast<void**>(changed.out())))
            || !changed) {
            return std::wstring();
        }
        ContactSetting setting = ucContactTagged;
        if (FAILED(changed->get_Setting(&setting))) return std::wstring();
        try {
            return std::to_wstring(static_cast<LONG>(setting));
        } catch (const std::bad_alloc&) {
            return std::wstring();
        }
    }
};
