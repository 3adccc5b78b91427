// The list-view control behind "SysListView32" in report style with owner data: the rows' texts
// are asked of the owning dialog (LVN_GETDISPINFO) as rows come into view; keeping them is the
// owner's business. Selecting rows and copying them are the control's.
#pragma once

#include "platform/windef.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <vector>

namespace platform {

class OwnerDataModel : public QAbstractTableModel {
public:
  explicit OwnerDataModel(QObject* parent) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
  int columnCount(const QModelIndex& parent = {}) const override
  {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
  }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void insertColumn(int at, const QString& title);
  void setRowCount(int rows);
  void removeFirstRows(int count);
  void setTextSource(QWidget* view) { m_pView = view; }
  QString text(int row, int column) const;

private:
  bool isCut(const QString& cell, int column) const;

  std::vector<QString> m_titles;
  int m_rows = 0;
  QWidget* m_pView = nullptr;
};

class ListView : public QTableView {
public:
  explicit ListView(QWidget* parent);

  OwnerDataModel* ownerData() const { return m_pModel; }
  void insertColumn(int at, const QString& title, int width);
  void setRowCount(int rows, bool keepScroll);
  // The first rows are gone; the selection and the view stay on the rows after them.
  void removeFirstRows(int count);
  void ensureVisible(int row);
  int topIndex() const;
  int countPerPage() const;
  // The next row after `after` (-1: from the start) that is selected, or -1.
  int nextSelected(int after) const;
  int selectedCount() const;
  // Selects or clears a row (-1: every row), making a selected one current.
  void setSelected(int row, bool selected);
  // The selected rows as lines, their columns separated by tabs.
  QString selectedText() const;
  void copy() const;

protected:
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

private:
  // Tells the owner, as WM_NOTIFY with the control's id.
  void notifyOwner(UINT code, int row);

  OwnerDataModel* m_pModel;
  // Shown to its last row: kept there when the scroll range changes after the rows are laid out.
  bool m_atEnd = false;
};

}  // namespace platform
