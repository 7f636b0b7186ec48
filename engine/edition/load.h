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
// Everything is written under a temporary name and moved into place once synced, so
// the edition appears only when complete; a load that fails or is killed leaves none.
// Fails without touching an existing edition.
Status LoadEdition(const std::string& path, const char* suffix, const NewEdition& meta,
                   DocumentSource& source, LoadStats* stats,
                   const std::function<void(const LoadStats&)>& progress = {});

// Removes every file of an edition (for a load that failed half-way).
void RemoveEditionFiles(const std::string& path, const char* suffix);

// Puts the complete edition at base `from` in the place of base `to`: every file is
// synced, the list of moves is written and synced to a marker (".c$m" of `to`), the
// files of an old edition that the new one lacks are removed, the new files renamed
// over the old ones, ".cdo" last, and the marker removed. A move that stops on the way
// is finished by the next open of `to` (or the next load into it), so `to` holds the
// old edition or the new one, never a mixture. Without `replace` an existing edition at
// `to` is refused. Takes the writer lock of `to`: an edition being written is not
// replaced.
Status MoveEdition(const std::string& from, const std::string& to, bool replace);
// Finishes a move that a crash interrupted; nothing to do without its marker.
Status FinishMove(const std::string& to);
bool MoveInterrupted(const std::string& to);

}  // namespace zrt
