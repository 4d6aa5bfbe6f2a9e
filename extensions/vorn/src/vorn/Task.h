#pragma once

#include <string>

namespace vorn {

// One unit of work for a ThreadPool. Runs once, on a pool thread.
class Task {
public:
    virtual void run() = 0;
    virtual ~Task();
    // For diagnostics: by default the task's type name and its address.
    virtual std::string name() const;
};

} // namespace vorn
