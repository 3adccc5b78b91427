# What the project says of itself to packages and software centres, in one place. Each is left out
# wherever it is empty: fill it in when the project has one.
set(LANSPRY_HOMEPAGE "")          # for example https://example.org/lanspry/
set(LANSPRY_MAINTAINER_EMAIL "")  # for example lanspry@example.org
set(LANSPRY_SCREENSHOT_URL "")    # a PNG of the main dialog, for example https://example.org/lanspry/main.png

set(LANSPRY_MAINTAINER_NAME "The Lanspry developers")
# Debian's Maintainer field and the changelog's signature need an address. Until the project has
# one, they carry a name under .invalid, which is reserved for names that can never exist, so the
# package claims no one's mailbox.
if(LANSPRY_MAINTAINER_EMAIL)
  set(LANSPRY_MAINTAINER "${LANSPRY_MAINTAINER_NAME} <${LANSPRY_MAINTAINER_EMAIL}>")
else()
  set(LANSPRY_MAINTAINER "${LANSPRY_MAINTAINER_NAME} <nobody@lanspry.invalid>")
endif()

# The optional lines of the metadata files, empty where there is nothing true to say.
set(LANSPRY_METAINFO_URLS "")
if(LANSPRY_HOMEPAGE)
  set(LANSPRY_METAINFO_URLS "\n  <url type=\"homepage\">${LANSPRY_HOMEPAGE}</url>")
endif()
set(LANSPRY_METAINFO_SCREENSHOTS "")
if(LANSPRY_SCREENSHOT_URL)
  set(LANSPRY_METAINFO_SCREENSHOTS "\n  <screenshots>\n    <screenshot type=\"default\">\n      <caption>The main dialog with a channel closed</caption>\n      <image>${LANSPRY_SCREENSHOT_URL}</image>\n    </screenshot>\n  </screenshots>")
endif()
set(LANSPRY_COPYRIGHT_CONTACT "")
if(LANSPRY_MAINTAINER_EMAIL)
  string(APPEND LANSPRY_COPYRIGHT_CONTACT "\nUpstream-Contact: ${LANSPRY_MAINTAINER}")
endif()
if(LANSPRY_HOMEPAGE)
  string(APPEND LANSPRY_COPYRIGHT_CONTACT "\nSource: ${LANSPRY_HOMEPAGE}")
endif()
