#include "vorn/BlockingTask.h"

#include <utility>

namespace vorn {

BlockingTask::BlockingTask(std::shared_ptr<Task> task, std::shared_ptr<Event> done)
    : task_(std::move(task))
    , done_(std::move(done))
{
}

BlockingTask::~BlockingTask()
{
    // The wrapped task goes first, so whatever it held is released before the submitter resumes.
    task_.reset();
    done_->set();
}

void BlockingTask::run()
{
    task_->run();
}

std::string BlockingTask::name() const
{
    return "blocking " + task_->name();
}

} // namespace vorn
