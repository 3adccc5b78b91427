#include "platform/internal/dialog_labels.h"

#include <string_view>

namespace {

// How far above a control its label may end, in dialog units.
constexpr int kLabelGap = 6;

bool isNamedByOwnText(const DialogItemTemplate& item)
{
  const std::string_view cls(item.windowClass);
  return cls != "Edit" && cls != "ComboBox" && cls != "SysIPAddress32" && cls != "SysListView32";
}

bool isLabel(const DialogItemTemplate& item)
{
  const std::string_view cls(item.windowClass);
  if (!item.text || !*item.text)
    return false;
  if (cls == "Static")
    return (item.style & SS_TYPEMASK) != SS_ICON;
  return cls == "Button" && (item.style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

bool isGroupBox(const DialogItemTemplate& item)
{
  return std::string_view(item.windowClass) == "Button" && (item.style & BS_TYPEMASK) == BS_GROUPBOX;
}

bool overlapsHorizontally(const DialogItemTemplate& a, const DialogItemTemplate& b)
{
  return a.x < b.x + b.cx && b.x < a.x + a.cx;
}

bool contains(const DialogItemTemplate& outer, const DialogItemTemplate& inner)
{
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
         inner.y + inner.cy <= outer.y + outer.cy;
}

}  // namespace

const DialogItemTemplate* LabelAbove(const DialogTemplate& t, const DialogItemTemplate& item)
{
  if (isNamedByOwnText(item))
    return nullptr;
  const DialogItemTemplate* label = nullptr;
  for (const DialogItemTemplate& other : t.items) {
    const int gap = item.y - (other.y + other.cy);
    if (!isLabel(other) || gap < -1 || gap > kLabelGap || !overlapsHorizontally(other, item))
      continue;
    if (!label || other.y + other.cy > label->y + label->cy)
      label = &other;
  }
  if (label)
    return label;
  // Else a label just to its left on the same line, as "次数: [  ]".
  for (const DialogItemTemplate& other : t.items) {
    const int gap = item.x - (other.x + other.cx);
    const bool sameLine = other.y < item.y + item.cy && item.y < other.y + other.cy;
    if (isLabel(other) && sameLine && gap >= -1 && gap <= kLabelGap)
      return &other;
  }
  return nullptr;
}

const char* LabellingText(const DialogTemplate& t, const DialogItemTemplate& item)
{
  if (isNamedByOwnText(item))
    return nullptr;
  if (const DialogItemTemplate* label = LabelAbove(t, item))
    return label->text;
  const DialogItemTemplate* group = nullptr;
  for (const DialogItemTemplate& other : t.items) {
    if (isGroupBox(other) && contains(other, item) && (!group || other.cx * other.cy < group->cx * group->cy))
      group = &other;
  }
  return group ? group->text : nullptr;
}
