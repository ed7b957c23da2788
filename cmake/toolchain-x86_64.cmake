# 64-bit Windows: the build that runs here under wine64 and is tested.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOVRIN_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(TOVRIN_CAN_RUN ON CACHE BOOL "Test programs can run here under Wine" FORCE)
