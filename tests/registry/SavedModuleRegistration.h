#pragma once

// Now part of the shared test support.
#include "../support/SavedModuleRegistration.h"
