// Appending, replacing and indexing documents.
#include <cstring>

#include "edition/edition.h"
#include "index/postings.h"
#include "text/charset.h"
#include "text/wordscan.h"

namespace zrt {

Status Edition::IndexTexts(const RecordStore::Texts& texts, int* words) {
  *words = 0;
  const int32_t record = store_.currentRecord();
  std::string text;
  for (size_t i = 0; i < texts.size() && i < 255; ++i) {
    if (texts[i].empty()) continue;
    const auto field = static_cast<uint8_t>(i + 1);
    text.assign(texts[i], 0, std::min<size_t>(texts[i].size(), RecordStore::kRecordBufferSize));
    AnsiUpper(text.data());
    const SourceField* f = store_.FieldBySrcNo(field);
    if (f && StrICmp(f->name.c_str(), "AU") == 0) {
      JoinNameWords(text.data());
      text.resize(std::strlen(text.c_str()));
    }
    WordScanner scanner(text.data());
    uint8_t position = 0;
    int32_t offset = 0;
    while (char* word = scanner.Next(&position, &offset)) {
      if (std::strlen(word) > kWordKeyLength) word[kWordKeyLength] = '\0';
      Status s;
      if (bulk_) {
        s = bulk_->Add(IndexKey(word), Occurrence{record, field, position});
      } else {
        s = updates_.AddOccurrence(word, static_cast<uint32_t>(record), field, position);
      }
      if (!s.ok()) return s;
      ++*words;
    }
  }
  return Status::Ok();
}

Status Edition::Append(const RecordStore::Texts& storeTexts, const RecordStore::Texts& indexTexts,
                       int* words) {
  *words = 0;
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  Status s = BeginChange();
  if (!s.ok()) return s;
  s = store_.Append(storeTexts);
  if (!s.ok()) return s;
  updates_.SetVisibleRecords(static_cast<uint32_t>(store_.recordCount()));
  return IndexTexts(indexTexts, words);
}

Status Edition::Update(const RecordStore::Texts& storeTexts, const RecordStore::Texts& indexTexts,
                       int* words) {
  *words = 0;
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  uint32_t abandoned = 0;
  Status s = BeginChange();
  if (!s.ok()) return s;
  s = store_.RewriteCurrent(storeTexts, &abandoned);
  if (!s.ok()) return s;
  s = updates_.WithdrawRecord(static_cast<uint32_t>(store_.currentRecord()));
  if (!s.ok()) return s;
  updates_.SetWaste(updates_.waste() + abandoned);
  return IndexTexts(indexTexts, words);
}

Status Edition::StartWriting() {
  if (store_.readOnly()) return Status::ReadOnly(store_.dataPath() + ": read-only");
  Status s = lock_.LockWriter();
  if (!s.ok()) return s;
  s = lock_.LockState(true);
  if (!s.ok()) return s;
  if (!(s = Journal::Recover(storeName_)).ok()) return s;
  EditionLock::Counters now = lock_.Read();
  if (snapshot_ || now.packs != seen_.packs)
    return Status::InvalidArgument(storeName_ + ": the edition was packed since it was opened; open it again");
  if (now.commits != seen_.commits) {
    // Another writer committed since this view was read: read it again before changing it.
    seen_ = now;
    s = ReloadUpdates();
  }
  return s;
}

Status Edition::BeginChange() {
  if (bulk_ || (journal_ && journal_->active())) return Status::Ok();
  Status s = StartWriting();
  if (!s.ok()) return s;
  journal_ = std::make_unique<Journal>(storeName_);
  return journal_->Begin();
}

Status Edition::Commit() {
  if (!isOpen()) return Status::InvalidArgument("the edition is not open");
  if (!journal_ || !journal_->active()) {
    // Nothing changed: a count written now could only undo another writer's commit.
    if (!bulk_ && store_.recordCount() == store_.committedCount()) return Status::Ok();
    return store_.CommitCount();
  }
  // Everything the transaction wrote reaches the disk before the journal goes.
  Status s = updates_.Flush();
  if (s.ok()) s = store_.CommitCount();
  if (s.ok()) s = journal_->Finish();
  if (!s.ok()) return s;
  s = lock_.Count(false);
  seen_ = lock_.Read();
  lock_.UnlockState();
  return s;
}

void Edition::BeginBulk() {
  bulk_ = std::make_unique<BulkIndex>(storeName_ + ".c$r");
}

}  // namespace zrt
