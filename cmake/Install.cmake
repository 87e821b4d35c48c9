# cmake --install and the .deb: the program folder goes to <libdir>/quarnel (read-only there,
# so the program keeps each user's files in the user's folders), `quarnel` is linked into
# <bindir>, and the desktop entry, icon and metainfo go where desktops look for them.
include(GNUInstallDirs)
set(QUARNEL_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/quarnel)
set(linux_dir ${PROJECT_SOURCE_DIR}/resources/linux)

install(TARGETS quarnel quarnel-window RUNTIME DESTINATION ${QUARNEL_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/Profiles/ DESTINATION ${QUARNEL_INSTALL_PROGRAM_DIR}/Profiles
        FILES_MATCHING PATTERN "*.apf")
install(FILES ${PROJECT_SOURCE_DIR}/resources/Preferences.ini DESTINATION ${QUARNEL_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/ DESTINATION ${QUARNEL_INSTALL_PROGRAM_DIR}/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css" PATTERN "*.hhc" PATTERN "*.hhk")
install(FILES ${QUARNEL_PROGRAM_DIR}/quarnel.chm DESTINATION ${QUARNEL_INSTALL_PROGRAM_DIR} OPTIONAL)

# The tool links point at the tools of the machine the program is installed on, so they are
# made at install time, as is the relative link of `quarnel` into <bindir>.
install(CODE "
  set(program_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUARNEL_INSTALL_PROGRAM_DIR}\")
  foreach(pair \"asapi.dll;mencoder\" \"wmaspi.dll;ffmpeg\")
    list(GET pair 0 name)
    list(GET pair 1 tool)
    find_program(found_\${tool} \${tool} PATHS /usr/bin NO_CACHE)
    if(NOT found_\${tool})
      set(found_\${tool} /usr/bin/\${tool})
    endif()
    message(STATUS \"Linking: \${program_dir}/\${name} -> \${found_\${tool}}\")
    file(CREATE_LINK \"\${found_\${tool}}\" \"\${program_dir}/\${name}\" SYMBOLIC)
    # Listed like every installed file, so that an uninstall from the manifest takes them.
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${CMAKE_INSTALL_PREFIX}/${QUARNEL_INSTALL_PROGRAM_DIR}/\${name}\")
  endforeach()
  set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bin_dir}\")
  file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
       \"\${CMAKE_INSTALL_PREFIX}/${QUARNEL_INSTALL_PROGRAM_DIR}/quarnel\")
  message(STATUS \"Linking: \${bin_dir}/quarnel -> \${target}\")
  file(CREATE_LINK \"\${target}\" \"\${bin_dir}/quarnel\" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quarnel\")
  # The debug information stays in the build; the installed programs are a few MB.
  if(NOT \"${CMAKE_STRIP}\" STREQUAL \"\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${program_dir}/quarnel\" \"\${program_dir}/quarnel-window\")
  endif()
")

# Debian's policy: every package says its copyright and keeps a compressed changelog.
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
                   COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" gzip ${linux_dir}/changelog ${changelog_gz}
                   DEPENDS ${linux_dir}/changelog VERBATIM)
add_custom_target(quarnel_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${linux_dir}/copyright ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarnel)

install(FILES ${linux_dir}/quarnel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_dir}/io.github.quarnel.Quarnel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${linux_dir}/quarnel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# PNG sizes of the icon for desktops that do not draw SVG, rendered from it at build time.
find_program(RSVG_CONVERT_PROGRAM rsvg-convert)
if(RSVG_CONVERT_PROGRAM)
  set(icon_outputs)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/quarnel.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT_PROGRAM} -w ${size} -h ${size} ${linux_dir}/quarnel.svg -o ${png}
      DEPENDS ${linux_dir}/quarnel.svg
      VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${icon_outputs} COMMENT "Rendering the icon's PNG sizes")
  # Cheap, and lets cmake --install follow scripts/start.sh's build.
  add_dependencies(program icons)
else()
  message(WARNING "rsvg-convert (Debian package librsvg2-bin) not found: the icon is installed as SVG only")
endif()

# Installing and packing take what was built and build nothing themselves: the build folder is
# shared with builds that are serialised elsewhere (and the tests make the .deb from it).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# cpack -G DEB in the build folder makes the .deb; its library dependencies come from
# dpkg-shlibdeps, the tools it drives are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quarnel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts the titles and chapters of a video DVD to video files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quarnel developers <quarnel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "mencoder, ffmpeg")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
include(CPack)
