// The game's questions and notices as the platform's modal message box.
#include <windows.h>

#include "game/message_box.h"

MessageBoxAnswer ShowMessageBox(const char *text, const char *caption, void *owner,
                                MessageBoxButtons buttons) {
  const UINT type = buttons == MESSAGE_BOX_YES_NO ? MB_YESNO : MB_OK;
  const int answer = MessageBoxA(static_cast<HWND>(owner), text, caption, type);
  if (buttons == MESSAGE_BOX_OK) return MESSAGE_BOX_ANSWER_OK;
  return answer == IDYES ? MESSAGE_BOX_ANSWER_YES : MESSAGE_BOX_ANSWER_NO;
}
