// Values, attributes, tables and graphs of controls. A value set here never
// produces an event: the signals that report a user's change are blocked
// while the program sets one.
#include <algorithm>
#include <cmath>
#include <limits>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTextEdit>
#include <optional>

#include "ui/strip_chart.h"
#include "ui/toolkit.h"
#include "ui/toolkit_impl.h"
#include "ui/trend_chart.h"
#include "ui/xy_graph.h"

namespace tavix::ui {

namespace {

QColor ToColor(std::uint32_t rgb) {
  return QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFF));
}

std::uint32_t FromColor(const QColor& color) {
  return color.rgb() & 0xFFFFFF;
}

int ToInt(double value) {
  if (!std::isfinite(value)) return 0;
  if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (value <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(std::lround(value));
}

QString NumberText(double value) {
  return QString::number(value, 'g', 12);
}

// Setting a range rewrites a spin box's text: only when it changes (the
// displays are set in every pass of the live cycle).
template <class Widget, class Value>
void SetRange(Widget* w, Value min, Value max) {
  if (w->minimum() != min || w->maximum() != max) w->setRange(min, max);
}

// A value read from the sensor or a file is shown as it is, as the rings
// keep theirs: the range widens to hold it, and is the layout's again for a
// value within.
template <class Widget, class Value>
void SetHeld(Widget* w, const ControlRecord& control, Value value) {
  SetRange(w, std::min(value, static_cast<Value>(control.layoutMin)),
           std::max(value, static_cast<Value>(control.layoutMax)));
  w->setValue(value);
}

// Editor of a table cell: whole numbers within the table's range.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(int min, int max, QObject* parent)
      : QStyledItemDelegate(parent), min_(min), max_(max) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* spin = new QSpinBox(parent);
    spin->setRange(min_, max_);
    spin->setFrame(false);
    return spin;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QSpinBox*>(editor)->setValue(index.data(Qt::EditRole).toInt());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* spin = static_cast<QSpinBox*>(editor);
    spin->interpretText();
    model->setData(index, spin->value(), Qt::EditRole);
  }

 private:
  int min_;
  int max_;
};

QTableWidgetItem* RowHeader(QTableWidget* table, int row) {
  if (row < 1 || row > table->rowCount()) return nullptr;
  QTableWidgetItem* item = table->verticalHeaderItem(row - 1);
  if (item == nullptr) {
    item = new QTableWidgetItem(QString::number(row));
    table->setVerticalHeaderItem(row - 1, item);
  }
  return item;
}

QTableWidgetItem* ColumnHeader(QTableWidget* table, int column) {
  if (column < 1 || column > table->columnCount()) return nullptr;
  QTableWidgetItem* item = table->horizontalHeaderItem(column - 1);
  if (item == nullptr) {
    item = new QTableWidgetItem(QString::number(column));
    table->setHorizontalHeaderItem(column - 1, item);
  }
  return item;
}

bool ValidCell(const QTableWidget* table, int column, int row) {
  return column >= 1 && row >= 1 && column <= table->columnCount() && row <= table->rowCount();
}

}  // namespace

void ShowSliderValue(QAbstractSlider* slider) {
  const QString name = slider->property("valueLabel").toString();
  if (name.isEmpty() || slider->window() == nullptr) return;
  if (auto* label = slider->window()->findChild<QLabel*>(name)) label->setNum(slider->value());
}

void RestoreLayoutRange(const ControlRecord& control) {
  QWidget* w = control.widget;
  const QSignalBlocker block(w);
  if (auto* spin = qobject_cast<QSpinBox*>(w)) {
    SetRange(spin, ToInt(control.layoutMin), ToInt(control.layoutMax));
  } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
    SetRange(dspin, control.layoutMin, control.layoutMax);
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    SetRange(slider, ToInt(control.layoutMin), ToInt(control.layoutMax));
  }
}

void PrepareTable(QTableWidget* table) {
  bool ok = false;
  int min = table->property("cellMin").toInt(&ok);
  if (!ok) min = 0;
  int max = table->property("cellMax").toInt(&ok);
  if (!ok || max < min) max = 65535;
  table->setItemDelegate(new CellDelegate(min, max, table));
  const QSignalBlocker block(table);
  for (int row = 0; row < table->rowCount(); ++row) {
    for (int column = 0; column < table->columnCount(); ++column) {
      QTableWidgetItem* item = table->item(row, column);
      if (item == nullptr) continue;
      const int value = item->text().trimmed().toInt(&ok);
      if (ok) item->setData(Qt::DisplayRole, value);
    }
  }
}

