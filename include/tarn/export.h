/* The one export macro: what callers may link against is marked TARN_API. (C89 comments: the C
   interface includes this header.) */
#ifndef TARN_EXPORT_H
#define TARN_EXPORT_H

#if defined(TARN_STATIC)
/* Linked into the program itself (the library's own scripted test build). */
#  define TARN_API
#elif defined(_WIN32)
#  if defined(TARN_BUILDING)
#    define TARN_API __declspec(dllexport)
#  else
#    define TARN_API __declspec(dllimport)
#  endif
#else
#  define TARN_API __attribute__((visibility("default")))
#endif

#endif
