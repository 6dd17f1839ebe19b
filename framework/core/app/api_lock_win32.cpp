#include <windows.h>

#include "core/app/api_lock.h"

namespace {

struct Waiter {
  DWORD threadId;
  HANDLE event;
};

struct ApiLockState {
  int created;
  int nesting;
  int locked;
  DWORD owner;
  int waitingCount;
  Waiter waiters[API_LOCK_MAX_WAITERS];
};

const DWORD kNoOwner = static_cast<DWORD>(-1);

ApiLockState g_apiLock = {0, 0, 0, kNoOwner, 0, {}};

// Made once per process by the thread-safe initialisation of a local
// static, so two threads asking for the lock first cannot both make it;
// never deleted, so the lock can be made again after a shut-down.
struct ApiLockSection {
  CRITICAL_SECTION section;
  ApiLockSection() { InitializeCriticalSection(&section); }
};

CRITICAL_SECTION *Section(void) {
  static ApiLockSection lockSection;
  return &lockSection.section;
}

// Manual-reset events: a signal given between a waiter's leaving the
// critical section and its starting to wait is kept until it resets it.
void CreateWaiterEvents(void) {
  for (int i = 0; i < API_LOCK_MAX_WAITERS; i++) {
    g_apiLock.waiters[i].threadId = 0;
    g_apiLock.waiters[i].event = CreateEventA(NULL, TRUE, FALSE, NULL);
  }
  g_apiLock.waitingCount = 0;
  g_apiLock.nesting = 0;
  g_apiLock.locked = 0;
  g_apiLock.owner = kNoOwner;
  g_apiLock.created = 1;
}

// The head leaves the queue; its event goes to the slot past the new end
// so every waiter keeps the event it is waiting on.
void DequeueHead(void) {
  HANDLE headEvent = g_apiLock.waiters[0].event;
  const int count = g_apiLock.waitingCount;
  for (int i = 1; i < count; i++) g_apiLock.waiters[i - 1] = g_apiLock.waiters[i];
  g_apiLock.waiters[count - 1].threadId = 0;
  g_apiLock.waiters[count - 1].event = headEvent;
  g_apiLock.waitingCount = count - 1;
}

// Under the critical section: 1 when the caller may take the lock now.
// A free lock with waiters goes only to the head, so a thread arriving
// meanwhile (the previous owner too) queues behind them.
int MayAcquire(DWORD caller) {
  if (g_apiLock.locked) return g_apiLock.owner == caller;
  if (g_apiLock.waitingCount == 0) return 1;
  if (g_apiLock.waiters[0].threadId == caller) {
    DequeueHead();
    return 1;
  }
  return 0;
}

int ReadUnderSection(const int *field) {
  CRITICAL_SECTION *section = Section();
  EnterCriticalSection(section);
  const int value = *field;
  LeaveCriticalSection(section);
  return value;
}

}  // namespace

void LockFrameworkApi(void) {
  CRITICAL_SECTION *section = Section();
  const DWORD caller = GetCurrentThreadId();
  for (;;) {
    EnterCriticalSection(section);
    if (!g_apiLock.created) CreateWaiterEvents();
    if (MayAcquire(caller)) {
      g_apiLock.nesting++;
      g_apiLock.locked = 1;
      g_apiLock.owner = caller;
      LeaveCriticalSection(section);
      return;
    }
    if (g_apiLock.waitingCount >= API_LOCK_MAX_WAITERS) {
      LeaveCriticalSection(section);
      Sleep(1);
      continue;
    }
    Waiter &slot = g_apiLock.waiters[g_apiLock.waitingCount++];
    slot.threadId = caller;
    HANDLE event = slot.event;
    LeaveCriticalSection(section);
    WaitForSingleObject(event, INFINITE);
    ResetEvent(event);
  }
}

void UnlockFrameworkApi(void) {
  CRITICAL_SECTION *section = Section();
  EnterCriticalSection(section);
  if (g_apiLock.nesting <= 0 || g_apiLock.owner != GetCurrentThreadId()) {
    LeaveCriticalSection(section);
    return;
  }
  HANDLE wake = NULL;
  if (g_apiLock.nesting == 1) {
    g_apiLock.locked = 0;
    g_apiLock.owner = kNoOwner;
    if (g_apiLock.waitingCount > 0) wake = g_apiLock.waiters[0].event;
  }
  g_apiLock.nesting--;
  LeaveCriticalSection(section);
  if (wake) {
    SetEvent(wake);
    Sleep(0);
  }
}

int DestroyFrameworkApiLock(void) {
  CRITICAL_SECTION *section = Section();
  EnterCriticalSection(section);
  // A thread still queued (or just handed the lock) keeps waiting on its
  // event: closing it under that thread would leave it waiting forever.
  const int closable = g_apiLock.created && !g_apiLock.locked && g_apiLock.waitingCount == 0;
  if (closable) {
    for (int i = 0; i < API_LOCK_MAX_WAITERS; i++) {
      CloseHandle(g_apiLock.waiters[i].event);
      g_apiLock.waiters[i].event = NULL;
      g_apiLock.waiters[i].threadId = 0;
    }
    g_apiLock.created = 0;
  }
  LeaveCriticalSection(section);
  return closable;
}

int IsFrameworkApiLockCreated(void) { return ReadUnderSection(&g_apiLock.created); }

int GetApiLockWaiterCount(void) { return ReadUnderSection(&g_apiLock.waitingCount); }
