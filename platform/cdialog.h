// CDialog: a dialog built from a template in the resource table and run modally; the widgets,
// the dialog manager's keys and the modal loop live behind it in the Qt side of this folder.
#pragma once

#include "platform/cwnd.h"

#include <memory>

class CDataExchange;
struct DialogTemplate;

class CDialog : public CWnd {
public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  // A window that leaves the rest of the program usable: created, initialised and shown without a
  // loop of its own; EndDialog then hides it and ShowWindow brings it back.
  BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // Dialog units of this dialog's face to pixels.
  void MapDialogRect(LPRECT lpRect) const;
  void EndDialog(int nResult);
  virtual BOOL OnInitDialog();
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  CWnd* GetDlgItem(int nID) const override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Opens the system menu at the cursor (or under the title when from the keyboard).
  void showSystemMenu(bool bAtCursor);
  // Creates the window and its controls without running the modal loop, for tests and DoModal.
  BOOL createIndirect();
  void destroyWindow();

protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void connectNotifications(QWidget* pControl, int nID);
  void focusFirstTabStop();

  struct Impl;
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  std::unique_ptr<Impl> d;
};
