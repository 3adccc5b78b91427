#include "platform/qt/list_view.h"

#include "platform/commctrl.h"
#include "platform/qt/code_page.h"
#include "platform/qt/edit_menu.h"
#include "platform/qt/window_glue.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

namespace platform {
namespace {
// Room for one cell's text; the owner cuts what is longer.
constexpr int kCellTextMax = 1024;
}  // namespace

QString OwnerDataModel::text(int row, int column) const
{
  CWnd* pOwner = WindowOf(m_pView);
  const CWnd* pControl = CWnd::fromWidget(m_pView);
  if (!pOwner || !pControl)
    return {};
  char buf[kCellTextMax] = {};
  NMLVDISPINFO info{};
  info.hdr = {const_cast<CWnd*>(pControl), static_cast<UINT_PTR>(pControl->GetDlgCtrlID()), LVN_GETDISPINFO};
  info.item.mask = LVIF_TEXT;
  info.item.iItem = row;
  info.item.iSubItem = column;
  info.item.pszText = buf;
  info.item.cchTextMax = kCellTextMax;
  pOwner->SendMessage(WM_NOTIFY, static_cast<WPARAM>(pControl->GetDlgCtrlID()), reinterpret_cast<LPARAM>(&info));
  // The owner may point at its own text instead of filling the buffer.
  return fromCodePage(info.item.pszText ? info.item.pszText : "");
}

QVariant OwnerDataModel::data(const QModelIndex& index, int role) const
{
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || index.row() >= m_rows)
    return {};
  const QString cell = text(index.row(), index.column());
  if (role == Qt::DisplayRole)
    return cell;
  return isCut(cell, index.column()) ? QVariant(cell) : QVariant();
}

// A cell whose text is wider than its column shows the rest in its tooltip.
bool OwnerDataModel::isCut(const QString& cell, int column) const
{
  const auto* view = qobject_cast<const QTableView*>(m_pView);
  if (!view || cell.isEmpty())
    return false;
  constexpr int kCellMargins = 8;
  return view->fontMetrics().horizontalAdvance(cell) + kCellMargins > view->columnWidth(column);
}

QVariant OwnerDataModel::headerData(int section, Qt::Orientation orientation, int role) const
{
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(m_titles.size()))
    return {};
  return m_titles[static_cast<std::size_t>(section)];
}

void OwnerDataModel::insertColumn(int at, const QString& title)
{
  at = std::clamp(at, 0, static_cast<int>(m_titles.size()));
  beginInsertColumns({}, at, at);
  m_titles.insert(m_titles.begin() + at, title);
  endInsertColumns();
}

void OwnerDataModel::setRowCount(int rows)
{
  rows = std::max(rows, 0);
  if (rows > m_rows) {
    beginInsertRows({}, m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
  } else if (rows < m_rows) {
    beginRemoveRows({}, rows, m_rows - 1);
    m_rows = rows;
    endRemoveRows();
  }
}

void OwnerDataModel::removeFirstRows(int count)
{
  count = std::clamp(count, 0, m_rows);
  if (count == 0)
    return;
  beginRemoveRows({}, 0, count - 1);
  m_rows -= count;
  endRemoveRows();
}

ListView::ListView(QWidget* parent) : QTableView(parent), m_pModel(new OwnerDataModel(this))
{
  m_pModel->setTextSource(this);
  setModel(m_pModel);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  // One height for every row, so the view never measures rows it does not show.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // A scroll bar that appears with the rows takes room from them after the view went to its end.
  connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int max) {
    if (m_atEnd)
      verticalScrollBar()->setValue(max);
  });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { notifyOwner(LVN_ITEMCHANGED, currentIndex().isValid() ? currentIndex().row() : -1); });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { notifyOwner(NM_DBLCLK, index.row()); });
  // Scrolled away from the end, by the user or anyone: the view stays where it was put.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value < verticalScrollBar()->maximum())
      m_atEnd = false;
  });
}

