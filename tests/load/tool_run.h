// Runs the built zrt tool in a child process, as a user runs it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "fixture/fixture_writer.h"
#include "fixture/scratch.h"

struct ToolRun {
  int code;  // -1 when the tool did not exit by itself (killed)
  std::string out, err;
};

// `environment` goes before the command ("NAME=value ..."); output and errors are read
// back from files in `dir`.
inline ToolRun Zrt(const fixture::TempDir& dir, const std::string& arguments,
                   const std::string& environment = "") {
  std::string out = dir / "stdout.txt", err = dir / "stderr.txt";
  std::string command = environment + " '" + ZRT_TOOL + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
  int status = std::system(command.c_str());
  return {WIFEXITED(status) && WEXITSTATUS(status) < 128 ? WEXITSTATUS(status) : -1,
          fixture::ReadFile(out), fixture::ReadFile(err)};
}
