#pragma once

#include "instance/CommandLine.h"

// Runs a command of the command line in this process, without a window and
// without a display: no toolkit GUI is initialised on this path.
class HeadlessCommand
{
public:
    // Prints the reply (untranslated) and returns the exit status.
    static int Run(const CommandLine& command);
};
