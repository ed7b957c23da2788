# 32-bit Windows, the product's own target: compiled, linked and its exports
# checked here; this kernel cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOVRIN_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(TOVRIN_CAN_RUN OFF CACHE BOOL "Test programs can run here under Wine" FORCE)
