#pragma once

// The tests call members late-bound as Office does, through the tools' one late-bound call.

#include "common/LateBoundCall.h"

using tools::byReference;
using tools::callByName;
using tools::dispatchIdOf;
using tools::LateBoundResult;
using tools::missingArgument;
