#include "vorn/Runnable.h"

namespace vorn {

Runnable::~Runnable() = default;

} // namespace vorn