// ------------------------------------------------------------------ Values

void Toolkit::SetHelpText(int panel, const QString& ctrl, const QString& text,
                          const QString& title) {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return;
  control->helpText = text;
  control->helpTitle = title;
  control->widget->setAccessibleDescription(text);
  control->widget->setToolTip(text);
}

void Toolkit::SetHelpTexts(int panel, std::span<const HelpText> table) {
  for (const HelpText& entry : table) {
    SetHelpText(panel, QString::fromUtf8(entry.control), QString::fromUtf8(entry.text),
                QString::fromUtf8(entry.title));
  }
}

void Toolkit::SetCtrlVal(int panel, const QString& ctrl, double value) {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return;
  // A number display off screen takes its value when it is shown or read:
  // laying out its text is the dearest part of a live pass, and nobody
  // would see it.
  auto* display = qobject_cast<QAbstractSpinBox*>(control->widget);
  if (display != nullptr && display->isReadOnly() && !display->isVisible()) {
    control->pending = value;
    return;
  }
  d_->WriteValue(*control, value);
}

void Toolkit::Impl::ShowPending(ControlRecord& control) {
  if (!control.pending) return;
  const double value = *control.pending;
  control.pending.reset();
  WriteValue(control, value);
}

void Toolkit::Impl::WriteValue(ControlRecord& record, double value) {
  record.pending.reset();
  const ControlRecord* control = &record;
  QWidget* w = control->widget;
  const QSignalBlocker block(w);
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (button->isCheckable()) button->setChecked(value != 0.0);
  } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
    SetHeld(spin, *control, ToInt(value));
  } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
    SetHeld(dspin, *control, value);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i) {
      const QVariant data = combo->itemData(i, Qt::UserRole);
      const double itemValue = data.isValid() ? data.toDouble() : i;
      if (itemValue == value) found = i;
    }
    if (found < 0) {
      // A value the ring has no item for (a block from a file or another
      // program) is shown as its number and kept, never replaced silently.
      combo->addItem(NumberText(value), ToInt(value));
      found = combo->count() - 1;
    }
    combo->setCurrentIndex(found);
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    SetHeld(slider, *control, ToInt(value));
    ShowSliderValue(slider);
  } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
    bar->setValue(ToInt(value));
  } else if (auto* lcd = qobject_cast<QLCDNumber*>(w)) {
    lcd->display(value);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(NumberText(value));
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(NumberText(value));
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(NumberText(value));
  } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
    rich->setPlainText(NumberText(value));
  }
}

void Toolkit::SetCtrlVal(int panel, const QString& ctrl, const QString& text) {
  QWidget* w = d_->Widget(panel, ctrl);
  if (w == nullptr) return;
  if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(text);
    if (label->property("autoSize").toBool()) label->adjustSize();
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    const QSignalBlocker block(edit);
    edit->setText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
    rich->setPlainText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->isCheckable()) {
    button->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    const int index = combo->findText(text);
    if (index >= 0) {
      const QSignalBlocker block(combo);
      combo->setCurrentIndex(index);
    }
  } else {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok) SetCtrlVal(panel, ctrl, value);
  }
}

namespace {

// What a value control holds; nothing for a control that holds no number.
std::optional<double> NumberOf(QWidget* w) {
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->isChecked() ? 1.0 : 0.0;
  if (auto* spin = qobject_cast<QSpinBox*>(w)) return spin->value();
  if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) return dspin->value();
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->currentIndex() < 0) return 0.0;
    const QVariant data = combo->currentData(Qt::UserRole);
    return data.isValid() ? data.toDouble() : combo->currentIndex();
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(w)) return slider->value();
  if (auto* bar = qobject_cast<QProgressBar*>(w)) return bar->value();
  if (auto* lcd = qobject_cast<QLCDNumber*>(w)) return lcd->value();
  return std::nullopt;
}

// What a text control shows; nothing for a control that shows no text.
std::optional<QString> TextOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return spin->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->isCheckable()) {
    return PlainLabel(button->text());
  }
  return std::nullopt;
}

}  // namespace

