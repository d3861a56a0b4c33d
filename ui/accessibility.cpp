// What screen readers and desktop automation see of the controls: their
// names, and rings that are named by their labels and can be stepped.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "ui/toolkit_impl.h"

namespace tavix::ui {

namespace {

// Qt names a combo box by its current text on Linux and leaves its label to
// a relation, so screen readers announce "STAT" where the ring is PMOD. A
// ring is named by its label here and gives its current item as its value.
class RingAccessible : public QAccessibleWidget {
 public:
  explicit RingAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Combo()->currentText();
    const QString text = QAccessibleWidget::text(t);
    return t == QAccessible::Name && text.isEmpty() ? Combo()->currentText() : text;
  }
  // The item list, as Qt's own interface gives it.
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Combo()->view()->isVisible();
    return s;
  }
  // Besides the list, a screen reader steps the ring to the next or the
  // previous item, as the arrow keys do.
  QStringList actionNames() const override {
    QStringList names{showMenuAction()};
    if (Combo()->isEnabled()) names << increaseAction() << decreaseAction();
    return names + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    QComboBox* combo = Combo();
    if (action == showMenuAction() || action == pressAction()) {
      combo->showPopup();
    } else if (action == increaseAction() || action == decreaseAction()) {
      const int index = combo->currentIndex() + (action == increaseAction() ? 1 : -1);
      if (combo->isEnabled() && index >= 0 && index < combo->count()) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);  // a choice, as a key's
      }
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* RingFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox") || !object->isWidgetType()) return nullptr;
  return new RingAccessible(static_cast<QComboBox*>(object));
}

}  // namespace

// The name a screen reader gives a control: its visible text or caption.
QString AccessibleNameFor(const ControlRecord& control) {
  QWidget* w = control.widget;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    const QString text = PlainLabel(button->text()).trimmed();
    if (!text.isEmpty()) return text;
  }
  if (auto* box = qobject_cast<QGroupBox*>(w)) {
    const QString title = PlainLabel(box->title()).trimmed();
    if (!title.isEmpty()) return title;
  }
  const QString label = w->property("label").toString().trimmed();
  if (!label.isEmpty()) return label;
  // A label shows its own text; Qt reads that text (it changes at run time).
  if (qobject_cast<QLabel*>(w)) return QString();
  if (control.caption) {
    QString text = PlainLabel(control.caption->text()).trimmed();
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    if (!text.trimmed().isEmpty()) return text.trimmed();
  }
  return control.name;
}

void InstallAccessibility() {
  QAccessible::removeFactory(RingFactory);  // one entry however many toolkits were made
  QAccessible::installFactory(RingFactory);
}

}  // namespace tavix::ui
