// A whole TWAIN session: open the manager, choose and open a source,
// negotiate, enable, wait for transfers and save them, close everything.
#pragma once

#include "options.h"

// Prints the product name of every source the manager knows. Exit status.
int ListSources(const Options& options);
// Acquires images as the options say. Exit status.
int Acquire(const Options& options);
