#pragma once

// The simulator's one output: whole lines, UTF-8, flushed at once so that a script reading the output
// through a pipe sees each line as it happens. Any thread may print (the module logs from its own threads);
// lines never interleave.

#include <functional>
#include <mutex>
#include <string>

namespace hostsim {

class ConsoleOutput {
public:
    using Sink = std::function<void(const std::string& utf8Line)>;

    ConsoleOutput(); // standard output
    explicit ConsoleOutput(Sink sink);
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // The line as it stands.
    void line(const std::wstring& text);
    // "hostsim: " + text: what the simulator itself reports.
    void note(const std::wstring& text);
    // "hostsim: error: " + text.
    void error(const std::wstring& text);

private:
    std::mutex mutex_;
    Sink sink_; // called under mutex_
};

} // namespace hostsim
