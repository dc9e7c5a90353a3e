// Included before every checked source: the C library as macOS offers it.
// glibc stands in for Apple's libc; what glibc has and macOS lacks is
// poisoned here, what macOS names differently is renamed.
#pragma once

#include <ctype.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// Linux-only: atomically close-on-exec descriptors and flags.
#undef SOCK_CLOEXEC
#undef SOCK_NONBLOCK
#pragma GCC poison pipe2 dup3 accept4 SOCK_CLOEXEC SOCK_NONBLOCK

// struct stat: macOS names the time fields st_mtimespec, st_ctimespec,
// st_atimespec; glibc's names are not there.
#define st_mtimespec st_mtim
#define st_ctimespec st_ctim
#define st_atimespec st_atim
#pragma GCC poison st_mtim st_ctim st_atim

// <ctype.h>: the per-locale classifications are functions, not glibc's
// macros that look inside the locale.
#undef isalnum_l
#undef isalpha_l
#undef iscntrl_l
#undef isdigit_l
#undef isgraph_l
#undef islower_l
#undef isprint_l
#undef ispunct_l
#undef isspace_l
#undef isupper_l
#undef isxdigit_l
#undef isblank_l
#undef tolower_l
#undef toupper_l

// <unistd.h>: Apple's additions. getpeereid(2): the effective ids of a
// Unix-domain socket's peer; confstr(3) names the per-user temporary folder.
#define _CS_DARWIN_USER_TEMP_DIR 65537
#ifdef __cplusplus
extern "C" {
#endif
int getpeereid(int socket, uid_t* euid, gid_t* egid);
#ifdef __cplusplus
}
#endif
