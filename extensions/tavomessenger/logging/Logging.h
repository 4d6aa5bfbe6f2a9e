#pragma once

// Logging through the host client's logger. The module keeps no log of its own: every record goes to the
// logger that the host class object creates, and nothing is written while that object is absent.
//
// Call sites use TAVO_LOG, which builds the text only when the level is enabled:
//     TAVO_LOG(3, "work added after stop: " << name);
// Module levels: 0 most detailed tracing, 1 detail, 2 progress, 3 warnings and refusals, 4 errors,
// 5 the one severe failure. Wide strings go into the text through extensionsutils::toUtf8.
//
// Any thread may log at any time; logging never throws for a host-side failure.

#include <new>
#include <sstream>
#include <string>

namespace logging {

// True only when a host logger could be made and it answered that the level is enabled.
bool IsEnabled(int level);

// Hands one record to the host logger; file is the source path as the record shows it (for example
// "extensions/tavomessenger/LocalServer"), function the qualified name ("LocalServer::start").
// Every failure is silent.
void Write(int level, const char* file, int line, const char* function, const std::string& messageUtf8);

namespace detail {

// Used by TAVO_LOG: turns the compiler's __FILE__ into the source path without extension and the
// compiler's function signature into "Class::method", then calls Write.
void writeFromCallSite(int level, const char* compilerFile, int line, const char* compilerFunction,
                       const std::string& messageUtf8);

} // namespace detail
} // namespace logging

// MSVC's __FUNCTION__ already reads "Class::method"; g++'s plain __func__ lacks the class, so the full
// signature is taken and trimmed at run time, only when the line is written.
#if defined(_MSC_VER)
#define TAVO_LOG_FUNCTION_SIGNATURE __FUNCTION__
#elif defined(__GNUC__)
#define TAVO_LOG_FUNCTION_SIGNATURE __PRETTY_FUNCTION__
#else
#define TAVO_LOG_FUNCTION_SIGNATURE __func__
#endif

namespace logging {

// Where a logging call was written: a helper that fails on a member's behalf logs under the member's name
// and place when the member hands it TAVO_CALL_SITE.
struct CallSite {
    const char* file;
    int line;
    const char* function;
};

} // namespace logging

#define TAVO_CALL_SITE (::logging::CallSite{__FILE__, __LINE__, TAVO_LOG_FUNCTION_SIGNATURE})

namespace logging {
namespace detail {

// Writes the text that `text(stream)` builds, only when the level is enabled. A line whose text cannot be
// built for want of memory is dropped: logging never ends its caller.
template <class Text>
void writeBuilt(const CallSite& site, int level, const Text& text)
{
    if (!IsEnabled(level)) return;
    try {
        std::ostringstream stream;
        text(stream);
        writeFromCallSite(level, site.file, site.line, site.function, stream.str());
    } catch (const std::bad_alloc&) {
    }
}

} // namespace detail
} // namespace logging

// As TAVO_LOG, for the call site given.
#define TAVO_LOG_AT(site, level, streamExpression)                                                         \
    ::logging::detail::writeBuilt((site), (level), [&](::std::ostream& tavoText) { tavoText << streamExpression; })

#define TAVO_LOG(level, streamExpression) TAVO_LOG_AT(TAVO_CALL_SITE, level, streamExpression)
