// zrt append EDITION SOURCE: adds documents to an existing edition through its update
// index; `zrt pack` later merges them into the static index. Without --fields or
// --header a source key is a field's code or a key that the load mapped to the field.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "command.h"
#include "edition_arg.h"
#include "edition/edition.h"
#include "edition_arg.h"
#include "load_source.h"

namespace zrt::cli {
namespace {

int RunAppend(const Args& args) {
  SourceSpec spec;
  spec.path = args.positional[1];
  zrt::NewEdition unused;
  std::string error;
  if (!ReadSourceOptions(args, &spec, &unused, &error)) return Fail(error);

  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  zrt::Edition& edition = *ed.get()->edition;
  if (edition.store().readOnly())
    return Fail(args.positional[0] + ": the edition is read-only; nothing was appended");

  // Each field of the list must be one of the edition's; without a list, every field of
  // the edition is filled from the keys the load kept and from the key of its code.
  if (spec.fields.empty()) {
    if (!LoadSourceKeys(args.positional[0], &spec, &error) && !error.empty()) return Fail(error);
    for (const zrt::SourceField& f : edition.store().description().fields) {
      std::string code = ToUtf8(f.name);
      auto kept = std::find_if(spec.fields.begin(), spec.fields.end(),
                               [&](const FieldSpec& s) { return s.code == code; });
      if (kept == spec.fields.end()) {
        spec.fields.push_back({code, {code}, f.group, 0});
      } else if (std::find(kept->keys.begin(), kept->keys.end(), code) == kept->keys.end()) {
        kept->keys.push_back(code);
      }
    }
  }
  for (FieldSpec& f : spec.fields) {
    std::string name, bad;
    uint8_t srcNo = FromUtf8(f.code, &name, &bad) ? edition.store().SrcNoByField(name.c_str()) : 0;
    if (srcNo == 0) return Fail("the edition has no field " + f.code);
    f.slot = srcNo - 1;
  }

  // A first pass finds every error of the source before the edition changes.
  {
    auto check = OpenSource(spec, &error);
    if (!check) return Fail(error);
    zrt::RecordStore::Texts store(256), index;
    for (bool delivered = true; delivered;) {
      zrt::Status s = check->Next(&store, &index, &delivered);
      if (!s.ok()) return Fail(s.message() + "; nothing was appended");
      store.assign(256, std::string());
    }
  }

  auto source = OpenSource(spec, &error);
  if (!source) return Fail(error);
  const int32_t before = edition.store().recordCount();
  ProgressBar bar;
  auto started = std::chrono::steady_clock::now();
  long long records = 0, words = 0;
  zrt::Status s;
  zrt::RecordStore::Texts store, index;
  for (;;) {
    store.assign(256, std::string());
    bool delivered = false;
    s = source->Next(&store, &index, &delivered);
    if (!s.ok() || !delivered) break;
    int added = 0;
    s = edition.Append(store, index, &added);
    if (!s.ok()) {
      s = s.WithContext(source->Where());
      break;
    }
    ++records;
    words += added;
    if ((records & 63) == 0) bar.Update(source->Progress(), records);
  }
  if (s.ok()) s = edition.Commit();
  bar.Done();
  if (!s.ok()) {
    // Uncommitted records vanish at the next open; their words must go with them.
    edition.updates().DeleteRecords(static_cast<uint32_t>(before) + 1, 0xFFFFFFFFu);
    return Fail(s.message() + "; nothing was appended");
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Appended %lld records, %lld words in %.2f s (%d records now)\n", records, words,
              seconds, edition.store().recordCount());
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "append",
             .arguments = "EDITION SOURCE",
             .summary = "add documents to an edition through its update index",
             .run = RunAppend,
             .options = kSourceOptions});

}  // namespace zrt::cli
