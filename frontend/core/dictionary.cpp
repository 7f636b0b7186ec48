#include "dictionary.h"

#include <string>
#include <vector>

#include "client/word_listing.h"
#include "settings.h"
#include "zrteng.h"

namespace tolvar {

namespace {
const DictionaryField kFields[kDictionaryFields] = {
    {"Авторы", "AU"},    {"Заглавие", "TI"}, {"Источник", "SO"},
    {"Кл. слова", "KW"}, {"Реферат", "AB"},  {"Рубрики", "CL"},
};
}  // namespace

const DictionaryField& DictionaryFieldAt(int k) { return kFields[k]; }

QByteArray DictionaryFieldList(unsigned mask) {
  QByteArray list;
  for (int k = 0; k < kDictionaryFields; ++k)
    if (mask & (1u << k)) list += QByteArray(kFields[k].code) + ",";
  return list;
}

DictionaryRoot PrepareRoot(const QByteArray& word, const Settings& settings) {
  DictionaryRoot r{word, false};
  if (settings.autoCut && !settings.autoCutDict) r.truncationOff = true;
  if (!settings.autoCut && settings.autoCutDict) r.root += settings.CutChar();
  return r;
}

QList<DictionaryRow> ListDictionary(EngineHandle* h, const QByteArray& word, unsigned mask,
                                    const Settings& settings) {
  QList<DictionaryRow> rows;
  if (!h) return rows;
  const DictionaryRoot root = PrepareRoot(word, settings);
  char cut = '$';
  int32_t ignorePoint = 1, ignoreOperators = 1, autoCut = 0;
  CDat_GetQParam(&cut, &ignorePoint, &ignoreOperators, &autoCut);
  if (root.truncationOff) CDat_SetQParam(cut, ignorePoint, ignoreOperators, 0);
  std::vector<zrt::client::WordRow> listed;
  bool stopped = false;
  std::string error;
  if (zrt::client::ListByRoot(h, root.root.toStdString(), DictionaryFieldList(mask).toStdString(),
                              &listed, &stopped, &error))
    for (const zrt::client::WordRow& r : listed)
      rows.append({QByteArray::fromStdString(r.word), r.documents, r.occurrences});
  if (root.truncationOff) CDat_SetQParam(cut, ignorePoint, ignoreOperators, autoCut);
  return rows;
}

QByteArray ChosenWord(const QByteArray& line, unsigned mask, bool ignorePoint) {
  qsizetype end = 0;
  while (end < line.size() && line[end] != '\t' && line[end] != ' ') ++end;
  QByteArray word = line.left(end);
  QByteArray list;
  for (int k = 0; k < kDictionaryFields; ++k)
    if (mask & (1u << k)) list += QByteArray(",") + kFields[k].code;
  if (list.isEmpty()) return word;
  return ignorePoint ? word + " in " + list.mid(1) : word + "." + list.mid(1);
}

}  // namespace tolvar
