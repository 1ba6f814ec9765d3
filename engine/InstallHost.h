#pragma once
// The one way the engine reaches the dialog. The main dialog implements it over its controls;
// tests implement it with a recording fake that answers from a script.

#include <string>

namespace gridmoor {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { Exclamation, Stop };
enum class MessageAnswer { Ok, Yes, No };

class InstallHost {
 public:
  virtual ~InstallHost() = default;

  // A modal message box owned by the dialog, captioned with the application's title; answers
  // the button the user chose (closing a Yes/No box any other way answers No).
  virtual MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                                    MessageIcon icon) = 0;

  // Progress bar 1007: sets the position (range 0..25); never steps.
  virtual void SetProgress(int position) = 0;

  // The text of the game-folder box 1096 at this moment.
  virtual std::string GameFolderText() = 0;
  // Box 1001 "Add to gp.ini ...": checked at this moment.
  virtual bool IsChampionshipChecked() = 0;
  // Box 1003, the replay: checked (BST_CHECKED) at this moment.
  virtual bool IsReplayChecked() = 0;

  // The wait (hourglass) cursor; calls come in pairs (see engine/WaitCursor.h).
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // What loading the package sets on the dialog.
  virtual void CheckSeasonBox() = 0;                          // box 1000
  virtual void SetReadmeText(const std::string& text) = 0;    // box 1005
  virtual void SetCaption(const std::string& caption) = 0;    // the dialog's title bar
  // Box 1003: checked when the package has a replay, else cleared and disabled.
  virtual void SetReplayOption(bool available) = 0;
  // Asks the picture to load this file (resolved against the current directory); the answer
  // is whether it loaded.
  virtual bool LoadScreenshot(const std::string& fileName) = 0;

  // The dialog's OK action: the dialog ends with IDOK once the running handler returns.
  virtual void CloseDialog() = 0;
};

}  // namespace gridmoor
