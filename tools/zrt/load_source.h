// Document sources of `zrt load` and `zrt append`: the field list an edition gets from
// options or a header file, and the factory that opens a source file of a given format.
// A new format is one class derived from CliSource and one line in OpenSource.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "core/create.h"
#include "edition/load.h"

namespace zrt::cli {

// One field of the edition and the keys of a source record that fill it (their texts
// are joined with a blank, in this order).
struct FieldSpec {
  std::string code;               // UTF-8
  std::vector<std::string> keys;  // UTF-8
  int group = 0;                  // 0-32
  int slot = 0;                   // source field number - 1
};

struct SourceSpec {
  std::string path;
  std::string format = "jsonl";
  std::vector<FieldSpec> fields;    // empty: the source's keys in order of appearance
  std::vector<std::string> ignore;  // keys that fill no field
  bool substitute = false;          // '?' for characters without a Windows-1251 form
  std::string encoding = "cp866";   // of an ISO 2709 file: cp866, cp1251 or utf-8
  bool skipBad = false;             // report and skip malformed records (--skip-bad)
};

class CliSource : public zrt::DocumentSource {
public:
  // The fields the source's records use, in order of first appearance, for a load that
  // names none (may read the whole source once).
  virtual zrt::Status DiscoverFields(std::vector<std::string>* keys) = 0;
  // How much of the source has been read, 0 to 1.
  virtual double Progress() const = 0;
  // Where the last document came from ("line 12"), for errors the engine reports.
  virtual std::string Where() const = 0;
};

std::unique_ptr<CliSource> OpenSource(const SourceSpec& spec, std::string* error);

// The source keys of an edition's fields are kept beside it (EDITION.keys, a header
// with "fields" and "ignore"), so that `zrt append` maps a source as the load did.
std::string SourceKeysFile(const std::string& edition);
bool SaveSourceKeys(const std::string& edition, const SourceSpec& spec, std::string* error);
// Reads the kept keys into spec->fields and spec->ignore; false with an empty *error
// when the edition has none.
bool LoadSourceKeys(const std::string& edition, SourceSpec* spec, std::string* error);

// Reads --format, --header, --fields, --groups and --replace into *spec and the edition
// texts (--title, --short-name, --copyright) into *meta (Windows-1251). False with *error.
bool ReadSourceOptions(const Args& args, SourceSpec* spec, zrt::NewEdition* meta,
                       std::string* error);

// Checks a record's texts against the record store's limits, so that a too large record
// is reported with its place in the source instead of failing half-way.
zrt::Status CheckRecordLimits(const zrt::RecordStore::Texts& texts);

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
    {"header", 0, "FILE", "a JSON header: titles, fields with their keys and index groups, "
                          "keys to ignore (see samples/ruslit-header.json)"},
    {"fields", 0, "ID,TI=title,...", "the fields in order, each filled from the keys after "
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
