// The settings dialogs of the «Опции» menu. Each edits a copy of the settings; OK
// validates, then takes the copy over.
#pragma once

#include <QDialog>

#include "settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tolvar {

class CSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  CSettingsDialog(const QString& caption, const Settings& s, QWidget* parent);
  Settings settings;

 protected:
  void Finish(class QLayout* fields);
  QCheckBox* Check(const QString& text, bool value, const QString& help = {});
  // Font button with its description beside it.
  QWidget* FontRow(FontRecord* font);
};

class CGeneralDialog : public CSettingsDialog {
  Q_OBJECT
 public:
  CGeneralDialog(const Settings& s, QWidget* parent = nullptr);
  void accept() override;

 private:
  QCheckBox *autoOpen_, *autoRun_, *autoNew_, *maximized_, *oneClick_, *keepContents_;
};

class CSearchDialog : public CSettingsDialog {
  Q_OBJECT
 public:
  CSearchDialog(const Settings& s, QWidget* parent = nullptr);
  void accept() override;

 private:
  QCheckBox *autoShow_, *noMorphology_, *dictSearch_, *quick_, *autoCut_, *autoCutDict_;
  QComboBox* cutChar_;
  QLineEdit* prefix_;
};

class CDocumentDialog : public CSettingsDialog {
  Q_OBJECT
 public:
  CDocumentDialog(const Settings& s, const QStringList& forms, int formIndex, QWidget* parent = nullptr);
  void accept() override;
  int formIndex = 0;
  QLineEdit* count;

 private:
  QComboBox* form_;
  QCheckBox *bold_, *italic_;
};

class CPrintDialog : public CSettingsDialog {
  Q_OBJECT
 public:
  CPrintDialog(const Settings& s, const QStringList& forms, int printIndex, QWidget* parent = nullptr);
  void accept() override;
  int printIndex = 0;

 private:
  QComboBox* form_;
  QLineEdit* header_;
};

}  // namespace tolvar