// A table, chart or frame holds neither: it is named once and reads as 0 or
// an empty text, as a control that is not there does.
double Toolkit::GetCtrlDouble(int panel, const QString& ctrl) const {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return 0.0;
  d_->ShowPending(*control);
  if (const auto number = NumberOf(control->widget)) return *number;
  if (const auto text = TextOf(control->widget)) return text->trimmed().toDouble();
  d_->WarnNoValue(panel, ctrl);
  return 0.0;
}

int Toolkit::GetCtrlInt(int panel, const QString& ctrl) const {
  return ToInt(GetCtrlDouble(panel, ctrl));
}

QString Toolkit::GetCtrlString(int panel, const QString& ctrl) const {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return QString();
  d_->ShowPending(*control);
  if (const auto text = TextOf(control->widget)) return *text;
  if (const auto number = NumberOf(control->widget)) return NumberText(*number);
  d_->WarnNoValue(panel, ctrl);
  return QString();
}

// -------------------------------------------------------------- Attributes

void Toolkit::SetVisible(int panel, const QString& ctrl, bool visible) {
  if (QWidget* w = d_->Widget(panel, ctrl)) w->setVisible(visible);
}

bool Toolkit::IsVisible(int panel, const QString& ctrl) const {
  QWidget* w = d_->Widget(panel, ctrl);
  return w != nullptr && !w->isHidden();
}

void Toolkit::SetDimmed(int panel, const QString& ctrl, bool dimmed) {
  if (QWidget* w = d_->Widget(panel, ctrl)) w->setEnabled(!dimmed);
}

bool Toolkit::IsDimmed(int panel, const QString& ctrl) const {
  QWidget* w = d_->Widget(panel, ctrl);
  return w != nullptr && w->testAttribute(Qt::WA_ForceDisabled);
}

void Toolkit::SetOperable(int panel, const QString& ctrl, bool operable) {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return;
  QWidget* w = control->widget;
  control->operable = operable;
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
    spin->setReadOnly(!operable);
    spin->setButtonSymbols(operable ? QAbstractSpinBox::UpDownArrows : QAbstractSpinBox::NoButtons);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setReadOnly(!operable);
  } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
    table->setEditTriggers(operable ? QAbstractItemView::DoubleClicked |
                                          QAbstractItemView::EditKeyPressed |
                                          QAbstractItemView::AnyKeyPressed
                                    : QAbstractItemView::NoEditTriggers);
  }
  // The rest of an indicator's input is swallowed by the event filter.
  w->setFocusPolicy(operable ? control->focusPolicy : Qt::NoFocus);
}

void Toolkit::SetTextColor(int panel, const QString& ctrl, std::uint32_t rgb) {
  QWidget* w = d_->Widget(panel, ctrl);
  if (w == nullptr) return;
  QPalette palette = w->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(role, ToColor(rgb));
  }
  w->setPalette(palette);
}

void Toolkit::SetBackColor(int panel, const QString& ctrl, std::uint32_t rgb) {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return;
  QWidget* w = control->widget;
  control->hasBackColor = true;
  if (rgb == kTransparent && !qobject_cast<QAbstractButton*>(w)) {
    control->backColor = kTransparent;
    w->setAutoFillBackground(false);
    return;
  }
  control->backColor = rgb & 0xFFFFFF;
  QPalette palette = w->palette();
  if (qobject_cast<QAbstractButton*>(w)) {
    palette.setColor(QPalette::Button, ToColor(rgb));
  } else {
    palette.setColor(QPalette::Window, ToColor(rgb));
    palette.setColor(QPalette::Base, ToColor(rgb));
    w->setAutoFillBackground(true);
  }
  w->setPalette(palette);
}

std::uint32_t Toolkit::BackColor(int panel, const QString& ctrl) const {
  const ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return 0;
  if (control->hasBackColor) return control->backColor;
  const QWidget* w = control->widget;
  return FromColor(w->palette().color(qobject_cast<const QAbstractButton*>(w) ? QPalette::Button
                                                                              : QPalette::Window));
}

