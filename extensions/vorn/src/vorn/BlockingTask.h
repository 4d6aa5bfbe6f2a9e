#pragma once

#include "vorn/Event.h"
#include "vorn/Task.h"

#include <memory>
#include <string>

namespace vorn {

// Wraps a task for a submitter that waits until it has run. `done` is set once the wrapper is finished
// with: after the wrapped task ran, or when the pool dropped it unrun, so the submitter never waits
// for a task that will not come.
class BlockingTask : public Task {
public:
    BlockingTask(std::shared_ptr<Task> task, std::shared_ptr<Event> done);
    ~BlockingTask() override;

    void run() override;
    std::string name() const override;

private:
    std::shared_ptr<Task> task_;
    std::shared_ptr<Event> done_;
};

} // namespace vorn
