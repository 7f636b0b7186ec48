#include "edition/load.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/file.h"
#include "base/names.h"
#include "edition/edition.h"
#include "edition/edition_lock.h"

namespace zrt {
namespace {

constexpr char kMoveMarker[] = ".c$m";

// The extensions (everything after the base name) of the files of the edition at `base`.
std::vector<std::string> FilesOf(const std::string& base) {
  namespace fs = std::filesystem;
  const fs::path b(base);
  const std::string stem = b.filename().string() + ".";
  std::vector<std::string> out;
  std::error_code ec;
  const fs::path dir = b.parent_path().empty() ? fs::path(".") : b.parent_path();
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, stem.size(), stem) == 0) out.push_back(name.substr(stem.size() - 1));
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool KeptInPlace(const std::string& ext) { return ext == kLockExtension || ext == kMoveMarker; }

}  // namespace

bool MoveInterrupted(const std::string& to) { return Env::Current()->Exists(to + kMoveMarker); }

Status FinishMove(const std::string& to) {
  Env* env = Env::Current();
  const std::string marker = to + kMoveMarker;
  std::string list;
  if (!env->Exists(marker)) return Status::Ok();
  if (!ReadWholeFile(marker, &list)) return Status::IOError(marker + ": cannot be read");
  // The marker: the base moved from, then one extension a line; ".cdo" comes last.
  std::vector<std::string> lines;
  for (size_t at = 0; at < list.size();) {
    size_t end = list.find('\n', at);
    if (end == std::string::npos) end = list.size();
    lines.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  if (lines.empty() || lines[0].empty()) {
    env->Remove(marker);  // cut before its sync: nothing was moved yet
    return Status::Ok();
  }
  const std::string from = lines[0];
  const std::vector<std::string> moved(lines.begin() + 1, lines.end());
  for (const std::string& ext : FilesOf(to))
    if (!KeptInPlace(ext) && std::find(moved.begin(), moved.end(), ext) == moved.end() &&
        !env->Remove(to + ext))
      return Status::IOError(to + ext + ": cannot be removed");
  for (const std::string& ext : moved)
    if (env->Exists(from + ext) && !env->Rename(from + ext, to + ext))
      return Status::IOError(to + ext + ": the new edition cannot be moved into place");
  env->Remove(from + kLockExtension);
  if (!env->Remove(marker)) return Status::IOError(marker + ": cannot be removed");
  return Status::Ok();
}

Status MoveEdition(const std::string& from, const std::string& to, bool replace) {
  Env* env = Env::Current();
  EditionLock lock;
  lock.Attach(to);
  Status s = lock.LockWriter();
  if (s.code() == Status::Code::ReadOnly) s = Status::Ok();  // a new folder's first edition
  if (s.ok()) s = lock.LockState(true);
  if (s.ok()) s = FinishMove(to);
  if (!s.ok()) return s;
  if (!replace && env->Exists(to + ".cdo"))
    return Status::InvalidArgument(to + ": an edition exists there");
  std::vector<std::string> moved;
  for (const std::string& ext : FilesOf(from)) {
    if (KeptInPlace(ext) || ext == ".cdo") continue;
    moved.push_back(ext);
  }
  moved.push_back(".cdo");
  std::string list = from + "\n";
  for (const std::string& ext : moved) {
    auto f = env->Open(from + ext, OpenMode::Read);
    if (!f || !f->Sync()) return Status::IOError(from + ext + ": cannot be synced");
    list += ext + "\n";
  }
  Status why;
  auto marker = env->Open(to + kMoveMarker, OpenMode::Create, &why);
  if (!marker) return OpenFailure(why, to + kMoveMarker);
  if (!marker->WriteAt(0, list.data(), list.size()) || !marker->Sync())
    return Status::IOError(to + kMoveMarker + ": cannot be written");
  marker.reset();
  s = FinishMove(to);
  // Readers of the old edition keep the files they opened, as after a pack.
  return s.ok() ? lock.Count(true) : s;
}

void RemoveEditionFiles(const std::string& path, const char* suffix) {
  Env* env = Env::Current();
  for (const char* ext : {".cdo", ".cdx", ".cdb", ".cdj", ".cdp", ".cdd", ".cdh", ".cdl", ".cdi",
                          ".c$p", ".c$d", ".c$h", ".c$x", ".c$b", ".c$$", ".c$j", ".cdl.new", ".lck", ".c$m"})
    env->Remove(EditionFileName(path, suffix, ext));
  const std::string base = EditionBaseName(path, suffix);
  for (int i = 0; env->Exists(base + ".c$r" + std::to_string(i)); ++i)
    env->Remove(base + ".c$r" + std::to_string(i));
}

Status LoadEdition(const std::string& path, const char* suffix, const NewEdition& meta,
                   DocumentSource& source, LoadStats* stats,
                   const std::function<void(const LoadStats&)>& progress) {
  *stats = LoadStats{};
  const std::string target = EditionBaseName(path, suffix);
  Status s = FinishMove(target);
  if (!s.ok()) return s;
  if (Env::Current()->Exists(target + ".cdo"))
    return Status::InvalidArgument(target + ".cdo: the edition exists");
  // Built under a name of its own; what a killed load left there goes first.
  const std::string base = target + "~load";
  RemoveEditionFiles(base, nullptr);
  s = CreateEdition(base, nullptr, meta);
  if (!s.ok()) return s;
  Edition edition;
  s = [&]() -> Status {
    Status r = edition.Open(base, nullptr);
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
  Status closed = edition.Close();
  if (s.ok()) s = closed;
  if (s.ok()) s = MoveEdition(base, target, false);
  if (!s.ok()) RemoveEditionFiles(base, nullptr);
  return s;
}

}  // namespace zrt
