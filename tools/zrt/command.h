// Subcommands of the zrt tool. Each lives in its own file and registers itself with one
// declarative table that both the parser and the help text read:
//   ZRT_COMMAND({.name = "dict", .arguments = "EDITION [ROOT]", .summary = "...",
//                .run = RunDict, .options = {{"fields", 0, "TI,AB", "only words of these fields"}}});
// The arguments text gives the positional count too: "[X]" is optional, "X..." repeats.
// An option unknown to the table, a missing value or a surplus argument stops the
// command before it runs (exit 2), and "--help"/"-h" prints the usage (exit 0).
#pragma once

#include <string>
#include <vector>

namespace zrt::cli {

struct Option {
  const char* name;             // "limit" for --limit
  char letter = 0;              // 'm' for -m, 0 for none
  const char* value = nullptr;  // what the value is ("FIELD=TEXT"); null for a flag
  const char* help = "";
  bool repeats = false;         // may be given more than once (GetAll reads them)
  bool required = false;
};

struct Command;

struct Args {
  const Command* command = nullptr;
  std::vector<std::string> positional;                       // options removed
  std::vector<std::pair<std::string, std::string>> options;  // by long name; flags have ""
  bool Has(const std::string& name) const;
  // The value of an option, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  std::vector<std::string> GetAll(const std::string& name) const;
};

struct Command {
  const char* name;
  const char* arguments;  // "EDITION N..."
  const char* summary;    // one line for the command list
  int (*run)(const Args& args);
  std::vector<Option> options = {};
  const char* details = nullptr;  // paragraphs after the options in the help text
};

bool RegisterCommand(Command command);

// Option tables shared by several commands, joined to a command's own.
std::vector<Option> operator+(std::vector<Option> a, const std::vector<Option>& b);

// Exit statuses: a failure of the work, and a command line that was not understood.
inline constexpr int kFailed = 1;
inline constexpr int kUsageError = 2;

// Error for the user: printed on stderr as "zrt: message"; returns kFailed.
int Fail(const std::string& message);
// A command line the command cannot take: "zrt: COMMAND: message" and where to read its
// usage; returns kUsageError.
int UsageError(const Args& args, const std::string& message);

// A whole file of at most `limit` bytes (forms, contents and descriptor files).
bool ReadWholeFile(const std::string& path, std::string* text, size_t limit);

}  // namespace zrt::cli

#define ZRT_CAT2(a, b) a##b
#define ZRT_CAT(a, b) ZRT_CAT2(a, b)
#define ZRT_COMMAND(...) \
  static const bool ZRT_CAT(zrt_command_, __LINE__) = ::zrt::cli::RegisterCommand(__VA_ARGS__)
