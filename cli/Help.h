// korvelctl's usage and each command's help, written from the command table.
#pragma once

#include "CommandLine.h"

#include <cstdio>
#include <string>

namespace korvelctl {

// "korvelctl raw listen [--count N] [--timeout SECONDS] [--json]"
std::string Synopsis(const Command &command);

void PrintUsage(std::FILE *out);
// The help of every command whose name begins with `topic` ("raw": both raw
// commands); status 2 when there is none.
int PrintHelp(const std::string &topic);

} // namespace korvelctl
