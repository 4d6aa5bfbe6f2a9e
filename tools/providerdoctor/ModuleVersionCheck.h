#pragma once

// Which build of the module is registered: the version resource of the file that the type library's
// registration names, for support staff to compare with what the host client shipped.

#include "providerdoctor/Finding.h"

#include <string>

namespace doctor {

// ok "Module: <path>: TavoMessenger version <x.y.z.w>, build <commit>", or a note when the file carries no
// version resource.
Finding describeModule(const std::wstring& path);

} // namespace doctor
