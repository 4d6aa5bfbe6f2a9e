#pragma once

// What the tool tests share: running a program of the build and reading its output, temporary files, an
// output capture for the simulator, and waiting for another thread's doing.

#include "hostsim/ConsoleOutput.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tooltest {

// The full path of a file beside the test program (the tools and the module are built into one folder).
std::wstring besideTestProgram(const wchar_t* fileName);

struct ProgramRun {
    bool finished = false; // false: killed after the time-out
    DWORD exitCode = 0;
    std::wstring output; // standard output and standard error, UTF-8 decoded

    // Lines that contain `text`.
    std::size_t countLines(const std::wstring& text) const;
    bool contains(const std::wstring& text) const { return output.find(text) != std::wstring::npos; }
};

// Runs a program beside the test program with the arguments (already quoted as needed) and waits for it.
ProgramRun runProgram(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs = 120000);

// A file in the temporary folder, written at once and deleted when the object goes.
class TempFile {
public:
    TempFile(const std::wstring& name, const std::string& utf8Content);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// A ConsoleOutput whose lines are kept for the test; any thread may print.
class CapturedOutput {
public:
    CapturedOutput();
    hostsim::ConsoleOutput& output() { return *output_; }
    std::vector<std::wstring> lines() const;
    std::size_t countLines(const std::wstring& text) const;
    // True once a line containing `text` was printed, within the time-out.
    bool waitForLine(const std::wstring& text, DWORD timeoutMs = 10000) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::wstring> lines_; // guarded by mutex_
    std::unique_ptr<hostsim::ConsoleOutput> output_;
};

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Registers the module as its installer does, in this process: DllRegisterServer (the module is loaded only
// for that), then, when asked, the type library's locale-0 entry that Wine's marshaler needs.
HRESULT registerModule(const std::wstring& modulePath, bool withLocaleZeroEntry);

} // namespace tooltest
