#include "descriptor_source.h"

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

constexpr size_t kMaxDescriptorFile = 1 << 20;

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool ReadDescriptorSource(const std::string& path, const std::vector<std::string>& fieldNames,
                          std::string* cdwText, std::string* error) {
  std::string utf8;
  if (!ReadWholeFile(path, &utf8, kMaxDescriptorFile)) {
    *error = path + ": cannot be read (or is larger than 1 MB)";
    return false;
  }
  std::string bad;
  if (!FromUtf8(utf8, cdwText, &bad)) {
    *error = path + ": '" + bad + "' has no Windows-1251 form";
    return false;
  }
  // Lines as the engine groups them: a line that begins with a letter or digit starts a
  // definition, blank lines are skipped, any other line continues the definition above.
  struct Pending {
    std::string text;
    int line = 0;
  };
  std::vector<Pending> definitions;
  int lineNo = 0;
  auto fail = [&](int line, const std::string& why) {
    *error = path + ":" + std::to_string(line) + ": " + why;
    return false;
  };
  for (size_t at = 0; at < cdwText->size();) {
    size_t end = cdwText->find('\n', at);
    end = end == std::string::npos ? cdwText->size() : end + 1;
    std::string line = cdwText->substr(at, end - at);
    at = end;
    ++lineNo;
    if (lineNo == 1) {
      size_t word = line.find_first_not_of(" =", 8);
      if (line.compare(0, 8, "database") != 0 || word == std::string::npos ||
          line.compare(word, 5, "named") != 0 ||
          line.find_first_not_of(" \t\r\n", word + 5) != std::string::npos)
        return fail(1, "the first line must be \"database named\"");
      continue;
    }
    if (line.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    if (IsAsciiAlnum(line[0])) {
      definitions.push_back({line, lineNo});
    } else if (definitions.empty()) {
      return fail(lineNo, "a continuation line before any definition");
    } else {
      definitions.back().text += line;
    }
  }
  if (lineNo == 0) return fail(1, "the first line must be \"database named\"");
  if (definitions.empty()) return fail(lineNo, "no field definitions");

  std::vector<const char*> names;
  for (const std::string& name : fieldNames) names.push_back(name.c_str());
  std::vector<const char*> texts;
  for (const Pending& d : definitions) texts.push_back(d.text.c_str());
  const int32_t count = static_cast<int32_t>(texts.size());
  const int32_t compiled = ZRT_CheckFieldDefinitions(texts.data(), count, names.data(),
                                                     static_cast<int32_t>(names.size()));
  if (compiled >= 0 && compiled < count)
    return fail(definitions[static_cast<size_t>(compiled)].line, client::ErrorMessage(nullptr));
  if (compiled < 0) return fail(1, client::ErrorMessage(nullptr));
  return true;
}

}  // namespace zrt::cli
