#include "core/create.h"

#include "base/bytes.h"
#include "base/file.h"
#include "base/names.h"
#include "core/description.h"
#include "core/record_store.h"
#include "index/static_index.h"
#include "text/charset.h"

namespace zrt {
namespace {

std::string Zt(const std::string& text) { return text + '\0'; }

}  // namespace

Status CreateEdition(const std::string& path, const char* suffix, const NewEdition& e) {
  Env* env = Env::Current();
  auto name = [&](const char* ext) { return EditionFileName(path, suffix, ext); };
  if (env->Exists(name(".cdo"))) return Status::InvalidArgument(name(".cdo") + ": the edition exists");
  if (env->Exists(name(".cdp"))) return Status::InvalidArgument(name(".cdp") + ": a word index exists");
  if (e.fieldNames.empty() || e.fieldNames.size() > 255)
    return Status::InvalidArgument("an edition has from 1 to 255 fields");
  if (e.fieldGroups.size() != e.fieldNames.size())
    return Status::InvalidArgument("every field needs an index group");

  // The title is read back through the code page 866 conversion like every other text,
  // so it is written converted too.
  using Limits = EditionDescription;
  std::string description =
      kDescriptionMagic + Zt(AnsiToStoredOem(e.title.substr(0, Limits::kMaxTitleLength))) + Zt("");
  for (size_t i = 0; i < e.fieldNames.size(); ++i) {
    const std::string& field = e.fieldNames[i];
    if (field.empty() || field.size() > Limits::kMaxFieldNameLength)
      return Status::InvalidArgument("field name '" + field + "' must have 1 to " +
                                     std::to_string(Limits::kMaxFieldNameLength) + " characters");
    // A zero byte ends the field list, so "no index group" is stored as 255, which takes
    // no part in field-group masks either.
    // Fields are looked up by name in any case, so of two names that differ only in case
    // the second could never be reached.
    for (size_t k = 0; k < i; ++k)
      if (AnsiUpper(e.fieldNames[k]) == AnsiUpper(field))
        return Status::InvalidArgument(
            e.fieldNames[k] == field ? "field " + field + " is named twice"
                                     : "fields " + e.fieldNames[k] + " and " + field + " differ only in case");
    description += static_cast<char>(e.fieldGroups[i] ? e.fieldGroups[i] : 255);
    description += Zt(AnsiToStoredOem(field));
  }
  description += '\0';
  description += Zt(AnsiToStoredOem((e.shortName.empty() ? e.title : e.shortName).substr(0, Limits::kMaxTitleLength)));
  description += Zt(AnsiToStoredOem(e.copyright.substr(0, Limits::kMaxCopyrightLength)));
  if (description.size() > kMagicSize + Limits::kBodyBytes)
    return Status::InvalidArgument("the description takes more than 1024 bytes");

  const std::pair<const char*, std::string> files[] = {
      {".cdo", description},
      {".cdx", std::string(kRecordIndexMagic).append(kRecordIndexHeaderSize - kMagicSize, '\0')},
      {".cdb", kRecordDataMagic},
      {".cdp", std::string(kPageIndexMagic).append(kPageIndexEntriesAt - kMagicSize, '\0')},
      {".cdd", kDictionaryMagic},
      {".cdh", kOccurrenceMagic},
  };
  std::vector<std::string> made;
  for (const auto& [ext, bytes] : files) {
    Status why;
    auto f = env->Open(name(ext), OpenMode::Create, &why);
    bool ok = f && f->WriteAt(0, bytes.data(), bytes.size()) && f->Sync();
    if (f) made.push_back(name(ext));
    if (!ok) {
      for (const std::string& m : made) env->Remove(m);
      return f ? Status::IOError(name(ext) + ": write failed") : OpenFailure(why, name(ext));
    }
  }
  return Status::Ok();
}

}  // namespace zrt
