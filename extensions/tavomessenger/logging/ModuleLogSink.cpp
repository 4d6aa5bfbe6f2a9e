#include "logging/ModuleLogSink.h"

#include "logging/Logging.h"

void ModuleLogSink::write(int level, const char* file, int line, const char* function, const std::string& messageUtf8)
{
    if (logging::IsEnabled(level)) logging::Write(level, file, line, function, messageUtf8);
}
