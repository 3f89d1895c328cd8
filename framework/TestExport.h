// KV_TEST_EXPORT marks internal types and routines that the tests and benchmarks reach (the
// raster's, the helpers of a family): exported from a build that has tests, benchmarks or
// fuzzers (KV_EXPORT_FOR_TESTS, set by CMake), hidden otherwise. Internal headers only: no
// installed header uses it.
#pragma once

#include "KvExport.h"

#ifdef KV_EXPORT_FOR_TESTS
#define KV_TEST_EXPORT KV_EXPORT
#else
#define KV_TEST_EXPORT
#endif
