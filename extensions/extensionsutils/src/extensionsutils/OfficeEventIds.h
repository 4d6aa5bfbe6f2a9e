#pragma once

// The dispatch ids of the events the provider fires to Office. The type library gives them as numbers only,
// so its generated header names none of them: they are named once here for the module (and the load
// programs that count them). Tests and the Office simulator hold the numbers as Office knows them.

#include <windows.h>

namespace extensionsutils {
namespace officeevents {

// DMessengerEvents
inline constexpr DISPID onSignin = 0x400;
inline constexpr DISPID onSignout = 0x401;
inline constexpr DISPID onContactListAdd = 0x402;
inline constexpr DISPID onContactListRemove = 0x403;
inline constexpr DISPID onContactFriendlyNameChange = 0x404;
inline constexpr DISPID onMyFriendlyNameChange = 0x405;
inline constexpr DISPID onContactStatusChange = 0x406;
inline constexpr DISPID onMyStatusChange = 0x407;
inline constexpr DISPID onAppShutdown = 0x408;
inline constexpr DISPID onMyPropertyChange = 0x409;
inline constexpr DISPID onContactPropertyChange = 0x40a;
inline constexpr DISPID onContactBlockChange = 0x40b;
inline constexpr DISPID onContactPagerChange = 0x40c;
inline constexpr DISPID onContactPhoneChange = 0x40d;
inline constexpr DISPID onMyPhoneChange = 0x40e;
inline constexpr DISPID onUnreadEmailChange = 0x40f;
inline constexpr DISPID onIMWindowCreated = 0x411;
inline constexpr DISPID onIMWindowDestroyed = 0x412;
inline constexpr DISPID onIMWindowContactAdded = 0x413;
inline constexpr DISPID onIMWindowContactRemoved = 0x414;
inline constexpr DISPID onGroupAdded = 0x415;
inline constexpr DISPID onGroupRemoved = 0x416;
inline constexpr DISPID onGroupNameChanged = 0x417;
inline constexpr DISPID onContactAddedToGroup = 0x418;
inline constexpr DISPID onContactRemovedFromGroup = 0x419;
inline constexpr DISPID onContactResolved = 0x41a;

// The UC integration API's events
inline constexpr DISPID onShuttingDown = 0x32;               // _IUCOfficeIntegrationEvents
inline constexpr DISPID onStateChanged = 0x64;               // _IUCCLyncClientEvents
inline constexpr DISPID onContactInformationChanged = 0x190; // _IUCCContactEvents
inline constexpr DISPID onSettingChanged = 0x191;            // _IUCCContactEvents
inline constexpr DISPID onLookup = 0xfb;                     // _IUCCContactsAndGroupsCallback

} // namespace officeevents
} // namespace extensionsutils
