#include "edition/edition.h"

#include <algorithm>

#include "base/names.h"
#include "edition/load.h"
#include "query/listing.h"
#include "text/qparams.h"

namespace zrt {
namespace {

// The query side's view of the edition's update index, opened on first use and read
// under the edition's shared state lock.
class EditionUpdates : public UpdateSource {
public:
  EditionUpdates(Edition& edition, UpdateIndex& updates) : edition_(edition), updates_(updates) {}
  // An update index on disk counts as there even when it cannot be opened: the lookup
  // opens it again and fails the query with the reason, instead of a search that
  // silently leaves out every document appended since the pack.
  bool Available() override {
    Reading reading(edition_);
    if (!reading.status.ok()) return false;
    if (updates_.isOpen()) return true;
    // A view from before a pack opens no update index of the files that replaced its own.
    return !edition_.snapshot() && updates_.Exists();
  }
  Status Lookup(const char* term, std::vector<Occurrence>* out, std::vector<size_t>* runs,
                bool* found) override {
    Reading reading(edition_);
    if (!reading.status.ok()) return reading.status;
    return updates_.Lookup(term, out, found, runs);
  }
  Status List(const char* root, uint32_t groupMask, std::vector<DictionaryRow>* rows) override {
    Reading reading(edition_);
    if (!reading.status.ok()) return reading.status;
    return updates_.List(root, groupMask, rows);
  }
  const RecordBitmap& Changed() override { return updates_.Changed(); }

private:
  struct Reading {
    explicit Reading(Edition& e) : edition(e), status(e.BeginRead()) {}
    ~Reading() { edition.EndRead(); }
    Edition& edition;
    Status status;
  };
  Edition& edition_;
  UpdateIndex& updates_;
};

}  // namespace

Edition::Edition() : updateSource_(std::make_unique<EditionUpdates>(*this, updates_)) {}
Edition::~Edition() { Close(); }

SearchContext Edition::searchContext() {
  return SearchContext{index_, updateSource_.get(), fields(), GlobalQueryParams(), &query_.buffers};
}

Status Edition::RecoverWrites(const std::string& base) {
  if (!Journal::Exists(base) && !PackLeftovers(base) && !MoveInterrupted(base)) return Status::Ok();
  const bool held = lock_.stateExclusive();
  Status s = lock_.LockState(true);
  if (s.code() == Status::Code::ReadOnly)
    return Status::ReadOnly(base + ": a write was interrupted and must be rolled back; open the "
                                   "edition once where its files can be written");
  if (!s.ok()) return s;
  s = FinishMove(base);
  if (s.ok()) s = Journal::Recover(base);
  if (s.ok()) s = RecoverPack(base);
  if (!held) lock_.UnlockState();
  return s;
}

Status Edition::OpenStore(const std::string& name, const char* suffix) {
  const std::string base = EditionBaseName(name, suffix);
  lock_.Attach(base);
  Status s = RecoverWrites(base);
  if (s.ok()) s = lock_.LockState(false);
  if (!s.ok()) return s;
  s = store_.Open(name, suffix);
  if (s.ok()) {
    storeName_ = base;
    s = index_.Open(storeName_);
    if (!s.ok()) store_.Close();
  }
  if (s.ok()) {
    updates_.Attach(storeName_);
    updates_.SetVisibleRecords(static_cast<uint32_t>(store_.recordCount()));
    // Opened now, under the lock, so that the view of both indexes is one commit's.
    if (updates_.Exists()) updates_.Open(false);
    seen_ = lock_.Read();
    snapshot_ = false;
  }
  if (!lock_.stateExclusive()) lock_.UnlockState();
  return s;
}

Status Edition::ReloadUpdates() {
  updates_.Drop();
  Status s = store_.ReloadCount();
  if (!s.ok()) return s;
  updates_.SetVisibleRecords(static_cast<uint32_t>(store_.recordCount()));
  if (updates_.Exists()) updates_.Open(false);
  return Status::Ok();
}

Status Edition::BeginRead() {
  if (!isOpen() || (journal_ && journal_->active()) || lock_.stateExclusive()) return Status::Ok();
  Status s = lock_.LockState(false);
  if (!s.ok()) return s;
  EditionLock::Counters now = lock_.Read();
  if (now == seen_) return Status::Ok();
  if (now.packs != seen_.packs) snapshot_ = true;
  seen_ = now;
  return snapshot_ ? Status::Ok() : ReloadUpdates();
}

void Edition::EndRead() {
  if (!lock_.stateExclusive()) lock_.UnlockState();
}

Status Edition::Open(const std::string& path, const char* suffix) {
  Close();
  openPath_ = path;
  hasSuffix_ = suffix != nullptr;
  openSuffix_ = suffix ? suffix : "";
  Status s = [&]() -> Status {
    DescriptorFile file;
    Status d = ReadDescriptorFile(EditionFileName(path, suffix, ".cdw"), &file);
    if (d.code() == Status::Code::NotFound) return OpenStore(path, suffix);
    if (!d.ok()) return d;

    bool useSuffix = false;
    std::string storeName = ResolveStoreName(file.storeWord, path, suffix, &useSuffix);
    Status o = OpenStore(storeName, useSuffix ? suffix : nullptr);
    if (!o.ok()) return o;
    descriptor_ = std::make_unique<FieldDescriptor>();
    for (const std::string& definition : file.definitions) {
      Status c = descriptor_->Compile(definition, store_);
      if (!c.ok()) return Status::Corruption("descriptor: " + c.message());
    }
    return Status::Ok();
  }();
  if (s.ok()) {
    // The dictionary window starts with the first words of the index.
    s = SearchByRoot(searchContext(), nullptr, nullptr, &query_.listing);
  }
  if (!s.ok()) Close();
  return s;
}

Status Edition::Close() {
  Status s;
  if (journal_ && journal_->active()) {
    // Records appended without a commit vanish; their words must not stay behind for
    // the records that will take their numbers. The rest of the transaction commits.
    if (updates_.isOpen() && store_.recordCount() > store_.committedCount())
      s = updates_.DeleteRecords(static_cast<uint32_t>(store_.committedCount()) + 1, 0xFFFFFFFFu);
    store_.DropUncommitted();
    if (s.ok()) s = Commit();
  }
  // A commit that failed leaves its journal for the next open to roll back; nothing more
  // may reach the files unguarded.
  const bool abandon = journal_ && journal_->active();
  journal_.reset();
  query_.ClearListing();
  query_.Release();
  bulk_.reset();
  Status closed;
  if (abandon) {
    updates_.Drop();
  } else {
    closed = updates_.Close();
  }
  if (s.ok()) s = closed;
  descriptor_.reset();
  index_.Close();
  store_.Close();
  storeName_.clear();
  contentsHandle_.impl = nullptr;
  if (!keepLock_) lock_.Release();
  return s;
}

ORTree* Edition::contents() {
  contentsHandle_.impl = store_.contents();
  return contentsHandle_.impl ? &contentsHandle_ : nullptr;
}

}  // namespace zrt
