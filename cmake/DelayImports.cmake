# System DLLs that are not among the DLLs Windows always maps from its own
# folder (its KnownDLLs) must not be resolved by the loader before the program
# starts: the loader would look in the program's folder first, where anything
# may lie beside a downloaded installer. They are linked delay-loaded instead,
# and the program's hook (core/UiDelayLoad) loads them from the system folder.
#
# zk_delay_import(<lib> <dll>) defines target zk::<lib>: link it instead of <lib>.

find_program(ZK_PYTHON3 NAMES python3 python)

function(zk_delay_import lib dll)
  if(TARGET zk::${lib})
    return()
  endif()
  if(MSVC)
    add_library(zk_delay_${lib} INTERFACE)
    target_link_libraries(zk_delay_${lib} INTERFACE ${lib} delayimp)
    target_link_options(zk_delay_${lib} INTERFACE /DELAYLOAD:${dll})
  elseif(MINGW)
    find_library(ZK_IMPLIB_${lib} NAMES ${lib} lib${lib}.a REQUIRED)
    set(out "${CMAKE_BINARY_DIR}/delayimp/lib${lib}_delay.a")
    set(x86)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(x86 --x86)
    endif()
    if(NOT EXISTS "${out}" OR "${ZK_IMPLIB_${lib}}" IS_NEWER_THAN "${out}"
       OR "${PROJECT_SOURCE_DIR}/scripts/make-delay-import.py" IS_NEWER_THAN "${out}")
      file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/delayimp")
      execute_process(
        COMMAND ${ZK_PYTHON3} ${PROJECT_SOURCE_DIR}/scripts/make-delay-import.py
                --nm ${CMAKE_NM} --ar ${CMAKE_AR} --dlltool ${CMAKE_DLLTOOL} --import-lib ${ZK_IMPLIB_${lib}}
                --dll ${dll} --out ${out} ${x86}
        RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "could not make the delay-load import library for ${dll}")
      endif()
    endif()
    add_library(zk_delay_${lib} STATIC IMPORTED GLOBAL)
    set_target_properties(zk_delay_${lib} PROPERTIES IMPORTED_LOCATION "${out}")
  else()
    add_library(zk_delay_${lib} INTERFACE)
    target_link_libraries(zk_delay_${lib} INTERFACE ${lib})
  endif()
  add_library(zk::${lib} ALIAS zk_delay_${lib})
endfunction()

zk_delay_import(gdiplus gdiplus.dll)
zk_delay_import(urlmon urlmon.dll)
zk_delay_import(wintrust wintrust.dll)
zk_delay_import(crypt32 crypt32.dll)
zk_delay_import(wininet wininet.dll)
# Not for safety (the manifest binds it side by side) but for speed: loading
# the common controls is a large share of a process start.
zk_delay_import(comctl32 comctl32.dll)
# Only screen readers ask for the accessibility library's services.
zk_delay_import(oleacc oleacc.dll)
