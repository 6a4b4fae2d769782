#pragma once
// GoogleTest under Winelib: with _WIN32 defined gtest takes its Windows branch,
// which does not build against Wine's headers and glibc, so it is included as
// the Unix library it was built as.
#pragma push_macro("_WIN32")
#pragma push_macro("WIN32")
#pragma push_macro("_WIN64")
#undef _WIN32
#undef WIN32
#undef _WIN64
#include <gtest/gtest.h>
#pragma pop_macro("_WIN64")
#pragma pop_macro("WIN32")
#pragma pop_macro("_WIN32")

#include "TestFiles.h"
