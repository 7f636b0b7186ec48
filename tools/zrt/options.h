// One command's command line read by its option table, and the help text the same table
// gives.
#pragma once

#include <cstdio>
#include <string>

#include "command.h"

namespace zrt::cli {

enum class ParseResult { Ok, Help, Error };

// Splits argv (the words after the command name) into options and positional
// arguments: "--name VALUE", "--name=VALUE", "-x VALUE", "-xVALUE", clusters of
// one-letter flags ("-mv"), "--" before arguments that begin with "-". Error, with
// *error saying why, for an unknown option, a value missing or given to a flag, an
// option given twice that does not repeat, and too few or too many arguments.
ParseResult ParseArguments(const Command& command, int argc, char** argv, Args* args,
                           std::string* error);

// The usage line (wrapped at 80 columns), the summary, every option with its help and
// the command's details.
void PrintCommandHelp(const Command& command, FILE* out);

// The query language on one page.
void PrintQueryHelp(FILE* out);

}  // namespace zrt::cli
