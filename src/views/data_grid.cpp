#include "views/data_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <functional>

#include "store/database_error.h"
#include "views/scroll_bar_picture.h"

namespace kelvatrix {
namespace {

constexpr int kIndicatorWidth = 11;
constexpr int kMinimumColumnWidth = 8;
constexpr int kTextMargin = 2;

// Tab moves between the grid's cells; Ctrl+Tab and Ctrl+Shift+Tab leave the grid for the
// next or the previous control, as in other programs whose grids take Tab.
bool LeavesGrid(const QKeyEvent& press) {
  return (press.key() == Qt::Key_Tab || press.key() == Qt::Key_Backtab) &&
         (press.modifiers() & Qt::ControlModifier);
}

// The row indicator column: an arrow at the current row, an I-beam while it is edited, a
// star while it is a new row.
class IndicatorColumn : public QHeaderView {
 public:
  explicit IndicatorColumn(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

  // Fixed: the header's own hint measures every row title again after each new row.
  QSize sizeHint() const override { return {kIndicatorWidth, defaultSectionSize()}; }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int section) const override {
    QHeaderView::paintSection(painter, rect, section);
    const QVariant glyph =
        model()->headerData(section, Qt::Vertical, DataGridModel::kIndicatorRole);
    if (!glyph.isValid()) return;
    painter->save();
    // The header's own painting leaves the clip region empty.
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->setBrush(palette().color(QPalette::ButtonText));
    const QPoint c = rect.center();
    switch (static_cast<DataGridModel::Indicator>(glyph.toInt())) {
      case DataGridModel::Indicator::Current:
        painter->drawPolygon(QPolygon({c + QPoint(-2, -4), c + QPoint(2, 0), c + QPoint(-2, 4)}));
        break;
      case DataGridModel::Indicator::Editing:
        painter->drawLine(c + QPoint(0, -4), c + QPoint(0, 4));
        painter->drawLine(c + QPoint(-2, -4), c + QPoint(2, -4));
        painter->drawLine(c + QPoint(-2, 4), c + QPoint(2, 4));
        break;
      case DataGridModel::Indicator::Inserting:
        painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
        break;
      case DataGridModel::Indicator::None:
        break;
    }
    painter->restore();
  }
};

// Draws the cells and edits them with a plain line editor; text fields take no more than
// their declared size. Cells are drawn directly, one line of text each: the style's item
// drawing lays every text out twice, which made painting a screenful of rows cost more
// than storing them during a download.
class CellEditor : public QStyledItemDelegate {
 public:
  using Reporter = std::function<void(const std::string&)>;
  CellEditor(const DataGridModel& model, Reporter report, std::function<void(bool)> leave,
             QObject* parent)
      : QStyledItemDelegate(parent),
        model_(model),
        report_(std::move(report)),
        leave_(std::move(leave)) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QVariant background = index.data(Qt::BackgroundRole);
    if (selected) {
      painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
    } else if (background.isValid()) {
      painter->fillRect(option.rect, background.value<QColor>());
    }
    const QVariant foreground = index.data(Qt::ForegroundRole);
    QColor text = option.palette.color(QPalette::Text);
    if (selected) {
      text = option.palette.color(QPalette::HighlightedText);
    } else if (foreground.isValid()) {
      text = foreground.value<QColor>();
    }
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    painter->setPen(text);
    painter->drawText(option.rect.adjusted(kTextMargin, 0, -kTextMargin, 0),
                      Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    const int field = model_.FieldOfColumn(index.column());
    editor->setProperty(kFieldProperty, field);
    if (field >= 0) {
      const TableField& facts = MeasurementTable::kFields[static_cast<std::size_t>(field)];
      if (facts.kind == TableField::Kind::Text) editor->setMaxLength(facts.displayWidth);
    }
    return editor;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
  }
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
  }

