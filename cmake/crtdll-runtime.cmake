# The i686 deliverables load on Windows 95, 98, NT 4.0 and 2000: a retail
# Windows 95 has no msvcrt.dll, so they are linked against crtdll.dll,
# which every one of them ships. mingw-w64's libcrtdll.a supplies what
# crtdll.dll lacks (__getmainargs and the like); libstdc++ is left out
# (it needs msvcrt.dll), so C++ is built without exceptions, run-time
# type information and guarded statics, and crtdll/cxx_support.cpp
# supplies the rest. crtdll/mbrtowc.cpp stands in for mingw-w64's, which
# would import IsDBCSLeadByteEx. crtdll/no_static_tls.cpp keeps the TLS
# directory out, which an applet loaded with LoadLibrary cannot rely on.
# Every i686 program also says in its header that Windows 4.0 is enough,
# and carries no link time (so that the same sources give the same file).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti> $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
add_link_options(-Wl,--major-os-version,4,--minor-os-version,0
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0 -Wl,--no-insert-timestamp)

add_library(crtdll_support OBJECT ${CMAKE_SOURCE_DIR}/crtdll/cxx_support.cpp ${CMAKE_SOURCE_DIR}/crtdll/mbrtowc.cpp
    ${CMAKE_SOURCE_DIR}/crtdll/no_static_tls.cpp)
target_compile_options(crtdll_support PRIVATE ${PROJECT_WARNINGS})

# Links a deliverable against crtdll.dll instead of the default runtime.
# cmake/crtdll-link-rules replaces the libraries that the compiler driver puts
# last on the line (a library named here would come before the static
# libraries that need it). g++ still passes libstdc++, from which nothing
# is taken: operator delete comes first, from crtdll/cxx_support.cpp.
# Objects come before libraries, so mbrtowc is ours.
set(CRTDLL_LINK_RULES ${CMAKE_SOURCE_DIR}/cmake/crtdll-link-rules)
function(link_with_crtdll target)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:crtdll_support>)
    target_link_options(${target} PRIVATE -specs=${CRTDLL_LINK_RULES})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CRTDLL_LINK_RULES})
endfunction()
