# The Debian package: `cpack -G DEB` in the build folder gives formelan_<version>_amd64.deb.
# It packs what cmake/Install.cmake installs, under /usr.

set(FORMELAN_PACKAGE_MAINTAINER "The Formelan team <formelan@example.org>" CACHE STRING
    "Maintainer field of the Debian package: name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME formelan)
set(CPACK_PACKAGE_VENDOR "The Formelan team")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for Bulgarian bank payment documents")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FORMELAN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries come from the binary (dpkg-shlibdeps); Qt loads the SQL driver and the
# translations at run time, so no linker sees them. The forms are drawn in Arial and
# Courier New: Liberation has faces of their widths, without which text leaves its boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, qt6-translations-l10n, fonts-liberation2 | fonts-liberation")
# The PostgreSQL driver is for an address book on a server, which the program can do
# without; apt installs recommended packages unless told otherwise.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Formelan fills in the payment documents of Bulgarian banks: the deposit slip,
the payment receipt order, the credit transfer and direct debit orders, the
direct debit consent, the budget payment order and the combined transfer order
and deposit slip. It checks IBANs and the ЕГН, ЛНЧ and БУЛСТАТ numbers, totals
the sub-amounts and writes the amount out in Bulgarian words. An address book
keeps recipients and payers to be picked by name. Documents are saved to form
files (.frm) and filled into word-processor documents for printing.

Редактор на платежни документи на българските банки.")

include(CPack)
