#pragma once

#include "extensionsutils/LogSink.h"

// Hands the shared utilities' log lines to the module's logging (the host's logger). Any thread.
class ModuleLogSink final : public extensionsutils::LogSink
{
public:
    void write(int level, const char* file, int line, const char* function, const std::string& messageUtf8) override;
};
