#include "vorn/Task.h"

#include <sstream>
#include <typeinfo>

namespace vorn {

Task::~Task() = default;

std::string Task::name() const
{
    std::ostringstream text;
    text << typeid(*this).name() << " [" << static_cast<const void*>(this) << "]";
    return text.str();
}

} // namespace vorn
