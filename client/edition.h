// Engine handles with the lifetime of a C++ scope, and the reasons of failures in words.
#pragma once

#include <cstdint>
#include <string>

#include "zrteng.h"

namespace zrt::client {

// An engine handle that is destroyed with its scope.
class OpenedEdition {
 public:
  OpenedEdition() { ZRT_Build(&handle_); }
  ~OpenedEdition() { ZRT_Destroy(&handle_); }
  OpenedEdition(const OpenedEdition&) = delete;
  OpenedEdition& operator=(const OpenedEdition&) = delete;

  // Opens the edition at its base path or the path of any of its files. False with *error
  // saying why (a folder, a missing file, a damaged one...).
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

// The error state of h (or of the thread for a null h) in UTF-8: "" after success.
std::string ErrorMessage(EngineHandle* h);

// After ZRT_SetQueryByString failed on h: "the query failed: " and the engine's reason;
// for a syntax error also the query as it was parsed (with its limits) and a caret
// under the place where the parsing stopped.
std::string QueryFailure(EngineHandle* h);

// A time limit for the queries of one handle at a time: Progress, given to
// ZRT_SetQueryByString as its progress callback, stops the query once the time armed
// last has passed. The callback has no context, so the state is the process's.
class QueryDeadline {
 public:
  // seconds <= 0: no limit.
  static void Arm(EngineHandle* h, double seconds);
  static void Progress(int32_t rows, int32_t records, int32_t occurrences, const char* term);
  // The last query was stopped by the limit.
  static bool Expired() { return expired_; }

 private:
  static inline EngineHandle* handle_ = nullptr;
  static inline double seconds_ = 0;
  static inline int64_t start_ = 0;  // steady clock, nanoseconds
  static inline bool expired_ = false;
};

// The current record's text of a field named by its code: a defined field first, then a
// source field. *number gets the number the highlighter wants (0: no such field).
const char* FieldByCode(EngineHandle* h, const char* code, uint8_t* number);

}  // namespace zrt::client
