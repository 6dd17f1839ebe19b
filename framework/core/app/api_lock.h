// The lock of the framework's three public entry points (start-up,
// shut-down, message pump): its owner may re-enter it, other threads get it
// in the order they asked, at most 4096 of them waiting at a time.
#ifndef VELVANE_CORE_API_LOCK_H
#define VELVANE_CORE_API_LOCK_H

enum { API_LOCK_MAX_WAITERS = 4096 };

void LockFrameworkApi(void);
void UnlockFrameworkApi(void);
// Closes the waiters' events when the lock is free and no thread waits;
// 1 when closed, 0 when it stays in place. The next lock makes them again.
int DestroyFrameworkApiLock(void);
// 1 while the waiters' events exist.
int IsFrameworkApiLockCreated(void);
// Threads queued for the lock.
int GetApiLockWaiterCount(void);

#endif  // VELVANE_CORE_API_LOCK_H
