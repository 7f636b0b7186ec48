// Packing: the update index merged into a new static index, withdrawn records dropped
// and the rest renumbered. Every new file is written under a temporary extension and
// flushed; then a commit marker is written, and only then are the new files renamed over
// the old ones. An open that finds the marker finishes the renames; one that finds
// temporary files without it removes them. So a pack that stops at any point leaves
// the edition as it was before or as it is after.
#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "base/names.h"
#include "edition/edition.h"
#include "index/index_writer.h"

namespace zrt {
namespace {

// Temporary file -> the file it replaces.
const std::pair<const char*, const char*> kSwaps[] = {
    {".c$p", ".cdp"}, {".c$d", ".cdd"}, {".c$h", ".cdh"}, {".c$x", ".cdx"}, {".c$b", ".cdb"}};
const char kMarker[] = ".c$$";

Status WriteMarker(const std::string& path) {
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Create, &why);
  if (!f) return OpenFailure(why, path);
  if (!f->WriteAt(0, "PACK", 4) || !f->Sync()) return Status::IOError(path + ": write failed");
  return Status::Ok();
}

// Copies the records that are not withdrawn into ".c$x"/".c$b", renumbered.
Status CompactRecords(RecordStore& store, const std::string& base,
                      const std::vector<uint32_t>& withdrawn) {
  Env* env = Env::Current();
  Status why;
  auto index = env->Open(base + ".c$x", OpenMode::Create, &why);
  if (!index) return OpenFailure(why, base + ".c$x");
  auto data = env->Open(base + ".c$b", OpenMode::Create, &why);
  if (!data) return OpenFailure(why, base + ".c$b");
  std::string indexBytes = kRecordIndexMagic;
  indexBytes.resize(kRecordIndexHeaderSize);
  std::string dataBuffer = kRecordDataMagic;
  uint64_t dataWritten = 0, dataSize = kMagicSize;
  uint32_t kept = 0;
  size_t next = 0;
  std::string record;
  for (int32_t n = 1; n <= store.recordCount(); ++n) {
    while (next < withdrawn.size() && withdrawn[next] < static_cast<uint32_t>(n)) ++next;
    if (next < withdrawn.size() && withdrawn[next] == static_cast<uint32_t>(n)) continue;
    Status s = store.ReadRaw(n, &record);
    if (!s.ok()) return Status::Corruption("record " + std::to_string(n) + ": " + s.message());
    unsigned char offset[4];
    PutU32(offset, static_cast<uint32_t>(dataSize - kMagicSize));
    indexBytes.append(reinterpret_cast<char*>(offset), 4);
    dataBuffer += record;
    dataSize += record.size();
    ++kept;
    if (dataBuffer.size() >= (1u << 20)) {
      if (!data->WriteAt(dataWritten, dataBuffer.data(), dataBuffer.size()))
        return Status::IOError(base + ".c$b: write failed");
      dataWritten += dataBuffer.size();
      dataBuffer.clear();
    }
  }
  PutU32(indexBytes.data() + kRecordCountAt, kept);
  if (!data->WriteAt(dataWritten, dataBuffer.data(), dataBuffer.size()) || !data->Sync() ||
      !index->WriteAt(0, indexBytes.data(), indexBytes.size()) || !index->Sync())
    return Status::IOError(base + ": the compacted record store cannot be written");
  return Status::Ok();
}

void RemoveTemporaries(const std::string& base) {
  Env* env = Env::Current();
  for (const auto& [temp, real] : kSwaps) env->Remove(base + temp);
  for (int i = 0; env->Exists(base + ".c$r" + std::to_string(i)); ++i)
    env->Remove(base + ".c$r" + std::to_string(i));
}

}  // namespace

bool Edition::PackLeftovers(const std::string& base) {
  Env* env = Env::Current();
  return env->Exists(base + kMarker) || env->Exists(base + ".c$p") || env->Exists(base + ".c$x") ||
         env->Exists(base + ".c$r0");
}

Status Edition::RecoverPack(const std::string& base) {
  Env* env = Env::Current();
  if (!env->Exists(base + kMarker)) {
    if (env->Exists(base + ".c$p") || env->Exists(base + ".c$x") || env->Exists(base + ".c$r0"))
      RemoveTemporaries(base);
    return Status::Ok();
  }
  for (const auto& [temp, real] : kSwaps)
    if (env->Exists(base + temp) && !env->Rename(base + temp, base + real))
      return Status::IOError(base + real + ": an interrupted pack cannot be finished");
  env->Remove(base + ".cdl");
  env->Remove(base + ".cdi");
  if (!env->Remove(base + kMarker)) return Status::IOError(base + kMarker + ": cannot be removed");
  return Status::Ok();
}

Status Edition::SwapInNewIndex() {
  const std::string base = storeName_;
  // Readers wait while the files are swapped; a bulk load's edition has no readers yet.
  Status s = bulk_ || store_.readOnly() ? Status::Ok() : lock_.LockState(true);
  if (s.ok()) s = WriteMarker(base + kMarker);
  if (!s.ok()) {
    RemoveTemporaries(base);
    lock_.UnlockState();
    return s;
  }
  // From here the pack is committed: what follows is redone by the next open if it stops.
  updates_.Clear();
  updates_.Close();
  std::string path = openPath_, suffix = openSuffix_;
  bool hasSuffix = hasSuffix_;
  keepLock_ = true;
  Close();
  s = RecoverPack(base);
  if (s.ok()) s = Open(path, hasSuffix ? suffix.c_str() : nullptr);
  keepLock_ = false;
  Status counted = lock_.Count(true);
  seen_ = lock_.Read();
  lock_.UnlockState();
  return s.ok() ? counted : s;
}

