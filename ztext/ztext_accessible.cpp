#include "ztext_accessible.h"

#include "ztext.h"

namespace ztext {

ZTextAccessible::ZTextAccessible(ZText* widget)
    : QAccessibleWidget(widget, QAccessible::EditableText) {}

QString ZTextAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Value) return static_cast<const ZText*>(widget())->displayText();
  return QAccessibleWidget::text(t);
}

QAccessible::State ZTextAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  const auto* control = static_cast<const ZText*>(widget());
  s.editable = !control->isReadOnly();
  s.readOnly = control->isReadOnly();
  s.multiLine = control->isMultiLine();
  s.selectableText = true;
  return s;
}

QAccessibleInterface* ZTextAccessible::create(const QString& className, QObject* object) {
  if (className == QLatin1String(ZText::staticMetaObject.className()) && object &&
      object->isWidgetType())
    return new ZTextAccessible(static_cast<ZText*>(object));
  return nullptr;
}

}  // namespace ztext
