// The IP address control: four fields of 0-255, each may be blank; messages to it are answered
// by ControlWindowProc, which uses the members here.
#pragma once

#include "platform/windef.h"

#include <QFrame>

#include <array>

class QLineEdit;

namespace platform {

class IpAddressWidget : public QFrame {
public:
  explicit IpAddressWidget(QWidget* parent);

  // Number of non-blank fields; the address has blank fields as 0, the first in the top byte.
  int address(DWORD* pAddress) const;
  void setAddress(DWORD address);
  // The address as IPM_GETADDRESS gives it, dotted: blank fields as 0.
  QString dottedAddress() const;
  void clear();
  bool isBlank() const;
  QLineEdit* field(int i) const { return m_fields[static_cast<std::size_t>(i)]; }

protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

private:
  enum class Entry { AtStart, AtEnd, SelectAll };

  int indexOf(const QObject* o) const;
  void moveTo(int from, int to, Entry entry);
  void clampField(int i);
  void onEdited(int i);
  static bool canLeaveWithSeparator(const QLineEdit* f);
  bool pasteAddress(int i);

  std::array<QLineEdit*, 4> m_fields{};
};

}  // namespace platform
