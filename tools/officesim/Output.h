#pragma once

// officesim's one output: whole UTF-8 lines on standard output, flushed at once so that a script reading
// through a pipe sees each line as it happens. Any thread may print (the hang watch prints from its own);
// lines never interleave.

#include <functional>
#include <mutex>
#include <string>

namespace officesim {

class Output {
public:
    using Sink = std::function<void(const std::string& utf8Line)>;

    Output(); // standard output
    explicit Output(Sink sink);
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void line(const std::wstring& text);

private:
    std::mutex mutex_;
    Sink sink_; // called under mutex_
};

} // namespace officesim
