# The Debian package: `cpack -G DEB` in a build folder packs what
# `cmake --install` installs (the programs in bin/, the README in the doc
# folder). dpkg-shlibdeps (dpkg-dev) works out the library dependencies from
# the programs themselves, so they stay right whichever compiler built them.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME gridgame)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "treeplayer (8x8, one-level game tree) and gridplayer (up to 10x10, deeper
alpha-beta search) play a two-player game of soldiers, town halls and cannons
over a one-line text protocol; referee starts two players, relays their moves,
keeps their clocks and judges the game. Perft tools count each player's moves.")
set(CPACK_PACKAGE_CONTACT "gridgame maintainers <maintainers@users.noreply.c-seed-c3a69619.example>"
  CACHE STRING "Maintainer named in the packages")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
