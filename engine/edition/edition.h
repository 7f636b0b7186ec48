// One opened edition: the state behind an engine handle. It ties the record store, the
// descriptor's defined fields and the word index together and runs the open sequence.
#pragma once

#include <memory>
#include <string>

#include "base/status.h"
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
  Status Open(const std::string& path, const char* suffix);
  // Frees the descriptor and closes every file; harmless when nothing is open.
  void Close();
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
  // Words of documents added or changed since the last pack; attached at open, its
  // files are opened on first use.
  UpdateIndex& updates() { return updates_; }
  // The table of contents as the exported tree object, or null.
  ORTree* contents();
  const std::string& storeName() const { return storeName_; }

  // Why the last Open failed; the tool prints it, the C ABI only reports -1.
  const Status& lastError() const { return lastError_; }

private:
  Status OpenStore(const std::string& name, const char* suffix);

  RecordStore store_;
  std::unique_ptr<FieldDescriptor> descriptor_;
  StaticIndex index_;
  UpdateIndex updates_;
  std::unique_ptr<UpdateSource> updateSource_;
  QueryState query_;
  std::string storeName_;  // base name of the store's files, without extension
  ORTree contentsHandle_{};
  Status lastError_;
};

}  // namespace zrt

// The engine handle's private state, named in the public header.
struct ZrtEdition : zrt::Edition {};
