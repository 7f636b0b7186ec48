// zrt load EDITION SOURCE: builds a new edition from a file of documents. The field list
// comes from --fields/--groups or a --header file; without either, the source's keys in
// order of first appearance become the fields, with index groups 1, 2, ...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "command.h"
#include "edition_arg.h"
#include "edition_extras.h"
#include "load_source.h"

namespace zrt::cli {
namespace {

namespace fs = std::filesystem;

int RunLoad(const Args& args) {
  const std::string& target = args.positional[0];
  const bool replacing = fs::exists(client::EditionFile(target, ".cdo"));
  if (replacing && !args.Has("replace"))
    return Fail(target + ": an edition exists there; nothing was loaded (--replace replaces it)");
  // Loaded, with its extras, beside its place and moved there only when complete: a
  // failed or killed load leaves no edition, or the old one whole.
  const std::string edition = client::EditionFile(target, "") + "_zrtnew";
  ZRT_RemoveEdition(edition.c_str(), nullptr);  // what a killed load left
  SourceSpec spec;
  spec.path = args.positional[1];
  spec.warn = [](const std::string& message) {
    std::fprintf(stderr, "zrt: %s\n", message.c_str());
  };
  client::NewEdition meta;
  std::string error;
  if (!ReadSourceOptions(args, &spec, &meta, &error)) return Fail(error);

  if (spec.fields.empty()) {
    auto probe = OpenSource(spec, &error);
    if (!probe) return Fail(error);
    std::vector<std::string> keys;
    client::Status s = probe->DiscoverFields(&keys);
    if (!s.ok()) return Fail(s.message());
    std::erase_if(keys, [&](const std::string& key) {
      return std::find(spec.ignore.begin(), spec.ignore.end(), key) != spec.ignore.end();
    });
    if (keys.empty()) return Fail(spec.path + ": no documents");
    if (keys.size() > 255) return Fail(spec.path + ": more than 255 fields");
    for (size_t i = 0; i < keys.size(); ++i)
      spec.fields.push_back(
          {keys[i], {keys[i]}, i < 32 ? static_cast<int>(i) + 1 : 0, static_cast<int>(i)});
  }
  for (const FieldSpec& f : spec.fields) {
    std::string name, bad;
    if (!FromUtf8(f.code, &name, &bad))
      return Fail("field code " + f.code + " has no Windows-1251 form");
    meta.fieldNames.push_back(name);
    meta.fieldGroups.push_back(static_cast<uint8_t>(f.group));
  }
  EditionExtras extras;
  if (!extras.Prepare(args, meta.fieldNames, &error)) return Fail(error + "; nothing was loaded");
  if (meta.title.empty()) {
    size_t slash = target.find_last_of('/');
    FromUtf8(target.substr(slash == std::string::npos ? 0 : slash + 1), &meta.title, nullptr, '?');
  }

  auto source = OpenSource(spec, &error);
  if (!source) return Fail(error);
  ProgressBar bar;
  auto started = std::chrono::steady_clock::now();
  client::LoadStats stats;
  client::Status s =
      client::LoadEdition(edition, meta, *source, &stats, [&](const client::LoadStats& now) {
        if ((now.records & 63) == 0) bar.Update(source->Progress(), now.records);
      });
  bar.Done();
  if (!s.ok()) return Fail(s.message() + "; nothing was loaded");
  if (!extras.Write(edition, &error)) {
    ZRT_RemoveEdition(edition.c_str(), nullptr);
    return Fail(error + "; nothing was loaded");
  }
  if (!client::SaveSourceKeys(edition, spec, &error)) {
    ZRT_RemoveEdition(edition.c_str(), nullptr);
    return Fail(error);
  }
  if (ZRT_MoveEdition(edition.c_str(), client::EditionFile(target, "").c_str(), replacing) != 0) {
    error = ZRT_ErrMsg(nullptr);
    ZRT_RemoveEdition(edition.c_str(), nullptr);
    return Fail(error);
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Loaded %lld records, %lld words in %.2f s: %s\n",
              static_cast<long long>(stats.records), static_cast<long long>(stats.words), seconds,
              target.c_str());
  return 0;
}

}  // namespace

ZRT_COMMAND(
    {.name = "load",
     .arguments = "EDITION SOURCE",
     .summary = "build a new edition from JSON Lines or ISO 2709 documents",
     .run = RunLoad,
     .options = kSourceOptions + kNewEditionOptions + kEditionExtraOptions,
     .details = "Without --fields or a header's field list, the keys of the source in the\n"
                "order they first appear become the fields, with index groups 1, 2, ...\n"
                "ISO 2709 tags map to field codes: a letter and two digits give\n"
                "(letter - A) * 100 + number (B05 is tag 105); --fields TI=200 names a tag.\n"});

}  // namespace zrt::cli
