# The defences every product target is built with: the two programs and the libraries
# linked into them. Both programs run elevated and parse what the network answers.
#
#   target_link_libraries(TARGET PUBLIC product_hardening)
# A library passes them on to whatever links it, so a program gets them with its
# libraries, and its link pulls in libssp (-fstack-protector-strong on the link line),
# which holds the _FORTIFY_SOURCE checks (__memcpy_chk, ...) that mingw-w64's headers
# call. The guard and __stack_chk_fail are framework/StackGuard.cpp's, linked in with
# the tool's library in place of libssp's.
#
# The linker's ASLR and DEP marks are its defaults today; they are given explicitly so
# that no change of defaults takes them away (tests/security/pe_hardening_test.py
# checks the built programs). binutils 2.40 cannot mark an image CET-compatible, and
# Control Flow Guard needs a compiler and linker that emit its tables, which GCC for
# mingw-w64 does not.
add_library(product_hardening INTERFACE)
target_compile_options(product_hardening INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
# Checked string and memory functions; they need the optimiser, so not in a Debug build.
target_compile_definitions(product_hardening INTERFACE $<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<NOT:$<CONFIG:Debug>>>:_FORTIFY_SOURCE=2>)
target_link_options(product_hardening INTERFACE -fstack-protector-strong
                    LINKER:--dynamicbase LINKER:--high-entropy-va LINKER:--nxcompat)
