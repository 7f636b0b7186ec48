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
  bool Available() override {
    if (updates_.isOpen()) return true;
    return updates_.Exists() && updates_.Open(false).ok();
  }
  // TODO(query): forward to UpdateIndex::Lookup and List once they are in the tree.
  Status Lookup(const char*, std::vector<Occurrence>* out, bool* found) override {
    out->clear();
    *found = false;
    return Status::Ok();
  }
  Status List(const char*, uint32_t, std::vector<DictionaryRow>* rows) override {
    rows->clear();
    return Status::Ok();
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
  return SearchContext{index_, updateSource_.get(), fields(), GlobalQueryParams()};
}

Status Edition::OpenStore(const std::string& name, const char* suffix) {
  Status s = store_.Open(name, suffix);
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
  lastError_ = s;
  return s;
}

void Edition::Close() {
  query_.ClearListing();
  query_.ClearFound();
  updates_.Close();
  descriptor_.reset();
  index_.Close();
  store_.Close();
  storeName_.clear();
  contentsHandle_.impl = nullptr;
}

ORTree* Edition::contents() {
  contentsHandle_.impl = store_.contents();
  return contentsHandle_.impl ? &contentsHandle_ : nullptr;
}

}  // namespace zrt
