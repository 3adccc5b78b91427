// CCmdTarget and the message-map macros: static tables that bind messages and control notifications
// to member handlers; dispatching through them is left to CWnd and CWinApp.
#pragma once

#include "platform/windef.h"

struct NMHDR;

class CCmdTarget;

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  LRESULT (*pfn)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
public:
  CCmdTarget() = default;
  virtual ~CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  // Finds the first entry for the message in this class's map or a base's; nullptr if none.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
  // Runs the handler the map gives a command; FALSE when it has none.
  BOOL OnCmdMsg(UINT nID, int nCode);

protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                   \
protected:                                      \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)      \
  const AFX_MSGMAP* theClass::GetMessageMap() const \
  {                                                 \
    return GetThisMessageMap();                     \
  }                                                 \
  const AFX_MSGMAP* theClass::GetThisMessageMap()   \
  {                                                 \
    using ThisClass [[maybe_unused]] = theClass;    \
    using TheBaseClass = baseClass;                 \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                      \
  {                                                                                            \
    0, 0, 0, nullptr                                                                           \
  }                                                                                            \
  }                                                                                            \
  ;                                                                                            \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
  return &messageMap;                                                                          \
  }

#define AFX_THIS(p) static_cast<ThisClass*>(p)

#define ON_COMMAND(id, memberFxn)                                                       \
  {WM_COMMAND, 0, static_cast<UINT>(id), [](CCmdTarget* p, WPARAM, LPARAM) -> LRESULT { \
     AFX_THIS(p)->memberFxn();                                                          \
     return 0;                                                                          \
   }},
#define ON_CONTROL(code, id, memberFxn)                                                                       \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), [](CCmdTarget* p, WPARAM, LPARAM) -> LRESULT { \
     AFX_THIS(p)->memberFxn();                                                                                \
     return 0;                                                                                                \
   }},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
// The handler takes the notification's header and a place for its result.
#define ON_NOTIFY(code, id, memberFxn)                                                                         \
  {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id), [](CCmdTarget* p, WPARAM, LPARAM l) -> LRESULT { \
     LRESULT result = 0;                                                                                       \
     AFX_THIS(p)->memberFxn(reinterpret_cast<NMHDR*>(l), &result);                                             \
     return result;                                                                                            \
   }},
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message), 0, 0,   \
   [](CCmdTarget* p, WPARAM w, LPARAM l) -> LRESULT { return AFX_THIS(p)->memberFxn(w, l); }},
#define ON_WM_SYSCOMMAND()                                                 \
  {WM_SYSCOMMAND, 0, 0, [](CCmdTarget* p, WPARAM w, LPARAM l) -> LRESULT { \
     AFX_THIS(p)->OnSysCommand(static_cast<UINT>(w), l);                   \
     return 0;                                                             \
   }},
#define ON_WM_PAINT()                                             \
  {WM_PAINT, 0, 0, [](CCmdTarget* p, WPARAM, LPARAM) -> LRESULT { \
     AFX_THIS(p)->OnPaint();                                      \
     return 0;                                                    \
   }},
#define ON_WM_TIMER()                                               \
  {WM_TIMER, 0, 0, [](CCmdTarget* p, WPARAM w, LPARAM) -> LRESULT { \
     AFX_THIS(p)->OnTimer(static_cast<UINT_PTR>(w));                \
     return 0;                                                      \
   }},
#define ON_WM_SIZE()                                                  \
  {WM_SIZE, 0, 0, [](CCmdTarget* p, WPARAM w, LPARAM l) -> LRESULT {  \
     AFX_THIS(p)->OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); \
     return 0;                                                        \
   }},
#define ON_WM_QUERYDRAGICON()                                             \
  {WM_QUERYDRAGICON, 0, 0, [](CCmdTarget* p, WPARAM, LPARAM) -> LRESULT { \
     return reinterpret_cast<LRESULT>(AFX_THIS(p)->OnQueryDragIcon());    \
   }},
