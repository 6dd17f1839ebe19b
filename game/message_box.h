// A modal question or notice to the player. The game shell shows a platform
// message box; the host tests answer from a script.
#ifndef PELLACOR_GAME_MESSAGE_BOX_H
#define PELLACOR_GAME_MESSAGE_BOX_H

enum MessageBoxButtons { MESSAGE_BOX_OK, MESSAGE_BOX_YES_NO };
enum MessageBoxAnswer { MESSAGE_BOX_ANSWER_OK, MESSAGE_BOX_ANSWER_YES, MESSAGE_BOX_ANSWER_NO };

// Shows text under caption, owned by the window owner (null: no owner), and
// waits for the answer.
MessageBoxAnswer ShowMessageBox(const char *text, const char *caption, void *owner,
                                MessageBoxButtons buttons);

#endif
