// The query builder's «Область поиска» (CQueryDB) and «Ограничения» (CQueryLimits)
// pages: they show the document's selections and write them back as the area and
// limits texts when the user leaves them.
#pragma once

#include <QList>
#include <QWidget>

#include "query_limits.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tolvar {

class CTolvarDoc;

class CQueryDB : public QWidget {
  Q_OBJECT
 public:
  explicit CQueryDB(QWidget* parent = nullptr);
  // The edition's record count and top-level sections, checked as the area selection says.
  void Fill(const CTolvarDoc& doc);
  // The checked sections become the area text and selection; true when the text changed.
  bool TakeOver(CTolvarDoc& doc) const;
  QComboBox* editions;
  QListWidget* sections;

 private:
  QLabel* records_;
  QList<AreaSection> listed_;
};

class CQueryLimits : public QWidget {
  Q_OBJECT
 public:
  explicit CQueryLimits(QWidget* parent = nullptr);
  void Fill(const CTolvarDoc& doc);
  void UncheckAll();
  // The checked entries and the years become the limits text; false (after string 35)
  // when the years do not read. `changed` tells whether the limits text changed.
  bool TakeOver(CTolvarDoc& doc, bool* changed) const;
  QListWidget* lists[3];
  QLineEdit* years;
};

}  // namespace tolvar
