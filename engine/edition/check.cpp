#include "edition/check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "base/file.h"
#include "base/names.h"
#include "edition/edition.h"

namespace zrt {
namespace {

// Problems of one kind stop being reported after this many: a damaged file would
// otherwise repeat one fault for every record or word.
constexpr int kReportsPerCheck = 20;

class Checker {
public:
  Checker(Edition& edition, const std::function<void(const CheckProblem&)>& report)
      : e_(edition), report_(report), base_(edition.storeName()) {}

  size_t Run() {
    CheckRecords();
    CheckStaticIndex();
    CheckUpdateIndex();
    CheckContents();
    return problems_;
  }

private:
  void Problem(const std::string& ext, int64_t offset, const std::string& message) {
    if (++problems_ <= kReportsPerCheck * 6 && ++perFile_[ext] <= kReportsPerCheck)
      report_({base_ + ext, offset, message});
  }

  void CheckRecords() {
    RecordStore& store = e_.store();
    for (int32_t n = 1; n <= store.recordCount(); ++n) {
      Status s = store.GotoRecord(n, false);
      if (!s.ok()) Problem(".cdx", static_cast<int64_t>(RecordIndexSlot(static_cast<uint32_t>(n))), s.message());
    }
  }

  void CheckStaticIndex() {
    const StaticIndex& index = e_.index();
    const int64_t count = e_.store().recordCount();
    const long long dictionarySize = index.dictionary()->Size();
    const long long occurrenceSize = index.occurrences()->Size();
    if (dictionarySize < 4 || (dictionarySize - 4) % kDictionaryRowSize != 0)
      Problem(".cdd", dictionarySize, "the file does not end on a whole entry");

    // The page index the words give, built as the index writer builds it.
    std::vector<PageIndexEntry> expected;
    PageIndexEntry pair{}, letter{};
    auto flushLetter = [&] {
      if (letter.wordCount) expected.push_back(letter);
    };
    StaticIndex::Scan scan(index);
    DictionaryRow row{};
    std::vector<Occurrence> occurrences;
    char previous[kWordKeyLength];
    uint64_t words = 0, expectedOffset = 0;
    while (scan.Next(&row, &occurrences)) {
      const int64_t at = static_cast<int64_t>(4 + words * kDictionaryRowSize);
      const std::string word(row.word, kWordKeyLength);
      if (words && std::memcmp(previous, row.word, kWordKeyLength) >= 0)
        Problem(".cdd", at, "word \"" + word + "\" is not above the word before it");
      std::memcpy(previous, row.word, kWordKeyLength);
      if (row.offset != expectedOffset)
        Problem(".cdd", at, "word \"" + word + "\": its occurrences start at " + std::to_string(row.offset) +
                                ", not after the previous word's at " + std::to_string(expectedOffset));
      expectedOffset = uint64_t{row.offset} + uint64_t{row.occurrences} * kOccurrenceSize;
      uint32_t documents = 0, mask = 0;
      for (size_t i = 0; i < occurrences.size(); ++i) {
        const Occurrence& o = occurrences[i];
        if (o.record < 1 || o.record > count) {
          Problem(".cdh", static_cast<int64_t>(4 + row.offset + i * kOccurrenceSize),
                  "word \"" + word + "\" names record " + std::to_string(o.record) + " of " +
                      std::to_string(count));
        }
        if (i && std::tie(occurrences[i - 1].record, occurrences[i - 1].field, occurrences[i - 1].position) >
                     std::tie(o.record, o.field, o.position))
          Problem(".cdh", static_cast<int64_t>(4 + row.offset + i * kOccurrenceSize),
                  "word \"" + word + "\": occurrences out of order");
        if (i == 0 || occurrences[i - 1].record != o.record) ++documents;
        if (o.field >= 1 && o.field <= 32) mask |= 1u << (o.field - 1);
      }
      if (documents != row.documents || mask != row.groupMask)
        Problem(".cdd", at, "word \"" + word + "\": " + std::to_string(row.documents) + " documents and mask " +
                                std::to_string(row.groupMask) + " stored, its occurrences give " +
                                std::to_string(documents) + " and " + std::to_string(mask));
      const auto first = static_cast<uint8_t>(row.word[0]), second = static_cast<uint8_t>(row.word[1]);
      if (!pair.wordCount || first != pair.first || second != pair.second) {
        if (pair.wordCount) expected.push_back(pair);
        if (pair.wordCount && first != pair.first) {
          flushLetter();
          letter = {};
        }
        pair = {first, second, 0, static_cast<uint32_t>(words * kDictionaryRowSize)};
        if (!letter.wordCount) letter = {first, kPageIndexSummary, 0, pair.offset};
      }
      ++pair.wordCount;
      ++letter.wordCount;
      ++words;
    }
    if (!scan.status().ok()) {
      // The walk stopped: either a dictionary entry or its run of occurrences is cut off,
      // and the page index cannot be compared with a part of the words.
      const std::string& why = scan.status().message();
      Problem(why.rfind("the occurrences", 0) == 0 ? ".cdh" : ".cdd", -1, why);
      return;
    }
    if (pair.wordCount) expected.push_back(pair);
    flushLetter();
    if (occurrenceSize >= 4 && static_cast<uint64_t>(occurrenceSize - 4) != expectedOffset)
      Problem(".cdh", occurrenceSize, std::to_string(occurrenceSize - 4 - static_cast<long long>(expectedOffset)) +
                                          " bytes that no word leads to");

    const std::vector<PageIndexEntry>& pages = index.pages();
    const size_t entrySize = index.newForm() ? kWidePageIndexEntrySize : kPageIndexEntrySize;
    const uint32_t countLimit = index.newForm() ? 0xFFFFFFFFu : 0xFFFFu;
    if (pages.size() != expected.size())
      Problem(".cdp", 4, std::to_string(pages.size()) + " entries; the dictionary's words give " +
                             std::to_string(expected.size()));
    for (size_t i = 0; i < std::min(pages.size(), expected.size()); ++i) {
      const PageIndexEntry& p = pages[i];
      const PageIndexEntry& x = expected[i];
      if (p.first != x.first || p.second != x.second || p.offset != x.offset ||
          p.wordCount != std::min(x.wordCount, countLimit)) {
        Problem(".cdp", static_cast<int64_t>(kPageIndexEntriesAt + i * entrySize),
                "entry " + std::to_string(i) + " (" + std::to_string(p.first) + "," + std::to_string(p.second) +
                    ": " + std::to_string(p.wordCount) + " words at " + std::to_string(p.offset) +
                    ") differs from the dictionary's (" + std::to_string(x.first) + "," +
                    std::to_string(x.second) + ": " + std::to_string(x.wordCount) + " words at " +
                    std::to_string(x.offset) + ")");
      }
    }
  }

