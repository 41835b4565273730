#pragma once

#include "Command.h"

#include <memory>
#include <vector>

// Every subcommand, in the order the usage text lists them.
std::vector<std::unique_ptr<Command>> allCommands();

// Dispatches arguments (without the program name) to a subcommand; returns the exit status.
int runCommandLine(const QStringList& arguments, CommandIO& io);
