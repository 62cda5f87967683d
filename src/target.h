// The constants of the build target: the only place outside the platform layer that tests it.
#ifndef TARN_TARGET_H
#define TARN_TARGET_H

#if defined(_WIN32)
#  define TARN_TARGET_OS "winnt"
#elif defined(__linux__)
#  define TARN_TARGET_OS "linux"
#elif defined(__APPLE__)
#  define TARN_TARGET_OS "darwin"
#elif defined(__FreeBSD__)
#  define TARN_TARGET_OS "freebsd"
#else
#  error "unsupported target OS"
#endif

// The processor twice: its Go name for getosid() ("amd64"), and the name uname gives it for
// build_arch() ("x86_64"). A processor this list does not know is "unknown" to both; the build
// goes on.
#if defined(__x86_64__) || defined(_M_X64)
#  define TARN_TARGET_ARCH_ID "amd64"
#  define TARN_TARGET_ARCH "x86_64"
#elif defined(__i386__) || defined(_M_IX86)
#  define TARN_TARGET_ARCH_ID "386"
#  define TARN_TARGET_ARCH "x86_32"
#elif defined(__aarch64__) || defined(_M_ARM64)
#  define TARN_TARGET_ARCH_ID "arm64"
#  define TARN_TARGET_ARCH "arm64"
#elif defined(__arm__) || defined(_M_ARM)
#  define TARN_TARGET_ARCH_ID "arm"
#  define TARN_TARGET_ARCH "arm"
#elif defined(__riscv) && __riscv_xlen == 64
#  define TARN_TARGET_ARCH_ID "riscv64"
#  define TARN_TARGET_ARCH "riscv64"
#elif defined(__powerpc64__) && defined(__LITTLE_ENDIAN__)
#  define TARN_TARGET_ARCH_ID "ppc64le"
#  define TARN_TARGET_ARCH "ppc64le"
#elif defined(__s390x__)
#  define TARN_TARGET_ARCH_ID "s390x"
#  define TARN_TARGET_ARCH "s390x"
#else
#  define TARN_TARGET_ARCH_ID "unknown"
#  define TARN_TARGET_ARCH "unknown"
#endif

namespace tarn::detail {

inline constexpr char target_os[] = TARN_TARGET_OS;
inline constexpr char target_id[] = TARN_TARGET_OS "-" TARN_TARGET_ARCH_ID;
inline constexpr char target_arch[] = TARN_TARGET_ARCH;

} // namespace tarn::detail

#endif
