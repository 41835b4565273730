#pragma once

#include "Command.h"

#include <memory>
#include <vector>

// Every subcommand, in the order the usage text lists them.
std::vector<std::unique_ptr<Command>> allCommands();

// Dispatches arguments (without the program name) to a subcommand; returns the exit
// status. Also answers --help, --version and "help [SUBCOMMAND]"; without arguments it
// prints the usage text with the subcommand list on standard error (a usage error).
int runCommandLine(const QStringList& arguments, CommandIO& io);
