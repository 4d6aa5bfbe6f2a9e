#pragma once

// What the module itself decides from the registry, as it would decide it now: the installed Office
// version (Office 2007 needs the extra provider key) and the DisableResolveContact setting (with it, Office
// cannot turn e-mail addresses into IM addresses).

#include "providerdoctor/Finding.h"

namespace doctor {

struct OfficeVersions {
    unsigned fromCurVer = 0;         // Outlook.Application\CurVer: 0, 11, 12, 14, 15 or 16
    unsigned fromInprocServer = 0;   // the Office component's folder: 0, 12 or 14

    bool office2007() const { return fromCurVer == 12 || fromInprocServer == 12; }
};

// The module's own detection.
OfficeVersions detectOfficeVersions();

Finding describeOfficeVersions(const OfficeVersions& versions);

Finding checkResolveContactSetting();

} // namespace doctor
