#pragma once

// Turns what the compiler knows about a logging call site into the names a log record carries.
// Pure functions; any thread.

#include <string>

namespace logging {
namespace detail {

// "/src/extensions/tavomessenger/LocalServer.cpp" (or the same path already relative to the source
// tree, or with backslashes) -> "extensions/tavomessenger/LocalServer". projectRoot is the folder that
// holds the "extensions" tree as the compiler spells it, possibly empty; a path outside it keeps its
// folders and loses only its extension.
std::string sourcePathFromCompilerFile(const std::string& compilerFile, const std::string& projectRoot);

// The project root as the compiler spells it, derived from the path of a file whose place in the
// source tree is known: ("/src/extensions/x/Logging.cpp", "extensions/x/Logging.cpp") -> "/src/".
std::string projectRootFromKnownFile(const std::string& compilerFile, const std::string& relativePath);

// A compiler function signature -> "Class::method", the way MSVC's __FUNCTION__ reads:
//   "virtual HRESULT UCCContact::get_Uri(BSTR*)"                  -> "UCCContact::get_Uri"
//   "void CProxyEvents<T>::Fire_X() [with T = OfficeIntegrationImpl]"
//                                                                  -> "CProxyEvents<class OfficeIntegrationImpl>::Fire_X"
//   "void LocalServer::start()::<lambda()>"                        -> "LocalServer::start"
//   "void {anonymous}::doNothing(BSTR&, BSTR&)"                    -> "doNothing"
// A text that is already a plain name (MSVC's __FUNCTION__) comes back unchanged.
std::string functionNameFromSignature(const std::string& signature);

} // namespace detail
} // namespace logging
