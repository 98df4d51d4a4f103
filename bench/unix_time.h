// The wall clock of tests/support/clock.h, under the name the Windows benchmark driver
// includes.
#pragma once

#include "tests/support/clock.h"

using test_clock::UnixMicroseconds;
