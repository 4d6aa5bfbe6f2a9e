#pragma once

// What the tool tests share: running a program of the build and reading its output, and temporary files.

#include <windows.h>

#include <string>

namespace tooltest {

struct ProgramRun {
    bool finished = false; // false: killed after the time-out
    DWORD exitCode = 0;
    std::wstring output; // standard output and standard error, UTF-8 decoded
    std::size_t countLines(const std::wstring& text) const; // lines that contain `text`
    bool contains(const std::wstring& text) const { return output.find(text) != std::wstring::npos; }
};

// Runs a program beside the test program with the arguments (already quoted as needed) and waits for it.
ProgramRun runProgram(const wchar_t* program, const std::wstring& arguments, DWORD timeoutMs = 120000);

// A file in the temporary folder, written at once and deleted when the object goes.
struct TempFile {
    TempFile(const std::wstring& name, const std::string& utf8Content);
    ~TempFile() { DeleteFileW(path.c_str()); }
    TempFile(const TempFile&) = delete;
    std::wstring path;
};

} // namespace tooltest
