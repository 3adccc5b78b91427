// Text between the program's code page (UTF-8 here) and Qt's strings, and its colours as Qt's.
// Never included outside platform/.
#pragma once

#include "platform/windef.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <string>

namespace platform {

// clang-format off
inline QString fromCodePage(const char* psz) { return QString::fromUtf8(psz ? psz : ""); }
inline QString fromCodePage(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline QByteArray toCodePage(const QString& s) { return s.toUtf8(); }
inline QColor toQColor(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }
// clang-format on

}  // namespace platform
