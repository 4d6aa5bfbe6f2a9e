#pragma once

// How COM marshals the interfaces Office uses to reach the module across processes: each one's
// HKCR\Interface\{IID} key must name a type library in TypeLib and a proxy in ProxyStubClsid32. The
// Messenger API interfaces must name the module's library (the module repairs them at every start); the
// UC interfaces may also name another registered library with the same declarations. Both registry views
// are read, since 32-bit and 64-bit Office each read their own.

#include "providerdoctor/Finding.h"

#include <windows.h>

#include <string>
#include <vector>

namespace doctor {

enum class InterfaceFamily { Messenger, UnifiedCommunications };

struct CheckedInterface {
    const wchar_t* name;
    IID iid;
    InterfaceFamily family;
};

// The interfaces looked at, Messenger API first.
const std::vector<CheckedInterface>& checkedInterfaces();

// Per family: one problem naming the interfaces that are not registered at all, one finding per interface
// registered wrongly, and one "ok" for the rest.
std::vector<Finding> checkInterfaceRegistrations();

struct InterfaceCheck {
    bool registered = true;        // some registry view names a type library for it
    std::vector<Finding> findings; // what is wrong with the registration (empty when fine or unregistered)
};

InterfaceCheck checkInterfaceRegistration(const CheckedInterface& checked);

} // namespace doctor
