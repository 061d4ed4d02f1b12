# package.cmake: the Debian package, `cpack -G DEB` in a build folder: fieldmend_<version>_amd64.deb
# holding what `cmake --install` installs under /usr. Its dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fieldmend)
set(CPACK_PACKAGE_VENDOR Quillmoor)
set(CPACK_PACKAGE_CONTACT "Fieldmend maintainers <fieldmend@quillmoor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find and replace text in Microsoft Access databases")
# The summary above is its first line; CPack indents the rest as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Fieldmend finds and replaces text in the tables of Microsoft Access
databases (.mdb and .accdb files, from Access 97 to Access 2019) with its
own engine for the file formats, writing changes through a rollback
journal and a change log.

The package holds the desktop program fieldmend and the command-line
program fieldmend-cli, which also lists, exports and checks tables.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
set(CPACK_STRIP_FILES ON)
# Whatever the umask of the machine that builds it, folders are rwxr-xr-x.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