 protected:
  // Enter or Tab with text the field cannot take: the error is shown and the editor stays,
  // with the operator's text selected for correcting. (Leaving the cell by other means
  // gives the same error and drops the text; the row is left unchanged.)
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (!editor) return QStyledItemDelegate::eventFilter(object, event);
    // The error box takes the focus for a moment: that is not leaving the cell.
    if (reporting_ && (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn))
      return true;
    if (event->type() == QEvent::KeyPress) {
      const auto* press = static_cast<QKeyEvent*>(event);
      const int key = press->key();
      const bool commits = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
                           key == Qt::Key_Backtab;
      const std::string problem =
          commits ? MeasurementTable::FieldTextProblem(editor->property(kFieldProperty).toInt(),
                                                       editor->text())
                  : std::string();
      if (!problem.empty()) {
        reporting_ = true;
        report_(problem);
        reporting_ = false;
        editor->setFocus();
        editor->selectAll();
        return true;
      }
      // Ctrl+Tab leaves the grid from a cell being edited too: the cell is kept, the
      // editor closes, and the grid passes the focus on.
      if (LeavesGrid(*press)) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        leave_(key == Qt::Key_Tab && !(press->modifiers() & Qt::ShiftModifier));
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  static constexpr const char* kFieldProperty = "kelvatrixField";
  const DataGridModel& model_;
  Reporter report_;
  std::function<void(bool forward)> leave_;
  bool reporting_ = false;
};

QColor ToColour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

}  // namespace

DataGrid::DataGrid(MeasurementTable& table, std::vector<GridColumn> columns, Dialogs& dialogs,
                   std::string errorCaption, QWidget* parent)
    : QTableView(parent),
      table_(table),
      dataSet_(table),
      columns_(std::move(columns)),
      dialogs_(dialogs),
      errorCaption_(std::move(errorCaption)),
      model_(new DataGridModel(table_, columns_, this)) {
  model_->SetErrorReporter([this](const std::string& text) { ReportError(text); });
  setVerticalHeader(new IndicatorColumn(this));
  setModel(model_);
  setItemDelegate(new CellEditor(
      *model_, [this](const std::string& text) { ReportError(text); },
      [this](bool forward) { LeaveGrid(forward); }, this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
  setTabKeyNavigation(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);

  QPalette colours = palette();
  colours.setColor(QPalette::Base, ToColour(DesktopColour()));
  colours.setColor(QPalette::Text, colours.color(QPalette::WindowText));
  setPalette(colours);

  // Rows stream in during a download: the scroll bar is painted from a picture while it
  // looks the same.
  verticalScrollBar()->setStyle(new ScrollBarPicture(this));

  QHeaderView* indicator = verticalHeader();
  indicator->setSectionResizeMode(QHeaderView::Fixed);
  indicator->setMinimumSectionSize(1);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setMinimumSectionSize(kMinimumColumnWidth);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setHighlightSections(false);
  ApplyColumns();

  connect(&table_, &MeasurementTable::CurrentRowChanged, this, &DataGrid::FollowTable);
  connect(model_, &DataGridModel::PendingRowsShown, this,
          [this] { FollowTable(table_.CurrentRow()); });
  connect(qApp, &QApplication::focusChanged, this, &DataGrid::FocusChanged);
  FollowTable(table_.CurrentRow());
}

DataGrid::~DataGrid() = default;

std::string DataGrid::TitleCaption(int column) const {
  return ResolvedTitleCaption(columns_.at(static_cast<std::size_t>(column)),
                              DataGridModel::TableFields());
}

void DataGrid::ApplyColumns() {
  const QFontMetrics metrics(font());
  const int zeroWidth = metrics.horizontalAdvance(QLatin1Char('0'));
  // Outline fonts have no overhang; only synthesised bold or italic bitmap fonts do.
  constexpr int kOverhang = 0;
  const FieldLookup fields = DataGridModel::TableFields();
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    const GridColumn& column = columns_[static_cast<std::size_t>(i)];
    std::optional<int> displayWidth;
    if (const std::optional<FieldFacts> field = fields(column.fieldName))
      displayWidth = field->displayWidth;
    setColumnWidth(i,
                   column.width.value_or(DefaultColumnWidth(zeroWidth, kOverhang, displayWidth)));
    setColumnHidden(i, !column.visible);
  }
  verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
}

template <typename Operation>
bool DataGrid::Guarded(Operation operation) {
  try {
    operation();
    return true;
  } catch (const DatabaseError& error) {
    ReportError(error.what());
    return false;
  }
}

void DataGrid::ReportError(const std::string& text) {
  ShowStandardError(dialogs_, errorCaption_, text);
}

// A row the operator adds is shown at once.
void DataGrid::InsertRow() {
  model_->ShowPendingRows();
  Guarded([this] { table_.Insert(); });
  model_->ShowPendingRows();
}

void DataGrid::AppendRow() {
  model_->ShowPendingRows();
  Guarded([this] { table_.Append(); });
  model_->ShowPendingRows();
}

void DataGrid::DeleteRow() {
  model_->ShowPendingRows();
  if (table_.IsEmpty()) return;
  if (dialogs_.MessageBox(kDeleteQuestion, kDeleteCaption, box::kConfirm) != box::kResultOk) return;
  Guarded([this] { table_.Delete(); });
}

void DataGrid::FinishChange() {
  if (table_.CurrentState() != MeasurementTable::State::Edit &&
      table_.CurrentState() != MeasurementTable::State::Insert) {
    return;
  }
  Guarded([this] {
    if (table_.Modified()) {
      table_.Post();
    } else {
      table_.Cancel();
    }
  });
}

void DataGrid::LeaveGrid(bool forward) {
  // The view's own step would move between cells: the widget's moves the focus on.
  QWidget::focusNextPrevChild(forward);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
  if (LeavesGrid(*event)) {
    LeaveGrid(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
    return;
  }
  // The operator works on the rows as they are, including those still held back.
  model_->ShowPendingRows();
  const bool editing = state() == QAbstractItemView::EditingState;
  if (!editing && table_.Active()) {
    const bool inserting = table_.CurrentState() == MeasurementTable::State::Insert;
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
      InsertRow();
      return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
      DeleteRow();
      return;
    }
    if (event->key() == Qt::Key_Escape &&
        table_.CurrentState() != MeasurementTable::State::Browse) {
      Guarded([this] { table_.Cancel(); });
      return;
    }
    const bool onLastRow = table_.CurrentRow() == table_.RecordCount() - 1;
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && onLastRow) {
      // A new row that is still empty is not followed by another.
      if (!inserting || table_.Modified()) AppendRow();
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!current.isValid() || !table_.Active() || current.row() == table_.CurrentRow()) return;
  if (!Guarded([&] { table_.MoveTo(current.row()); })) {
    // The row could not be posted: stay on it.
    FollowTable(table_.CurrentRow());
  }
}

void DataGrid::FollowTable(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  int column = currentIndex().isValid() ? currentIndex().column() : 0;
  while (column < model_->columnCount() && isColumnHidden(column)) ++column;
  const QModelIndex target = model_->index(row, column);
  if (currentIndex() != target)
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
  scrollTo(target);
}

bool DataGrid::Contains(const QWidget* widget) const {
  return widget != nullptr && (widget == this || isAncestorOf(widget));
}

void DataGrid::FocusChanged(QWidget* old, QWidget* now) {
  // Another control of the same window took the focus; message boxes and other windows
  // taking it are not leaving the grid.
  if (Contains(old) && now != nullptr && !Contains(now) && now->window() == window())
    FinishChange();
}

void DataGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  // A pane opened again, or a window made smaller, still shows the current row.
  if (currentIndex().isValid()) scrollTo(currentIndex());
}

void DataGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  // Default column widths and the row height follow the font.
  if (event->type() == QEvent::FontChange) ApplyColumns();
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
  model_->ShowPendingRows();
  QTableView::mousePressEvent(event);
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
  if (!table_.Active()) return;
  model_->ShowPendingRows();
  QMenu menu(this);
  menu.addAction(tr("Insert row"), this, &DataGrid::InsertRow);
  menu.addAction(tr("Append row"), this, &DataGrid::AppendRow);
  QAction* remove = menu.addAction(tr("Delete row..."), this, &DataGrid::DeleteRow);
  remove->setEnabled(!table_.IsEmpty());
  QAction* undo = menu.addAction(tr("Take back the change"), this,
                                 [this] { Guarded([this] { table_.Cancel(); }); });
  undo->setEnabled(table_.CurrentState() == MeasurementTable::State::Edit ||
                   table_.CurrentState() == MeasurementTable::State::Insert);
  menu.exec(event->globalPos());
}

}  // namespace kelvatrix
