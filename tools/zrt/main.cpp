// zrt: the operator's tool for editions. Output is UTF-8; errors go to stderr with a
// non-zero exit status.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "command.h"

namespace zrt::cli {

static std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

bool RegisterCommand(Command command) {
  Registry()[command.name] = std::move(command);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zrt: %s\n", message.c_str());
  return 1;
}

bool Args::Has(const std::string& name) const {
  return std::any_of(options.begin(), options.end(), [&](auto& o) { return o.first == name; });
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

static void Usage(FILE* out) {
  std::fprintf(out, "usage: zrt COMMAND [ARGS]\n\ncommands:\n");
  for (auto& [name, c] : Registry())
    std::fprintf(out, "  %-10s %-28s %s\n", name.c_str(), c.usage, c.summary);
}

}  // namespace zrt::cli

int main(int argc, char** argv) {
  using namespace zrt::cli;
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    Usage(stdout);
    return 0;
  }
  auto it = Registry().find(name);
  if (it == Registry().end()) {
    Usage(stderr);
    return Fail("unknown command '" + name + "'");
  }
  const Command& command = it->second;
  Args args;
  bool optionsEnd = false;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (!optionsEnd && a == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && a.size() > 2 && a.rfind("--", 0) == 0) {
      std::string opt = a.substr(2), value;
      size_t eq = opt.find('=');
      if (eq != std::string::npos) {
        value = opt.substr(eq + 1);
        opt.erase(eq);
      } else if (std::find(command.valueOptions.begin(), command.valueOptions.end(), opt) !=
                 command.valueOptions.end()) {
        if (i + 1 >= argc) return Fail("option --" + opt + " needs a value");
        value = argv[++i];
      }
      args.options.emplace_back(opt, value);
    } else {
      args.positional.push_back(a);
    }
  }
  return command.run(args);
}
