// <libproc.h>: what a process is, by its id.
#pragma once
#include <stdint.h>
#include <sys/param.h>
#include <sys/proc_info.h>

#define PROC_PIDPATHINFO_MAXSIZE (4 * MAXPATHLEN)

#ifdef __cplusplus
extern "C" {
#endif
int proc_pidinfo(int pid, int flavor, uint64_t arg, void* buffer, int buffersize);
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);
#ifdef __cplusplus
}
#endif
