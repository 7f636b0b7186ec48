// «Отметка документов»: set or remove marks on the whole walk, the portion or a list of
// numbers and ranges.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace tolvar {

class CTolvarDoc;

class CMarkDialog : public QDialog {
  Q_OBJECT
 public:
  CMarkDialog(CTolvarDoc& doc, QWidget* parent = nullptr);
  void accept() override;
  QRadioButton *set, *unset, *all, *portion, *interval;
  QLineEdit* list;

 private:
  void UpdateEnabling();
  CTolvarDoc& doc_;
};

}  // namespace tolvar
