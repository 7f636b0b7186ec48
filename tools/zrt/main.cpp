// zrt: the operator's tool for editions. Output is UTF-8; errors go to stderr with a
// non-zero exit status (1 when the work failed, 2 when the command line was wrong).
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "command.h"
#include "options.h"

namespace zrt::cli {

bool ReadWholeFile(const std::string& path, std::string* text, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in || !in.seekg(0, std::ios::end)) return false;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > limit) return false;
  in.seekg(0);
  text->resize(static_cast<size_t>(size));
  return static_cast<bool>(in.read(text->data(), size));
}
namespace {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

void CommandList(FILE* out) {
  std::fprintf(out,
               "usage: zrt COMMAND [ARGUMENTS] [OPTIONS]\n"
               "       zrt help COMMAND | zrt COMMAND --help   a command's usage and options\n"
               "       zrt help query                          the query language\n"
               "       zrt --version\n\ncommands:\n");
  for (auto& [name, c] : Registry()) std::fprintf(out, "  %-10s %s\n", name.c_str(), c.summary);
}

}  // namespace

bool RegisterCommand(Command command) {
  std::string name = command.name;
  Registry()[name] = std::move(command);
  return true;
}

std::vector<Option> operator+(std::vector<Option> a, const std::vector<Option>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zrt: %s\n", message.c_str());
  return kFailed;
}

int UsageError(const Args& args, const std::string& message) {
  const char* name = args.command ? args.command->name : "";
  std::fprintf(stderr, "zrt: %s: %s (see 'zrt help %s')\n", name, message.c_str(), name);
  return kUsageError;
}

bool Args::Has(const std::string& name) const {
  for (auto& o : options)
    if (o.first == name) return true;
  return false;
}

std::string Args::Get(const std::string& name, const std::string& fallback) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->first == name) return it->second;
  return fallback;
}

std::vector<std::string> Args::GetAll(const std::string& name) const {
  std::vector<std::string> values;
  for (auto& o : options)
    if (o.first == name) values.push_back(o.second);
  return values;
}

}  // namespace zrt::cli

int main(int argc, char** argv) {
  using namespace zrt::cli;
  if (argc < 2) {
    CommandList(stderr);
    return kUsageError;
  }
  const std::string first = argv[1];
  if (first == "-h" || first == "--help" || (first == "help" && argc == 2)) {
    CommandList(stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("zrt %s\n", ZRT_VERSION);
    return 0;
  }
  std::string name = first == "help" ? argv[2] : first;
  if (first == "help" && argc > 3) return Fail("help: name one command or 'query'"), kUsageError;
  if (first == "help" && name == "query") return PrintQueryHelp(stdout), 0;
  auto it = Registry().find(name);
  if (it == Registry().end()) {
    Fail("unknown command '" + name + "' (see 'zrt help')");
    return kUsageError;
  }
  const Command& command = it->second;
  if (first == "help") return PrintCommandHelp(command, stdout), 0;

  Args args;
  std::string error;
  switch (ParseArguments(command, argc - 2, argv + 2, &args, &error)) {
    case ParseResult::Help:
      PrintCommandHelp(command, stdout);
      return 0;
    case ParseResult::Error:
      return UsageError(args, error);
    case ParseResult::Ok:
      break;
  }
  return command.run(args);
}
