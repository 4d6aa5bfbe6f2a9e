#include "logging/ModuleLogSink.h"

#include "logging/Logging.h"

void ModuleLogSink::write(int level, const char* file, int line, const char* function, const std::string& messageUtf8)
{
    // The file becomes the source path the module's own lines carry.
    if (logging::IsEnabled(level)) logging::detail::writeFromCallSite(level, file, line, function, messageUtf8);
}
