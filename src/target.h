// The constants of the build target: the only place outside the platform layer that tests it.
#ifndef TARN_TARGET_H
#define TARN_TARGET_H

namespace tarn::detail {

#if defined(_WIN32)
inline constexpr char target_os[] = "winnt";
#elif defined(__linux__)
inline constexpr char target_os[] = "linux";
#elif defined(__APPLE__)
inline constexpr char target_os[] = "darwin";
#elif defined(__FreeBSD__)
inline constexpr char target_os[] = "freebsd";
#else
#  error "unsupported target OS"
#endif

// The word in getosid() and the one in build_arch() differ for x86-64 ("amd64" against "x86_64").
#if defined(__x86_64__) || defined(_M_X64)
inline constexpr char target_arch_id[] = "amd64";
inline constexpr char target_arch[] = "x86_64";
#elif defined(__aarch64__) || defined(_M_ARM64)
inline constexpr char target_arch_id[] = "arm64";
inline constexpr char target_arch[] = "arm64";
#else
#  error "unsupported target processor"
#endif

} // namespace tarn::detail

#endif
