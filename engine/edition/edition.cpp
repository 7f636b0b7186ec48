#include "edition/edition.h"

#include "base/names.h"

namespace zrt {

Status Edition::OpenStore(const std::string& name, const char* suffix) {
  Status s = store_.Open(name, suffix);
  if (!s.ok()) return s;
  storeName_ = EditionBaseName(name, suffix);
  s = index_.Open(storeName_);
  if (!s.ok()) store_.Close();
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
  if (!s.ok()) Close();
  lastError_ = s;
  return s;
}

void Edition::Close() {
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
