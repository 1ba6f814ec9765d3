#pragma once
// A static text control turned into a web link: underlined text in link colours, a hand
// pointer, a tooltip with the address, and a click (or the space bar) opens the address.

#include <windows.h>

#include <string>

#include "ui/LinkLaunch.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/SubclassedWindow.h"
#include "ui/framework/ToolTip.h"

namespace gridmoor::ui {

class CHyperLink : public SubclassedWindow {
 public:
  static constexpr COLORREF kLinkColor = RGB(0, 0, 255);
  static constexpr COLORREF kArmedColor = RGB(0, 128, 128);
  static constexpr COLORREF kFollowedColor = RGB(128, 0, 128);

  // Option bits of the label's style.
  static constexpr DWORD LINK_UNDERLINE = 0x01;     // underlined copy of the control's font
  static constexpr DWORD LINK_SIZETOTEXT = 0x04;    // the window shrinks to its text
  static constexpr DWORD LINK_FOCUSONPRESS = 0x10;  // a press takes the keyboard focus

  // The tooltip's one tool.
  static constexpr UINT_PTR kToolId = 1;

  CHyperLink();
  ~CHyperLink() override;

  // Binds control `id` of `parent` and makes it a link: target from its text when none is set,
  // underlined font, size to text, hand cursor, tooltip. FALSE when there is no such control
  // or this label is bound already.
  BOOL SubclassDlgItem(UINT id, HWND parent);

  // Sets the address to open; once bound, the label resizes to its text and the tooltip shows
  // the new address.
  void SetLinkTarget(std::string target);
  const std::string& GetLinkTarget() const noexcept { return m_strTarget; }

  // Hands a message that the dialog's loop is about to dispatch to the label on to the
  // tooltip. Answers FALSE: the message is dispatched as usual.
  BOOL PreTranslateMessage(MSG* msg);

  HWND GetSafeHwnd() const noexcept { return Handle(); }

  // Shrinks the window to its text (while LINK_SIZETOTEXT is set), keeping the edge or centre
  // its alignment names.
  void SizeToText();

  // Opens the target; on success the label turns to the followed colour, on failure the
  // launcher reports the code and nothing changes.
  void FollowLink();

  DWORD GetLinkStyle() const noexcept { return m_nStyle; }
  // Style bits take effect at the next bind or SizeToText.
  void SetLinkStyle(DWORD style) noexcept { m_nStyle = style; }

  BOOL IsArmed() const noexcept { return m_bArmed; }
  BOOL IsHot() const noexcept { return m_bHot; }
  BOOL IsFollowed() const noexcept { return m_bFollowed; }
  // The text colour the label's state asks for.
  COLORREF TextColor() const noexcept;

  // The tooltip, for reading its text.
  const ToolTip& Tip() const noexcept { return m_tip; }

  // Replaces the way the label opens its target; `launcher` is not owned and must outlive the
  // label. Null puts the system's launcher back.
  void SetLauncher(LinkLauncher* launcher) noexcept;

  // The shared hand cursor, null when none could be loaded.
  static HCURSOR HandCursor() noexcept { return s_hHandCursor.Get(); }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The steps that make a freshly bound control a link.
  virtual void PreSubclassWindow();

 private:
  static void LoadHandCursor();
  void Repaint();
  LRESULT OnCtlColor(HDC dc);
  void OnMouseMove(POINT point);

  BOOL m_bArmed;
  BOOL m_bHot;
  BOOL m_bFollowed;
  DWORD m_nStyle;
  std::string m_strTarget;
  OwnedFont m_fontLink;
  HFONT m_controlFont;  // not owned: the control's own font, given back when the label goes
  ToolTip m_tip;
  LinkLauncher* m_launcher;  // not owned

  // Shared by all labels: loaded by the first one bound, destroyed by the first one destroyed.
  static OwnedCursor s_hHandCursor;
};

}  // namespace gridmoor::ui
