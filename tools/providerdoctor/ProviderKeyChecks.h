#pragma once

// The values by which Office finds a running IM provider, under HKEY_CURRENT_USER: "Software\IM Providers"
// DefaultIMApp must name "Norvane Quillon", and that provider's key must hold UpAndRunning 2 while the host
// client runs the module (for Office 2007 also "Software\IM Providers\Communicator").

#include "providerdoctor/Finding.h"

#include <vector>

namespace doctor {

Finding checkDefaultImApp();

Finding checkUpAndRunning();

// Only when Office 2007 is installed does the module write, and Office read, the Communicator key.
Finding checkOffice2007UpAndRunning(bool office2007Installed);

} // namespace doctor
