#pragma once

// Whether the 16-byte-a-step paths are compiled. They need SSE2, which every x86-64
// compiler offers; elsewhere, and in the portable build (ORDEVIK_PORTABLE, which CI
// builds and tests so that these branches never go untested), the plain code serves.
// Both give the same results.
#if defined(__SSE2__) && !defined(ORDEVIK_PORTABLE)
#define ORDEVIK_SSE2 1
#include <emmintrin.h>
#else
#define ORDEVIK_SSE2 0
#endif
