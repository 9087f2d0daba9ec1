# The serial-mouse detector, built into the package folder; and the package
# as users get it: a zip of the package folder and a 1.44 MB floppy-disk
# image (FAT12) holding the same files.
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/ptrsniff ${CMAKE_BINARY_DIR}/ptrsniff_detector)
# Only the i686 tree ships; the x86_64 test build has its package folder and
# no more.
if(NOT QVX_SHIPS)
    return()
endif()

set(QVX_RELEASE_NAME penrel-pr4417-driver)
set(QVX_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${QVX_RELEASE_NAME}.zip)
set(QVX_RELEASE_IMG ${CMAKE_BINARY_DIR}/${QVX_RELEASE_NAME}.img)

# What ships: the three programs and the driver package's own files.
set(QVX_SHIPPED_TARGETS setup ptrsniff_detector package_files)
set(QVX_SHIPPED_NAMES setup.exe ptrsniff.exe)
if(TARGET pruninst)
    list(APPEND QVX_SHIPPED_TARGETS pruninst)
    list(APPEND QVX_SHIPPED_NAMES pruninst.exe)
endif()
foreach(file ${QVX_PACKAGE_FILES})
    get_filename_component(name ${file} NAME)
    list(APPEND QVX_SHIPPED_NAMES ${name})
endforeach()
list(SORT QVX_SHIPPED_NAMES)
set(QVX_SHIPPED_PATHS)
foreach(name ${QVX_SHIPPED_NAMES})
    list(APPEND QVX_SHIPPED_PATHS ${CMAKE_BINARY_DIR}/package/${name})
endforeach()

find_program(QVX_ZIP zip REQUIRED)
find_program(QVX_MFORMAT mformat REQUIRED)
find_program(QVX_MCOPY mcopy REQUIRED)

# Both are made under a temporary name and renamed when complete, so a
# failed step (files that do not fit the disk) leaves no image behind.
add_custom_command(OUTPUT ${QVX_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${QVX_RELEASE_ZIP}.tmp
    COMMAND ${QVX_ZIP} -q -X -j ${QVX_RELEASE_ZIP}.tmp ${QVX_SHIPPED_PATHS}
    COMMAND ${CMAKE_COMMAND} -E rename ${QVX_RELEASE_ZIP}.tmp ${QVX_RELEASE_ZIP}
    DEPENDS ${QVX_SHIPPED_TARGETS} ${QVX_PACKAGE_FILES}
    COMMENT "Zipping the driver package")
add_custom_command(OUTPUT ${QVX_RELEASE_IMG}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${QVX_RELEASE_IMG}.tmp
    COMMAND ${QVX_MFORMAT} -C -f 1440 -v PR4417 -i ${QVX_RELEASE_IMG}.tmp ::
    COMMAND ${QVX_MCOPY} -m -i ${QVX_RELEASE_IMG}.tmp ${QVX_SHIPPED_PATHS} ::
    COMMAND ${CMAKE_COMMAND} -E rename ${QVX_RELEASE_IMG}.tmp ${QVX_RELEASE_IMG}
    DEPENDS ${QVX_SHIPPED_TARGETS} ${QVX_PACKAGE_FILES}
    COMMENT "Writing the driver package to a 1.44 MB floppy image")
add_custom_target(package_images ALL DEPENDS ${QVX_RELEASE_ZIP} ${QVX_RELEASE_IMG})

# The list the image check compares against.
string(REPLACE ";" "\n" QVX_SHIPPED_TEXT "${QVX_SHIPPED_NAMES}")
file(WRITE ${CMAKE_BINARY_DIR}/${QVX_RELEASE_NAME}.files "${QVX_SHIPPED_TEXT}\n")
