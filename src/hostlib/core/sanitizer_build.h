#pragma once
// Whether this code is built with the address sanitizer. Such a build
// reserves terabytes of address space for the sanitizer's shadow memory
// before anything runs, so an address-space limit (a thumbnail's or a
// worker's memory budget) cannot apply to it.
namespace vex3d {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif

}  // namespace vex3d
