#include "edition_extras.h"

#include <cstdio>

#include "descriptor_source.h"
#include "client/record_source.h"
#include "edition_arg.h"

namespace zrt::cli {

bool EditionExtras::Prepare(const Args& args, const std::vector<std::string>& fieldNames,
                            std::string* error) {
  if (args.Has("contents")) {
    hasContents_ = true;
    if (!ReadContentsFile(args.Get("contents"), &contents_, error)) return false;
  }
  if (args.Has("descriptor")) {
    hasDescriptor_ = true;
    if (!ReadDescriptorSource(args.Get("descriptor"), fieldNames, &descriptor_, error))
      return false;
  }
  if (args.Has("stop") && ZRTStop_build(args.Get("stop").c_str()) != 1) {
    *error = args.Get("stop") + ": cannot read the stop list";
    return false;
  }
  return true;
}

bool EditionExtras::Write(const std::string& edition, std::string* error) const {
  const std::string tree = client::EditionFile(edition, ".cdj");
  const std::string cdw = client::EditionFile(edition, ".cdw");
  bool ok = !hasContents_ || WriteContentsTree(tree, contents_, error);
  if (ok && hasDescriptor_) {
    FILE* f = std::fopen(cdw.c_str(), "wb");
    ok = f && std::fwrite(descriptor_.data(), 1, descriptor_.size(), f) == descriptor_.size();
    ok = (f && std::fclose(f) == 0) && ok;
    if (!ok) *error = "cannot write " + cdw;
  }
  if (ok && (hasContents_ || hasDescriptor_)) {
    OpenedEdition check;
    ok = check.Open(edition, error);
  }
  if (!ok) {
    if (hasDescriptor_) std::remove(cdw.c_str());
    if (hasContents_) std::remove(tree.c_str());
  }
  return ok;
}

}  // namespace zrt::cli
