// The platform tests are built once per platform they pretend to run on:
// VEL_TEST_PLATFORM, VEL_TEST_MAJOR and VEL_TEST_MINOR name it, and
// UcPlatformTestSupport.cpp overrides the platform record before the widget
// layer starts.
#pragma once

#include "Win.h"

#if !defined(VEL_TEST_PLATFORM) || !defined(VEL_TEST_MAJOR) || !defined(VEL_TEST_MINOR)
#error "VEL_TEST_PLATFORM, VEL_TEST_MAJOR and VEL_TEST_MINOR name the platform"
#endif

constexpr bool kNT = VEL_TEST_PLATFORM == VER_PLATFORM_WIN32_NT;
