// What `zrt load` adds to a new edition besides its documents: the table of contents
// (--contents FILE), the descriptor (--descriptor FILE), and the stop list the documents
// are indexed with (--stop FILE, code page 866). The files are checked before anything is
// loaded, so a fault in them leaves no edition behind.
#pragma once

#include <string>
#include <vector>

#include "command.h"
#include "contents_source.h"

namespace zrt::cli {

class EditionExtras {
public:
  // Reads and checks the files the options name and loads the stop list.
  bool Prepare(const Args& args, const std::vector<std::string>& fieldNames, std::string* error);
  // Writes the contents tree and the descriptor beside the loaded edition and opens it
  // through the engine; on failure removes what it wrote (the caller removes the edition).
  bool Write(const std::string& edition, std::string* error) const;

private:
  bool hasContents_ = false;
  std::vector<ContentsSection> contents_;
  bool hasDescriptor_ = false;
  std::string descriptor_;  // Windows-1251
};

inline const std::vector<Option> kEditionExtraOptions = {
    {"contents", 0, "FILE", "the table of contents: a section a line, code and title (see README)"},
    {"descriptor", 0, "FILE", "the descriptor (.cdw text in UTF-8) that defines the fields callers see"},
    {"stop", 0, "FILE", "the stop list (code page 866) whose words are not indexed"},
};

}  // namespace zrt::cli
