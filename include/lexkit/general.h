/* lexkit: shared scalar types, fatal exits, checked allocation and checked
 * file primitives, compressed-aware streams. */
#ifndef LEXKIT_GENERAL_H
#define LEXKIT_GENERAL_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#if defined(_WIN32)
#define LEXKIT_EXPORT
#else
#define LEXKIT_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned short flag;   /* 0 false, non-zero true */
typedef uint32_t wordid_t;     /* word id; 0 is the unknown word */
typedef int32_t count_t;
typedef int32_t fof_t;
typedef int64_t ngram_sz_t;
typedef ngram_sz_t vocab_sz_t;
typedef int32_t int32;

/* Ends the process with exit code `rc` after printing the message on stderr. */
LEXKIT_EXPORT int quit(int rc, const char *msg, ...)
#if defined(__GNUC__)
    __attribute__((noreturn, format(printf, 2, 3)))
#endif
    ;

/* A new heap copy of `str`; never null. Release with free(). */
LEXKIT_EXPORT char *salloc(const char *str);

/* Allocators that never return null; a request for 0 gets a usable block. */
LEXKIT_EXPORT char *ox_malloc(size_t n_bytes);
LEXKIT_EXPORT char *ox_calloc(size_t nelem, size_t elsize);

/* Checked file primitives. Multi-byte elements of 2, 4 and 8 bytes are
 * stored most significant byte first. */
LEXKIT_EXPORT FILE *ox_fopen(const char *filename, const char *mode);
LEXKIT_EXPORT void *ox_fread(void *ptr, int elsize, size_t n_elem, FILE *fp,
                             const char *header, int not_more);
LEXKIT_EXPORT void *ox_fwrite(const void *ptr, int elsize, size_t n_elem,
                              FILE *fp, const char *header);
LEXKIT_EXPORT int ox_feof(FILE *fp);
LEXKIT_EXPORT void *ox_fseek(FILE *fp, int offset, int mode,
                             const char *description);
LEXKIT_EXPORT char *ox_mkdtemp(char *templ);
LEXKIT_EXPORT int ox_fexists(const char *path);
LEXKIT_EXPORT int ox_filesize(int fd);

/* Streams that read and write ".Z" and ".gz" files through external
 * compressors; "-" is standard input or output. */
LEXKIT_EXPORT extern char OXi_is_Z[100];
LEXKIT_EXPORT extern char OXo_is_Z[100];
LEXKIT_EXPORT FILE *ox_iopen(const char *path);
LEXKIT_EXPORT void *ox_iclose(FILE *fp);
LEXKIT_EXPORT FILE *ox_oopen(const char *path);
LEXKIT_EXPORT void *ox_oclose(FILE *fp);

#ifdef __cplusplus
}
#endif

#endif /* LEXKIT_GENERAL_H */