Status Edition::Pack() {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (store_.readOnly()) return Status::ReadOnly(store_.dataPath() + ": read-only");
  const std::string base = storeName_;
  Status s = journal_ && journal_->active() ? Commit() : StartWriting();
  if (!s.ok()) return s;
  // The merge only reads the edition; readers go on until the files are swapped.
  lock_.UnlockState();

  s = updates_.Open(false);
  if (!s.ok() && s.code() != Status::Code::NotFound) return s;
  const bool haveUpdates = updates_.isOpen();
  std::vector<uint32_t> changed = updates_.ChangedRecords();  // sorted
  std::vector<uint32_t> withdrawn;
  // A record whose words were withdrawn is dropped unless it still holds fields: one
  // indexed again with nothing but stop words has no entries either, and must stay.
  std::string stored;
  for (const UpdateIndex::Item& item : updates_.items())
    if (item.entries == 0 && !(store_.ReadRaw(static_cast<int32_t>(item.record), &stored).ok() &&
                               !stored.empty() && (stored[0] & 0x7F) != 0))
      withdrawn.push_back(item.record);
  auto renumber = [&](int32_t record) {
    auto below = std::lower_bound(withdrawn.begin(), withdrawn.end(), static_cast<uint32_t>(record));
    return record - static_cast<int32_t>(below - withdrawn.begin());
  };
  auto isChanged = [&](int32_t record) {
    return std::binary_search(changed.begin(), changed.end(), static_cast<uint32_t>(record));
  };

  StaticIndexWriter writer;
  s = writer.Create(base + ".c$p", base + ".c$d", base + ".c$h");
  if (!s.ok()) return s;

  // Static stream: each dictionary entry's occurrences, without those of changed records.
  StaticIndex::Scan scan(index_);
  DictionaryRow row{};
  std::vector<Occurrence> rowOccurrences;
  size_t rowAt = 0;
  bool staticLive = false;
  auto advanceStatic = [&] {
    for (;;) {
      while (rowAt < rowOccurrences.size() && isChanged(rowOccurrences[rowAt].record)) ++rowAt;
      if (rowAt < rowOccurrences.size()) return true;
      if (!scan.Next(&row, &rowOccurrences)) return false;
      rowAt = 0;
    }
  };
  // List stream: the update index's entries in key order, keys padded as in ".cdd".
  char listWord[kWordKeyLength];
  Occurrence listOccurrence{};
  bool listLive = false;
  std::string key;
  auto advanceList = [&] {
    do {
      if (!haveUpdates || !updates_.ScanNext(&key, &listOccurrence)) return false;
    } while (!updates_.Visible(listOccurrence.record));
    PadWordKey(key, listWord);
    return true;
  };
  if (haveUpdates && !(s = updates_.ScanFirst()).ok()) {
    writer.Abandon();
    return s;
  }
  staticLive = advanceStatic();
  listLive = advanceList();
  while (staticLive || listLive) {
    bool takeStatic = staticLive;
    if (staticLive && listLive) {
      int c = std::memcmp(row.word, listWord, kWordKeyLength);
      takeStatic = c < 0 || (c == 0 && rowOccurrences[rowAt].record < listOccurrence.record);
    }
    if (takeStatic) {
      Occurrence o = rowOccurrences[rowAt++];
      o.record = renumber(o.record);
      s = writer.Add(row.word, o);
      staticLive = advanceStatic();
    } else {
      Occurrence o = listOccurrence;
      o.record = renumber(o.record);
      s = writer.Add(listWord, o);
      listLive = advanceList();
    }
    if (!s.ok()) break;
  }
  if (s.ok() && !scan.status().ok()) s = scan.status();
  // A damaged update index must not pack into an index that silently lacks its words.
  if (s.ok() && haveUpdates && !updates_.scanStatus().ok()) s = updates_.scanStatus();
  if (s.ok()) s = writer.Finish();
  if (!s.ok()) {
    writer.Abandon();
    return s;
  }

  bool compact = false;
  if (store_.recordCount() > 0) {
    long long dataSize = store_.dataFile()->Size();
    compact = !withdrawn.empty() || (dataSize > 0 && updates_.waste() * 100ULL >= 3ULL * dataSize);
  }
  if (compact && !(s = CompactRecords(store_, base, withdrawn)).ok()) {
    RemoveTemporaries(base);
    return s;
  }
  return SwapInNewIndex();
}

Status Edition::FinishBulk() {
  if (!bulk_) return Status::InvalidArgument("no bulk load in progress");
  std::unique_ptr<BulkIndex> bulk = std::move(bulk_);
  const std::string base = storeName_;
  if (index_.pages().size() != 0 || updates_.Exists())
    return Status::InvalidArgument("a bulk load needs an edition without a word index");
  StaticIndexWriter writer;
  Status s = writer.Create(base + ".c$p", base + ".c$d", base + ".c$h");
  if (s.ok()) s = bulk->WriteTo(&writer);
  if (s.ok()) s = writer.Finish();
  if (!s.ok()) {
    writer.Abandon();
    return s;
  }
  return SwapInNewIndex();
}

}  // namespace zrt
