// Sources of documents for loading and appending: JSON Lines and ISO 2709 files, the field
// list that maps a source's keys to an edition's fields, the keys kept beside an edition,
// and the load itself through the C ABI. A new format is one class derived from
// RecordSource and one line in OpenSource.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "client/status.h"

namespace zrt::client {

// A document's texts by source field number - 1 (Windows-1251); empty: the field is absent.
using Texts = std::vector<std::string>;

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
  std::vector<FieldSpec> fields;                 // empty: the source's keys in order of appearance
  std::vector<std::string> ignore;               // keys that fill no field
  bool substitute = false;                       // '?' for characters without a Windows-1251 form
  std::string encoding = "cp866";                // of an ISO 2709 file: cp866, cp1251 or utf-8
  bool skipBad = false;                          // report and skip malformed records
  std::function<void(const std::string&)> warn;  // what was skipped (may be empty)
};

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // Fills the next document's store and index texts; *delivered false at the end.
  virtual Status Next(Texts* store, Texts* index, bool* delivered) = 0;
  // The fields the source's records use, in order of first appearance, for a load that
  // names none (may read the whole source once).
  virtual Status DiscoverFields(std::vector<std::string>* keys) = 0;
  // How much of the source has been read, 0 to 1.
  virtual double Progress() const = 0;
  // Where the last document came from ("line 12"), for errors the engine reports.
  virtual std::string Where() const = 0;
};

std::unique_ptr<RecordSource> OpenSource(const SourceSpec& spec, std::string* error);

// A JSON header file: {"title", "short_name", "copyright", "fields": ["ID", {"code": "TI",
// "key": "title" or ["a", "b"], "group": 2}, ...], "ignore": ["key", ...]}. Adds its
// fields and ignored keys to *spec; titles get title, short name and copyright (UTF-8).
bool ReadSourceHeader(const std::string& path, SourceSpec* spec, std::string titles[3],
                      std::string* error);

// The source keys of an edition's fields are kept beside it (EDITION.keys, a header
// with "fields" and "ignore"), so that an append maps a source as the load did.
std::string SourceKeysFile(const std::string& edition);
bool SaveSourceKeys(const std::string& edition, const SourceSpec& spec, std::string* error);
// Reads the kept keys into spec->fields and spec->ignore; false with an empty *error
// when the edition has none.
bool LoadSourceKeys(const std::string& edition, SourceSpec* spec, std::string* error);

// Checks a record's texts against the engine's record limits, so that a too large record
// is reported with its place in the source instead of failing half-way.
Status CheckRecordLimits(const Texts& texts);

// The name of an edition's file with another extension (".keys"; "": the base name).
std::string EditionFile(const std::string& edition, const char* ext);

// What a new edition is called and which fields it has (Windows-1251).
struct NewEdition {
  std::string title, shortName, copyright;
  std::vector<std::string> fieldNames;
  std::vector<uint8_t> fieldGroups;
};

struct LoadStats {
  int64_t records = 0;
  int64_t words = 0;
};

// Builds a new edition from the source through ZRT_LoadEdition. A failure of the source
// comes back in its own words, one of the engine with the source's place before it.
Status LoadEdition(const std::string& path, const NewEdition& meta, RecordSource& source,
                   LoadStats* stats, const std::function<void(const LoadStats&)>& progress = {});

}  // namespace zrt::client
