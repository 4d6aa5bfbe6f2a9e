#pragma once

// The Messenger API of Office 2007 and 2010 (IMessenger, IMessenger2, IMessenger3, IMessengerAdvanced,
// IMessengerContactResolution): the signed-in user, status, contact lookup and resolution, chats and calls.
// Everything is answered from the host client; the commands the module cannot carry out answer S_OK and do
// nothing. A base of OfficeIntegrationImpl, whose reference count and identity it shares.
//
// Threads: Office's calls arrive on COM threads. Every operation holds `lock` shared for its whole run,
// host calls included, so readers run side by side and one operation may call another (get_MyStatus calls
// get_MySigninName; the lock lets a nested shared hold pass a queued writer). put_MyProperty, put_Property,
// initialise and uninitialise hold it exclusive. `lock` guards every member below it. Events are fired
// elsewhere, without this lock.

#include "Configuration.h"
#include "EventWorkers.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <map>
#include <memory>
#include <string>

class ContactResolver;
class TavoMessengerServices;

class TavoMessengerAdvanced
    : public extensionsutils::DispatchImpl<IMessengerAdvanced, &IID_IMessengerAdvanced, &LIBID_TavoMessengerLib>,
      public extensionsutils::DispatchImpl<IMessengerContactResolution, &IID_IMessengerContactResolution,
                                           &LIBID_TavoMessengerLib>,
      public MessengerEventSource
{
public:
    // IMessenger
    HRESULT STDMETHODCALLTYPE get_Window(IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE ViewProfile(VARIANT contact) override;
    HRESULT STDMETHODCALLTYPE get_ReceiveFileDirectory(BSTR* path) override;
    HRESULT STDMETHODCALLTYPE StartVoice(VARIANT contact, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE InviteApp(VARIANT contact, BSTR applicationId, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE SendMail(VARIANT contact) override;
    HRESULT STDMETHODCALLTYPE OpenInbox() override;
    HRESULT STDMETHODCALLTYPE SendFile(VARIANT contact, BSTR fileName, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE Signout() override;
    HRESULT STDMETHODCALLTYPE Signin(LONG parentWindow, BSTR signinName, BSTR password) override;
    HRESULT STDMETHODCALLTYPE GetContact(BSTR signinName, BSTR serviceId, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE OptionsPages(LONG parentWindow, MOPTIONPAGE page) override;
    HRESULT STDMETHODCALLTYPE AddContact(LONG parentWindow, BSTR emailAddress) override;
    HRESULT STDMETHODCALLTYPE FindContact(LONG parentWindow, BSTR firstName, BSTR lastName, VARIANT city,
                                          VARIANT state, VARIANT country) override;
    HRESULT STDMETHODCALLTYPE InstantMessage(VARIANT contact, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE Phone(VARIANT contact, MPHONE_TYPE numberType, BSTR number, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE MediaWizard(LONG parentWindow) override;
    HRESULT STDMETHODCALLTYPE Page(VARIANT contact, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE AutoSignin() override;
    HRESULT STDMETHODCALLTYPE get_MyContacts(IDispatch** contacts) override;
    HRESULT STDMETHODCALLTYPE get_MySigninName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_MyFriendlyName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE put_MyStatus(MISTATUS status) override;
    HRESULT STDMETHODCALLTYPE get_MyStatus(MISTATUS* status) override;
    HRESULT STDMETHODCALLTYPE get_UnreadEmailCount(MUAFOLDER folder, LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_MyServiceName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_MyPhoneNumber(MPHONE_TYPE type, BSTR* number) override;
    HRESULT STDMETHODCALLTYPE get_MyProperty(MCONTACTPROPERTY key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_MyProperty(MCONTACTPROPERTY key, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE get_MyServiceId(BSTR* serviceId) override;
    HRESULT STDMETHODCALLTYPE get_Services(IDispatch** services) override;

    // IMessenger2
    HRESULT STDMETHODCALLTYPE get_ContactsSortOrder(MUASORT* order) override;
    HRESULT STDMETHODCALLTYPE put_ContactsSortOrder(MUASORT order) override;
    HRESULT STDMETHODCALLTYPE StartVideo(VARIANT contact, IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE get_MyGroups(IDispatch** groups) override;
    HRESULT STDMETHODCALLTYPE CreateGroup(BSTR name, VARIANT service, IDispatch** group) override;

    // IMessenger3
    HRESULT STDMETHODCALLTYPE get_Property(MMESSENGERPROPERTY key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Property(MMESSENGERPROPERTY key, VARIANT value) override;

    // IMessengerAdvanced
    HRESULT STDMETHODCALLTYPE StartConversation(CONVERSATION_TYPE type, VARIANT participants, VARIANT contextualData,
                                                VARIANT subject, VARIANT conversationIndex, VARIANT conversationData,
                                                VARIANT* windowHandle) override;
    HRESULT STDMETHODCALLTYPE GetAuthenticationInfo(BSTR* info) override;

    // IMessengerContactResolution
    HRESULT STDMETHODCALLTYPE ResolveContact(ADDRESS_TYPE addressType, CONTACT_RESOLUTION_TYPE resolutionType,
                                             BSTR address, BSTR* imAddress) override;

protected:
    TavoMessengerAdvanced();
    ~TavoMessengerAdvanced();

    // Called by the Messenger object under its integration lock. The contacts this side makes keep their
    // presence source with `holds`.
    void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration,
                    std::shared_ptr<ContactResolver> contactResolver, std::shared_ptr<HostObjectHolds> holds);
    // Marks the primary service as shutting down and lets go of the resolver, whose pending requests hold
    // this object.
    void uninitialise();

private:
    bool isPhoneMode() const;
    // The chat and the call that StartConversation starts, under its hold of the lock.
    HRESULT StartInstantMessageConversation(const extensionsutils::Variant& participants,
                                            const extensionsutils::Variant& subject);
    HRESULT StartVoiceConversation(const extensionsutils::Variant& participants,
                                   const extensionsutils::Variant& conversationData);
    // The BSTR elements of a one-dimensional VARIANT array, in order, as a new zero-based BSTR array; other
    // elements are dropped. Empty (no array) for a null or malformed input, or when memory runs out.
    static extensionsutils::SafeArray removeVariantWrapping(SAFEARRAY* participants);

    vorn::ReadWriteLock lock;
    const std::wstring authenticationInfo;
    extensionsutils::MICComPtr<TavoMessengerServices> services;
    std::map<MCONTACTPROPERTY, extensionsutils::Variant> myProperties;
    std::map<MMESSENGERPROPERTY, extensionsutils::Variant> messengerProperties;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<ContactResolver> contactResolver;
    std::shared_ptr<HostObjectHolds> hostObjectHolds; // kept after uninitialise: they are closed by then
    const bool resolveEnabled;
};
