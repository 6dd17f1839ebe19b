// The bodies of the framework's locked entry points, for framework code
// already inside one of them, and the wait of draw and input calls while
// the window is in the background.
#ifndef VELVANE_CORE_FRAMEWORK_LIFECYCLE_H
#define VELVANE_CORE_FRAMEWORK_LIFECYCLE_H

// InitFramework and EndFramework without the API lock.
int InitFrameworkUnlocked(void);
int EndFrameworkUnlocked(void);
// PumpMessages without the API lock; 0 at once when called from inside its
// own per-pass input step.
int PumpMessagesUnlocked(void);
// Holds the caller while the window is inactive (in full screen even when
// running while inactive); 0, at once when there is no main window.
int WaitWhileInactive(void);

#endif  // VELVANE_CORE_FRAMEWORK_LIFECYCLE_H
