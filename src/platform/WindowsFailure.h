#pragma once
#include "platform/IoStatus.h"

// What a failed Windows call (its GetLastError code) means to the program.
IoStatus windowsFailure(unsigned long error);
// The same for a flush: storage that cannot flush (some shares, some card file systems)
// has taken what was written as far as it can, which is no failure.
IoStatus windowsSyncFailure(unsigned long error);
