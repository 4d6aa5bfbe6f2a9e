#pragma once

// The module's type library as COM finds it: HKCR\TypeLib\{LIBID}\1.0\<locale>\win32 (and win64) name the
// file that holds it. Each entry must name a file that exists and is built for that platform. Wine's
// marshaler looks the library up for locale 0 only, so under Wine a locale-0 entry is needed as well. Each
// module file the entries name is then described by its version resource.

#include "providerdoctor/Finding.h"

#include <vector>

namespace doctor {

// underWine: require the locale-0 entry.
std::vector<Finding> checkTypeLibraryRegistration(bool underWine);

// True when this process runs under Wine.
bool runningUnderWine();

} // namespace doctor
