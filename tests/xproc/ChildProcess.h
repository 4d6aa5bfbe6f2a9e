#pragma once

// A program of the build run beside the test program, as a script runs it: commands go to its standard
// input, its standard output and error are read line by line as they come, and every wait has a time-out.
// The destructor ends a program that still runs.
//
// One test thread drives it; a reader thread of its own collects the output.

#include "ThreadTestHelpers.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace xproc {

// One line of the program's output (the soak reads its figures from these).
struct OutputLine {
    std::wstring text;
};

class ChildProcess {
public:
    // `program`: a file name beside the test program; `arguments` already quoted as needed.
    ChildProcess(const std::wstring& program, const std::wstring& arguments);
    ~ChildProcess();

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return processId_; }

    // Writes the line and a line end to the program's standard input.
    bool send(const std::string& line);
    void closeInput();

    // The index of the first line at or after `from` that contains `text`, waiting up to the time-out.
    std::optional<std::size_t> waitForLine(const std::wstring& text, DWORD timeoutMs, std::size_t from = 0);
    std::vector<OutputLine> lines() const;
    std::size_t lineCount() const { return lines().size(); }
    // How many lines so far begin with `prefix` and contain `text`.
    std::size_t countLines(const std::wstring& text, const std::wstring& prefix = L"") const;
    std::wstring output() const; // every line so far, for failure messages

    // The exit code once the program has ended (and its output is read), or nothing after the time-out.
    std::optional<DWORD> waitForExit(DWORD timeoutMs);
    void kill();

private:
    void readOutput(HANDLE output);

    Handle process_;
    DWORD processId_ = 0;
    Handle input_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<OutputLine> lines_; // guarded by mutex_
    bool outputEnded_ = false;      // guarded by mutex_
    std::thread reader_;
};

} // namespace xproc
