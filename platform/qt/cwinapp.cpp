#include "platform/cwinapp.h"

#include "platform/cwnd.h"
#include "platform/icon_file.h"
#include "platform/ini_text.h"
#include "platform/posix/profile_file.h"
#include "platform/qt/qt_private.h"
#include "platform/resources.h"
#include "platform/winsock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <charconv>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

CWinApp* g_pApp = nullptr;
// Message boxes speak in the system's face, SimSun at 9 points, as the dialogs do.
constexpr int kMessageBoxPointSize = 9;
COLORREF g_dialogBk = RGB(240, 240, 240);
COLORREF g_dialogText = RGB(0, 0, 0);
platform::MessageBoxHook g_messageBoxHook;

// The named settings file, or lanspry.ini in the user's configuration folder.
QString profilePath(const std::string& name)
{
  if (!name.empty())
    return QString::fromStdString(name);
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return QDir(dir.isEmpty() ? QDir::homePath() : dir).filePath(QStringLiteral("lanspry.ini"));
}

// Leading optional sign and decimal digits, as the Windows profile reader takes them; anything
// else reads as 0, and values beyond 32 bits are held at the nearest limit.
int parseProfileInt(std::string_view text)
{
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+')
    ++first;
  long long value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range)
    return first != last && *first == '-' ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
  if (ec != std::errc() || end == first)
    return 0;
  return static_cast<int>(
      std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_pszAppName(lpszAppName ? lpszAppName : "Lanspry")
{
  if (!g_pApp)
    g_pApp = this;
}

CWinApp::~CWinApp()
{
  if (g_pApp == this)
    g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
  return TRUE;
}

int CWinApp::ExitInstance()
{
  return 0;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault)
{
  const std::optional<std::string> text = platform::ReadWholeFile(profilePath(m_strProfileName).toStdString());
  const std::optional<std::string> value = text ? platform::FindIniValue(*text, lpszSection, lpszEntry) : std::nullopt;
  if (!value)
    return static_cast<UINT>(nDefault);
  return static_cast<UINT>(parseProfileInt(*value));
}

namespace {
// The batch of writes under way, if any: its lock, or that the lock could not be had.
struct ProfileBatchState {
  int depth = 0;
  bool lockFailed = false;
  std::unique_ptr<platform::ProfileLock> lock;
};
ProfileBatchState g_batch;
}  // namespace

CProfileBatch::CProfileBatch()
{
  ++g_batch.depth;
}

CProfileBatch::~CProfileBatch()
{
  if (--g_batch.depth > 0)
    return;
  g_batch.lock.reset();
  g_batch.lockFailed = false;
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
  const QString path = profilePath(m_strProfileName);
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (g_batch.depth > 0 && !g_batch.lock && !g_batch.lockFailed) {
    g_batch.lock = platform::ProfileLock::Acquire(path.toStdString());
    g_batch.lockFailed = !g_batch.lock;
  }
  if (g_batch.lockFailed)
    return FALSE;
  const std::string value = std::to_string(nValue);
  return platform::RewriteFile(
      path.toStdString(),
      [&](const std::string& text) { return platform::SetIniValue(text, lpszSection, lpszEntry, value); },
      g_batch.lock.get());
}

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText)
{
  g_dialogBk = clrCtlBk;
  g_dialogText = clrCtlText;
}

namespace {
// The icon's bitmaps read here: through Qt's image readers, the window icon would cost the
// start-up a search of every image plugin and the loading of one.
QIcon bitmapIcon(const QString& path)
{
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray data = file.readAll();
  QIcon icon;
  for (const platform::IconImage& image : platform::DecodeIconFile(std::span(
           reinterpret_cast<const unsigned char*>(data.constData()), static_cast<std::size_t>(data.size())))) {
    const QImage pixels(reinterpret_cast<const uchar*>(image.argb.data()), image.width, image.height,
                        QImage::Format_ARGB32);
    icon.addPixmap(QPixmap::fromImage(pixels.copy()));
  }
  return icon;
}
}  // namespace

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
  // Icons live as long as the program, as shared icons do on Windows.
  static auto* cache = new std::map<UINT, std::unique_ptr<HICON__>>;
  auto& slot = (*cache)[nIDResource];
  if (slot)
    return slot.get();
  const BinaryResource* r = AfxFindBinaryResource("ICON", nIDResource);
  if (!r)
    return nullptr;
  QIcon icon = bitmapIcon(QString::fromUtf8(r->path));
  if (icon.isNull())
    icon = QIcon(QString::fromUtf8(r->path));
  if (icon.isNull())
    return nullptr;
  slot = std::make_unique<HICON__>(HICON__{icon});
  return slot.get();
}

CWinApp* AfxGetApp()
{
  return g_pApp;
}

CWnd* AfxGetMainWnd()
{
  return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

void AfxEnableControlContainer() {}

namespace {
bool g_bSocketsStarted = false;
}

BOOL AfxSocketInit(void* lpwsaData)
{
  ws::WSADATA data{};
  auto* out = lpwsaData ? static_cast<ws::WSADATA*>(lpwsaData) : &data;
  if (g_bSocketsStarted)
    return TRUE;
  if (ws::WSAStartup(MAKEWORD(1, 1), out) != 0)
    return FALSE;
  g_bSocketsStarted = true;
  return TRUE;
}

void AfxSocketTerm()
{
  if (!g_bSocketsStarted)
    return;
  g_bSocketsStarted = false;
  ws::WSACleanup();
}

int AfxMessageBox(LPCTSTR lpszText, UINT, UINT)
{
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent && AfxGetMainWnd())
    parent = AfxGetMainWnd()->widget();
  const QString caption = AfxGetApp() ? platform::fromCodePage(AfxGetApp()->m_pszAppName) : QString();
  QMessageBox box(QMessageBox::Warning, caption, platform::fromCodePage(lpszText), QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.setFont(platform::DialogFont(platform::fromCodePage(kDialogFace), kMessageBoxPointSize));
  platform::ApplyDialogPalette(&box);
  if (g_messageBoxHook) {
    const CString text(lpszText);
    QTimer::singleShot(0, &box, [&box, text] {
      g_messageBoxHook(text);
      box.done(QMessageBox::Ok);
    });
  }
  box.exec();
  // As on Windows, the owner gets the activation back when the box goes.
  if (parent)
    parent->activateWindow();
  return IDOK;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
  const char* text = AfxFindString(nIDPrompt);
  return AfxMessageBox(text ? text : "", nType, nIDHelp);
}

void platform::SetMessageBoxHook(MessageBoxHook hook)
{
  g_messageBoxHook = std::move(hook);
}

void platform::ApplyDialogPalette(QWidget* w)
{
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, toQColor(g_dialogBk));
  pal.setColor(QPalette::WindowText, toQColor(g_dialogText));
  w->setPalette(pal);
}
