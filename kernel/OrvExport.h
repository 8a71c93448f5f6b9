#pragma once

// Marks the classes and functions that hosts of libOrvKernel may use. Everything else
// in the library is built with hidden visibility.
#if defined(ORV_KERNEL_BUILDING) || !defined(_WIN32)
#define ORV_API __attribute__((visibility("default")))
#else
#define ORV_API
#endif
