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
find_program(QVX_PYTHON python3 REQUIRED)
find_program(QVX_MFORMAT mformat REQUIRED)
find_program(QVX_MCOPY mcopy REQUIRED)

# The list the image check compares against, and the files the package
# check counts as the package (the folder may still hold a file the vendor
# has since taken out of the package).
# Rewritten only when it changes, so that a configure alone checks and zips
# nothing again.
set(QVX_SHIPPED_LIST ${CMAKE_BINARY_DIR}/${QVX_RELEASE_NAME}.files)
string(REPLACE ";" "\n" QVX_SHIPPED_TEXT "${QVX_SHIPPED_NAMES}")
file(WRITE ${QVX_SHIPPED_LIST}.new "${QVX_SHIPPED_TEXT}\n")
configure_file(${QVX_SHIPPED_LIST}.new ${QVX_SHIPPED_LIST} COPYONLY)

# No zip or image of a package whose script would fail on the user's PC:
# the check reads the assembled folder (what ships) and names the script the
# vendor edits in its messages. A failing check writes no stamp, so the next
# build checks again.
set(QVX_PACKAGE_CHECK ${CMAKE_SOURCE_DIR}/cmake/check_package.py)
set(QVX_PACKAGE_CHECKED ${CMAKE_BINARY_DIR}/${QVX_RELEASE_NAME}.checked)
add_custom_command(OUTPUT ${QVX_PACKAGE_CHECKED}
    COMMAND ${QVX_PYTHON} ${QVX_PACKAGE_CHECK} --as ${QVX_PACKAGE_SOURCE}/setup.ini
            --files ${QVX_SHIPPED_LIST} ${CMAKE_BINARY_DIR}/package
    COMMAND ${CMAKE_COMMAND} -E touch ${QVX_PACKAGE_CHECKED}
    DEPENDS ${QVX_SHIPPED_TARGETS} ${QVX_PACKAGE_FILES} ${QVX_PACKAGE_CHECK} ${QVX_SHIPPED_LIST}
    COMMENT "Checking the driver package against its installation script")

# Both are made under a temporary name and renamed when complete, so a
# failed step (files that do not fit the disk) leaves no image behind.
add_custom_command(OUTPUT ${QVX_RELEASE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${QVX_RELEASE_ZIP}.tmp
    COMMAND ${QVX_ZIP} -q -X -j ${QVX_RELEASE_ZIP}.tmp ${QVX_SHIPPED_PATHS}
    COMMAND ${CMAKE_COMMAND} -E rename ${QVX_RELEASE_ZIP}.tmp ${QVX_RELEASE_ZIP}
    DEPENDS ${QVX_SHIPPED_TARGETS} ${QVX_PACKAGE_FILES} ${QVX_PACKAGE_CHECKED}
    COMMENT "Zipping the driver package")
add_custom_command(OUTPUT ${QVX_RELEASE_IMG}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${QVX_RELEASE_IMG}.tmp
    COMMAND ${QVX_MFORMAT} -C -f 1440 -v PR4417 -i ${QVX_RELEASE_IMG}.tmp ::
    COMMAND ${QVX_MCOPY} -m -i ${QVX_RELEASE_IMG}.tmp ${QVX_SHIPPED_PATHS} ::
    COMMAND ${CMAKE_COMMAND} -E rename ${QVX_RELEASE_IMG}.tmp ${QVX_RELEASE_IMG}
    DEPENDS ${QVX_SHIPPED_TARGETS} ${QVX_PACKAGE_FILES} ${QVX_PACKAGE_CHECKED}
    COMMENT "Writing the driver package to a 1.44 MB floppy image")
add_custom_target(package_images ALL DEPENDS ${QVX_RELEASE_ZIP} ${QVX_RELEASE_IMG})
