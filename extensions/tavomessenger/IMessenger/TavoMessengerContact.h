#pragma once

// One person as Office 2007/2010 holds them (IMessengerContact, IMessengerContactAdvanced). Names and
// numbers are copied from the host client when the contact is made (TavoMessengerExtensionBroker::
// CreateMessengerContact); status and presence properties are asked of the host afresh on every call.
// Every member answers MSGR_E_NOT_LOGGED_ON while the host's user is signed out.
//
// Threads: Office's COM threads and the worker thread (events). `lock` guards every field below it and
// is held for the whole of each operation, host calls included; a contacts collection may call in while
// holding its own lock (collection first, then contact).

#include "Configuration.h"
#include "ExtensionProvider/HeldHostObject.h"

#include "HostExtensionApi.h"
#include "TavoMessengerLib.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/Variant.h"
#include "vorn/Mutex.h"

#include <windows.h>

#include <map>
#include <memory>

class TavoMessengerContact
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IMessengerContactAdvanced, &IID_IMessengerContactAdvanced,
                                           &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<extensionsutils::Via<IDispatch, IMessengerContactAdvanced>,
                                                       extensionsutils::Via<IMessengerContact, IMessengerContactAdvanced>,
                                                       IMessengerContactAdvanced>;

    // Stores copies of both names (the sign-in name doubles as the service name) and the configuration,
    // whose phone-mode flag get_PresenceProperties reads on every call, and keeps the presence source with
    // `holds`, whose closing at the module's stop takes it away.
    void initialise(const extensionsutils::Bstr& friendlyName, const extensionsutils::Bstr& signinName,
                    std::shared_ptr<Configuration> configuration, const std::shared_ptr<HostObjectHolds>& holds = nullptr);
    // Replaces the number kept under `type`; a null or empty number changes nothing.
    void SetPhoneNumber(MPHONE_TYPE type, BSTR number);
    // Self exactly when the value is VARIANT_TRUE.
    void SetIsSelf(VARIANT_BOOL isSelf);

    // IMessengerContact
    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR* friendlyName) override;
    HRESULT STDMETHODCALLTYPE get_Status(MISTATUS* status) override;
    HRESULT STDMETHODCALLTYPE get_SigninName(BSTR* signinName) override;
    HRESULT STDMETHODCALLTYPE get_ServiceName(BSTR* serviceName) override;
    HRESULT STDMETHODCALLTYPE get_Blocked(VARIANT_BOOL* isBlocked) override;
    HRESULT STDMETHODCALLTYPE put_Blocked(VARIANT_BOOL isBlocked) override;
    HRESULT STDMETHODCALLTYPE get_CanPage(VARIANT_BOOL* isPageable) override;
    HRESULT STDMETHODCALLTYPE get_PhoneNumber(MPHONE_TYPE type, BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_IsSelf(VARIANT_BOOL* self) override;
    HRESULT STDMETHODCALLTYPE get_Property(MCONTACTPROPERTY key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Property(MCONTACTPROPERTY key, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_ServiceId(BSTR* serviceIdentifier) override;

    // IMessengerContactAdvanced
    HRESULT STDMETHODCALLTYPE get_IsTagged(VARIANT_BOOL* tagged) override;
    HRESULT STDMETHODCALLTYPE put_IsTagged(VARIANT_BOOL tagged) override;
    HRESULT STDMETHODCALLTYPE get_PresenceProperties(VARIANT* presenceProperties) override;
    HRESULT STDMETHODCALLTYPE put_PresenceProperties(VARIANT presenceProperties) override;

protected:
    TavoMessengerContact();
    ~TavoMessengerContact();

private:
    // Puts the presence properties of the host's contact of this sign-in name into `properties` and keeps
    // its current numbers; the log text of the step that failed otherwise. Runs while the presence source
    // is in use: every host object it asks for is released before it returns.
    const char* presenceFromHost(IIMAndPresence* source, extensionsutils::Variant& properties);
    // Keeps the host contact's current numbers; numbers it no longer has stay as they were.
    void refreshPhoneNumbers(IContact* hostContact);
    void storePhoneNumber(MPHONE_TYPE type, BSTR number);

    vorn::Mutex lock;
    extensionsutils::Bstr friendlyName;
    extensionsutils::Bstr signinName;
    extensionsutils::Bstr serviceName;
    const extensionsutils::Bstr serviceIdentifier;
    const MISTATUS fallbackStatus = MISTATUS_OFFLINE;
    bool isTagged = false;
    const bool canPage = false;
    bool blocked = false;
    bool isSelf = false;
    // The host's presence, fetched once when the contact is made; holds none when the host could not make
    // it, or once the module's stop took it.
    const std::shared_ptr<HeldHostObject<IIMAndPresence>> presenceSource;
    std::map<MCONTACTPROPERTY, extensionsutils::Variant> properties;
    std::map<MPHONE_TYPE, extensionsutils::Bstr> phoneNumbers;
    std::shared_ptr<Configuration> configuration;
};
