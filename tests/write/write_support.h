// Helpers of the write-path tests: temporary folders, handles, and editions built
// through the engine's own loading exports.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fixture/scratch.h"
#include "zrteng.h"

namespace write_test {

using fixture::Handle;
using fixture::TempDir;

// A document: source field number -> text (Windows-1251).
using Doc = std::map<int, std::string>;

// Fields ID, TI, AU, KW, AB (groups 1-5).
extern const std::vector<std::string> kFields;

// Builds a new edition at `base` with ZRT_LoadFromPlugin from the documents.
int Load(const std::string& base, const std::vector<Doc>& docs);

// Appends through ZRT_DoAppendBase (store and index texts the same); -1 on failure.
int AppendDoc(EngineHandle* h, const Doc& doc);
int UpdateDoc(EngineHandle* h, const Doc& doc);

// The bytes of each edition file that exists, by extension.
std::map<std::string, std::string> EditionFiles(const std::string& base);

// Record numbers that a query finds.
std::vector<int32_t> Find(EngineHandle* h, const char* query);

}  // namespace write_test
