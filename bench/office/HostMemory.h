#pragma once

// The host process's memory, asked of benchhost serve (see HeapFigures): false when the host does not
// answer within 30 s.

#include "measure/BenchNames.h"

namespace bench {

bool askHostMemory(HeapFigures& figures);

} // namespace bench
