#pragma once
// An owned tooltip window ("tooltips_class32") with tools identified by window and id.

#include <windows.h>

#include <string>

namespace gridmoor::ui {

class ToolTip {
 public:
  ToolTip() = default;
  ToolTip(const ToolTip&) = delete;
  ToolTip& operator=(const ToolTip&) = delete;
  ~ToolTip();

  // Creates the pop-up tooltip window owned by `parent`, with `style` as its tooltip styles.
  // Answers FALSE when it exists already or can't be made.
  BOOL Create(HWND parent, DWORD style = 0);
  // Destroys the window if it still exists; later calls do nothing.
  void Destroy() noexcept;

  // Adds tool `id` of `window` covering `rect` (in the window's client coordinates) that
  // shows `text`. Answers FALSE without a tooltip window or when the tooltip refuses.
  BOOL AddTool(HWND window, const std::string& text, const RECT& rect, UINT_PTR id);
  // Adds `control` (a child of `owner`) as a tool of its own: the tooltip watches its mouse
  // messages itself, so nothing needs relaying, and the tool follows the control wherever it
  // is moved. Its id is the control's handle (see ControlToolId).
  BOOL AddControlTool(HWND owner, HWND control, const std::string& text);
  static UINT_PTR ControlToolId(HWND control) { return reinterpret_cast<UINT_PTR>(control); }
  // The same tool, but watched through RelayEvent rather than by subclassing the control: for
  // a control that is sent many messages (a list being filled), each of which would otherwise
  // pass through the tooltip first.
  BOOL AddRelayedControlTool(HWND owner, HWND control, const std::string& text);
  // Replaces the text of tool `id` of `window`.
  void UpdateTipText(const std::string& text, HWND window, UINT_PTR id);
  // The text of tool `id` of `window`, empty when there is no such tool.
  std::string GetText(HWND window, UINT_PTR id) const;
  // Hands a mouse message addressed to a tool on to the tooltip (TTM_RELAYEVENT).
  void RelayEvent(MSG* msg);

  HWND Handle() const noexcept { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

}  // namespace gridmoor::ui
