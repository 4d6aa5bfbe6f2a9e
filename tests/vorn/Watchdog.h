#pragma once

// The watchdog now lives with the other thread helpers of the shared test support.
#include "../support/Watchdog.h"
