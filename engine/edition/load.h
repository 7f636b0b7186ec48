// Building a new edition from a source of documents.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/status.h"
#include "core/create.h"
#include "core/record_store.h"

namespace zrt {

class DocumentSource {
public:
  virtual ~DocumentSource() = default;
  // Fills the next document's store and index texts (by source field number - 1);
  // *delivered false at the end.
  virtual Status Next(RecordStore::Texts* store, RecordStore::Texts* index, bool* delivered) = 0;
};

struct LoadStats {
  int64_t records = 0;
  int64_t words = 0;
};

// Creates the edition, appends every document, commits and builds the static index.
// Fails without touching an existing edition; a load that fails after creating the
// edition removes its files again.
Status LoadEdition(const std::string& path, const char* suffix, const NewEdition& meta,
                   DocumentSource& source, LoadStats* stats,
                   const std::function<void(const LoadStats&)>& progress = {});

// Removes every file of an edition (for a load that failed half-way).
void RemoveEditionFiles(const std::string& path, const char* suffix);

}  // namespace zrt
