#include "edition/load.h"

#include "base/file.h"
#include "base/names.h"
#include "edition/edition.h"

namespace zrt {

void RemoveEditionFiles(const std::string& path, const char* suffix) {
  Env* env = Env::Current();
  for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdj", ".cdp", ".cdd", ".cdh", ".cdl", ".cdi",
                          ".c$p", ".c$d", ".c$h", ".c$x", ".c$b", ".c$$", ".c$j", ".cdl.new", ".lck"})
    env->Remove(EditionFileName(path, suffix, ext));
  const std::string base = EditionBaseName(path, suffix);
  for (int i = 0; env->Exists(base + ".c$r" + std::to_string(i)); ++i)
    env->Remove(base + ".c$r" + std::to_string(i));
}

Status LoadEdition(const std::string& path, const char* suffix, const NewEdition& meta,
                   DocumentSource& source, LoadStats* stats,
                   const std::function<void(const LoadStats&)>& progress) {
  *stats = LoadStats{};
  Status s = CreateEdition(path, suffix, meta);
  if (!s.ok()) return s;
  Edition edition;
  s = [&]() -> Status {
    Status r = edition.Open(path, suffix);
    if (!r.ok()) return r;
    edition.BeginBulk();
    RecordStore::Texts store, index;
    for (;;) {
      bool delivered = false;
      store.assign(256, std::string());
      index.assign(store.size(), std::string());
      r = source.Next(&store, &index, &delivered);
      if (!r.ok()) return r;
      if (!delivered) break;
      int words = 0;
      r = edition.Append(store, index, &words);
      if (!r.ok()) return r.WithContext("document " + std::to_string(stats->records + 1));
      ++stats->records;
      stats->words += words;
      if (progress) progress(*stats);
    }
    r = edition.Commit();
    if (!r.ok()) return r;
    return edition.FinishBulk();
  }();
  edition.Close();
  if (!s.ok()) RemoveEditionFiles(path, suffix);
  return s;
}

}  // namespace zrt
