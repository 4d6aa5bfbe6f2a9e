#pragma once

// What the tool tests share: running a program of the build and reading its output, temporary files, and
// registering the module as its installer does.

#include <windows.h>

#include <string>

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
    ~TempFile() { DeleteFileW(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// Registers the module as its installer does, in this process: DllRegisterServer (the module is loaded only
// for that), then, when asked, the type library's locale-0 entry that Wine's marshaler needs.
HRESULT registerModule(const std::wstring& modulePath, bool withLocaleZeroEntry);

} // namespace tooltest
