// Accessibility of the control: an editable-text interface whose value is the readable
// Unicode rendering of the markup (ZText::displayText()).
#pragma once

#include <QAccessibleWidget>

class ZText;

namespace ztext {

class ZTextAccessible : public QAccessibleWidget {
 public:
  explicit ZTextAccessible(ZText* widget);

  QString text(QAccessible::Text t) const override;
  QAccessible::State state() const override;

  // The factory for QAccessible::installFactory; installed once by the first ZText.
  static QAccessibleInterface* create(const QString& className, QObject* object);
};

}  // namespace ztext
