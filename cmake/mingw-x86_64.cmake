# The same sources for x86_64, for the tests only: where the kernel cannot run
# 32-bit programs there is no 32-bit Wine, and the tests run this build under
# 64-bit Wine instead. Nothing built with it ships.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
