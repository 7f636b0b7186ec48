// The built zrt tool run as a user runs it, through the tests' one tool runner.
#pragma once

#include <string>

#include "fixture/tool_run.h"

using fixture::ToolRun;

// `environment` goes before the command ("NAME=value ..."); code is -1 when the tool did
// not exit by itself (killed: the shell reports 128 + the signal).
inline ToolRun Zrt(const fixture::TempDir&, const std::string& arguments, const std::string& environment = "") {
  ToolRun r = fixture::RunShell(environment + " " + fixture::ShellQuote(ZRT_TOOL) + " " + arguments);
  if (r.code >= 128) r.code = -1;
  return r;
}
