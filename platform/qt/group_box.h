// The group box control: a titled frame drawn by hand as the dialogs show it, a thin line with
// the title in a gap at its top left. It paints only; the controls it frames are its siblings.
#pragma once

#include <QGroupBox>

namespace platform {

class GroupBox : public QGroupBox {
public:
  GroupBox(const QString& title, QWidget* parent);

protected:
  void paintEvent(QPaintEvent* e) override;
};

}  // namespace platform
