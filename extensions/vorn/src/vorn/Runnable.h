#pragma once

namespace vorn {

// The body of a thread.
class Runnable {
public:
    virtual ~Runnable();
    virtual void run() = 0;
};

} // namespace vorn
