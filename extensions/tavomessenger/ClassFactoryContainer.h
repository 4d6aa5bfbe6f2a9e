#pragma once

#include "ClassFactory.h"

#include "extensionsutils/MICComPtr.h"
#include "vorn/Mutex.h"

#include <windows.h>

// The record of what publishing registered with COM: the factory and the two registration cookies.
// Threads: written on the worker thread, read by the revocation there; every field under `mutex`.
class ClassFactoryContainer
{
public:
    // Replaces all three; the factory reference is added, the previous one released.
    void setRegistration(const extensionsutils::MICComPtr<ClassFactory>& factory, DWORD messengerCookie, DWORD officeIntegrationCookie);

    extensionsutils::MICComPtr<ClassFactory> classFactory() const;
    DWORD messengerCookie() const;
    DWORD officeIntegrationCookie() const;

private:
    mutable vorn::Mutex mutex;
    extensionsutils::MICComPtr<ClassFactory> classFactory_;
    DWORD messengerCookie_ = 0;
    DWORD officeIntegrationCookie_ = 0;
};
