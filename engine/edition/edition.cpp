#include "edition/edition.h"

#include <algorithm>

#include "base/names.h"
#include "query/listing.h"
#include "text/qparams.h"

namespace zrt {
namespace {

// The query side's view of the edition's update index, opened on first use.
class EditionUpdates : public UpdateSource {
public:
  explicit EditionUpdates(UpdateIndex& updates) : updates_(updates) {}
  // An update index on disk counts as there even when it cannot be opened: the lookup
  // opens it again and fails the query with the reason, instead of a search that
  // silently leaves out every document appended since the pack.
  bool Available() override { return updates_.isOpen() || updates_.Exists(); }
  Status Lookup(const char* term, std::vector<Occurrence>* out, bool* found) override {
    return updates_.Lookup(term, out, found);
  }
  Status List(const char* root, uint32_t groupMask, std::vector<DictionaryRow>* rows) override {
    return updates_.List(root, groupMask, rows);
  }
  std::vector<uint32_t> ChangedRecords() override {
    std::vector<uint32_t> records = updates_.ChangedRecords();
    std::sort(records.begin(), records.end());
    return records;
  }

private:
  UpdateIndex& updates_;
};

}  // namespace

Edition::Edition() : updateSource_(std::make_unique<EditionUpdates>(updates_)) {}
Edition::~Edition() { Close(); }

SearchContext Edition::searchContext() {
  return SearchContext{index_, updateSource_.get(), fields(), GlobalQueryParams(), &query_.buffers};
}

Status Edition::OpenStore(const std::string& name, const char* suffix) {
  Status s = RecoverPack(EditionBaseName(name, suffix));
  if (!s.ok()) return s;
  s = store_.Open(name, suffix);
  if (!s.ok()) return s;
  storeName_ = EditionBaseName(name, suffix);
  s = index_.Open(storeName_);
  if (!s.ok()) {
    store_.Close();
    return s;
  }
  updates_.Attach(storeName_);
  return s;
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
  // Records appended without a commit vanish at the next open; their words must not
  // stay behind for the records that will take their numbers.
  Status s;
  if (updates_.isOpen() && store_.recordCount() > store_.committedCount())
    s = updates_.DeleteRecords(static_cast<uint32_t>(store_.committedCount()) + 1, 0xFFFFFFFFu);
  query_.ClearListing();
  query_.Release();
  bulk_.reset();
  Status closed = updates_.Close();
  if (s.ok()) s = closed;
  descriptor_.reset();
  index_.Close();
  store_.Close();
  storeName_.clear();
  contentsHandle_.impl = nullptr;
  return s;
}

ORTree* Edition::contents() {
  contentsHandle_.impl = store_.contents();
  return contentsHandle_.impl ? &contentsHandle_ : nullptr;
}

}  // namespace zrt
