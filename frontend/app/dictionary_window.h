// The dictionary window «Словарь»: the index words of an edition that begin with what is
// typed, all fields or chosen ones, with their document counts and frequencies. «Вставить»
// and «Поиск» hand the chosen word back to the query builder.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ZText;
struct EngineHandle;

namespace tolvar {

struct Settings;

class CDictionaryDialog : public QDialog {
  Q_OBJECT
 public:
  enum Outcome { kClosed, kInsert, kSearch };
  CDictionaryDialog(EngineHandle* h, const Settings& settings, QWidget* parent = nullptr);
  // «Просмотр»: lists the word field's word.
  void Browse();
  Outcome outcome() const { return outcome_; }
  // The chosen line's word with the field restriction of the checked boxes.
  QByteArray ChosenWord() const { return chosen_; }

  ZText* word;
  QCheckBox* all;
  QCheckBox* fields[6];  // in the order of the field codes
  QLabel* header;
  QTreeWidget* list;
  QPushButton *insert, *search;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void AllToggled();
  unsigned Mask() const;
  void Finish(Outcome outcome);
  EngineHandle* handle_;
  const Settings& settings_;
  Outcome outcome_ = kClosed;
  QByteArray chosen_;
  unsigned listedMask_ = 0;
};

}  // namespace tolvar
