/* Export and linkage macros shared by every public header of libCorvane. */
#ifndef CORVANE_EXPORT_H
#define CORVANE_EXPORT_H

#if defined(__GNUC__)
#define CORVANE_EXPORT __attribute__((visibility("default")))
#else
#define CORVANE_EXPORT
#endif

#ifdef __cplusplus
#define CORVANE_EXTERN_C_BEGIN extern "C" {
#define CORVANE_EXTERN_C_END }
#else
#define CORVANE_EXTERN_C_BEGIN
#define CORVANE_EXTERN_C_END
#endif

#endif
