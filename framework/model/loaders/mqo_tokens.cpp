#include "model/loaders/mqo_tokens.h"

#include <string.h>

#include "core/base/core_state.h"
#include "core/util/strings.h"
#include "graphics/text/char_class.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNumberChar(char c) { return c == '-' || c == '.' || IsDigit(c); }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

// Copies the run of characters the test accepts; -1 when it is too long.
template <typename Accept>
int ReadRun(MqoCursor *cursor, char *token, Accept accept) {
  int length = 0;
  while (!MqoAtEnd(cursor) && accept(MqoPeek(cursor, 0))) {
    if (length >= MQO_TOKEN_SIZE - 1) return -1;
    token[length++] = MqoPeek(cursor, 0);
    cursor->position++;
  }
  token[length] = 0;
  return 0;
}

// A quoted string with its quotes; a double-byte character's second byte
// never ends it.
int ReadQuotedRun(MqoCursor *cursor, char *token) {
  const int charSet = GetFrameworkCharSet();
  int length = 0;
  token[length++] = '"';
  cursor->position++;
  for (;;) {
    if (MqoAtEnd(cursor)) return -1;
    const char c = MqoPeek(cursor, 0);
    const int bytes = IsDoubleByteLead(&cursor->start[cursor->position], charSet) ? 2 : 1;
    if (cursor->position + bytes > cursor->size || length + bytes > MQO_TOKEN_SIZE - 1) return -1;
    memcpy(token + length, cursor->start + cursor->position, static_cast<size_t>(bytes));
    length += bytes;
    cursor->position += bytes;
    if (bytes == 1 && c == '"') break;
  }
  token[length] = 0;
  return 0;
}

}  // namespace

int SkipMqoBlanks(MqoCursor *cursor, int withinLine) {
  while (!MqoAtEnd(cursor)) {
    const char c = MqoPeek(cursor, 0);
    const bool blank = c == ' ' || c == '\t' || (!withinLine && (c == '\r' || c == '\n'));
    if (!blank) return 0;
    cursor->position++;
  }
  return 1;
}

int ReadMqoToken(MqoCursor *cursor, char *token) {
  token[0] = 0;
  if (SkipMqoBlanks(cursor, 0)) return 1;
  const char c = MqoPeek(cursor, 0);
  if (c == '"') return ReadQuotedRun(cursor, token);
  if (c == '(' || c == ')' || c == '{' || c == '}') {
    token[0] = c;
    token[1] = 0;
    cursor->position++;
    return 0;
  }
  if (IsNumberChar(c)) return ReadRun(cursor, token, IsNumberChar);
  if (IsLetter(c)) return ReadRun(cursor, token, IsNameChar);
  return -1;
}

int SkipMqoChunk(MqoCursor *cursor) {
  char token[MQO_TOKEN_SIZE];
  SkipMqoBlanks(cursor, 0);
  while (!MqoAtEnd(cursor) && MqoPeek(cursor, 0) != '{') {
    if (ReadMqoToken(cursor, token) != 0) return -1;
    SkipMqoBlanks(cursor, 0);
  }
  if (MqoAtEnd(cursor)) return -1;
  cursor->position++;
  int depth = 1;
  SkipMqoBlanks(cursor, 0);
  while (depth > 0 && !MqoAtEnd(cursor)) {
    // Only a token's first character counts, so braces inside quoted
    // strings do not.
    const char c = MqoPeek(cursor, 0);
    if (c == '{') depth++;
    if (c == '}') depth--;
    if (ReadMqoToken(cursor, token) != 0) return -1;
    SkipMqoBlanks(cursor, 0);
  }
  return depth == 0 ? 0 : -1;
}

float ReadMqoFloat(MqoCursor *cursor) {
  char token[MQO_TOKEN_SIZE];
  if (ReadMqoToken(cursor, token) != 0) return -1.0f;
  return static_cast<float>(ParseDouble(token));
}

int ReadMqoInt(MqoCursor *cursor) {
  char token[MQO_TOKEN_SIZE];
  if (ReadMqoToken(cursor, token) != 0) return -1;
  return ParseInt(token);
}

int ReadMqoQuoted(MqoCursor *cursor, char *token) {
  if (ReadMqoToken(cursor, token) != 0) return -1;
  const size_t length = strlen(token);
  if (length < 2 || token[0] != '"' || token[length - 1] != '"') return -1;
  MoveBytes(token, token + 1, static_cast<int>(length - 2));
  token[length - 2] = 0;
  return 0;
}
