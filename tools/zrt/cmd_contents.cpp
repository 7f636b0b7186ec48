// zrt contents: the table of contents as an indented tree. An entry's parent is the
// nearest entry on the current path whose code is a prefix of its code, as the front
// end's contents pane nests them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "edition_arg.h"

namespace zrt::cli {
namespace {

int RunContents(const Args& args) {
  OpenedEdition ed;
  std::string error;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  ORTree* tree = ZRT_GetOgl(ed.get());
  if (!tree) {
    std::printf("(the edition has no table of contents)\n");
    return 0;
  }
  std::vector<std::string> path;
  ORTreeItem item;
  ORTree_First(tree);
  while (ORTree_Next(tree, &item)) {
    std::string code(item.key, strnlen(item.key, sizeof item.key));
    while (!path.empty() && code.compare(0, path.back().size(), path.back()) != 0) path.pop_back();
    std::printf("%*s%s  %s\n", static_cast<int>(2 * path.size()), "", Utf8(code.c_str()).c_str(),
                Utf8(std::string(item.data, strnlen(item.data, sizeof item.data)).c_str()).c_str());
    path.push_back(code);
  }
  if (ORTree_Damaged(tree)) return Fail("the table of contents is damaged: a page of it cannot be read");
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "contents",
             .arguments = "EDITION",
             .summary = "the table of contents as an indented tree",
             .run = RunContents});

}  // namespace zrt::cli
