// The platform's plain-file set of the file-access table (Win32 files with
// their read-ahead worker on Windows, POSIX files on the native build), and
// the position arithmetic every file and stream set shares.
#ifndef VELVANE_CORE_FILE_PLAIN_H
#define VELVANE_CORE_FILE_PLAIN_H

#include <stdint.h>

#include "core/files/file_access.h"

// The twelve operations on the platform's disk files.
const FileAccessFunctions *GetPlainFileAccessFunctions(void);

// Converts a UTC file time (100-ns units since 1601) to local calendar time;
// 0, or -1 when the platform cannot convert it.
int FileTimeToDateTime(uint64_t fileTime, DateTime *out);

// The target of a seek by offset from origin (0 start, 1 current, 2 end);
// -1 for another origin. Computed wide so no int sum can overflow.
int ComputeSeekTarget(int position, int size, int offset, int origin, int64_t *target);
// The same for a disk file: a target before the start or past int's range
// gives -1 (one past the end is accepted).
int ComputeFileSeekTarget(int position, int size, int offset, int origin);

// Plans a read of itemCount items of itemSize bytes at position in size
// bytes: returns the bytes to read (whole items only). Sets *endFlag when
// less than one item is left; nothing is read for an item size or count
// of 0 or less.
int PlanFileRead(int position, int size, int itemSize, int itemCount, int *endFlag);
// Accounts a finished read that asked for requested bytes at start and got
// actual: the position moves by what arrived, and a short read marks the
// end. Returns actual.
int SettleFileRead(int start, int requested, int actual, int *position, int *endFlag);

#endif  // VELVANE_CORE_FILE_PLAIN_H
