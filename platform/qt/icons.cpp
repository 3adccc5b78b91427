// The program's icons, read from its resources once and kept for the whole run.
#include "platform/cwinapp.h"

#include "platform/internal/icon_file.h"
#include "platform/qt/window_glue.h"
#include "platform/resources.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

#include <map>
#include <memory>
#include <span>

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
