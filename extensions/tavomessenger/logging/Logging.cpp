#include "logging/Logging.h"

#include "ExtensionProvider/HostClassObject.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "logging/LogCallSite.h"

namespace logging {
namespace {

// The host's scale runs the other way: its 0 is the most severe level, its 5 the most detailed.
// Levels the module does not use are sent as detail, like 1.
long hostLevelFor(int level)
{
    switch (level) {
    case 0: return 5;
    case 1: return 4;
    case 2: return 3;
    case 3: return 2;
    case 4: return 1;
    case 5: return 0;
    default: return 4;
    }
}

// The source tree's root as this compiler spells paths, found from this file's own known place.
const std::string& projectRoot()
{
    static const std::string root =
        detail::projectRootFromKnownFile(__FILE__, "extensions/tavomessenger/logging/Logging.cpp");
    return root;
}

} // namespace

bool IsEnabled(int level)
{
    extensionsutils::ComPtr<ILogger> logger = hostaccess::GetLogger();
    if (!logger) return false;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    const HRESULT hr = logger->IsLevelEnabled(hostLevelFor(level), &enabled);
    return SUCCEEDED(hr) && enabled == VARIANT_TRUE;
}

void Write(int level, const char* file, int line, const char* function, const std::string& messageUtf8)
{
    try {
        extensionsutils::ComPtr<ILogger> logger = hostaccess::GetLogger();
        if (!logger) return;
        const extensionsutils::Bstr fileText = extensionsutils::Bstr::fromUtf8(file ? file : "");
        const extensionsutils::Bstr functionText = extensionsutils::Bstr::fromUtf8(function ? function : "");
        const extensionsutils::Bstr message = extensionsutils::Bstr::fromUtf8(messageUtf8);
        logger->WriteRecord(hostLevelFor(level), fileText.get(), line, functionText.get(), message.get());
    } catch (...) {
        // Logging never fails towards its caller.
    }
}

namespace detail {

void writeFromCallSite(int level, const char* compilerFile, int line, const char* compilerFunction,
                       const std::string& messageUtf8)
{
    try {
        const std::string file = sourcePathFromCompilerFile(compilerFile ? compilerFile : "", projectRoot());
        const std::string function = functionNameFromSignature(compilerFunction ? compilerFunction : "");
        Write(level, file.c_str(), line, function.c_str(), messageUtf8);
    } catch (...) {
        // Logging never fails towards its caller.
    }
}

} // namespace detail
} // namespace logging