void Toolkit::SetFont(int panel, const QString& ctrl, const QString& family, int pointSize) {
  QWidget* w = d_->Widget(panel, ctrl);
  if (w == nullptr) return;
  QFont font = QApplication::font();
  if (!family.isEmpty()) font.setFamily(family);
  if (pointSize > 0) font.setPointSize(pointSize);
  w->setFont(font);
  if (w->property("autoSize").toBool()) w->adjustSize();
}

void Toolkit::SetLabel(int panel, const QString& ctrl, const QString& label) {
  ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return;
  QWidget* w = control->widget;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(label);
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    box->setTitle(label);
  } else if (auto* text = qobject_cast<QLabel*>(w)) {
    text->setText(label);
    return;  // a label is read by its text
  } else if (auto* chart = qobject_cast<QChartView*>(w)) {
    chart->chart()->setTitle(label);
  } else if (control->caption) {
    control->caption->setText(label);
  }
  w->setProperty("label", label);
  if (!PlainLabel(label).trimmed().isEmpty()) w->setAccessibleName(PlainLabel(label).trimmed());
}

QString Toolkit::Label(int panel, const QString& ctrl) const {
  const ControlRecord* control = d_->Find(panel, ctrl);
  if (control == nullptr) return QString();
  QWidget* w = control->widget;
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
  if (auto* text = qobject_cast<QLabel*>(w)) return text->text();
  if (auto* chart = qobject_cast<QChartView*>(w); chart && !chart->chart()->title().isEmpty()) {
    return chart->chart()->title();
  }
  if (control->caption) return control->caption->text();
  return w->property("label").toString();
}

void Toolkit::SetPosition(int panel, const QString& ctrl, int top, int left) {
  if (QWidget* w = d_->Widget(panel, ctrl)) w->move(left, top);
}

void Toolkit::BringToFront(int panel, const QString& ctrl) {
  if (QWidget* w = d_->Widget(panel, ctrl)) w->raise();
}

void Toolkit::SendBehind(int panel, const QString& ctrl) {
  if (QWidget* w = d_->Widget(panel, ctrl)) w->lower();
}

bool Toolkit::IsInFront(int panel, const QString& ctrl, const QString& other) const {
  QWidget* a = d_->Widget(panel, ctrl);
  QWidget* b = d_->Widget(panel, other);
  if (a == nullptr || b == nullptr || a == b) return false;
  // Compare the two branches just below the nearest common ancestor: the
  // later child of a parent is drawn above the earlier ones.
  for (QWidget* upA = a; upA->parentWidget() != nullptr; upA = upA->parentWidget()) {
    for (QWidget* upB = b; upB->parentWidget() != nullptr; upB = upB->parentWidget()) {
      if (upA->parentWidget() != upB->parentWidget()) continue;
      if (upA == upB) return false;  // one contains the other
      const QObjectList& siblings = upA->parentWidget()->children();
      return siblings.indexOf(upA) > siblings.indexOf(upB);
    }
  }
  return false;
}

void Toolkit::SetPanelBackColor(int panel, std::uint32_t rgb) {
  QWidget* w = PanelWidget(panel);
  if (w == nullptr) return;
  QPalette palette = w->palette();
  palette.setColor(QPalette::Window, ToColor(rgb));
  w->setPalette(palette);
  w->setAutoFillBackground(true);
}

QString Toolkit::NewTextMsg(int panel, int top, int left) {
  QWidget* parent = PanelWidget(panel);
  if (parent == nullptr) return QString();
  auto* text = new QLabel(parent);
  text->move(left, top);
  text->setTextFormat(Qt::PlainText);
  text->setProperty("autoSize", true);  // as large as its text and font
  const QString name = QStringLiteral("TextMsg%1").arg(d_->nextTextMsg++);
  d_->AddControl(panel, text, name);
  text->raise();
  text->show();
  return name;
}

namespace {
// The bitmap `file` for a display of `ratio` device pixels per pixel: the
// variant "name@Nx.ext" for N = ratio rounded up, else the next smaller one
// that is there, else the file itself, marked with the ratio it was drawn for.
QPixmap BitmapFor(const QString& file, qreal ratio) {
  const QString suffix = QFileInfo(file).suffix();
  const QString stem = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
  for (int n = static_cast<int>(std::ceil(ratio - 0.01)); n >= 2; --n) {
    QPixmap bitmap(Toolkit::DataFile(QStringLiteral("%1@%2x.%3").arg(stem).arg(n).arg(suffix)));
    if (bitmap.isNull()) continue;
    bitmap.setDevicePixelRatio(n);
    return bitmap;
  }
  return QPixmap(Toolkit::DataFile(file));
}
}  // namespace

