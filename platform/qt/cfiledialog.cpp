#include "platform/cfiledialog.h"

#include "platform/cwinapp.h"
#include "platform/cwnd.h"
#include "platform/qt/code_page.h"
#include "platform/qt/end_session.h"
#include "platform/qt/palette.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QScreen>
#include <QSplitter>
#include <QStringList>
#include <QTreeView>

namespace {
platform::FileDialogHook g_hook;
CString g_hookTitle;

// "desc|patterns|..." to Qt's "desc (patterns)" filters, with the first pattern's extension each.
struct Filters {
  QStringList names;
  QStringList suffixes;
};

Filters parseFilter(const CString& strFilter)
{
  Filters f;
  const QStringList parts = platform::fromCodePage(strFilter).split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty())
      break;
    const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
    f.names << (parts[i].contains(u'(') ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + u')');
    const QString first = patterns.section(u' ', 0, 0);
    f.suffixes << (first.startsWith(QStringLiteral("*.")) ? first.mid(2) : QString());
  }
  return f;
}
// Sizes, kinds and dates in Chinese, as the dialog's texts are, whatever the system's locale; a
// file's kind is named by its extension, as Windows names a kind it does not know.
class ChineseFileColumns : public QIdentityProxyModel {
public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override
  {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == kNameColumn)
      return QIdentityProxyModel::data(index, role);
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QModelIndex source = mapToSource(index);
    const bool folder = files->isDir(source);
    switch (index.column()) {
    case kSizeColumn:
      return folder ? QString() : chinese.formattedDataSize(files->size(source), 1, QLocale::DataSizeTraditionalFormat);
    case kKindColumn:
      if (folder)
        return QStringLiteral("文件夹");
      return files->fileInfo(source).suffix().isEmpty()
                 ? QStringLiteral("文件")
                 : files->fileInfo(source).suffix().toUpper() + QStringLiteral(" 文件");
    case kDateColumn:
      return chinese.toString(files->lastModified(source), QStringLiteral("yyyy/M/d HH:mm"));
    default:
      return QIdentityProxyModel::data(index, role);
    }
  }

private:
  static constexpr int kNameColumn = 0;
  static constexpr int kSizeColumn = 1;
  static constexpr int kKindColumn = 2;
  static constexpr int kDateColumn = 3;
};

// Wide enough for a long title and for the detail view's columns, within the screen.
void fitDialog(QFileDialog& dialog)
{
  QSize size(820, 480);
  if (const QScreen* screen = dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size());
  dialog.resize(size);
  constexpr int kSidebarWidth = 150;
  if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter")))
    splitter->setSizes({kSidebarWidth, size.width() - kSidebarWidth});
  if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
      details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}
}  // namespace

void platform::SetFileDialogHook(FileDialogHook hook)
{
  g_hook = std::move(hook);
}

CString platform::FileDialogTitle()
{
  return g_hookTitle;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog),
      m_strDefExt(lpszDefExt),
      m_strFileName(lpszFileName),
      m_dwFlags(dwFlags),
      m_strFilter(lpszFilter),
      m_pParentWnd(pParentWnd)
{
}

INT_PTR CFileDialog::DoModal()
{
  if (platform::IsEnding())
    return IDCANCEL;
  const QString initialDir = m_ofn.lpstrInitialDir && QDir(platform::fromCodePage(m_ofn.lpstrInitialDir)).exists()
                                 ? platform::fromCodePage(m_ofn.lpstrInitialDir)
                                 : QDir::homePath();
  const QString title =
      m_ofn.lpstrTitle ? platform::fromCodePage(m_ofn.lpstrTitle) : QString::fromUtf8(m_bOpen ? "打开" : "另存为");
  if (g_hook) {
    g_hookTitle = CString(platform::toCodePage(title).toStdString());
    // The hook finds the folder the dialog would start in as the path it is given.
    m_strPath = CString(platform::toCodePage(initialDir).toStdString());
    DWORD nIndex = m_ofn.nFilterIndex;
    const INT_PTR result = g_hook(m_strFilter, &m_strPath, &nIndex);
    m_ofn.nFilterIndex = nIndex;
    return result;
  }
  CWnd* pParent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
  QFileDialog dialog(pParent ? pParent->widget() : nullptr);
  // Qt's own dialog: the same on every desktop, in the language of the translations loaded.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(initialDir);
  dialog.setWindowTitle(title);
  dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_dwFlags & OFN_OVERWRITEPROMPT));
  const Filters filters = parseFilter(m_strFilter);
  if (!filters.names.isEmpty()) {
    dialog.setNameFilters(filters.names);
    const auto index = std::clamp<qsizetype>(m_ofn.nFilterIndex, 1, filters.names.size()) - 1;
    dialog.selectNameFilter(filters.names[index]);
    dialog.setDefaultSuffix(filters.suffixes[index]);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& name) {
      const auto at = filters.names.indexOf(name);
      if (at >= 0)
        dialog.setDefaultSuffix(filters.suffixes[at]);
    });
  } else if (!m_strDefExt.IsEmpty()) {
    dialog.setDefaultSuffix(platform::fromCodePage(m_strDefExt));
  }
  if (!m_strFileName.IsEmpty())
    dialog.selectFile(platform::fromCodePage(m_strFileName));
  dialog.setProxyModel(new ChineseFileColumns(&dialog));
  fitDialog(dialog);
  platform::ApplyDialogPalette(&dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return IDCANCEL;
  m_strPath = CString(platform::toCodePage(dialog.selectedFiles().constFirst()).toStdString());
  const auto at = filters.names.indexOf(dialog.selectedNameFilter());
  m_ofn.nFilterIndex = at >= 0 ? static_cast<DWORD>(at + 1) : 1;
  return IDOK;
}
