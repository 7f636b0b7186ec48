// Opening the edition that a command names: its base path or the path of any of its files.
#pragma once

#include <string>

#include "zrteng.h"

namespace zrt::cli {

// An engine handle that is destroyed with its scope.
class OpenedEdition {
public:
  OpenedEdition() { ZRT_Build(&handle_); }
  ~OpenedEdition() { ZRT_Destroy(&handle_); }
  OpenedEdition(const OpenedEdition&) = delete;
  OpenedEdition& operator=(const OpenedEdition&) = delete;

  // False with *error saying why (a missing file, a damaged one...).
  bool Open(const std::string& path, std::string* error);
  EngineHandle* get() { return &handle_; }

private:
  EngineHandle handle_;
};

// A word op-code list that is destroyed with its scope.
class OpCodeList {
public:
  OpCodeList() { CWordOpCode_build(&list_); }
  ~OpCodeList() { CWordOpCode_destroy(&list_); }
  OpCodeList(const OpCodeList&) = delete;
  OpCodeList& operator=(const OpCodeList&) = delete;
  CWordOpCode* get() { return &list_; }

private:
  CWordOpCode list_{};
};

// Text from the engine (Windows-1251, may be null) as UTF-8.
std::string Utf8(const char* cp1251);

}  // namespace zrt::cli