int Toolkit::DisplayImageFile(int panel, const QString& ctrl, const QString& file) {
  auto* picture = d_->As<QLabel>(panel, ctrl);
  if (picture == nullptr) return -1;
  const QPixmap bitmap = BitmapFor(file, picture->devicePixelRatioF());
  if (bitmap.isNull()) return -1;
  picture->setPixmap(bitmap);
  picture->resize(bitmap.deviceIndependentSize().toSize());
  return 0;
}

// ------------------------------------------------------------------ Tables

void Toolkit::SetTableCellVal(int panel, const QString& ctrl, int column, int row, int value) {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr || !ValidCell(table, column, row)) return;
  const QSignalBlocker block(table);
  QTableWidgetItem* item = table->item(row - 1, column - 1);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    table->setItem(row - 1, column - 1, item);
  }
  item->setData(Qt::DisplayRole, value);
}

int Toolkit::GetTableCellVal(int panel, const QString& ctrl, int column, int row) const {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr || !ValidCell(table, column, row)) return 0;
  const QTableWidgetItem* item = table->item(row - 1, column - 1);
  return item == nullptr ? 0 : item->data(Qt::DisplayRole).toInt();
}

void Toolkit::SetActiveTableCell(int panel, const QString& ctrl, int column, int row) {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr || !ValidCell(table, column, row)) return;
  const QSignalBlocker block(table);
  table->setCurrentCell(row - 1, column - 1);
}

void Toolkit::SetTableRowLabelColor(int panel, const QString& ctrl, int row, std::uint32_t rgb) {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr) return;
  if (QTableWidgetItem* header = RowHeader(table, row)) header->setForeground(ToColor(rgb));
}

std::uint32_t Toolkit::TableRowLabelColor(int panel, const QString& ctrl, int row) const {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr || row < 1 || row > table->rowCount()) return 0;
  const QTableWidgetItem* header = table->verticalHeaderItem(row - 1);
  const QVariant brush = header ? header->data(Qt::ForegroundRole) : QVariant();
  if (brush.canConvert<QBrush>() && brush.value<QBrush>().style() != Qt::NoBrush) {
    return FromColor(brush.value<QBrush>().color());
  }
  return FromColor(table->verticalHeader()->palette().color(QPalette::ButtonText));
}

void Toolkit::SetTableColumnLabel(int panel, const QString& ctrl, int column,
                                  const QString& label) {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr) return;
  if (QTableWidgetItem* header = ColumnHeader(table, column)) header->setText(label);
}

QString Toolkit::TableColumnLabel(int panel, const QString& ctrl, int column) const {
  auto* table = d_->As<QTableWidget>(panel, ctrl);
  if (table == nullptr || column < 1 || column > table->columnCount()) return QString();
  return table->model()->headerData(column - 1, Qt::Horizontal).toString();
}

// ------------------------------------------------------------------ Graphs

int Toolkit::PlotXY(int panel, const QString& ctrl, const std::uint16_t* xs,
                    const std::uint16_t* ys, int count, std::uint32_t rgb) {
  auto* graph = d_->As<XYGraph>(panel, ctrl);
  return graph == nullptr ? -1 : graph->PlotXY(xs, ys, count, ToColor(rgb));
}

int Toolkit::PlotArc(int panel, const QString& ctrl, double x1, double y1, double x2, double y2,
                     int beginAngle, int arcAngle, std::uint32_t rgb) {
  auto* graph = d_->As<XYGraph>(panel, ctrl);
  return graph == nullptr ? -1 : graph->PlotArc(x1, y1, x2, y2, beginAngle, arcAngle, ToColor(rgb));
}

void Toolkit::DeleteGraphPlot(int panel, const QString& ctrl, int plot) {
  QWidget* w = d_->Widget(panel, ctrl);
  if (auto* graph = qobject_cast<XYGraph*>(w)) {
    graph->DeletePlot(plot);
  } else if (auto* chart = qobject_cast<StripChart*>(w); chart && plot == -1) {
    chart->Clear();
  }
}

