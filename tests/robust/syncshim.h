#pragma once
// What the program asks of the disk while it saves, in order (syncshim.c).
#ifdef __cplusplus
extern "C" {
#endif

// Starts (clearing the journal) or stops recording.
void syncshim_record(int on);
// One line per call: "write PATH", "fsync PATH", "fdatasync PATH" or
// "rename OLD NEW"; a folder's PATH ends in "/".
const char* syncshim_journal(void);
// From now on every fsync or fdatasync of a folder fails with `error` (0: none).
void syncshim_fail_folder_sync(int error);

#ifdef __cplusplus
}
#endif