  void CheckUpdateIndex() {
    UpdateIndex& updates = e_.updates();
    if (!updates.Exists()) return;
    Status s = updates.Open(false);
    if (!s.ok()) {
      Problem(".cdl", -1, s.message());
      return;
    }
    const int64_t count = e_.store().recordCount();
    std::map<uint32_t, uint32_t> set;  // record -> entry count in ".cdl"
    size_t at = kUpdateListHeaderSize;
    for (const UpdateIndex::Item& item : updates.items()) {
      if (item.record < 1 || item.record > count)
        Problem(".cdl", static_cast<int64_t>(at), "item of record " + std::to_string(item.record) +
                                                      " past the record count " + std::to_string(count));
      set[item.record] = item.entries;
      at += kUpdateListItemSize;
    }
    std::map<uint32_t, uint32_t> found;
    uint64_t total = 0;
    std::string key, previousKey;
    Occurrence o{}, previous{};
    if ((s = updates.ScanFirst()).ok()) {
      while (updates.ScanNext(&key, &o)) {
        if (total && std::tie(previousKey, previous.record, previous.field, previous.position) >
                         std::tie(key, o.record, o.field, o.position))
          Problem(".cdi", -1, "entry \"" + key + "\" of record " + std::to_string(o.record) + " is out of order");
        if (o.record < 1 || o.record > count)
          Problem(".cdi", -1, "entry \"" + key + "\" names record " + std::to_string(o.record) +
                                  " past the record count " + std::to_string(count));
        ++found[static_cast<uint32_t>(o.record)];
        ++total;
        previousKey = key;
        previous = o;
      }
      s = updates.scanStatus();
    }
    if (!s.ok()) Problem(".cdi", -1, s.message());
    if (total != updates.totalEntries())
      Problem(".cdl", kUpdateListTotalAt, "counts " + std::to_string(updates.totalEntries()) +
                                              " entries; the key file holds " + std::to_string(total));
    for (const auto& [record, entries] : found) {
      auto it = set.find(record);
      if (it == set.end()) {
        Problem(".cdl", -1, "record " + std::to_string(record) + " has entries in the key file but no item");
      } else if (it->second != std::min<uint32_t>(entries, 255) && it->second != entries % 256) {
        Problem(".cdl", -1, "record " + std::to_string(record) + ": the item counts " + std::to_string(it->second) +
                                " entries; the key file holds " + std::to_string(entries));
      }
    }
    for (const auto& [record, entries] : set)
      if (entries && !found.count(record))
        Problem(".cdl", -1, "record " + std::to_string(record) + ": the item counts " + std::to_string(entries) +
                                " entries; the key file holds none");
  }

  void CheckContents() {
    ZrtKeyTree* contents = e_.store().contents();
    if (!contents) {
      if (Env::Current()->Exists(base_ + ".cdj")) Problem(".cdj", -1, "the table of contents cannot be opened");
      return;
    }
    unsigned char item[KeyTree::kMaxItemSize + 8];
    contents->tree.First();
    while (contents->tree.Next(item)) {
    }
    if (!contents->tree.status().ok()) Problem(".cdj", -1, contents->tree.status().message());
  }

  Edition& e_;
  const std::function<void(const CheckProblem&)>& report_;
  std::string base_;
  size_t problems_ = 0;
  std::map<std::string, int> perFile_;
};

}  // namespace

size_t CheckEdition(const std::string& path, const char* suffix,
                    const std::function<void(const CheckProblem&)>& report) {
  Edition edition;
  Status s = edition.Open(path, suffix);
  if (!s.ok()) {
    report({EditionBaseName(path, suffix), -1, s.message()});
    return 1;
  }
  return Checker(edition, report).Run();
}

}  // namespace zrt
