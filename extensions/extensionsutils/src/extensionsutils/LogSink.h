#pragma once

// Where the shared utilities send their log lines. They know nothing of the module's logger: a caller that
// wants the lines hands in a sink (the module's own calls hand none).
//
// Implementations are called on whatever thread uses the utility and must not throw.

#include <memory>
#include <string>

namespace extensionsutils {

class LogSink
{
public:
    virtual ~LogSink() = default;

    // One record: level as the module counts it, source path ("extensions/extensionsutils/src/...", or the
    // compiler's __FILE__ of it), line, qualified function name and the UTF-8 text.
    virtual void write(int level, const char* file, int line, const char* function,
                       const std::string& messageUtf8) = 0;
};

using LogSinkPtr = std::shared_ptr<LogSink>;

} // namespace extensionsutils