int Toolkit::PlotCount(int panel, const QString& ctrl) const {
  QWidget* w = d_->Widget(panel, ctrl);
  if (auto* graph = qobject_cast<XYGraph*>(w)) return graph->PlotCount();
  if (auto* chart = qobject_cast<StripChart*>(w)) return chart->TraceCount();
  return 0;
}

void Toolkit::SetAxisRange(int panel, const QString& ctrl, Axis axis, double min, double max) {
  QWidget* w = d_->Widget(panel, ctrl);
  if (auto* graph = qobject_cast<XYGraph*>(w)) {
    axis == Axis::kX ? graph->SetXRange(min, max) : graph->SetYRange(min, max);
  } else if (auto* chart = qobject_cast<StripChart*>(w); chart && axis == Axis::kLeftY) {
    chart->SetYRange(min, max);
  }
}

void Toolkit::AxisRange(int panel, const QString& ctrl, Axis axis, double* min, double* max) const {
  if (min) *min = 0.0;
  if (max) *max = 0.0;
  QWidget* w = d_->Widget(panel, ctrl);
  if (auto* graph = qobject_cast<XYGraph*>(w)) {
    axis == Axis::kX ? graph->XRange(min, max) : graph->YRange(min, max);
  } else if (auto* chart = qobject_cast<StripChart*>(w)) {
    if (axis == Axis::kLeftY) {
      chart->YRange(min, max);
    } else {
      if (min) *min = 0.0;
      if (max) *max = chart->PointsPerScreen() - 1;
    }
  }
}

void Toolkit::SetGraphCursor(int panel, const QString& ctrl, int cursor, double x, double y) {
  if (auto* graph = d_->As<XYGraph>(panel, ctrl)) graph->SetCursor(cursor, x, y);
}

void Toolkit::GetGraphCursor(int panel, const QString& ctrl, int cursor, double* x,
                             double* y) const {
  if (x) *x = 0.0;
  if (y) *y = 0.0;
  if (auto* graph = d_->As<XYGraph>(panel, ctrl)) graph->CursorPosition(cursor, x, y);
}

void Toolkit::SetCursorColor(int panel, const QString& ctrl, int cursor, std::uint32_t rgb) {
  if (auto* graph = d_->As<XYGraph>(panel, ctrl)) graph->SetCursorColor(cursor, ToColor(rgb));
}

std::uint32_t Toolkit::CursorColor(int panel, const QString& ctrl, int cursor) const {
  auto* graph = d_->As<XYGraph>(panel, ctrl);
  return graph == nullptr ? 0 : FromColor(graph->CursorColor(cursor));
}

void Toolkit::PlotStripChart(int panel, const QString& ctrl, const double* values, int count,
                             int start, int skip) {
  if (auto* chart = d_->As<StripChart>(panel, ctrl)) chart->Plot(values, count, start, skip);
}

void Toolkit::SetPointsPerScreen(int panel, const QString& ctrl, int points) {
  if (auto* chart = d_->As<StripChart>(panel, ctrl)) chart->SetPointsPerScreen(points);
}

void Toolkit::SetTraceVisible(int panel, const QString& ctrl, int trace, bool visible) {
  if (auto* chart = d_->As<StripChart>(panel, ctrl)) chart->SetTraceVisible(trace - 1, visible);
}

bool Toolkit::TraceVisible(int panel, const QString& ctrl, int trace) const {
  auto* chart = d_->As<StripChart>(panel, ctrl);
  return chart != nullptr && chart->TraceVisible(trace - 1);
}

std::vector<double> Toolkit::TraceValues(int panel, const QString& ctrl, int trace) const {
  QWidget* w = d_->Widget(panel, ctrl);
  if (auto* chart = qobject_cast<StripChart*>(w)) return chart->TraceValues(trace - 1);
  if (auto* trend = qobject_cast<TrendChart*>(w)) return trend->Values(trace - 1);
  return {};
}

void Toolkit::ClearTrendChart(int panel, const QString& ctrl, int points) {
  if (auto* chart = d_->As<TrendChart>(panel, ctrl)) chart->Clear(points);
}

void Toolkit::PlotTrendChart(int panel, const QString& ctrl, const double* values, int count) {
  if (auto* chart = d_->As<TrendChart>(panel, ctrl)) chart->Append(values, count);
}

}  // namespace tavix::ui
