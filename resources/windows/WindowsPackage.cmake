# What a Windows user gets: the program with the Qt libraries and plugins it loads and the
# compiler's runtime, installed into one folder that runs from anywhere
# (`cmake --install`), and the facts of the version record that the installer registers.

install(TARGETS KorvantaTaskList RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION .)
# Qt looks for its plugins beside the program; the programmer's photo is a JPEG.
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QJpegPlugin> DESTINATION imageformats)

if(MINGW)
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
            message(FATAL_ERROR "The compiler's runtime ${runtime} was not found")
        endif()
        install(FILES ${runtime_path} DESTINATION .)
    endforeach()
endif()

# The installer names the program as its version record does; the record's version must be
# the project's.
file(READ ${CMAKE_CURRENT_LIST_DIR}/../KorvantaTaskList.rc version_record)
foreach(field CompanyName ProductName)
    if(NOT version_record MATCHES "VALUE \"${field}\", \"([^\"]+)\"")
        message(FATAL_ERROR "KorvantaTaskList.rc: no ${field}")
    endif()
    set(record_${field} ${CMAKE_MATCH_1})
endforeach()
if(NOT version_record MATCHES "PRODUCTVERSION ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)")
    message(FATAL_ERROR "KorvantaTaskList.rc: no PRODUCTVERSION")
endif()
if(NOT "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}" STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "KorvantaTaskList.rc: PRODUCTVERSION is not version ${PROJECT_VERSION}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package-facts.nsh CONTENT [=[
!define PRODUCT_NAME "@record_ProductName@"
!define PUBLISHER "@record_CompanyName@"
!define VERSION "@PROJECT_VERSION@"
!define VERSION_MAJOR @PROJECT_VERSION_MAJOR@
!define VERSION_MINOR @PROJECT_VERSION_MINOR@
!define EXE "KorvantaTaskList.exe"
!define URL "https://www.korvanta.example/task-list/"
]=] @ONLY)
