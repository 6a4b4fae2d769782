#pragma once
#include <gtest/gtest.h>

#include "TestFiles.h"
