#include "core/description.h"

#include <cstring>

#include "base/bytes.h"
#include "base/file.h"
#include "text/charset.h"

namespace zrt {
namespace {

struct StandardName {
  const char* code;
  const char* display;
};

// Windows-1251 texts.
const StandardName kStandardNames[] = {
    {"ID", "\xC8\xE4. \xE4\xEE\xEA-\xF2\xE0"},                 // Ид. док-та
    {"CC", "\xCA\xEE\xE4 \xF1\xF2\xF0\xE0\xED\xFB"},           // Код страны
    {"PY", "\xC3\xEE\xE4. \xEF\xF3\xE1\xEB."},                 // Год. публ.
    {"LA", "\xDF\xE7\xFB\xEA"},                                // Язык
    {"CL", "\xD0\xF3\xE1\xF0\xE8\xEA\xE8"},                    // Рубрики
    {"AU", "\xC0\xE2\xF2\xEE\xF0\xFB"},                        // Авторы
    {"TI", "\xC7\xE0\xE3\xEB\xE0\xE2\xE8\xE5"},                // Заглавие
    {"SO", "\xC8\xF1\xF2\xEE\xF7\xED\xE8\xEA"},                // Источник
    {"KW", "\xCA\xEB. \xF1\xEB\xEE\xE2\xE0"},                  // Кл. слова
    {"AB", "\xD0\xE5\xF4\xE5\xF0\xE0\xF2"},                    // Реферат
};

// Reads a NUL-terminated text at pos, keeping at most `limit` characters (longer texts
// are cut rather than overrunning the fixed fields that other programs give them).
// Past the end of the body the text is empty.
std::string TakeText(const std::string& body, size_t& pos, size_t limit, bool convert = true) {
  if (pos >= body.size()) return {};
  size_t end = body.find('\0', pos);
  if (end == std::string::npos) end = body.size();
  std::string text = body.substr(pos, std::min(end - pos, limit));
  pos = end + 1;
  return convert ? OemToAnsi(std::move(text)) : text;
}

}  // namespace

std::string DisplayNameOf(const std::string& fieldName) {
  for (const auto& s : kStandardNames)
    if (StrICmp(fieldName.c_str(), s.code) == 0) return s.display;
  return fieldName;
}

Status ParseDescription(const std::string& stored, EditionDescription* out) {
  *out = EditionDescription{};
  // What was read is terminated by one zero byte, which may end a field list that the
  // file cut short.
  std::string body = stored + '\0';
  size_t pos = 0;
  out->title = TakeText(body, pos, EditionDescription::kMaxTitleLength);
  out->reservedText = TakeText(body, pos, EditionDescription::kMaxTitleLength, false);
  for (;;) {
    if (pos >= body.size())
      return Status::Corruption("the field list runs past the end of the description");
    auto group = static_cast<unsigned char>(body[pos++]);
    if (group == 0) break;
    if (out->fields.size() == EditionDescription::kMaxFields)
      return Status::Corruption("the description lists more than 255 fields");
    SourceField f;
    f.group = group;
    f.name = TakeText(body, pos, EditionDescription::kMaxFieldNameLength);
    f.display = DisplayNameOf(f.name);
    out->fields.push_back(std::move(f));
  }
  out->shortName = TakeText(body, pos, EditionDescription::kMaxTitleLength);
  out->copyright = TakeText(body, pos, EditionDescription::kMaxCopyrightLength);
  out->shiftedNumbering = out->fields.size() < 40 && out->fields.size() >= 14 &&
                          out->fields[13].name == "IPC" && out->fields[13].group == 15;
  return Status::Ok();
}

Status ReadDescription(const std::string& path, EditionDescription* out) {
  Status why;
  auto f = Env::Current()->Open(path, OpenMode::Read, &why);
  if (!f) return Status::NotFound(why.message());
  char magic[kMagicSize];
  if (!f->ReadExact(0, magic, kMagicSize) || !HasMagic(magic, kDescriptionMagic))
    return Status::Corruption(path + ": not an edition description (no \"ASDO\")");
  std::string body(EditionDescription::kBodyBytes, '\0');
  long long got = f->ReadAt(kMagicSize, body.data(), body.size());
  if (got < 0) return Status::IOError(path + ": read failed");
  body.resize(static_cast<size_t>(got));
  Status s = ParseDescription(body, out);
  if (!s.ok()) return Status::Corruption(path + ": " + s.message());
  return s;
}

}  // namespace zrt
