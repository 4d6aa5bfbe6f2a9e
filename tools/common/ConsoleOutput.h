#pragma once

// A tool's one output: whole UTF-8 lines on standard output, flushed at once so that a script reading
// through a pipe sees each line as it happens. Any thread may print (the module logs from its own threads,
// officesim's hang watch prints from its own); lines never interleave.

#include <mutex>
#include <string>

namespace tools {

class ConsoleOutput {
public:
    // `program` heads the lines that the tool reports about itself.
    explicit ConsoleOutput(std::wstring program);
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // The line as it stands.
    void line(const std::wstring& text);
    // program + ": " + text: what the tool itself reports.
    void note(const std::wstring& text);
    // program + ": error: " + text.
    void error(const std::wstring& text);

private:
    const std::wstring program_;
    std::mutex mutex_; // held while a line is written
};

} // namespace tools
