#pragma once

// The ids that Office and the host client hold, written as they are published. Tests, and the tools that
// stand in for Office and the host, check the module's ids against these: taken from the module's generated
// headers, they would pass with a wrong id there. Malformed text does not compile.

#include <windows.h>

namespace contractid {

constexpr unsigned char hexDigit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned char>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned char>(c - 'a' + 10);
    throw "not a hexadecimal digit";
}

constexpr unsigned long hexNumber(const char* text, int digits)
{
    unsigned long value = 0;
    for (int digit = 0; digit < digits; ++digit) value = value * 16 + hexDigit(text[digit]);
    return value;
}

// "{8885370D-B33E-44B7-875D-28E403CF9270}" as a GUID.
constexpr GUID guid(const char (&text)[39])
{
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}')
        throw "not a braced GUID";
    const auto byte = [&text](int at) { return static_cast<unsigned char>(hexNumber(text + at, 2)); };
    return GUID{hexNumber(text + 1, 8), static_cast<unsigned short>(hexNumber(text + 10, 4)),
                static_cast<unsigned short>(hexNumber(text + 15, 4)),
                {byte(20), byte(22), byte(25), byte(27), byte(29), byte(31), byte(33), byte(35)}};
}

// COM's own interfaces, as Windows publishes them: the ones Office and the host call the module through.
inline constexpr GUID IUnknown = guid("{00000000-0000-0000-C000-000000000046}");
inline constexpr GUID IClassFactory = guid("{00000001-0000-0000-C000-000000000046}");
inline constexpr GUID IDispatch = guid("{00020400-0000-0000-C000-000000000046}");
inline constexpr GUID IConnectionPointContainer = guid("{B196B284-BAB4-101A-B69C-00AA00341D07}");
inline constexpr GUID IServiceProvider = guid("{6D5140C1-7436-11CE-8034-00AA006009FA}");
inline constexpr GUID IPropertyNotifySink = guid("{9BFBBC02-EFF1-101A-84ED-00AA00341D07}");

// The type library and the classes Office creates.
inline constexpr GUID TavoMessengerLib = guid("{31F0215E-C543-4EE3-B6F0-03AC36815648}");
inline constexpr GUID Messenger = guid("{8885370D-B33E-44B7-875D-28E403CF9270}");
inline constexpr GUID OfficeIntegrationImpl = guid("{83CE44B6-A512-4199-9766-38357A9108E8}");

// The Messenger API (event interfaces are named here without a leading underscore).
inline constexpr GUID IMessenger = guid("{D50C3186-0F89-48F8-B204-3604629DEE10}");
inline constexpr GUID IMessenger2 = guid("{D50C3286-0F89-48F8-B204-3604629DEE10}");
inline constexpr GUID IMessenger3 = guid("{D50C3386-0F89-48F8-B204-3604629DEE10}");
inline constexpr GUID IMessengerAdvanced = guid("{DA0635E8-09AF-480C-88B2-AA9FA1D9DB27}");
inline constexpr GUID IMessengerContactResolution = guid("{53A5023D-6872-454A-9A4F-827F18CFBE02}");
inline constexpr GUID IMessengerContact = guid("{E7479A0F-BB19-44A5-968F-6F41D93EE0BC}");
inline constexpr GUID IMessengerContactAdvanced = guid("{086F69C0-2FBD-46B3-BE50-EC401AB86099}");
inline constexpr GUID IMessengerContacts = guid("{E7479A0D-BB19-44A5-968F-6F41D93EE0BC}");
inline constexpr GUID IMessengerServices = guid("{2E50547B-A8AA-4F60-B57E-1F414711007B}");
inline constexpr GUID IMessengerService = guid("{2E50547C-A8AA-4F60-B57E-1F414711007B}");
inline constexpr GUID IMessengerGroups = guid("{E1AF1028-B884-44CB-A535-1C3C11A3D1DB}");
inline constexpr GUID DMessengerEvents = guid("{C9A6A6B6-9BC1-43A5-B06B-E58874EEBC96}");

