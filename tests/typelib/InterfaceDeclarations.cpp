#include "InterfaceDeclarations.h"

#include "TavoMessengerLib.h"

namespace typelib_test {

const std::vector<InterfaceDeclaration>& dualInterfaces()
{
    static const std::vector<InterfaceDeclaration> interfaces = {
        {"IMessenger", "{D50C3186-0F89-48F8-B204-3604629DEE10}", "IDispatch", &IID_IMessenger, {
            {7, 0x503, kGet, "Window", {{"IDispatch**", "ppMWindow", kRetval}}},
            {8, 0x505, kMethod, "ViewProfile", {{"VARIANT", "vContact", kIn}}},
            {9, 0x500, kGet, "ReceiveFileDirectory", {{"BSTR*", "bstrPath", kRetval}}},
            {10, 0x501, kMethod, "StartVoice", {
                 {"VARIANT", "vContact", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {11, 0x50f, kMethod, "InviteApp", {
                 {"VARIANT", "vContact", kIn},
                 {"BSTR", "bstrAppID", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {12, 0x512, kMethod, "SendMail", {{"VARIANT", "vContact", kIn}}},
            {13, 0x50d, kMethod, "OpenInbox", {}},
            {14, 0x50c, kMethod, "SendFile", {
                 {"VARIANT", "vContact", kIn},
                 {"BSTR", "bstrFileName", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {15, 0x50b, kMethod, "Signout", {}},
            {16, 0x511, kMethod, "Signin", {
                 {"long", "hwndParent", kIn},
                 {"BSTR", "bstrSigninName", kIn},
                 {"BSTR", "bstrPassword", kIn}}},
            {17, 0x506, kMethod, "GetContact", {
                 {"BSTR", "bstrSigninName", kIn},
                 {"BSTR", "bstrServiceId", kIn},
                 {"IDispatch**", "ppMContact", kRetval}}},
            {18, 0x507, kMethod, "OptionsPages", {
                 {"long", "hwndParent", kIn},
                 {"MOPTIONPAGE", "MOPTIONPAGE", kIn}}},
            {19, 0x508, kMethod, "AddContact", {{"long", "hwndParent", kIn}, {"BSTR", "bstrEMail", kIn}}},
            {20, 0x509, kMethod, "FindContact", {
                 {"long", "hwndParent", kIn},
                 {"BSTR", "bstrFirstName", kIn},
                 {"BSTR", "bstrLastName", kIn},
                 {"VARIANT", "vbstrCity", kInOptional},
                 {"VARIANT", "vbstrState", kInOptional},
                 {"VARIANT", "vbstrCountry", kInOptional}}},
            {21, 0x50a, kMethod, "InstantMessage", {
                 {"VARIANT", "vContact", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {22, 0x514, kMethod, "Phone", {
                 {"VARIANT", "vContact", kIn},
                 {"MPHONE_TYPE", "ePhoneNumber", kIn},
                 {"BSTR", "bstrNumber", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {23, 0x515, kMethod, "MediaWizard", {{"long", "hwndParent", kIn}}},
            {24, 0x516, kMethod, "Page", {{"VARIANT", "vContact", kIn}, {"IDispatch**", "ppMWindow", kRetval}}},
            {25, 0x513, kMethod, "AutoSignin", {}},
            {26, 0x517, kGet, "MyContacts", {{"IDispatch**", "ppMContacts", kRetval}}},
            {27, 0x518, kGet, "MySigninName", {{"BSTR*", "pbstrName", kRetval}}},
            {28, 0x502, kGet, "MyFriendlyName", {{"BSTR*", "pbstrName", kRetval}}},
            {29, 0x519, kPut, "MyStatus", {{"MISTATUS", nullptr, kIn}}},
            {30, 0x519, kGet, "MyStatus", {{"MISTATUS*", "pmStatus", kRetval}}},
            {31, 0x504, kGet, "UnreadEmailCount", {{"MUAFOLDER", "mFolder", kIn}, {"long*", "plCount", kRetval}}},
            {32, 0x50e, kGet, "MyServiceName", {{"BSTR*", "pbstrServiceName", kRetval}}},
            {33, 0x510, kGet, "MyPhoneNumber", {
                 {"MPHONE_TYPE", "PhoneType", kIn},
                 {"BSTR*", "pbstrNumber", kRetval}}},
            {34, 0x51a, kGet, "MyProperty", {
                 {"MCONTACTPROPERTY", "ePropType", kIn},
                 {"VARIANT*", "pvPropVal", kRetval}}},
            {35, 0x51a, kPut, "MyProperty", {{"MCONTACTPROPERTY", "ePropType", kIn}, {"VARIANT", nullptr, kIn}}},
            {36, 0x51b, kGet, "MyServiceId", {{"BSTR*", "pbstrServiceId", kRetval}}},
            {37, 0x51c, kGet, "Services", {{"IDispatch**", "ppdispServices", kRetval}}},
        }},
        {"IMessenger2", "{D50C3286-0F89-48F8-B204-3604629DEE10}", "IMessenger", &IID_IMessenger2, {
            {38, 0x521, kGet, "ContactsSortOrder", {{"MUASORT*", "pSort", kRetval}}},
            {39, 0x521, kPut, "ContactsSortOrder", {{"MUASORT", nullptr, kIn}}},
            {40, 0x51e, kMethod, "StartVideo", {
                 {"VARIANT", "vContact", kIn},
                 {"IDispatch**", "ppMWindow", kRetval}}},
            {41, 0x51f, kGet, "MyGroups", {{"IDispatch**", "ppMGroups", kRetval}}},
            {42, 0x520, kMethod, "CreateGroup", {
                 {"BSTR", "bstrName", kIn},
                 {"VARIANT", "vService", kIn},
                 {"IDispatch**", "ppGroup", kRetval}}},
        }},
        {"IMessenger3", "{D50C3386-0F89-48F8-B204-3604629DEE10}", "IMessenger2", &IID_IMessenger3, {
            {43, 0x522, kGet, "Property", {
                 {"MMESSENGERPROPERTY", "ePropType", kIn},
                 {"VARIANT*", "pvPropVal", kRetval}}},
            {44, 0x522, kPut, "Property", {{"MMESSENGERPROPERTY", "ePropType", kIn}, {"VARIANT", nullptr, kIn}}},
        }},
        {"IMessengerAdvanced", "{DA0635E8-09AF-480C-88B2-AA9FA1D9DB27}", "IMessenger3", &IID_IMessengerAdvanced, {
            {45, 0x60050000, kMethod, "StartConversation", {
                 {"CONVERSATION_TYPE", "ConversationType", kIn},
                 {"VARIANT", "vParticipants", kIn},
                 {"VARIANT", "vContextualData", kInOptional},
                 {"VARIANT", "vSubject", kInOptional},
                 {"VARIANT", "vConversationIndex", kInOptional},
                 {"VARIANT", "vConversationData", kInOptional},
                 {"VARIANT*", "pvWndHnd", kRetvalOptional}}},
            {46, 0x60050001, kMethod, "GetAuthenticationInfo", {{"BSTR*", "pbstrAuthInfo", kRetval}}},
        }},
        {"IMessengerContactResolution", "{53A5023D-6872-454A-9A4F-827F18CFBE02}", "IDispatch",
         &IID_IMessengerContactResolution, {
            {7, 0x60020000, kMethod, "ResolveContact", {
                 {"ADDRESS_TYPE", "AddressType", kIn},
                 {"CONTACT_RESOLUTION_TYPE", "ResolutionType", kIn},
                 {"BSTR", "bstrAddress", kIn},
                 {"BSTR*", "pbstrIMAddress", kRetval}}},
        }},
        {"IMessengerContact", "{E7479A0F-BB19-44A5-968F-6F41D93EE0BC}", "IDispatch", &IID_IMessengerContact, {
            {7, 0x600, kGet, "FriendlyName", {{"BSTR*", "pbstrFriendlyName", kRetval}}},
            {8, 0x601, kGet, "Status", {{"MISTATUS*", "pMstate", kRetval}}},
            {9, 0x602, kGet, "SigninName", {{"BSTR*", "pbstrSigninName", kRetval}}},
            {10, 0x603, kGet, "ServiceName", {{"BSTR*", "pbstrServiceName", kRetval}}},
            {11, 0x604, kGet, "Blocked", {{"VARIANT_BOOL*", "pBoolBlock", kRetval}}},
            {12, 0x604, kPut, "Blocked", {{"VARIANT_BOOL", nullptr, kIn}}},
            {13, 0x607, kGet, "CanPage", {{"VARIANT_BOOL*", "pBoolPage", kRetval}}},
            {14, 0x608, kGet, "PhoneNumber", {{"MPHONE_TYPE", "PhoneType", kIn}, {"BSTR*", "bstrNumber", kRetval}}},
            {15, 0x605, kGet, "IsSelf", {{"VARIANT_BOOL*", "pBoolSelf", kRetval}}},
            {16, 0x606, kGet, "Property", {
                 {"MCONTACTPROPERTY", "ePropType", kIn},
                 {"VARIANT*", "pvPropVal", kRetval}}},
            {17, 0x606, kPut, "Property", {{"MCONTACTPROPERTY", "ePropType", kIn}, {"VARIANT", nullptr, kIn}}},
            {18, 0x609, kGet, "ServiceId", {{"BSTR*", "pbstrServiceId", kRetval}}},
        }},
        {"IMessengerContactAdvanced", "{086F69C0-2FBD-46B3-BE50-EC401AB86099}", "IMessengerContact",
         &IID_IMessengerContactAdvanced, {
            {19, 0x60030000, kGet, "IsTagged", {{"VARIANT_BOOL*", "pBoolIsTagged", kRetval}}},
            {20, 0x60030000, kPut, "IsTagged", {{"VARIANT_BOOL", nullptr, kIn}}},
            {21, 0x60030002, kGet, "PresenceProperties", {{"VARIANT*", "pvPresenceProperties", kRetval}}},
            {22, 0x60030002, kPut, "PresenceProperties", {{"VARIANT", nullptr, kIn}}},
        }},
        {"IMessengerContacts", "{E7479A0D-BB19-44A5-968F-6F41D93EE0BC}", "IDispatch", &IID_IMessengerContacts, {
            {7, 0x700, kGet, "Count", {{"long*", "pcContacts", kRetval}}},
            {8, 0x0, kMethod, "Item", {{"long", "Index", kIn}, {"IDispatch**", "ppMContact", kRetval}}},
            {9, 0x701, kMethod, "Remove", {{"IDispatch*", "pMContact", kIn}}},
            {10, DISPID_NEWENUM, kGet, "_NewEnum", {{"IUnknown**", "ppUnknown", kRetval}}},
        }},
        {"IMessengerServices", "{2E50547B-A8AA-4F60-B57E-1F414711007B}", "IDispatch", &IID_IMessengerServices, {
            {7, 0x880, kGet, "PrimaryService", {{"IDispatch**", "ppService", kRetval}}},
            {8, 0x881, kGet, "Count", {{"long*", "pcServices", kRetval}}},
            {9, 0x0, kMethod, "Item", {{"long", "Index", kIn}, {"IDispatch**", "ppService", kRetval}}},
            {10, DISPID_NEWENUM, kGet, "_NewEnum", {{"IUnknown**", "ppUnknown", kRetval}}},
        }},
        {"IMessengerService", "{2E50547C-A8AA-4F60-B57E-1F414711007B}", "IDispatch", &IID_IMessengerService, {
            {7, 0x882, kGet, "ServiceName", {{"BSTR*", "pbstrServiceName", kRetval}}},
            {8, 0x887, kGet, "ServiceId", {{"BSTR*", "pbstrID", kRetval}}},
            {9, 0x883, kGet, "MyFriendlyName", {{"BSTR*", "pbstrName", kRetval}}},
            {10, 0x885, kGet, "MyStatus", {{"MISTATUS*", "pmiStatus", kRetval}}},
            {11, 0x888, kGet, "MySigninName", {{"BSTR*", "pbstrName", kRetval}}},
            {12, 0x886, kGet, "Property", {
                 {"MSERVICEPROPERTY", "ePropType", kIn},
                 {"VARIANT*", "pvPropVal", kRetval}}},
            {13, 0x886, kPut, "Property", {{"MSERVICEPROPERTY", "ePropType", kIn}, {"VARIANT", nullptr, kIn}}},
        }},
        {"IUCOfficeIntegration", "{6A222195-F65E-467F-8F77-EB180BD85288}", "IDispatch", &IID_IUCOfficeIntegration, {
            {7, 0x60020000, kMethod, "GetSupportedFeatures", {
                 {"BSTR", "_version", kIn},
                 {"OIFeature*", "_features", kRetval}}},
            {8, 0x60020001, kMethod, "GetAuthenticationInfo", {
                 {"BSTR", "_version", kIn},
                 {"BSTR*", "_info", kRetval}}},
            {9, 0x60020002, kMethod, "GetInterface", {
                 {"BSTR", "_version", kIn},
                 {"OIInterface", "_interface", kIn},
                 {"IDispatch**", "_value", kRetval}}},
        }},
        {"IUCCClient", "{EE9F3E74-AC61-469E-80D6-E22BF4EEFF5C}", "IDispatch", &IID_IUCCClient, {
            {7, 0x60020000, kGet, "Type", {{"ClientType*", "_type", kRetval}}},
            {8, 0x60020001, kGet, "State", {{"ClientState*", "_state", kRetval}}},
            {9, 0x60020002, kGet, "Uri", {{"BSTR*", "_uri", kRetval}}},
            {10, 0x60020003, kGet, "Self", {{"IUCCSelf**", "_value", kRetval}}},
            {11, 0x60020004, kGet, "ContactManager", {{"IUCCContactManager**", "_value", kRetval}}},
            {12, 0x60020005, kGet, "ConversationManager", {
                 {"IUCCConversationManager**", "_conversationManager", kRetval}}},
            {13, 0x60020006, kGet, "ConferenceScheduler", {{"IUCCConferenceScheduler**", "_value", kRetval}}},
        }},
        {"IUCCLyncClient", "{C413A27F-601E-4261-B9E3-0EB966F4E7D1}", "IUCCClient", &IID_IUCCLyncClient, {
            {14, 0x60030000, kMethod, "Signin", {
                 {"BSTR", "_userUri", kInDefault},
                 {"BSTR", "_domainAndUsername", kInDefault},
                 {"BSTR", "_password", kInDefault},
                 {"IUnknown*", "_CommunicatorClientCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {15, 0x60030001, kMethod, "Signout", {
                 {"IUnknown*", "_CommunicatorClientCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {16, 0x60030002, kGet, "SignInConfiguration", {
                 {"IUCCSignInConfiguration**", "_configuration", kRetval}}},
            {17, 0x60030003, kGet, "Capabilities", {{"LyncClientCapabilityTypes*", "_capabilities", kRetval}}},
            {18, 0x60030004, kGet, "DeviceManager", {{"IUCCDeviceManager**", "_deviceManager", kRetval}}},
            {19, 0x60030005, kGet, "DelegatorClients", {
                 {"SAFEARRAY(IUCCDelegatorClient*)*", "_delegateClients", kRetval}}},
            {20, 0x60030006, kGet, "Utilities", {{"IUCCUtilities**", "_utilities", kRetval}}},
            {21, 0x60030007, kMethod, "CreateApplicationRegistration", {
                 {"BSTR", "_appGuid", kIn},
                 {"BSTR", "_appName", kIn},
                 {"IUCCApplicationRegistration**", "_registration", kRetval}}},
            {22, 0x60030008, kGet, "InSuppressedMode", {{"VARIANT_BOOL*", "_value", kRetval}}},
            {23, 0x60030009, kMethod, "Initialize", {
                 {"BSTR", "_clientName", kIn},
                 {"BSTR", "_version", kInDefault},
                 {"BSTR", "_clientShortName", kInDefault},
                 {"BSTR", "_clientNameAbbreviation", kInDefault},
                 {"BSTR", "_clientLongName", kInDefault},
                 {"SupportedFeatures", "_supportedFeatures", kInDefault},
                 {"IUnknown*", "_CommunicatorClientCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {24, 0x6003000a, kMethod, "Shutdown", {
                 {"IUnknown*", "_CommunicatorClientCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
        }},
        {"IUCCClient2", "{86225E5C-7595-4D1C-985D-8A0458D714C0}", "IDispatch", &IID_IUCCClient2, {
            {7, 0x10000001, kGet, "PrivateContactManager", {{"IUCCContactManager**", "_value", kRetval}}},
            {8, 0x10000002, kGet, "RoomManager", {{"IUCCRoomManager**", "_value", kRetval}}},
            {9, 0x10000003, kGet, "Settings", {{"IUCCClientSettings**", "_value", kRetval}}},
        }},
        {"IUCCClientStateChangedEventData", "{9B3A702D-5BE1-4FCE-ADB3-EBBD23E078C3}", "IDispatch",
         &IID_IUCCClientStateChangedEventData, {
            {7, 0x60020000, kGet, "NewState", {{"ClientState*", "_newState", kRetval}}},
            {8, 0x60020001, kGet, "OldState", {{"ClientState*", "_oldState", kRetval}}},
            {9, 0x60020002, kGet, "StatusCode", {{"long*", "_HResultStatusCode", kRetval}}},
        }},
        {"IUCCSelf", "{4DA899D3-FAC7-4F43-8E4A-1987988FBC9B}", "IDispatch", &IID_IUCCSelf, {
            {7, 0x60020000, kMethod, "PublishContactInformation", {
                 {"SAFEARRAY(PublishableContactInformationType)", "_publishablePresenceItemTypes", kIn},
                 {"SAFEARRAY(VARIANT)", "_publishablePresenceItemValues", kIn},
                 {"IUnknown*", "_selfCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {8, 0x60020001, kGet, "Contact", {{"IUCCContact**", "_selfContact", kRetval}}},
            {9, 0x60020002, kMethod, "CreatePhone", {
                 {"ContactEndpointType", "_phoneType", kIn},
                 {"BSTR", "_phoneUri", kIn},
                 {"VARIANT_BOOL", "_toBePublished", kInDefault},
                 {"IUCCPhone**", "_phone", kRetval}}},
            {10, 0x60020003, kMethod, "CanSetPhone", {
                 {"ContactEndpointType", "_phoneType", kIn},
                 {"VARIANT_BOOL*", "_canSet", kRetval}}},
            {11, 0x60020004, kGet, "Phones", {{"SAFEARRAY(IUCCPhone*)*", "_phones", kRetval}}},
            {12, 0x60020005, kMethod, "SetPhones", {
                 {"SAFEARRAY(IUCCPhone*)", "_phones", kIn},
                 {"IUnknown*", "_selfCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {13, 0x60020006, kMethod, "GetPublishableCustomAvailabilityStates", {
                 {"long", "_localeId", kInDefault},
                 {"SAFEARRAY(IUCCCustomAvailabilityState*)*", "_states", kRetval}}},
            {14, 0x60020007, kGet, "Permissions", {{"SAFEARRAY(IUCCAccessPermission*)*", "_permissions", kRetval}}},
            {15, 0x60020008, kGet, "PhotoDisplayed", {{"VARIANT_BOOL*", "_displayed", kRetval}}},
            {16, 0x60020009, kGet, "TestCallEndpoint", {{"IUCCContactEndpoint**", "_testCallEndpoint", kRetval}}},
            {17, 0x6002000a, kMethod, "SetPhone", {
                 {"ContactEndpointType", "_phoneType", kIn},
                 {"BSTR", "_phoneUri", kIn},
                 {"VARIANT_BOOL", "_toBePublished", kInDefault},
                 {"IUnknown*", "_selfCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {18, 0x6002000b, kMethod, "RemovePhone", {
                 {"ContactEndpointType", "_phoneType", kIn},
                 {"IUnknown*", "_selfCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {19, 0x6002000c, kMethod, "GetPhone", {
                 {"ContactEndpointType", "_phoneType", kIn},
                 {"IUCCPhone**", "_phone", kRetval}}},
            {20, 0x6002000d, kGet, "IsInResiliencyMode", {{"VARIANT_BOOL*", "_isResiliencyMode", kRetval}}},
            {21, 0x6002000e, kMethod, "GetSettingInternal", {
                 {"SettingItemTypeInternal", "_settingItem", kIn},
                 {"VARIANT*", "_setting", kRetval}}},
        }},
        {"IUCCSelf2", "{3C8D7146-35EA-4133-B2F6-C1FC2401A091}", "IDispatch", &IID_IUCCSelf2, {
            {7, 0x10000001, kMethod, "GetAlertLevelForNotification", {
                 {"BSTR", "_senderIdentity", kIn},
                 {"NotificationTypes", "_notificationTypes", kIn},
                 {"NotificationUrgencyType", "_notificationUrgency", kIn},
                 {"IUCCAlertLevel**", "_alertLevel", kRetval}}},
        }},
        {"IUCCContactManager", "{E6B3F5FA-4208-4C37-AE07-F6435B68D693}", "IDispatch", &IID_IUCCContactManager, {
            {7, 0x60020000, kGet, "Groups", {{"IUCCGroupCollection**", "_groups", kRetval}}},
            {8, 0x60020001, kMethod, "GetContactByUri", {
                 {"BSTR", "_contactUri", kIn},
                 {"IUCCContact**", "_contact", kRetval}}},
            {9, 0x60020002, kMethod, "Lookup", {
                 {"BSTR", "_lookupString", kIn},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {10, 0x60020003, kMethod, "CreateSubscription", {
                 {"IUCCContactSubscription**", "_subscription", kRetval}}},
            {11, 0x60020004, kMethod, "Search", {
                 {"BSTR", "_searchString", kIn},
                 {"SearchProviders", "_providers", kInDefault},
                 {"SearchFields", "_searchFields", kInDefault},
                 {"SearchOptions", "_searchOptions", kInDefault},
                 {"unsigned long", "_maxResults", kInDefault},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {12, 0x60020005, kMethod, "RemoveContactFromAllGroups", {
                 {"IUCCContact*", "_contact", kIn},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {13, 0x60020006, kMethod, "GetSearchProviderID", {
                 {"SearchProviders", "_provider", kIn},
                 {"BSTR*", "_providerId", kRetval}}},
            {14, 0x60020007, kMethod, "AddCustomGroup", {
                 {"BSTR", "_customGroupName", kIn},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {15, 0x60020008, kMethod, "AddDistributionGroup", {
                 {"IUCCDistributionGroup*", "_distributionGroup", kIn},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {16, 0x60020009, kMethod, "RemoveGroup", {
                 {"IUCCGroup*", "_group", kIn},
                 {"IUnknown*", "_contactsAndGroupsCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {17, 0x6002000a, kMethod, "SuspendSubscriptions", {}},
            {18, 0x6002000b, kMethod, "ResumeSubscriptions", {}},
            {19, 0x6002000c, kMethod, "GetSearchFields", {{"SearchFields*", "_searchFields", kRetval}}},
            {20, 0x6002000d, kMethod, "GetSearchProviderStatus", {
                 {"SearchProviders", "_provider", kIn},
                 {"SearchProviderStatusType*", "_status", kRetval}}},
            {21, 0x6002000e, kMethod, "GetExpertSearchQueryString", {
                 {"BSTR", "_searchString", kIn},
                 {"BSTR*", "_queryString", kRetval}}},
            {22, 0x6002000f, kMethod, "GetSelfContact", {{"IUCCContact**", "_selfContact", kRetval}}},
            {23, 0x60020010, kMethod, "GetContactByTel", {
                 {"BSTR", "_telUri", kIn},
                 {"IUCCContact**", "_contact", kRetval}}},
        }},
        {"IUCCContact", "{85109845-6AE2-4B6B-9524-65BA203E5B7D}", "IDispatch", &IID_IUCCContact, {
            {7, 0x60020000, kGet, "Uri", {{"BSTR*", "_contactUri", kRetval}}},
            {8, 0x60020001, kMethod, "GetContactInformation", {
                 {"ContactInformationType", "_contactInformationType", kIn},
                 {"VARIANT*", "_contactInformationValue", kRetval}}},
            {9, 0x60020002, kMethod, "BatchGetContactInformation", {
                 {"SAFEARRAY(ContactInformationType)", "_contactInformationTypes", kIn},
                 {"IUCCContactInformationDictionary**", "_contactInformation", kRetval}}},
            {10, 0x60020003, kGet, "Settings", {{"IUCCContactSettingDictionary**", "_contactSettings", kRetval}}},
            {11, 0x60020004, kMethod, "CanStart", {
                 {"ModalityTypes", "_modalityTypes", kIn},
                 {"VARIANT_BOOL*", "_canStart", kRetval}}},
            {12, 0x60020005, kMethod, "ChangeSetting", {
                 {"ContactSetting", "_contactSettingType", kIn},
                 {"VARIANT", "_contactSettingValue", kIn},
                 {"IUnknown*", "_contactCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {13, 0x60020006, kMethod, "CanChangeSetting", {
                 {"ContactSetting", "_contactSetting", kIn},
                 {"VARIANT_BOOL*", "_canSet", kRetval}}},
            {14, 0x60020007, kGet, "ContactManager", {
                 {"IUCCContactManager**", "_contactsAndGroupsManager", kRetval}}},
            {15, 0x60020008, kGet, "CustomGroups", {{"IUCCGroupCollection**", "_groups", kRetval}}},
            {16, 0x60020009, kMethod, "MoveToGroup", {
                 {"IUCCGroup*", "_targetGroup", kIn},
                 {"IUCCGroup*", "_sourceGroup", kIn},
                 {"IUnknown*", "_contactCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {17, 0x6002000a, kMethod, "CanMoveToGroup", {
                 {"IUCCGroup*", "_targetGroup", kIn},
                 {"IUCCGroup*", "_sourceGroup", kIn},
                 {"VARIANT_BOOL*", "_canMoveToGroup", kRetval}}},
            {18, 0x6002000b, kMethod, "CreateContactEndpoint", {
                 {"BSTR", "_telephoneUri", kIn},
                 {"IUCCContactEndpoint**", "_collaborationEndpoint", kRetval}}},
            {19, 0x6002000c, kGet, "UnifiedCommunicationType", {
                 {"UnifiedCommunicationType*", "_unifiedCommunicationType", kRetval}}},
            {20, 0x6002000d, kMethod, "GetOrganizationInformation", {
                 {"OrganizationStructureTypes", "_orgInfoTypes", kIn},
                 {"IUnknown*", "_contactCallback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {21, 0x6002000e, kMethod, "GetMultipleContactInformation", {
                 {"SAFEARRAY(ContactInformationType)", "_contactInformationTypes", kIn},
                 {"IUCCContactInformationDictionary**", "_contactInformation", kRetval}}},
        }},
        {"IUCCContact2", "{10FDD9BA-0CBA-4958-B6C8-D0912BF2703F}", "IDispatch", &IID_IUCCContact2, {
            {7, 0x10000001, kMethod, "SetAdditionalUris", {{"SAFEARRAY(BSTR)", "_contactUris", kIn}}},
            {8, 0x10000002, kMethod, "GetRawContactbyUri", {
                 {"BSTR", "_contactUri", kIn},
                 {"IUCCContact**", "_contact", kRetval}}},
            {9, 0x10000003, kMethod, "IsAnonymous", {{"VARIANT_BOOL*", "_isAnonymous", kRetval}}},
            {10, 0x10000004, kMethod, "BatchGetContactInformation2", {
                 {"uint64", "_contactInformationTypes", kIn},
                 {"SAFEARRAY(VARIANT)*", "_contactInformation", kRetval}}},
        }},
        {"IUCCContactSubscription", "{95B8D3E8-F3D5-4DC0-BCFE-AB80C835DEA0}", "IDispatch",
         &IID_IUCCContactSubscription, {
            {7, 0x60020000, kMethod, "Subscribe", {
                 {"ContactSubscriptionRefreshRate", "_subscriptionFreshness", kIn},
                 {"SAFEARRAY(ContactInformationType)", "_contactInformationTypes", kIn}}},
            {8, 0x60020001, kMethod, "Unsubscribe", {}},
            {9, 0x60020002, kMethod, "AddContact", {{"IUCCContact*", "_contact", kIn}}},
            {10, 0x60020003, kMethod, "RemoveContact", {{"IUCCContact*", "_contact", kIn}}},
            {11, 0x60020004, kGet, "LastSubscribedRefreshRate", {
                 {"ContactSubscriptionRefreshRate*", "_subscriptionFreshness", kRetval}}},
            {12, 0x60020005, kGet, "LastSubscribedContactInformation", {
                 {"SAFEARRAY(ContactInformationType)*", "_contactInformationTypes", kRetval}}},
            {13, 0x60020006, kGet, "Contacts", {{"SAFEARRAY(IUCCContact*)*", "_contacts", kRetval}}},
            {14, 0x60020007, kMethod, "AddContactByUri", {{"BSTR", "_contactUri", kIn}}},
            {15, 0x60020008, kMethod, "AddContacts", {{"SAFEARRAY(IUCCContact*)", "_contacts", kIn}}},
        }},
        {"IUCCContactEndpoint", "{1FF0E6F1-2FE4-4E29-A123-557AF0DB6927}", "IDispatch", &IID_IUCCContactEndpoint, {
            {7, 0x60020000, kGet, "Type", {{"ContactEndpointType*", "_type", kRetval}}},
            {8, 0x60020001, kGet, "DisplayName", {{"BSTR*", "_displayString", kRetval}}},
            {9, 0x60020002, kGet, "Uri", {{"BSTR*", "_uri", kRetval}}},
            {10, 0x60020003, kMethod, "CanStart", {
                 {"ModalityTypes", "_modalityTypes", kIn},
                 {"VARIANT_BOOL*", "_canStart", kRetval}}},
        }},
        {"IUCCLocaleString", "{C12F0DE5-9A7D-425C-B391-8BE004EAA2F6}", "IDispatch", &IID_IUCCLocaleString, {
            {7, 0x60020000, kGet, "LocaleId", {{"long*", "_localeId", kRetval}}},
            {8, 0x60020001, kGet, "Value", {{"BSTR*", "_stringValue", kRetval}}},
        }},
        {"IUCCContactInformationDictionary", "{F0CE810F-E36F-4CD8-A836-515B9A6E09FC}", "IDispatch",
         &IID_IUCCContactInformationDictionary, {
            {7, 0x60020000, kGet, "Values", {{"SAFEARRAY(VARIANT)*", "_values", kRetval}}},
            {8, 0x60020001, kGet, "Count", {{"long*", "_count", kRetval}}},
            {9, 0x0, kGet, "Item", {{"ContactInformationType", "_key", kIn}, {"VARIANT*", "_value", kRetval}}},
            {10, 0x60020003, kGet, "Keys", {{"SAFEARRAY(ContactInformationType)*", "_keys", kRetval}}},
            {11, 0x60020004, kMethod, "TryGetValue", {
                 {"ContactInformationType", "_key", kIn},
                 {"VARIANT*", "_value", kOut},
                 {"VARIANT_BOOL*", "_found", kRetval}}},
            {12, 0x60020005, kMethod, "GetKeyAt", {
                 {"long", "_index", kIn},
                 {"ContactInformationType*", "_key", kRetval}}},
            {13, 0x60020006, kMethod, "GetValueAt", {{"long", "_index", kIn}, {"VARIANT*", "_value", kRetval}}},
            {14, 0x60020007, kMethod, "ContainsKey", {
                 {"ContactInformationType", "_key", kIn},
                 {"VARIANT_BOOL*", "_found", kRetval}}},
        }},
        {"IUCCContactSettingDictionary", "{FD9000B3-479F-4B16-9D63-70A49E078946}", "IDispatch",
         &IID_IUCCContactSettingDictionary, {
            {7, 0x60020000, kGet, "Keys", {{"SAFEARRAY(ContactSetting)*", "_keys", kRetval}}},
            {8, 0x60020001, kGet, "Values", {{"SAFEARRAY(VARIANT)*", "_values", kRetval}}},
            {9, 0x60020002, kMethod, "TryGetValue", {
                 {"ContactSetting", "_key", kIn},
                 {"VARIANT*", "_value", kOut},
                 {"VARIANT_BOOL*", "_found", kRetval}}},
            {10, 0x0, kGet, "Item", {{"ContactSetting", "_key", kIn}, {"VARIANT*", "_value", kRetval}}},
            {11, 0x60020004, kMethod, "GetKeyAt", {{"long", "_index", kIn}, {"ContactSetting*", "_key", kRetval}}},
            {12, 0x60020005, kMethod, "GetValueAt", {{"long", "_index", kIn}, {"VARIANT*", "_value", kRetval}}},
            {13, 0x60020006, kMethod, "ContainsKey", {
                 {"ContactSetting", "_key", kIn},
                 {"VARIANT_BOOL*", "_found", kRetval}}},
            {14, 0x60020007, kGet, "Count", {{"long*", "_count", kRetval}}},
        }},
        {"IUCCContactInformationChangedEventData", "{EFEC2816-F16D-48D8-9306-26C810F0EA55}", "IDispatch",
         &IID_IUCCContactInformationChangedEventData, {
            {7, 0x60020000, kGet, "ChangedContactInformation", {
                 {"SAFEARRAY(ContactInformationType)*", "_contactInformationTypes", kRetval}}},
        }},
        {"IUCCContactSettingChangedEventData", "{12480BD4-072F-4763-B9FB-41B2CA54F9CD}", "IDispatch",
         &IID_IUCCContactSettingChangedEventData, {
            {7, 0x60020000, kGet, "Setting", {{"ContactSetting*", "_propertyType", kRetval}}},
            {8, 0x60020001, kGet, "Value", {{"VARIANT*", "_value", kRetval}}},
        }},
        {"IUCCAsynchronousOperation", "{F7EE956B-A713-48D3-AFEF-0A28F37740B3}", "IDispatch",
         &IID_IUCCAsynchronousOperation, {
            {7, 0x60020000, kGet, "AsyncState", {{"VARIANT*", "_userState", kRetval}}},
            {8, 0x60020001, kGet, "StatusCode", {{"long*", "_HResultStatusCode", kRetval}}},
            {9, 0x60020002, kGet, "IsCompleted", {{"VARIANT_BOOL*", "_isCompleted", kRetval}}},
            {10, 0x60020003, kGet, "IsSucceeded", {{"VARIANT_BOOL*", "_isSucceeded", kRetval}}},
            {11, 0x60020004, kGet, "IsCancelable", {{"VARIANT_BOOL*", "_isCancelable", kRetval}}},
            {12, 0x60020005, kGet, "DiagnosticCode", {{"long*", "_HResultDiagnosticCode", kRetval}}},
            {13, 0x60020006, kMethod, "CancelOperation", {}},
        }},
        {"IUCCAutomation", "{2EDAF003-14A6-4FAF-8A72-99526D048D63}", "IDispatch", &IID_IUCCAutomation, {
            {7, 0x60020000, kMethod, "LaunchAddContactWizard", {{"BSTR", "_contactEmail", kInDefault}}},
            {8, 0x60020001, kMethod, "StartConversation", {
                 {"AutomationModalities", "_conversationModes", kIn},
                 {"SAFEARRAY(BSTR)", "_participantUris", kIn},
                 {"SAFEARRAY(AutomationModalitySettings)", "_contextTypes", kIn},
                 {"SAFEARRAY(VARIANT)", "_contextDatas", kIn},
                 {"IUCCConversationWindow**", "_window", kRetval}}},
            {9, 0x60020002, kMethod, "JoinConference", {
                 {"BSTR", "_conferenceUrl", kIn},
                 {"IUCCConversationWindow**", "_window", kRetval}}},
            {10, 0x60020003, kMethod, "StartConversationEx", {
                 {"AutomationModalities", "_conversationModes", kIn},
                 {"SAFEARRAY(BSTR)", "_participantUris", kIn},
                 {"SAFEARRAY(AutomationModalitySettings)", "_contextTypes", kIn},
                 {"SAFEARRAY(VARIANT)", "_contextDatas", kIn},
                 {"IUnknown*", "_callback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            // widl writes no 64-bit default value: _parentHWND is optional without one.
            {11, 0x60020004, kMethod, "JoinConferenceEx", {
                 {"BSTR", "_conferenceUrl", kIn},
                 {"int64", "_parentHWND", kInOptional},
                 {"IUnknown*", "_callback", kInDefault},
                 {"VARIANT", "_state", kInOptional},
                 {"IUCCAsynchronousOperation**", "_asyncOperation", kRetvalDefault}}},
            {12, 0x60020005, kMethod, "GetConversationWindow", {
                 {"IUCCConversation*", "_conversation", kIn},
                 {"IUCCConversationWindow**", "_window", kRetval}}},
        }},
    };
    return interfaces;
}

const std::vector<InterfaceDeclaration>& dispatchInterfaces()
{
    static const std::vector<InterfaceDeclaration> interfaces = {
        {"DMessengerEvents", "{C9A6A6B6-9BC1-43A5-B06B-E58874EEBC96}", nullptr, &DIID_DMessengerEvents, {
            {0, 0x415, kMethod, "OnGroupAdded", {{"long", "hr", kIn}, {"IDispatch*", "pMGroup", kIn}}},
            {1, 0x416, kMethod, "OnGroupRemoved", {{"long", "hr", kIn}, {"IDispatch*", "pMGroup", kIn}}},
            {2, 0x417, kMethod, "OnGroupNameChanged", {{"long", "hr", kIn}, {"IDispatch*", "pMGroup", kIn}}},
            {3, 0x418, kMethod, "OnContactAddedToGroup", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pMGroup", kIn},
                 {"IDispatch*", "pMContact", kIn}}},
            {4, 0x419, kMethod, "OnContactRemovedFromGroup", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pMGroup", kIn},
                 {"IDispatch*", "pMContact", kIn}}},
            {5, 0x411, kMethod, "OnIMWindowCreated", {{"IDispatch*", "pIMWindow", kIn}}},
            {6, 0x412, kMethod, "OnIMWindowDestroyed", {{"IDispatch*", "pIMWindow", kIn}}},
            {7, 0x413, kMethod, "OnIMWindowContactAdded", {
                 {"IDispatch*", "pContact", kIn},
                 {"IDispatch*", "pIMWindow", kIn}}},
            {8, 0x414, kMethod, "OnIMWindowContactRemoved", {
                 {"IDispatch*", "pContact", kIn},
                 {"IDispatch*", "pIMWindow", kIn}}},
            {9, 0x408, kMethod, "OnAppShutdown", {}},
            {10, 0x400, kMethod, "OnSignin", {{"long", "hr", kIn}}},
            {11, 0x401, kMethod, "OnSignout", {}},
            {12, 0x402, kMethod, "OnContactListAdd", {{"long", "hr", kIn}, {"IDispatch*", "pMContact", kIn}}},
            {13, 0x403, kMethod, "OnContactListRemove", {{"long", "hr", kIn}, {"IDispatch*", "pMContact", kIn}}},
            {14, 0x405, kMethod, "OnMyFriendlyNameChange", {
                 {"long", "hr", kIn},
                 {"BSTR", "bstrPrevFriendlyName", kIn}}},
            {15, 0x407, kMethod, "OnMyStatusChange", {{"long", "hr", kIn}, {"MISTATUS", "mMyStatus", kIn}}},
            {16, 0x40e, kMethod, "OnMyPhoneChange", {
                 {"MPHONE_TYPE", "PhoneType", kIn},
                 {"BSTR", "bstrNumber", kIn}}},
            {17, 0x409, kMethod, "OnMyPropertyChange", {
                 {"long", "hr", kIn},
                 {"MCONTACTPROPERTY", "ePropType", kIn},
                 {"VARIANT", "vPropVal", kIn}}},
            {18, 0x404, kMethod, "OnContactFriendlyNameChange", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pMContact", kIn},
                 {"BSTR", "bstrPrevFriendlyName", kIn}}},
            {19, 0x406, kMethod, "OnContactStatusChange", {
                 {"IDispatch*", "pMContact", kIn},
                 {"MISTATUS", "mStatus", kIn}}},
            {20, 0x40a, kMethod, "OnContactPropertyChange", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pContact", kIn},
                 {"MCONTACTPROPERTY", "ePropType", kIn},
                 {"VARIANT", "vPropVal", kIn}}},
            {21, 0x40b, kMethod, "OnContactBlockChange", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pContact", kIn},
                 {"VARIANT_BOOL", "pBoolBlock", kIn}}},
            {22, 0x40c, kMethod, "OnContactPagerChange", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pContact", kIn},
                 {"VARIANT_BOOL", "pBoolPage", kIn}}},
            {23, 0x40d, kMethod, "OnContactPhoneChange", {
                 {"long", "hr", kIn},
                 {"IDispatch*", "pContact", kIn},
                 {"MPHONE_TYPE", "PhoneType", kIn},
                 {"BSTR", "bstrNumber", kIn}}},
            {24, 0x40f, kMethod, "OnUnreadEmailChange", {
                 {"MUAFOLDER", "mFolder", kIn},
                 {"long", "cUnreadEmail", kIn},
                 {"VARIANT_BOOL*", "pBoolfEnableDefault", kInOut}}},
            {25, 0x41a, kMethod, "OnContactResolved", {
                 {"long", "hr", kIn},
                 {"ADDRESS_TYPE", "AddressType", kIn},
                 {"BSTR", "bstrAddress", kIn},
                 {"BSTR", "bstrIMAddress", kIn}}},
        }},
        {"_IUCOfficeIntegrationEvents", "{8C9B6953-33CC-4A04-9DA4-F71AE79DA0C0}", nullptr,
         &DIID__IUCOfficeIntegrationEvents, {
            {0, 0x32, kMethod, "OnShuttingDown", {}},
        }},
        {"_IUCCLyncClientEvents", "{953AE732-F53A-4116-AC1B-0321B3FB3DBA}", nullptr, &DIID__IUCCLyncClientEvents, {
            {0, 0x64, kMethod, "OnStateChanged", {
                 {"IUCCClient*", "_eventSource", kIn},
                 {"IUCCClientStateChangedEventData*", "_eventData", kIn}}},
            {1, 0x65, kMethod, "OnNotificationReceived", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCLyncClientNotificationReceivedEventData*", "_eventData", kIn}}},
            {2, 0x67, kMethod, "OnCredentialRequested", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCCredentialRequestedEventData*", "_eventData", kIn}}},
            {3, 0x66, kMethod, "OnSignInDelayed", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCSignInDelayedEventData*", "_eventData", kIn}}},
            {4, 0x69, kMethod, "OnCapabilitiesChanged", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCPreferredCapabilitiesChangedEventData*", "_eventData", kIn}}},
            {5, 0x6a, kMethod, "OnDelegatorClientAdded", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCDelegatorClientCollectionEventData*", "_eventData", kIn}}},
            {6, 0x6b, kMethod, "OnDelegatorClientRemoved", {
                 {"IUCCLyncClient*", "_eventSource", kIn},
                 {"IUCCDelegatorClientCollectionEventData*", "_eventData", kIn}}},
        }},
        {"_IUCCContactManagerEvents", "{50D86EE2-288F-44F5-8144-69F6E3B24B90}", nullptr,
         &DIID__IUCCContactManagerEvents, {
            {0, 0xc8, kMethod, "OnGroupAdded", {
                 {"IUCCContactManager*", "_eventSource", kIn},
                 {"IUCCGroupCollectionChangedEventData*", "_eventData", kIn}}},
            {1, 0xc9, kMethod, "OnGroupRemoved", {
                 {"IUCCContactManager*", "_eventSource", kIn},
                 {"IUCCGroupCollectionChangedEventData*", "_eventData", kIn}}},
            {2, 0xca, kMethod, "OnSearchProviderStateChanged", {
                 {"IUCCContactManager*", "_eventSource", kIn},
                 {"IUCCSearchProviderStateChangedEventData*", "_eventData", kIn}}},
        }},
        {"_IUCCContactsAndGroupsCallback", "{ABF012A2-2068-4B4D-80D7-6D386BA7C8A2}", nullptr,
         &DIID__IUCCContactsAndGroupsCallback, {
            {0, 0xfc, kMethod, "OnAddCustomGroup", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
            {1, 0xfd, kMethod, "OnAddDistributionGroup", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
            {2, 0xff, kMethod, "OnRemoveContactFromAllGroups", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
            {3, 0xfe, kMethod, "OnRemoveGroup", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
            {4, 0xfa, kMethod, "OnSearch", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IUCCSearchResults*", "_searchResults", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
            {5, 0xfb, kMethod, "OnLookup", {
                 {"IUCCContactManager*", "_source", kIn},
                 {"IDispatch*", "_lookupResult", kIn},
                 {"IUCCAsynchronousOperation*", "_asyncOperation", kIn}}},
        }},
        {"_IUCCContactEvents", "{B1C6ECC3-1EA7-495D-9337-02FE4FB723F0}", nullptr, &DIID__IUCCContactEvents, {
            {0, 0x190, kMethod, "OnContactInformationChanged", {
                 {"IUCCContact*", "_eventSource", kIn},
                 {"IUCCContactInformationChangedEventData*", "_eventData", kIn}}},
            {1, 0x191, kMethod, "OnSettingChanged", {
                 {"IUCCContact*", "_eventSource", kIn},
                 {"IUCCContactSettingChangedEventData*", "_eventData", kIn}}},
            {2, 0x192, kMethod, "OnUriChanged", {
                 {"IUCCContact*", "_eventSource", kIn},
                 {"IUCCUriChangedEventData*", "_eventData", kIn}}},
        }},
    };
    return interfaces;
}

}  // namespace typelib_test
