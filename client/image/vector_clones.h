#pragma once
// Per-sample loops of the frame path are compiled twice on x86-64, for AVX2 and for
// the baseline, and the loader picks the one the processor runs; elsewhere the
// attribute is empty. Functions inlined into a clone are compiled for its target.

#if defined(__x86_64__) && defined(__GNUC__) && defined(__linux__)
#define VELMORA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMORA_VECTOR_CLONES
#endif
