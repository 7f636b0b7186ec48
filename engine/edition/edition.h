// One opened edition: the state behind an engine handle. It ties the record store, the
// descriptor's defined fields and the word index together and runs the open sequence.
#pragma once

#include <memory>
#include <string>

#include "base/status.h"
#include "edition/bulk_index.h"
#include "edition/edition_lock.h"
#include "edition/journal.h"
#include "core/descriptor.h"
#include "core/fields.h"
#include "core/record_store.h"
#include "index/static_index.h"
#include "index/update_index.h"
#include "query/search_context.h"
#include "zrteng.h"

namespace zrt {

class Edition {
public:
  Edition();
  ~Edition();
  Edition(const Edition&) = delete;
  Edition& operator=(const Edition&) = delete;

  // Opens path (+ suffix): the descriptor (".cdw") when there is one, which names the
  // record store; then the store and the word index; then compiles the definitions.
  // First it rolls back a write, or finishes a pack or a load's move into place, that a
  // crash cut short; the files are read under the shared state lock.
  Status Open(const std::string& path, const char* suffix);
  // Commits the changes in flight (without uncommitted appends), frees the descriptor,
  // closes every file and drops the locks; harmless when nothing is open. Fails when the
  // update index could not be written back.
  Status Close();
  bool isOpen() const { return index_.isOpen(); }

  RecordStore& store() { return store_; }
  const RecordStore& store() const { return store_; }
  const FieldDescriptor* descriptor() const { return descriptor_.get(); }
  Fields fields() const { return Fields(store_, descriptor_.get()); }
  StaticIndex& index() { return index_; }
  // The last query's found set and the dictionary listing.
  QueryState& query() { return query_; }
  // What a query or a search by root of this edition reads.
  SearchContext searchContext();
  const StaticIndex& index() const { return index_; }
  // Words of documents added or changed since the last pack; attached at open, its
  // files are opened on first use.
  UpdateIndex& updates() { return updates_; }

  // --- writing ----------------------------------------------------------------------
  // Changes happen in write transactions: the first change after a commit takes the
  // writer lock (a second writer is refused), waits for the exclusive state lock and
  // starts a rollback journal; Commit writes the update index, the record count and the
  // files' tails, syncs them and removes the journal. Closing commits what was changed,
  // except records appended without a commit, which are dropped.
  //
  // Appends a document and indexes its index texts; *words receives the count indexed.
  // The record count reaches ".cdx" only with Commit.
  Status Append(const RecordStore::Texts& store, const RecordStore::Texts& index, int* words);
  // Replaces the current record, withdraws its words and indexes the new ones.
  Status Update(const RecordStore::Texts& store, const RecordStore::Texts& index, int* words);
  Status Commit();
  // Merges the update index into a new static index, drops withdrawn records, and
  // reopens the edition. New files replace old ones only once all are on disk.
  Status Pack();
  // Bulk loading into a new edition: appended documents' words are collected in memory
  // (spilling sorted runs to disk) instead of the update index, and FinishBulk writes
  // the static index directly — the same files that indexing and packing would give.
  void BeginBulk();
  Status FinishBulk();
  // Before a reader reads the update index: the shared state lock, and a fresh view of
  // the update index and the record count when another process committed since. A view
  // opened before a pack stays that pack's snapshot (its files are no longer replaced).
  Status BeginRead();
  void EndRead();
  bool snapshot() const { return snapshot_; }
  // The table of contents as the exported tree object, or null.
  ORTree* contents();
  const std::string& storeName() const { return storeName_; }

private:
  Status OpenStore(const std::string& name, const char* suffix);
  // Swaps in the files of a pack that reached its commit point, or removes the leftovers
  // of one that did not.
  static Status RecoverPack(const std::string& storeName);
  static bool PackLeftovers(const std::string& storeName);
  // Rolls back a write transaction or finishes a pack that a crash interrupted, under
  // the exclusive state lock.
  Status RecoverWrites(const std::string& base);
  // The writer lock, the exclusive state lock and a view that is up to date.
  Status StartWriting();
  Status BeginChange();
  Status ReloadUpdates();
  Status SwapInNewIndex();
  Status IndexTexts(const RecordStore::Texts& texts, int* words);

  RecordStore store_;
  std::unique_ptr<FieldDescriptor> descriptor_;
  StaticIndex index_;
  UpdateIndex updates_;
  std::unique_ptr<UpdateSource> updateSource_;
  QueryState query_;
  std::string storeName_;  // base name of the store's files, without extension
  std::string openPath_;   // what Open was given, for reopening after a pack
  std::string openSuffix_;
  bool hasSuffix_ = false;
  std::unique_ptr<BulkIndex> bulk_;
  ORTree contentsHandle_{};
  EditionLock lock_;
  std::unique_ptr<Journal> journal_;  // the write transaction in flight, if any
  EditionLock::Counters seen_;         // what the view was read at
  bool snapshot_ = false;              // a pack happened since the view was read
  bool keepLock_ = false;              // a pack reopens the edition under its lock
};

}  // namespace zrt

// The engine handle's private state, named in the public header: the edition and the
// outcome of the last exported call on it that could fail.
struct ZrtEdition : zrt::Edition {
  zrt::Status apiError;
};
