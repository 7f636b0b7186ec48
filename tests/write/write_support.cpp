#include "write/write_support.h"

#include <cstring>

#include "fixture/fixture_writer.h"

namespace fs = std::filesystem;

namespace write_test {

const std::vector<std::string> kFields = {"ID", "TI", "AU", "KW", "AB"};

namespace {

struct Source {
  const std::vector<Doc>* docs;
  size_t next = 0;
};

Source* g_source = nullptr;

int SourceOpen(const char*, char** names, unsigned char* groups, void** context) {
  for (size_t i = 0; i < kFields.size(); ++i) {
    names[i] = const_cast<char*>(kFields[i].c_str());
    groups[i] = static_cast<unsigned char>(i + 1);
  }
  *context = g_source;
  return 0;
}

int SourceNext(void* context, char** store, char** index) {
  auto* s = static_cast<Source*>(context);
  if (s->next >= s->docs->size()) return 0;
  for (const auto& [field, text] : (*s->docs)[s->next]) {
    store[field - 1] = const_cast<char*>(text.c_str());
    index[field - 1] = const_cast<char*>(text.c_str());
  }
  ++s->next;
  return 1;
}

void SourceClose(void*) {}

void Fill(const Doc& doc, char** texts) {
  for (int i = 0; i < ZRT_MAX_TEXTS; ++i) texts[i] = nullptr;
  for (const auto& [field, text] : doc) texts[field - 1] = const_cast<char*>(text.c_str());
}

}  // namespace

int Load(const std::string& base, const std::vector<Doc>& docs) {
  Source source{&docs};
  g_source = &source;
  int r = ZRT_LoadFromPlugin(base.c_str(), nullptr, "Test", "T", "source", 0, "", SourceOpen,
                             SourceNext, SourceClose);
  g_source = nullptr;
  return r;
}

int AppendDoc(EngineHandle* h, const Doc& doc) {
  char* texts[ZRT_MAX_TEXTS];
  Fill(doc, texts);
  return ZRT_DoAppendBase(h, texts, texts);
}

int UpdateDoc(EngineHandle* h, const Doc& doc) {
  char* texts[ZRT_MAX_TEXTS];
  Fill(doc, texts);
  return ZRT_DoUpdateBase(h, texts, texts);
}

std::map<std::string, std::string> EditionFiles(const std::string& base) {
  std::map<std::string, std::string> files;
  for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdp", ".cdd", ".cdh", ".cdl", ".cdi"})
    if (fs::exists(base + ext)) files[ext] = fixture::ReadFile(base + ext);
  return files;
}

std::vector<int32_t> Find(EngineHandle* h, const char* query) {
  if (ZRT_SetQueryByString(h, query, 0, nullptr, nullptr, nullptr) != 0) return {-1};
  return fixture::FoundRecords(h);
}

}  // namespace write_test