void ListView::insertColumn(int at, const QString& title, int width)
{
  m_pModel->insertColumn(at, title);
  horizontalHeader()->resizeSection(std::clamp(at, 0, m_pModel->columnCount() - 1), width);
}

void ListView::setRowCount(int rows, bool keepScroll)
{
  const int value = verticalScrollBar()->value();
  if (keepScroll)
    m_atEnd = false;
  m_pModel->setRowCount(rows);
  if (keepScroll)
    verticalScrollBar()->setValue(value);
  viewport()->update();
}

// Rows are scrolled by item: the view's first row moves up with the rows it showed.
void ListView::removeFirstRows(int count)
{
  const int value = verticalScrollBar()->value();
  m_pModel->removeFirstRows(count);
  if (!m_atEnd)
    verticalScrollBar()->setValue(std::max(0, value - count));
  viewport()->update();
}

// The last row by the scroll bar's end: rows just added are laid out first, so the end is theirs.
void ListView::ensureVisible(int row)
{
  m_atEnd = row == m_pModel->rowCount() - 1;
  if (m_atEnd) {
    scrollToBottom();
    return;
  }
  scrollTo(m_pModel->index(row, 0));
}

int ListView::topIndex() const
{
  const int row = rowAt(0);
  return row < 0 ? 0 : row;
}

int ListView::countPerPage() const
{
  const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
  return std::max(1, viewport()->height() / rowHeight);
}

void ListView::notifyOwner(UINT code, int row)
{
  CWnd* pOwner = WindowOf(this);
  const CWnd* pControl = CWnd::fromWidget(this);
  if (!pOwner || !pControl)
    return;
  const NMHDR hdr{const_cast<CWnd*>(pControl), static_cast<UINT_PTR>(pControl->GetDlgCtrlID()), code};
  if (code == NM_DBLCLK) {
    NMITEMACTIVATE info{hdr, row, 0};
    pOwner->SendMessage(WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    return;
  }
  NMLISTVIEW info{hdr, row, 0, LVIS_SELECTED, 0, LVIF_STATE};
  pOwner->SendMessage(WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

int ListView::nextSelected(int after) const
{
  const QModelIndexList rows = selectionModel()->selectedRows();
  int next = -1;
  for (const QModelIndex& index : rows) {
    if (index.row() > after && (next < 0 || index.row() < next))
      next = index.row();
  }
  return next;
}

int ListView::selectedCount() const
{
  return static_cast<int>(selectionModel()->selectedRows().size());
}

void ListView::setSelected(int row, bool selected)
{
  const auto flags =
      (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
  if (row < 0) {
    if (selected)
      selectAll();
    else
      clearSelection();
    return;
  }
  const QModelIndex index = m_pModel->index(row, 0);
  if (selected)
    selectionModel()->setCurrentIndex(index, flags);
  else
    selectionModel()->select(index, flags);
}

QString ListView::selectedText() const
{
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QString text;
  for (const QModelIndex& index : rows) {
    for (int column = 0; column < m_pModel->columnCount(); ++column) {
      if (column > 0)
        text += u'\t';
      text += m_pModel->text(index.row(), column);
    }
    text += u'\n';
  }
  return text;
}

void ListView::copy() const
{
  const QString text = selectedText();
  if (!text.isEmpty())
    QApplication::clipboard()->setText(text);
}

void ListView::keyPressEvent(QKeyEvent* e)
{
  if (e->matches(QKeySequence::Copy)) {
    copy();
    return;
  }
  QTableView::keyPressEvent(e);
}

void ListView::contextMenuEvent(QContextMenuEvent* e)
{
  QMenu menu(this);
  QAction* copyAction = menu.addAction(QStringLiteral("复制(&C)"), this, &ListView::copy);
  copyAction->setEnabled(selectionModel()->hasSelection());
  menu.addSeparator();
  QAction* all = menu.addAction(QStringLiteral("全选(&A)"), this, &QTableView::selectAll);
  all->setEnabled(m_pModel->rowCount() > 0);
  AppendOwnerItems(menu, this);
  menu.exec(e->globalPos());
}

}  // namespace platform
