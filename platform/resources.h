// Resource data as tables: dialog templates, their initial data, strings and binary files;
// the program registers its tables once, and the classes that use a resource look it up here.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <span>

// The face every dialog and message box asks for: SimSun.
inline constexpr const char* kDialogFace = "宋体";

struct DialogItemTemplate {
  int id;                   // IDC_STATIC for labels and group boxes
  const char* windowClass;  // "Button", "Edit", "Static", "ComboBox", "SysIPAddress32", "SysListView32"
  const char* text;         // caption; "#n" names icon n for SS_ICON statics
  DWORD style;              // beyond WS_CHILD | WS_VISIBLE
  short x, y, cx, cy;       // dialog units
};

// One message the dialog manager sends to a control when the dialog is created (CB_ADDSTRING).
struct DialogInitEntry {
  int controlId;
  UINT message;
  const char* text;
};

struct DialogTemplate {
  UINT id;
  DWORD style;
  DWORD exStyle;
  short cx, cy;  // dialog units
  const char* caption;
  WORD pointSize;
  const char* typeface;
  std::span<const DialogItemTemplate> items;
  std::span<const DialogInitEntry> initData;
};

struct StringResource {
  UINT id;
  const char* text;
};

// A file bundled with the program, by type ("ICON", "WAVE") and id; path is where it is embedded.
struct BinaryResource {
  const char* type;
  UINT id;
  const char* path;
};

struct ResourceTable {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
  std::span<const BinaryResource> binaries;
};

void AfxSetResourceTable(const ResourceTable* pTable);
const DialogTemplate* AfxFindDialogTemplate(UINT nID);
const BinaryResource* AfxFindBinaryResource(const char* type, UINT nID);
const char* AfxFindString(UINT nID);  // nullptr when the table has no such string
