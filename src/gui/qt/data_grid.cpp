#include "gui/qt/data_grid.h"

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

#include "platform/database_error.h"
#include "gui/qt/scroll_bar_picture.h"

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
    switch (static_cast<GridModel::Indicator>(glyph.toInt())) {
      case GridModel::Indicator::Current:
        painter->drawPolygon(QPolygon({c + QPoint(-2, -4), c + QPoint(2, 0), c + QPoint(-2, 4)}));
        break;
      case GridModel::Indicator::Editing:
        painter->drawLine(c + QPoint(0, -4), c + QPoint(0, 4));
        painter->drawLine(c + QPoint(-2, -4), c + QPoint(2, -4));
        painter->drawLine(c + QPoint(-2, 4), c + QPoint(2, 4));
        break;
      case GridModel::Indicator::Inserting:
        painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
        break;
      case GridModel::Indicator::None:
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
  CellEditor(const GridModel& grid, Reporter report, std::function<void(bool)> leave, QObject* parent)
      : QStyledItemDelegate(parent),
        grid_(grid),
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
    const int field = grid_.FieldOfColumn(index.column());
    editor->setProperty(kFieldProperty, field);
    if (field >= 0) {
      const TableField& facts = kTableFields[static_cast<std::size_t>(field)];
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
          commits ? GridModel::CellTextProblem(editor->property(kFieldProperty).toInt(), editor->text().toStdString())
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
  const GridModel& grid_;
  Reporter report_;
  std::function<void(bool forward)> leave_;
  bool reporting_ = false;
};

QColor ToColour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

}  // namespace

DataGrid::DataGrid(GridModel& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new DataGridModel(grid_, this)) {
  setVerticalHeader(new IndicatorColumn(this));
  setModel(model_);
  setItemDelegate(new CellEditor(
      grid_, [this](const std::string& text) { grid_.ReportError(text); }, [this](bool forward) { LeaveGrid(forward); },
      this));
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

  connect(model_, &DataGridModel::CurrentRowFollowed, this, &DataGrid::FollowTable);
  connect(qApp, &QApplication::focusChanged, this, &DataGrid::FocusChanged);
  FollowTable(grid_.ShownCurrentRow());
}

DataGrid::~DataGrid() {
  // A focused grid gives its focus up in QWidget's destructor, which tells the application
  // of the change: this part of the grid is gone by then.
  disconnect(qApp, &QApplication::focusChanged, this, &DataGrid::FocusChanged);
}

void DataGrid::ApplyColumns() {
  const QFontMetrics metrics(font());
  const int zeroWidth = metrics.horizontalAdvance(QLatin1Char('0'));
  // Outline fonts have no overhang; only synthesised bold or italic bitmap fonts do.
  constexpr int kOverhang = 0;
  const FieldLookup fields = GridModel::TableFields();
  for (int i = 0; i < grid_.ColumnCount(); ++i) {
    const GridColumn& column = grid_.Columns()[static_cast<std::size_t>(i)];
    std::optional<int> displayWidth;
    if (const std::optional<FieldFacts> field = fields(column.fieldName))
      displayWidth = field->displayWidth;
    setColumnWidth(i,
                   column.width.value_or(DefaultColumnWidth(zeroWidth, kOverhang, displayWidth)));
    setColumnHidden(i, !column.visible);
  }
  verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
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
  grid_.ShowPendingRows();
  const bool editing = state() == QAbstractItemView::EditingState;
  if (!editing && grid_.Active()) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
      InsertRow();
      return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
      DeleteRow();
      return;
    }
    if (event->key() == Qt::Key_Escape && grid_.Changing()) {
      grid_.TakeBackChange();
      return;
    }
    const bool onLastRow = grid_.ShownCurrentRow() == grid_.RowCount() - 1;
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && onLastRow) {
      grid_.DownOnLastRow();
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!current.isValid()) return;
  // A row that could not be posted keeps the cursor.
  if (!grid_.MoveTo(current.row())) FollowTable(grid_.ShownCurrentRow());
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
  grid_.ShowPendingRows();
  QTableView::mousePressEvent(event);
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
  if (!grid_.Active()) return;
  grid_.ShowPendingRows();
  QMenu menu(this);
  menu.addAction(tr("Insert row"), this, &DataGrid::InsertRow);
  menu.addAction(tr("Append row"), this, &DataGrid::AppendRow);
  QAction* remove = menu.addAction(tr("Delete row..."), this, &DataGrid::DeleteRow);
  remove->setEnabled(!grid_.Empty());
  QAction* undo = menu.addAction(tr("Take back the change"), this, [this] { grid_.TakeBackChange(); });
  undo->setEnabled(grid_.Changing());
  menu.exec(event->globalPos());
}

}  // namespace kelvatrix
