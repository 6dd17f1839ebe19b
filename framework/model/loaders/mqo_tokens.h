// Tokens of the text MQO format: quoted strings, the four brackets, numbers
// and names, read from a memory image that every scan stops at the end of.
#ifndef VELVANE_MODEL_MQO_TOKENS_H
#define VELVANE_MODEL_MQO_TOKENS_H

#include <stdint.h>

enum { MQO_TOKEN_SIZE = 1024 };  // 1023 bytes and a terminator

struct MqoCursor {
  const char *start;
  int64_t size;
  int64_t position;
};

// 1 when the cursor is at (or past) the end of the image.
inline int MqoAtEnd(const MqoCursor *cursor) { return cursor->position >= cursor->size; }
// The byte at the cursor, 0 at the end.
inline char MqoPeek(const MqoCursor *cursor, int ahead) {
  return cursor->position + ahead < cursor->size ? cursor->start[cursor->position + ahead] : 0;
}

// 0 a token was read into token; 1 the end came before a token; -1 the
// character cannot begin a token (the cursor stays on it), a quoted string
// is not closed, or the token is longer than 1023 bytes.
int ReadMqoToken(MqoCursor *cursor, char *token);
// Skips spaces and tabs (withinLine non-zero) or also line ends; 1 at the
// end, else 0.
int SkipMqoBlanks(MqoCursor *cursor, int withinLine);
// Skips a chunk header and its braced body; 0, or -1 when the end or an
// unreadable character comes first.
int SkipMqoChunk(MqoCursor *cursor);
// The next token as a number; -1 when no token can be read.
float ReadMqoFloat(MqoCursor *cursor);
int ReadMqoInt(MqoCursor *cursor);
// The next token, which must be quoted, without its quotes; 0 or -1.
int ReadMqoQuoted(MqoCursor *cursor, char *token);

#endif  // VELVANE_MODEL_MQO_TOKENS_H
