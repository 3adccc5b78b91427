# CString and the resource table: all the codec and its fuzzer need of the platform, free of Qt.
add_library(platform_core STATIC ${CMAKE_CURRENT_LIST_DIR}/cstring.cpp ${CMAKE_CURRENT_LIST_DIR}/resources.cpp)
target_include_directories(platform_core PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
lanspry_warnings(platform_core)

# The platform's insides (platform/internal/, platform/posix/) open only to targets that link this:
# the platform itself, and the tests, benchmarks and fuzzers that look inside it.
add_library(platform_inside INTERFACE)
target_compile_definitions(platform_inside INTERFACE LANSPRY_PLATFORM_INSIDE)
