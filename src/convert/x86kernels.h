// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The vector kernels are written with the x86 intrinsics of GCC and Clang; elsewhere only the plain
// loops are built, and the run-time choice never picks a kernel that is not there.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TRELVICK_X86_KERNELS 1
#include <immintrin.h>
#endif
