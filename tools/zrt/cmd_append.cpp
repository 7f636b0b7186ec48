// zrt append EDITION SOURCE: adds documents to an existing edition through its update
// index; `zrt pack` later merges them into the static index. Without --fields or
// --header a source key is a field's code or a key that the load mapped to the field.
// A failure leaves the edition as it was: records appended without a commit are
// withdrawn with their words when the handle closes.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "command.h"
#include "edition_arg.h"
#include "load_source.h"

namespace zrt::cli {
namespace {

// The texts as the engine takes them: pointers by source field number - 1, null when absent.
std::vector<char*> Pointers(client::Texts& texts) {
  std::vector<char*> out(ZRT_MAX_TEXTS, nullptr);
  for (size_t i = 0; i < texts.size() && i < out.size(); ++i)
    if (!texts[i].empty()) out[i] = texts[i].data();
  return out;
}

int RunAppend(const Args& args) {
  SourceSpec spec;
  spec.path = args.positional[1];
  spec.warn = [](const std::string& message) {
    std::fprintf(stderr, "zrt: %s\n", message.c_str());
  };
  client::NewEdition unused;
  std::string error;
  if (!ReadSourceOptions(args, &spec, &unused, &error)) return Fail(error);

  OpenedEdition ed;
  if (!ed.Open(args.positional[0], &error)) return Fail(error);
  EngineHandle* h = ed.get();
  ZRT_EditionInfo info{};
  ZRT_GetEditionInfo(h, &info);
  if (info.readOnly)
    return Fail(args.positional[0] + ": the edition is read-only; nothing was appended");

  // Each field of the list must be one of the edition's; without a list, every field of
  // the edition is filled from the keys the load kept and from the key of its code.
  if (spec.fields.empty()) {
    if (!client::LoadSourceKeys(args.positional[0], &spec, &error) && !error.empty())
      return Fail(error);
    for (int n = 1; n <= info.sourceFields; ++n) {
      int32_t group = 0;
      std::string code = Utf8(ZRT_GetSrcField(h, static_cast<uint8_t>(n), nullptr, &group));
      auto kept = std::find_if(spec.fields.begin(), spec.fields.end(),
                               [&](const FieldSpec& s) { return s.code == code; });
      if (kept == spec.fields.end()) {
        spec.fields.push_back({code, {code}, group, 0});
      } else if (std::find(kept->keys.begin(), kept->keys.end(), code) == kept->keys.end()) {
        kept->keys.push_back(code);
      }
    }
  }
  for (FieldSpec& f : spec.fields) {
    std::string name, bad;
    uint8_t srcNo = FromUtf8(f.code, &name, &bad) ? ZRT_GetSrcNoByField(h, name.c_str()) : 0;
    if (srcNo == 0) return Fail("the edition has no field " + f.code);
    f.slot = srcNo - 1;
  }

  // A first pass finds every error of the source before the edition changes.
  {
    auto check = OpenSource(spec, &error);
    if (!check) return Fail(error);
    client::Texts store(ZRT_MAX_TEXTS), index;
    for (bool delivered = true; delivered;) {
      client::Status s = check->Next(&store, &index, &delivered);
      if (!s.ok()) return Fail(s.message() + "; nothing was appended");
      store.assign(ZRT_MAX_TEXTS, std::string());
    }
  }

  auto source = OpenSource(spec, &error);
  if (!source) return Fail(error);
  ProgressBar bar;
  auto started = std::chrono::steady_clock::now();
  long long records = 0, words = 0;
  client::Status s;
  client::Texts store, index;
  for (;;) {
    store.assign(ZRT_MAX_TEXTS, std::string());
    index.assign(ZRT_MAX_TEXTS, std::string());
    bool delivered = false;
    s = source->Next(&store, &index, &delivered);
    if (!s.ok() || !delivered) break;
    std::vector<char*> storeTexts = Pointers(store), indexTexts = Pointers(index);
    int added = ZRT_DoAppendBase(h, storeTexts.data(), indexTexts.data());
    if (added < 0) {
      s = client::Status::InvalidArgument(client::ErrorMessage(h)).WithContext(source->Where());
      break;
    }
    ++records;
    words += added;
    if ((records & 63) == 0) bar.Update(source->Progress(), records);
  }
  if (s.ok() && ZRT_Commit(h) != 0) s = client::Status::IOError(client::ErrorMessage(h));
  bar.Done();
  if (!s.ok()) return Fail(s.message() + "; nothing was appended");
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Appended %lld records, %lld words in %.2f s (%d records now)\n", records, words,
              seconds, ZRT_GetNumRecords(h));
  return 0;
}

}  // namespace

ZRT_COMMAND({.name = "append",
             .arguments = "EDITION SOURCE",
             .summary = "add documents to an edition through its update index",
             .run = RunAppend,
             .options = kSourceOptions});

}  // namespace zrt::cli
