#include "options.h"

#include "edition_arg.h"

#include <limits>
#include <sstream>
#include <vector>

namespace zrt::cli {
namespace {

constexpr size_t kColumns = 80;
constexpr size_t kHelpColumn = 28;  // where an option's help text starts
constexpr size_t kMany = std::numeric_limits<size_t>::max();

const Option kHelpOption{"help", 'h', nullptr, "print this help"};

// The argument words of a command ("EDITION", "[ROOT]", "N...") and how many it takes.
std::vector<std::string> ArgumentWords(const Command& c, size_t* least, size_t* most) {
  std::vector<std::string> words;
  std::istringstream in(c.arguments ? c.arguments : "");
  for (std::string w; in >> w;) words.push_back(w);
  *least = 0;
  *most = 0;
  for (const std::string& w : words) {
    if (w[0] != '[') ++*least;
    *most = w.find("...") != std::string::npos || *most == kMany ? kMany : *most + 1;
  }
  return words;
}

const Option* FindLong(const Command& c, const std::string& name) {
  for (const Option& o : c.options)
    if (name == o.name) return &o;
  return name == kHelpOption.name ? &kHelpOption : nullptr;
}

const Option* FindLetter(const Command& c, char letter) {
  for (const Option& o : c.options)
    if (o.letter == letter) return &o;
  return letter == kHelpOption.letter ? &kHelpOption : nullptr;
}

std::string Spelling(const Option& o) { return std::string("--") + o.name; }

// Prints the items from column `at`, one blank apart, wrapping at 80 columns to column
// `indent`.
void WrappedItems(FILE* out, const std::vector<std::string>& items, size_t at, size_t indent) {
  bool firstWord = true;
  for (const std::string& word : items) {
    size_t w = Width(word);
    if (!firstWord && at + 1 + w > kColumns) {
      std::fprintf(out, "\n%*s", static_cast<int>(indent), "");
      at = indent;
    } else if (!firstWord) {
      std::fputc(' ', out);
      ++at;
    }
    std::fputs(word.c_str(), out);
    at += w;
    firstWord = false;
  }
  std::fputc('\n', out);
}

void Wrapped(FILE* out, const std::string& text, size_t at, size_t indent) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  WrappedItems(out, words, at, indent);
}

}  // namespace

ParseResult ParseArguments(const Command& command, int argc, char** argv, Args* args,
                           std::string* error) {
  args->command = &command;
  auto fail = [&](const std::string& why) {
    *error = why;
    return ParseResult::Error;
  };
  auto take = [&](const Option& o, std::string value) {
    if (!o.repeats && args->Has(o.name)) return false;
    args->options.emplace_back(o.name, std::move(value));
    return true;
  };
  bool optionsEnd = false;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      args->positional.push_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a[1] == '-') {
      size_t eq = a.find('=');
      const std::string name = a.substr(2, eq == std::string::npos ? eq : eq - 2);
      const Option* o = FindLong(command, name);
      if (!o) return fail("unknown option '--" + name + "'");
      if (o == &kHelpOption) return ParseResult::Help;
      std::string value;
      if (!o->value && eq != std::string::npos) return fail(Spelling(*o) + " takes no value");
      if (o->value && eq != std::string::npos) {
        value = a.substr(eq + 1);
      } else if (o->value) {
        if (i + 1 >= argc) return fail(Spelling(*o) + " needs a value (" + o->value + ")");
        value = argv[++i];
      }
      if (!take(*o, value)) return fail(Spelling(*o) + " is given twice");
    } else {
      // One-letter options; a letter that takes a value ends the cluster.
      for (size_t k = 1; k < a.size(); ++k) {
        const Option* o = FindLetter(command, a[k]);
        if (!o) return fail("unknown option '-" + std::string(1, a[k]) + "'");
        if (o == &kHelpOption) return ParseResult::Help;
        std::string value;
        if (o->value) {
          if (k + 1 < a.size()) {
            value = a.substr(k + 1);
          } else if (i + 1 < argc) {
            value = argv[++i];
          } else {
            return fail("-" + std::string(1, o->letter) + " needs a value (" + o->value + ")");
          }
          k = a.size();
        }
        if (!take(*o, value)) return fail(Spelling(*o) + " is given twice");
      }
    }
  }
  for (const Option& o : command.options)
    if (o.required && !args->Has(o.name)) return fail(Spelling(o) + " is missing");
  size_t least = 0, most = 0;
  std::vector<std::string> words = ArgumentWords(command, &least, &most);
  if (args->positional.size() > most)
    return fail("unexpected argument '" + args->positional[most] + "'");
  if (args->positional.size() < least) return fail("missing " + words[args->positional.size()]);
  return ParseResult::Ok;
}

void PrintCommandHelp(const Command& c, FILE* out) {
  std::string head = std::string("usage: zrt ") + c.name + " ";
  std::vector<std::string> synopsis;
  std::istringstream in(c.arguments ? c.arguments : "");
  for (std::string w; in >> w;) synopsis.push_back(w);
  for (const Option& o : c.options) {
    std::string s = o.letter ? std::string("-") + o.letter : Spelling(o);
    if (o.value) s += std::string(" ") + o.value;
    synopsis.push_back(o.required ? s : "[" + s + "]" + (o.repeats ? "..." : ""));
  }
  std::fputs(head.c_str(), out);
  WrappedItems(out, synopsis, head.size(), head.size());
  std::fprintf(out, "\n");
  Wrapped(out, std::string(c.summary) + ".", 0, 0);
  std::fprintf(out, "\noptions:\n");
  std::vector<Option> all = c.options;
  all.push_back(kHelpOption);
  for (const Option& o : all) {
    std::string left = std::string("  ") + (o.letter ? std::string("-") + o.letter + ", " : "    ") +
                       Spelling(o) + (o.value ? std::string(" ") + o.value : "");
    std::fputs(left.c_str(), out);
    size_t at = Width(left);
    if (at + 2 > kHelpColumn) {
      std::fprintf(out, "\n%*s", static_cast<int>(kHelpColumn), "");
    } else {
      std::fprintf(out, "%*s", static_cast<int>(kHelpColumn - at), "");
    }
    Wrapped(out, o.help, kHelpColumn, kHelpColumn);
  }
  if (c.details) std::fprintf(out, "\n%s", c.details);
}

}  // namespace zrt::cli
