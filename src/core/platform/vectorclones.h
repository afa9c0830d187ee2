// Functions whose loops the compiler builds once per instruction-set level.
#pragma once

// A function marked so is built three times where the compiler can: for x86-64-v4 (AVX-512),
// for x86-64-v3 (AVX2 and fused multiply-add) and for the baseline instruction set, the loader
// picking the widest the processor runs. The build lets the compiler fuse no multiply-add of its
// own, so on one processor every clone does the same operations in the same order and gives the
// same results.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define XTALSP_VECTOR_CLONES                                                                       \
    __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#endif
#endif
#ifndef XTALSP_VECTOR_CLONES
#define XTALSP_VECTOR_CLONES
#endif
