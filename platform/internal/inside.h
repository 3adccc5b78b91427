// Every header of platform/internal/ and platform/posix/ opens with this: they are the platform's
// insides, for platform/ itself and for the tests, benchmarks and fuzzers that look inside it. The
// program's layers (app/, dialog/, codec/, res/) reach the platform through its faces only.
#pragma once

#ifndef LANSPRY_PLATFORM_INSIDE
#error "a header of the platform's insides: the program's layers include platform/'s faces only"
#endif
