# The Windows program as a user downloads it: one folder holding
# pi-coins.exe, the Qt and MinGW run-time DLLs it loads and nothing more,
# Qt's plugins in the folders where Qt looks beside the program, the two
# cues, the Japanese font for systems without the classic one, and the
# licence texts of everything in it. `cpack` in the build directory makes
# pi-coins-<version>-windows-x86_64.zip.

install(TARGETS pi-coins RUNTIME_DEPENDENCY_SET runtime RUNTIME DESTINATION .)
foreach(plugin IN ITEMS platforms/QWindowsIntegrationPlugin imageformats/QJpegPlugin
                        styles/QWindowsVistaStylePlugin)
    cmake_path(GET plugin PARENT_PATH folder)
    cmake_path(GET plugin FILENAME name)
    install(IMPORTED_RUNTIME_ARTIFACTS Qt6::${name} RUNTIME_DEPENDENCY_SET runtime
            LIBRARY DESTINATION ${folder} RUNTIME DESTINATION ${folder})
endforeach()

# Qt's own DLLs, named here: CMake's resolver takes Windows names in lower
# case, which a Linux file system does not find. The compiler's run-time
# DLLs that all of the above load are found as Windows would find them; the
# system's own DLLs are the system's.
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::Core Qt6::Gui Qt6::Widgets RUNTIME DESTINATION .)
get_target_property(qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
cmake_path(GET qt_core PARENT_PATH qt_bin)
set(runtime_dirs ${qt_bin})
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    cmake_path(GET found PARENT_PATH dir)
    list(APPEND runtime_dirs ${dir})
endforeach()
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${CMAKE_OBJDUMP})
install(RUNTIME_DEPENDENCY_SET runtime DESTINATION .
        PRE_INCLUDE_REGEXES "^libstdc\\+\\+" "^libgcc_s" "^libwinpthread"
        PRE_EXCLUDE_REGEXES ".*"
        DIRECTORIES ${runtime_dirs})
# Debian ships those with their debugging information, two thirds of their size.
install(CODE "
    file(GLOB runtime \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib*.dll\")
    execute_process(COMMAND ${CMAKE_STRIP} --strip-debug \${runtime} COMMAND_ERROR_IS_FATAL ANY)")

install(FILES ${PROJECT_SOURCE_DIR}/assets/pinpon.wav ${PROJECT_SOURCE_DIR}/assets/endpinpon.wav
        DESTINATION .)

# Files of Debian's packages: the font, and the licences of all that ships.
set(PI_COINS_FONT /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf CACHE FILEPATH
    "Japanese proportional Gothic bundled for systems without MS PGothic")
install(FILES ${PI_COINS_FONT} DESTINATION fonts)
set(doc /usr/share/doc)
set(licenses
    ${PROJECT_SOURCE_DIR}/packaging/copyright:pi-coins
    ${doc}/libqt6core6/copyright:Qt
    /usr/share/common-licenses/LGPL-3:LGPL-3
    /usr/share/common-licenses/GPL-3:GPL-3
    ${doc}/gcc-mingw-w64-x86-64-posix-runtime/copyright:GCC-runtime
    ${doc}/mingw-w64-x86-64-dev/copyright:MinGW-w64
    ${doc}/fonts-ipafont-gothic/copyright:IPA-font)
foreach(entry IN LISTS licenses)
    string(REGEX MATCH "^(.*):([^:]*)$" _ ${entry})
    install(FILES ${CMAKE_MATCH_1} DESTINATION licenses RENAME ${CMAKE_MATCH_2}.txt)
endforeach()

set(CPACK_PACKAGE_NAME pi-coins)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "pi-coins developers")
set(CPACK_PACKAGE_FILE_NAME pi-coins-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY pi-coins)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
include(CPack)
