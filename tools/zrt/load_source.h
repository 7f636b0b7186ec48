// How `zrt load` and `zrt append` read their sources: the options that fill a source
// spec (the sources themselves are the client layer's), and the progress bar.
#pragma once

#include <string>
#include <vector>

#include "client/record_source.h"
#include "command.h"

namespace zrt::cli {

using client::FieldSpec;
using client::OpenSource;
using client::RecordSource;
using client::SourceSpec;

// Reads --format, --header, --fields, --groups and --replace into *spec and the edition
// texts (--title, --short-name, --copyright) into *meta (Windows-1251). False with *error.
bool ReadSourceOptions(const Args& args, SourceSpec* spec, client::NewEdition* meta,
                       std::string* error);

// A progress bar on stderr, drawn only when stderr is a terminal and at most a few times a
// second; Done clears it.
class ProgressBar {
 public:
  ProgressBar();
  void Update(double fraction, long long records);
  void Done();

 private:
  bool terminal_;
  double last_ = -1;
  bool drawn_ = false;
};

// How load and append read a source.
inline const std::vector<Option> kSourceOptions = {
    {"format", 0, "jsonl|iso", "the source's format (default jsonl: one JSON object a line)"},
    {"header", 0, "FILE",
     "a JSON header: titles, fields with their keys and index groups, "
     "keys to ignore (see samples/ruslit-header.json)"},
    {"fields", 0, "ID,TI=title,...",
     "the fields in order, each filled from the keys after "
     "\"=\" (default: from the key of its code)"},
    {"ignore", 0, "KEY,...", "source keys that fill no field"},
    {"substitute", 0, nullptr, "put '?' for characters that have no Windows-1251 form"},
    {"skip-bad", 0, nullptr, "report and skip malformed ISO 2709 records"},
    {"encoding", 0, "cp866|cp1251|utf-8", "the code page of an ISO 2709 file (default cp866)"},
};

// What only a new edition takes.
inline const std::vector<Option> kNewEditionOptions = {
    {"replace", 0, nullptr, "replace an edition that exists (only once the new one is complete)"},
    {"groups", 0, "1,2,...", "the index group (0-32) of each field of --fields"},
    {"title", 0, "TEXT", "the edition's title (default: its file name)"},
    {"short-name", 0, "TEXT", "the short name (default: the title)"},
    {"copyright", 0, "TEXT", "the copyright line"},
};

}  // namespace zrt::cli
