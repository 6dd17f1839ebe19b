// Intrusive doubly linked lists of live handles, for walking every object of
// one kind. A list is a head and a tail sentinel (handle -1, no data); the
// newest node follows the head. Walk from head->next until the node whose
// next is null (the tail).
#ifndef VELVANE_CORE_HANDLE_LIST_H
#define VELVANE_CORE_HANDLE_LIST_H

struct HandleListNode {
  int handle;  // -1 in a sentinel
  void *data;  // the object the handle names
  HandleListNode *previous;
  HandleListNode *next;
};

// Links the two sentinels into an empty list; 0.
int HandleListInit(HandleListNode *head, HandleListNode *tail);
// Fills node and links it right after head; 0.
int HandleListInsert(HandleListNode *head, HandleListNode *node, int handle, void *data);
// Unlinks node from its neighbours (its own links stay as they were); 0.
int HandleListRemove(HandleListNode *node);

#endif  // VELVANE_CORE_HANDLE_LIST_H