// The UC integration API.
inline constexpr GUID IUCOfficeIntegration = guid("{6A222195-F65E-467F-8F77-EB180BD85288}");
inline constexpr GUID IUCCClient = guid("{EE9F3E74-AC61-469E-80D6-E22BF4EEFF5C}");
inline constexpr GUID IUCCLyncClient = guid("{C413A27F-601E-4261-B9E3-0EB966F4E7D1}");
inline constexpr GUID IUCCClientStateChangedEventData = guid("{9B3A702D-5BE1-4FCE-ADB3-EBBD23E078C3}");
inline constexpr GUID IUCCSelf = guid("{4DA899D3-FAC7-4F43-8E4A-1987988FBC9B}");
inline constexpr GUID IUCCContactManager = guid("{E6B3F5FA-4208-4C37-AE07-F6435B68D693}");
inline constexpr GUID IUCCContact = guid("{85109845-6AE2-4B6B-9524-65BA203E5B7D}");
inline constexpr GUID IUCCContactSubscription = guid("{95B8D3E8-F3D5-4DC0-BCFE-AB80C835DEA0}");
inline constexpr GUID IUCCContactEndpoint = guid("{1FF0E6F1-2FE4-4E29-A123-557AF0DB6927}");
inline constexpr GUID IUCCLocaleString = guid("{C12F0DE5-9A7D-425C-B391-8BE004EAA2F6}");
inline constexpr GUID IUCCContactInformationDictionary = guid("{F0CE810F-E36F-4CD8-A836-515B9A6E09FC}");
inline constexpr GUID IUCCContactInformationChangedEventData = guid("{EFEC2816-F16D-48D8-9306-26C810F0EA55}");
inline constexpr GUID IUCCAsynchronousOperation = guid("{F7EE956B-A713-48D3-AFEF-0A28F37740B3}");
inline constexpr GUID IUCCAutomation = guid("{2EDAF003-14A6-4FAF-8A72-99526D048D63}");
inline constexpr GUID IUCOfficeIntegrationEvents = guid("{8C9B6953-33CC-4A04-9DA4-F71AE79DA0C0}");
inline constexpr GUID IUCCLyncClientEvents = guid("{953AE732-F53A-4116-AC1B-0321B3FB3DBA}");
inline constexpr GUID IUCCContactEvents = guid("{B1C6ECC3-1EA7-495D-9337-02FE4FB723F0}");
inline constexpr GUID IUCCContactsAndGroupsCallback = guid("{ABF012A2-2068-4B4D-80D7-6D386BA7C8A2}");

// The host client's extension API.
inline constexpr GUID IMAndPresence = guid("{9B9C9713-50C3-4722-8298-0CD525EA503E}");
inline constexpr GUID IIMAndPresence = guid("{D5ADD1A1-2DB5-4528-A392-CAE045E24F34}");
inline constexpr GUID IProviderManagement = guid("{66BA3AC2-E25F-47E0-9587-D09230E08D9C}");
inline constexpr GUID IEventManager = guid("{48F91EF1-DBF2-40AE-8E47-68542379F93F}");
inline constexpr GUID IPhone = guid("{0F4BAEF6-9396-4B59-BF39-8814F06F0EA1}");
inline constexpr GUID ILogger = guid("{B0B5FAA8-DBFF-429D-AD8C-EA299B9CBF3E}");
inline constexpr GUID IContact = guid("{12343FD5-33B2-4B51-8E3C-EF3D998EF4E0}");
inline constexpr GUID IContacts = guid("{EEC5CE10-45CD-4BFD-86E4-5A2F6ACE7E0A}");
inline constexpr GUID IPresenceState = guid("{1DCACB70-3D80-49D2-9357-A27CD9B8CD96}");
inline constexpr GUID IContactEvents = guid("{EE95E3C0-ABC8-4018-B8A0-3811979A1F82}");

} // namespace contractid
