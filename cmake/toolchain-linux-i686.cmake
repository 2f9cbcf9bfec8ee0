# The plug-ins and their tests as 32-bit Linux programs, built with the
# build machine's own compiler in its -m32 mode (g++-multilib), so that the
# 32-bit pointer width, record layout and floating-point code run on any
# x86-64 machine whose kernel executes i386 code, without a 32-bit wine and
# without the i386 architecture in the package manager. Being a cross build,
# it compiles GoogleTest from its sources (tests/CMakeLists.txt).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# SSE2 floating point, as the 32-bit Windows DLLs are built
# (toolchain-mingw-i686.cmake): x87's 80-bit intermediates could decide a
# comparison at a boundary differently.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# Nothing of the build machine's 64-bit libraries may be found.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
