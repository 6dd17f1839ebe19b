#include "core/base/handle_list.h"

#include <stddef.h>

int HandleListInit(HandleListNode *head, HandleListNode *tail) {
  *head = HandleListNode{-1, NULL, NULL, tail};
  *tail = HandleListNode{-1, NULL, head, NULL};
  return 0;
}

int HandleListInsert(HandleListNode *head, HandleListNode *node, int handle, void *data) {
  HandleListNode *first = head->next;
  *node = HandleListNode{handle, data, head, first};
  if (first) first->previous = node;
  head->next = node;
  return 0;
}

int HandleListRemove(HandleListNode *node) {
  if (node->previous) node->previous->next = node->next;
  if (node->next) node->next->previous = node->previous;
  return 0;
}
