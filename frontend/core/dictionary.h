// The dictionary window's rules: the root it looks up under the truncation settings,
// the fields its check boxes restrict the listing to, and the query word a chosen line
// becomes.
#pragma once

#include <QByteArray>
#include <QList>

struct EngineHandle;

namespace tolvar {

struct Settings;

// The field boxes in the order their codes are appended; bit k of a field mask is box k.
struct DictionaryField {
  const char* caption;  // UTF-8
  const char* code;
};
constexpr int kDictionaryFields = 6;
const DictionaryField& DictionaryFieldAt(int k);

// The codes of the mask's boxes, each followed by "," ("AU,TI,"); empty for mask 0.
QByteArray DictionaryFieldList(unsigned mask);

// The root looked up for a typed word: with "Auto Cut" on and "Auto Cut Dict" off the
// engine's automatic truncation is switched off for the lookup; with "Auto Cut" off and
// "Auto Cut Dict" on the truncation character is appended.
struct DictionaryRoot {
  QByteArray root;
  bool truncationOff = false;
};
DictionaryRoot PrepareRoot(const QByteArray& word, const Settings& settings);

struct DictionaryRow {
  QByteArray word;  // Windows-1251
  qint32 documents = 0, frequency = 0;
};
// The listing of the word in the mask's fields (0: all) through ZRT_SetQueryByRoot, the
// engine's query parameters restored afterwards.
QList<DictionaryRow> ListDictionary(EngineHandle* h, const QByteArray& word, unsigned mask,
                                    const Settings& settings);

// The query word of a line (its text up to the first tab or blank), restricted to the
// mask's fields: "WORD in AU,TI" with "Ignore Point" on, "WORD.AU,TI" with it off.
QByteArray ChosenWord(const QByteArray& line, unsigned mask, bool ignorePoint);

}  // namespace tolvar
