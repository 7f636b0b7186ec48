// Subcommands of the zrt tool. Each lives in its own file and registers itself:
//   static int RunInfo(const Args& args);
//   ZRT_COMMAND("info", "EDITION", "titles, fields, index groups, record count", RunInfo);
#pragma once

#include <string>
#include <vector>

namespace zrt::cli {

struct Args {
  std::vector<std::string> positional;  // after the command name, options removed
  std::vector<std::pair<std::string, std::string>> options;  // --name value / --flag ""
  bool Has(const std::string& name) const;
  // The last value of an option, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  std::vector<std::string> GetAll(const std::string& name) const;
};

struct Command {
  const char* name;
  const char* usage;    // the arguments, e.g. "EDITION N..."
  const char* summary;  // one line for the help text
  int (*run)(const Args& args);
  // Options that take a value ("--limit"); any other "--x" is a flag.
  std::vector<std::string> valueOptions = {};
};

bool RegisterCommand(Command command);

// Error for the user: printed on stderr as "zrt: message"; returns exit code 1.
int Fail(const std::string& message);

}  // namespace zrt::cli

#define ZRT_CAT2(a, b) a##b
#define ZRT_CAT(a, b) ZRT_CAT2(a, b)
#define ZRT_COMMAND(...) \
  static const bool ZRT_CAT(zrt_command_, __LINE__) = ::zrt::cli::RegisterCommand({__VA_ARGS__})
