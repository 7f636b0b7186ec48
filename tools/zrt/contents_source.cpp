#include "contents_source.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

constexpr size_t kMaxContentsFile = 16 << 20;
constexpr size_t kMaxCode = sizeof(ORTreeItem{}.key) - 1;
constexpr size_t kMaxTitle = sizeof(ORTreeItem{}.data) - 1;

bool IsCodeChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Empty when the code is well formed, else why not.
std::string CodeFault(const std::string& code) {
  if (code.size() > kMaxCode) return "is longer than " + std::to_string(kMaxCode) + " bytes";
  bool partStart = true;
  for (char c : code) {
    if (c == '.') {
      if (partStart) return "has an empty part";
      partStart = true;
    } else if (!IsCodeChar(c)) {
      return "may hold only ASCII letters, digits and dots";
    } else {
      partStart = false;
    }
  }
  return partStart ? "has an empty part" : "";
}

}  // namespace

bool ReadContentsFile(const std::string& path, std::vector<ContentsSection>* sections,
                      std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, &text, kMaxContentsFile)) {
    *error = path + ": cannot be read (or is larger than 16 MB)";
    return false;
  }
  sections->clear();
  std::map<std::string, int> lineOf;  // code -> line that gave it
  int lineNo = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNo;
    auto fail = [&](const std::string& why) {
      *error = path + ":" + std::to_string(lineNo) + ": " + why;
      return false;
    };
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t codeStart = line.find_first_not_of(" \t");
    if (codeStart == std::string::npos || line[codeStart] == '#') continue;
    size_t codeEnd = line.find_first_of(" \t", codeStart);
    if (codeEnd == std::string::npos) return fail("a section needs a code and a title");
    size_t titleStart = line.find_first_not_of(" \t", codeEnd);
    size_t titleEnd = line.find_last_not_of(" \t");
    if (titleStart == std::string::npos) return fail("a section needs a code and a title");
    ContentsSection s;
    s.code = line.substr(codeStart, codeEnd - codeStart);
    std::string bad;
    if (!FromUtf8(line.substr(titleStart, titleEnd + 1 - titleStart), &s.title, &bad))
      return fail("'" + bad + "' has no Windows-1251 form");
    if (std::string why = CodeFault(s.code); !why.empty())
      return fail("the code " + s.code + " " + why);
    if (s.title.size() > kMaxTitle)
      return fail("the title is longer than " + std::to_string(kMaxTitle) + " bytes");

    if (auto seen = lineOf.find(s.code); seen != lineOf.end())
      return fail("the code " + s.code + " is duplicated (first on line " +
                  std::to_string(seen->second) + ")");
    if (!sections->empty() && s.code < sections->back().code)
      return fail("the code " + s.code + " is out of order: it sorts before " +
                  sections->back().code + " on the line above");
    size_t dot = s.code.rfind('.');
    if (dot != std::string::npos && !lineOf.contains(s.code.substr(0, dot)))
      return fail("the section " + s.code + " has no parent section " + s.code.substr(0, dot));
    for (size_t k = 1; k < s.code.size(); ++k)
      if (s.code[k] != '.' && lineOf.contains(s.code.substr(0, k)))
        return fail("the code " + s.code + " begins with the code of section " +
                    s.code.substr(0, k) + " (line " + std::to_string(lineOf[s.code.substr(0, k)]) +
                    "), which is not its parent");
    lineOf.emplace(s.code, lineNo);
    sections->push_back(std::move(s));
  }
  if (sections->empty()) {
    *error = path + ": no sections";
    return false;
  }
  return true;
}

bool WriteContentsTree(const std::string& treePath, const std::vector<ContentsSection>& sections,
                       std::string* error) {
  ORTree tree{};
  if (ORTree_Create(&tree, treePath.c_str(), 0) != 0) {
    *error = "cannot create " + treePath;
    return false;
  }
  bool ok = true;
  for (const ContentsSection& s : sections)
    ok = ok && ORTree_AddS(&tree, s.title.c_str(), s.code.c_str()) == 1;
  ok = ORTree_Close(&tree) == 0 && ok;
  if (!ok) *error = "cannot write " + treePath;
  return ok;
}

std::string ContentsSummary(ORTree* tree) {
  if (!tree) return "no";
  int sections = 0, deepest = 0;
  ORTreeItem item;
  ORTree_First(tree);
  while (ORTree_Next(tree, &item) == 1) {
    ++sections;
    const char* key = item.key;
    int level = 1;
    for (size_t i = 0; i < strnlen(key, sizeof item.key); ++i) level += key[i] == '.';
    deepest = std::max(deepest, level);
  }
  if (ORTree_Damaged(tree)) return "damaged: a page cannot be read after " + std::to_string(sections) + " sections";
  return "yes, " + std::to_string(sections) + " sections, " + std::to_string(deepest) + " levels";
}

}  // namespace zrt::cli
